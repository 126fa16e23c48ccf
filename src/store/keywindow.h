#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>

#include <map>
#include <optional>

namespace ktv {

class Database;

// One record of a view: its key and the values it is ordered by, as stored.
struct KeyEntry
{
    qint64 key = 0;
    QVariantList order;
};

// The keys of an ordered view of one table, read a page at a time from where they are asked for: from the
// head, from the tail, around a key or from a neighbour already read, each by a range of the order's index.
// Nothing here reads the whole view, except a count where no index answers it.
//
// Records are addressed by positions: whole numbers in view order, relative to wherever the first page was
// read. The row number of a position (its place from the head) is known once the head has been read, or is
// counted when asked for. Reading from the head, the tail or a key that is not near what was read starts a
// new numbering; moving to a neighbour or a row never does.
class KeyWindow
{
public:
    struct View
    {
        QString table;
        QString key;            // the rows' key column (dialect.h)
        QString condition;      // SQL over the table's columns; empty for every row
        QVariantList binds;     // for the condition
        QStringList orderBy;    // quoted columns; the key follows them
        bool descending = false;
    };

    explicit KeyWindow(Database &db) : m_db(db) {}

    // Sets what the view is and forgets what was read of it; a kept record stays.
    void setView(View view);
    void clear();
    // A record shown in the view although it no longer passes its condition (0: none). Only one is: when
    // the one kept so far stood outside the condition it leaves the view, and what was read of the view is
    // let go (returns true), for the positions after it have moved.
    bool setKept(qint64 key);

    std::optional<qint64> first();
    std::optional<qint64> last();
    std::optional<qint64> neighbour(qint64 pos, int step);
    std::optional<qint64> find(qint64 key);          // reads around the key when it was not read
    std::optional<qint64> after(const KeyEntry &gone); // the first record after one that left the view
    std::optional<qint64> atRow(qint64 row);
    KeyEntry entry(qint64 pos); // key 0 when there is no such position
    qint64 keyAt(qint64 pos) { return entry(pos).key; }
    qint64 rowOf(qint64 pos);
    qint64 count();
    // This program deleted the record: the records after it move up one. Returns the position of the
    // record that followed it.
    std::optional<qint64> erase(qint64 pos);
    // The keys read at positions from pos - before to pos + after, pos included.
    QList<qint64> keysNear(qint64 pos, int before, int after);
    // The current position; what is read around it is kept when the keys read grow many.
    void pin(qint64 pos) { m_pin = pos; }

    // Ordering as SQLite sorts stored values (NULL, numbers, text by bytes, blobs); for a test and the merge.
    static int compareStored(const QVariant &a, const QVariant &b);

private:
    struct Part
    {
        QString condition;
        QVariantList binds;
    };

    bool ensure(qint64 pos);
    void put(qint64 pos, const KeyEntry &e);
    void renumber();
    void readFrom(qint64 pos, bool forward, int limit);
    std::optional<qint64> knownOrigin() const;
    qint64 origin();
    void trim();

    QList<Part> partsAfter(const KeyEntry &from, bool forward) const;
    QString walkOrder(bool forward) const;
    QString whereWith(const QString &condition) const;
    bool ascendingWalk(bool forward) const { return forward != m_view.descending; }
    int compareInWalk(const KeyEntry &a, const KeyEntry &b, bool forward) const;
    QList<KeyEntry> select(const QString &condition, const QVariantList &binds, bool forward, qint64 limit,
                           qint64 offset = 0);
    qint64 countWhere(const QString &condition, const QVariantList &binds);
    QList<KeyEntry> edge(bool head, int limit);
    QList<KeyEntry> seek(const KeyEntry &from, bool forward, int limit);
    QList<KeyEntry> fromRow(qint64 row, int limit);
    qint64 countBefore(const KeyEntry &e);
    std::optional<KeyEntry> lookUp(qint64 key, bool *inView);
    const KeyEntry *keptExtra();
    void mergeKept(QList<KeyEntry> &list, bool forward, int limit, bool belongs);
    qint64 sqlCount();

    Database &m_db;
    View m_view;
    std::map<qint64, KeyEntry> m_rows;
    QHash<qint64, qint64> m_posOfKey;
    std::optional<qint64> m_head;   // position of the first record, once known
    std::optional<qint64> m_tail;   // position of the last record, once known
    std::optional<qint64> m_origin; // row number of position 0, once known
    std::optional<qint64> m_count;
    std::optional<qint64> m_sqlCount;
    qint64 m_pin = 0;
    qint64 m_lastAsked = 0;

    qint64 m_kept = 0;
    bool m_keptLooked = false;
    std::optional<KeyEntry> m_keptEntry; // set only when the kept record is outside the condition
};

} // namespace ktv
