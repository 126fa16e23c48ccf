#include "clientrecord.h"

#include "store/database.h"
#include "store/storedrecord.h"
#include "store/tables.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkInterface>

namespace ktv {

namespace {

const QString kMac = QStringLiteral("Clients_mac");

} // namespace

std::optional<PcIdentity> thisPc()
{
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &nic : interfaces) {
        const auto flags = nic.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) || !flags.testFlag(QNetworkInterface::IsRunning) ||
            flags.testFlag(QNetworkInterface::IsLoopBack) || nic.hardwareAddress().isEmpty())
            continue;
        const QList<QNetworkAddressEntry> entries = nic.addressEntries();
        for (const QNetworkAddressEntry &entry : entries) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol)
                return PcIdentity{nic.hardwareAddress(), entry.ip().toString(), QHostInfo::localHostName()};
        }
    }
    return std::nullopt;
}

ClientRecord::ClientRecord(const QString &address, PcIdentity pc)
    : m_db(Database::openTablesOnServer(address, {&tables::clients()})), m_pc(std::move(pc))
{
}

ClientRecord::~ClientRecord() = default;

void ClientRecord::markRunning() { store(QStringLiteral("运行中")); }

void ClientRecord::markStopped() { store(QStringLiteral("停止运行")); }

void ClientRecord::store(const QString &running)
{
    Transaction tx(*m_db);
    std::optional<StoredRecord> record = StoredRecord::find(*m_db, tables::clients(), kMac, m_pc.mac, true);
    if (!record) {
        StoredRecord::insert(*m_db, tables::clients(),
                             {{kMac, m_pc.mac},
                              {QStringLiteral("Clients_ip"), m_pc.address},
                              {QStringLiteral("Clients_hostname"), m_pc.host},
                              {QStringLiteral("Clients_used"), tables::no},
                              {QStringLiteral("Clients_Running"), running}});
    } else {
        record->set(QStringLiteral("Clients_ip"), m_pc.address);
        record->set(QStringLiteral("Clients_hostname"), m_pc.host);
        record->set(QStringLiteral("Clients_Running"), running);
        record->write(*m_db);
    }
    tx.commit();
}

} // namespace ktv
