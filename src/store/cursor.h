#pragma once

#include "fielddef.h"
#include "keywindow.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QVariant>

#include <functional>
#include <optional>

namespace ktv {

class Database;

enum class CursorState { Inactive, Browse, Edit, Insert };

enum class LocateOption { CaseInsensitive = 0x1, PartialKey = 0x2 };
Q_DECLARE_FLAGS(LocateOptions, LocateOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(LocateOptions)

using Bookmark = qint64;

// The navigational cursor the screens work through: a current record in an ordered, optionally filtered
// or linked view of one table, with one record buffer for editing. It reads the keys of its view a page at
// a time where they are asked for, and rows when they are shown; it holds no statement open between calls,
// and opening it, moving to either end and showing a screenful cost the same however large the table.
//
// It never serves what is older than the last write to its table: any write through another cursor, a
// commit by another program and a rollback make it read its view again before it next serves a record, a
// count or a detail list, keeping its current record by key. Grids are served from what was last read and
// follow soon after, when the event loop runs.
class Cursor : public QObject
{
    Q_OBJECT
public:
    using Handler = std::function<void(Cursor &)>;

    Cursor(Database &db, const TableDef &table, QObject *parent = nullptr);
    ~Cursor() override;

    Database &database() const { return m_db; }
    const TableDef &table() const { return m_table; }
    // The fields this cursor shows, in record order (a query may show fewer than the table has).
    QList<FieldDef> fields() const;
    int fieldCount() const { return int(m_columns.size()); }
    const FieldDef &field(int column) const;
    const FieldDef &field(const QString &name) const;
    int columnOf(const QString &name) const; // -1 when not shown

    // Configuration; changing it on an open cursor re-reads the view.
    void setIndexName(const QString &indexName);
    void setOrderFields(const QStringList &fields, bool descending = false);
    void setFilter(const QString &expression); // "Field<>'value'" or "Field='value'"
    void setFiltered(bool on);
    bool isFiltered() const { return m_filtered; }
    // Only the records whose field lies from `from` up to, not including, `to` (a day of arrival times, say),
    // read through an index on the field where the view is ordered by it; an empty field name shows all.
    void setRange(const QString &field, const QVariant &from, const QVariant &to);
    void setMasterLink(Cursor *master, const QStringList &masterFields, const QStringList &detailFields);
    Cursor *master() const { return m_master; }
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }
    bool isReadOnly() const { return m_readOnly; }
    void setColumns(const QStringList &fieldNames);
    // A listing read once, when it is first asked, lists the records of that moment until it is refreshed;
    // other cursors' writes and other programs' commits do not change it meanwhile.
    void setFollowsChanges(bool follows) { m_followsChanges = follows; }

    void open();
    void close();
    bool isOpen() const { return m_state != CursorState::Inactive; }

    // Navigation. Moving first saves a changed pending record, or drops an unchanged one.
    void first();
    void prior();
    void next();
    void last();
    void moveTo(int row);
    bool bof() const;
    bool eof() const;
    int recordCount() const;
    bool isEmpty() const;
    int currentRow() const;
    Bookmark bookmark() const;
    void gotoBookmark(Bookmark mark);
    bool locate(const QString &fieldName, const QVariant &value, LocateOptions options = {});
    void refresh();
    // The current record was deleted, or left this view, through a change made elsewhere, and the cursor
    // now stands on another one that nobody chose (also when this cursor's master is so). Choosing a record
    // again (a move, a locate, a bookmark, a refresh) ends it.
    bool isLost() const;
    // What a timer does in place of a refresh: saves what is pending, then reads the view again; a record
    // deleted elsewhere meanwhile is lost, and one lost before stays lost, until the cashier chooses one.
    void readAgain();
    // No record is chosen although one stands current (a search found nothing): actions aimed at the
    // current record refuse with why, until one is chosen.
    void dropChoice(const QString &why);
    // The cashier chose the record now current (clicked its row): it is no longer lost.
    void confirmCurrent() { m_lost = false; }
    // Refuses, naming the table, an action aimed at the current record while it is lost.
    void requireChosen() const;
    // This screen's own step wrote the current record without this cursor: read the view again keeping the
    // record current, in view even when it no longer passes the filter, and never count it as lost.
    void followOwnWrite();
    // Reads the view again when its table changed since it was read (or it was never read). Every reading
    // call does this itself; a grid calls it once when it is bound, and is otherwise served as last read.
    void ensureFresh() const;

    // Editing.
    CursorState state() const { return m_state; }
    bool isEditing() const { return m_state == CursorState::Edit || m_state == CursorState::Insert; }
    bool isModified() const { return m_modified; }
    void edit(); // the record as stored now
    // What a bound control calls as the cashier starts typing: refused, and the record shown again, when
    // it was changed elsewhere since it was shown, so that nothing typed over an unseen value is saved.
    void editAsShown();
    void insert();
    void append();
    void post();
    void cancel();
    void remove();
    void checkBrowseMode();

    // Handlers run around every such operation, whoever starts it; a before-handler refuses by throwing.
    void setBeforeInsert(Handler h) { m_beforeInsert = std::move(h); }
    void setAfterInsert(Handler h) { m_afterInsert = std::move(h); }
    void setBeforePost(Handler h) { m_beforePost = std::move(h); }
    void setAfterPost(Handler h) { m_afterPost = std::move(h); }
    // Runs inside the save's transaction, after the record is written: what it writes is stored together
    // with the record or not at all.
    void setWhileSaving(Handler h) { m_whileSaving = std::move(h); }

    // Fields of the current record (the record buffer while editing). An empty field is a null QVariant.
    QVariant value(const QString &name) const;
    bool isNull(const QString &name) const { return value(name).isNull(); }
    QString text(const QString &name) const;
    double number(const QString &name) const; // empty reads as 0
    qint64 integer(const QString &name) const; // empty reads as 0
    QDateTime dateTime(const QString &name) const;
    // The field as stored when the edit began; empty while inserting.
    QVariant originalValue(const QString &name) const;
    // Needs edit or insert state; the value is converted to the field's kind (text cut to its width).
    void setValue(const QString &name, const QVariant &value);

    // Rows as a grid shows them, as last read: while inserting, the new record stands at its own row.
    // The count and the current row never throw (a grid asks them while it paints): they read as none.
    int displayRowCount() const;
    int currentDisplayRow() const;
    QVariant displayValue(int row, int column) const;
    void moveToDisplayRow(int row);

signals:
    void rowsReset();        // the view was re-read or rows came or went
    void currentChanged();   // another record became current, or the current one changed
    void stateChanged();     // browse, edit, insert
    void fieldChanged(int column);

private:
    struct Filter
    {
        int field = -1;
        bool notEqual = true;
        QString value;
    };

    QString rowKey() const;
    QString viewCondition(QVariantList &binds) const;
    QString orderClause() const;
    QStringList orderFields() const;
    bool orderDescending() const;
    QString selectList() const;
    void startView();
    void reread(bool ownWrite = false);
    void rereadAround(const std::optional<KeyEntry> &current, const QVector<QVariant> &shown, bool ownWrite);
    std::optional<QVector<QVariant>> storedRow(qint64 rowid) const;
    bool sameIdentity(const QVector<QVariant> &a, const QVector<QVariant> &b) const;
    bool isShown() const;
    QString lostMessage() const;
    void markLost();
    void onDatabaseChanged();
    void placeAt(qint64 rowid, const std::optional<KeyEntry> &near);
    std::optional<KeyEntry> currentEntry() const;
    void followMaster(bool force);
    const QVector<QVariant> &rowAt(qint64 pos) const;
    int insertRow() const;
    QVector<QVariant> fetchOne(qint64 rowid) const;
    QVector<QVariant> currentValues() const;
    void startInsert(bool atEnd);
    void startEdit(bool asShown);
    void requireOpen() const;
    void requireWritable() const;
    void writeBuffer();
    void setCurrent(std::optional<qint64> pos, bool bof, bool eof);
    bool affectsView(int fieldIndex) const;

    Database &m_db;
    const TableDef &m_table;
    QVector<int> m_columns; // table field indexes shown, in order
    CursorState m_state = CursorState::Inactive;
    bool m_readOnly = false;
    bool m_followsChanges = true;

    QString m_indexName;
    QStringList m_orderFields;
    bool m_descending = false;
    Filter m_filter;
    bool m_filtered = false;
    struct Range
    {
        int field = -1;
        QVariant from;
        QVariant to;
    };
    Range m_range;

    Cursor *m_master = nullptr;
    QStringList m_masterFields;
    QStringList m_detailFields;
    QVariantList m_linkValues;
    bool m_linkEmpty = false;

    static constexpr quint64 kNeverRead = ~quint64(0);
    quint64 m_seenVersion = kNeverRead; // the table's version when the view was read
    bool m_rereadQueued = false;
    bool m_rereading = false; // while a re-read for freshness tells its listeners
    mutable KeyWindow m_view;
    std::optional<qint64> m_pos; // the current record's position in the view
    bool m_bof = true;
    bool m_eof = true;
    bool m_lost = false;
    QString m_lostWhy; // why no record is chosen, when not for a change made elsewhere
    mutable QHash<qint64, QVector<QVariant>> m_cache;

    QVector<QVariant> m_buffer; // one value per table field
    QVector<bool> m_changed;
    QVector<QVariant> m_original; // the record as stored when its edit began
    bool m_conflictReported = false; // this edit was refused once for a change made elsewhere
    bool m_modified = false;
    qint64 m_editKey = 0;
    bool m_insertAtEnd = false; // else before the current record

    Handler m_beforeInsert, m_afterInsert, m_beforePost, m_afterPost, m_whileSaving;
};

// A read-only result set of chosen columns of one table, optionally in descending order of one field.
class Query : public Cursor
{
    Q_OBJECT
public:
    Query(Database &db, const TableDef &table, const QStringList &columns, const QString &descendingField = {},
          QObject *parent = nullptr);
};

} // namespace ktv
