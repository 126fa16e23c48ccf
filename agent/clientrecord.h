#pragma once

#include <QString>

#include <memory>
#include <optional>

namespace ktv {

class Database;

// What identifies a room PC in the venue's client table.
struct PcIdentity
{
    QString mac;     // "AA:BB:CC:DD:EE:FF"
    QString address; // its IPv4 address
    QString host;
};

// This PC: its first interface that is up, not a loopback, with a hardware address and an IPv4 address.
std::optional<PcIdentity> thisPc();

// The agent's own record in the client table of a venue database on a server, found by the PC's hardware
// address (made when there is none). The agent touches no other table: its database role may be granted
// the client table alone.
class ClientRecord
{
public:
    // Throws StoreError when the server cannot be reached or holds no client table this role may use.
    ClientRecord(const QString &address, PcIdentity pc);
    ~ClientRecord();

    // Stores the PC's address and host name, and whether the agent runs ("运行中" or "停止运行"), in one
    // transaction; a PC new to the venue gets a record of its own, in no room yet. Throws StoreError.
    void markRunning();
    void markStopped();

private:
    void store(const QString &running);

    std::unique_ptr<Database> m_db;
    PcIdentity m_pc;
};

} // namespace ktv
