#include "cursor.h"

#include "cursorsql.h"
#include "database.h"
#include "fieldvalue.h"
#include "storeerror.h"
#include "writerules.h"

#include <QSqlQuery>

namespace ktv {

void Cursor::checkBrowseMode()
{
    if (!isEditing())
        return;
    if (m_modified)
        post();
    else
        cancel();
}

void Cursor::edit() { startEdit(false); }

void Cursor::editAsShown() { startEdit(true); }

void Cursor::startEdit(bool asShown)
{
    requireWritable();
    if (isEditing())
        return;
    // What the cashier has been shown of the record, before it is read again.
    const qint64 shownKey = m_pos ? m_view.keyAt(*m_pos) : 0;
    const QVector<QVariant> shown = asShown && shownKey ? m_cache.value(shownKey) : QVector<QVariant>();
    ensureFresh();
    requireChosen();
    if (!m_pos) {
        insert();
        return;
    }
    m_editKey = m_view.keyAt(*m_pos);
    m_cache.remove(m_editKey);
    const std::optional<QVector<QVariant>> stored = storedRow(m_editKey);
    if (!stored) {
        markLost();
        throw StoreError(lostMessage());
    }
    // Typing over a value that another station changed since it was shown would overwrite what nobody saw.
    if (m_editKey == shownKey && !shown.isEmpty() && shown != *stored) {
        m_cache.insert(m_editKey, *stored);
        emit currentChanged();
        throw StoreError(QStringLiteral("这条记录刚在别处被修改过（%1），现在显示的是修改后的内容，请重新输入")
                             .arg(m_table.fileName));
    }
    m_buffer = *stored; // the record as stored now, not as last read
    m_original = *stored;
    m_conflictReported = false;
    m_changed.fill(false, m_table.fields.size());
    m_modified = false;
    m_state = CursorState::Edit;
    emit stateChanged();
    emit currentChanged();
}

void Cursor::insert() { startInsert(false); }

void Cursor::append() { startInsert(true); }

void Cursor::startInsert(bool atEnd)
{
    requireWritable();
    checkBrowseMode();
    ensureFresh();
    // A new detail line takes its master's record: never one that nobody chose.
    if (m_master)
        m_master->requireChosen();
    if (m_beforeInsert)
        m_beforeInsert(*this);
    m_buffer = QVector<QVariant>(m_table.fields.size());
    m_original.clear();
    m_conflictReported = false;
    m_changed.fill(false, m_table.fields.size());
    m_modified = false;
    if (m_master && !m_linkEmpty) {
        for (int i = 0; i < m_detailFields.size() && i < m_linkValues.size(); ++i) {
            const int index = m_table.fieldIndex(m_detailFields[i]);
            m_buffer[index] = fieldvalue::normalize(m_table.fields[index], m_linkValues[i]);
            m_changed[index] = true;
        }
    }
    m_insertAtEnd = atEnd || !m_pos;
    m_state = CursorState::Insert;
    emit stateChanged();
    emit rowsReset();
    emit currentChanged();
    if (m_afterInsert)
        m_afterInsert(*this);
}

QVariant Cursor::originalValue(const QString &name) const
{
    const int index = m_table.fieldIndex(name);
    return m_state == CursorState::Edit && index >= 0 ? m_original.value(index) : QVariant();
}

void Cursor::setValue(const QString &name, const QVariant &input)
{
    requireWritable();
    const FieldDef &f = field(name);
    if (!isEditing())
        throw StoreError(QStringLiteral("记录不在编辑状态，不能修改字段 %1").arg(f.displayLabel()));
    if (f.kind == FieldKind::AutoInc)
        throw StoreError(QStringLiteral("字段 %1 由系统自动编号，不能修改").arg(f.displayLabel()));
    const int index = m_table.fieldIndex(name);
    m_buffer[index] = fieldvalue::normalize(f, input);
    m_changed[index] = true;
    m_modified = true;
    emit fieldChanged(columnOf(name));
    emit currentChanged();
}

bool Cursor::affectsView(int fieldIndex) const
{
    // A record that stops passing the filter stays in view until the next refresh, so that the steps
    // that follow its post still find it current.
    const QString &name = m_table.fields[fieldIndex].name;
    if (fieldIndex == m_range.field)
        return true;
    if (m_detailFields.contains(name, Qt::CaseInsensitive) || m_orderFields.contains(name, Qt::CaseInsensitive))
        return true;
    const IndexDef *index = m_indexName.isEmpty() ? nullptr : m_table.index(m_indexName);
    return index && index->fields.contains(name, Qt::CaseInsensitive);
}

void Cursor::writeBuffer()
{
    writerules::check(m_db, m_table, m_state == CursorState::Insert ? 0 : m_editKey, m_buffer, m_changed);
    const QString &key = m_table.uniqueKey;
    if (!key.isEmpty()) {
        const int k = m_table.fieldIndex(key);
        const QVariant v = m_buffer[k];
        if (v.isNull())
            throw StoreError(QStringLiteral("字段 %1 不能为空").arg(key));
        QSqlQuery dup = m_db.run(QStringLiteral("SELECT 1 FROM ") + sqlName(m_table.name) + QStringLiteral(" WHERE ") +
                                     sqlName(key) + QStringLiteral(" = ? AND ") +
                                     m_db.dialect().notSame(rowKey(), QStringLiteral("?")),
                                 {v, m_state == CursorState::Edit ? QVariant(m_editKey) : QVariant()});
        if (dup.next())
            throw StoreError(QStringLiteral("字段 %1 的值“%2”已被使用，不能重复").arg(key, v.toString()));
    }

    QStringList names;
    QVariantList binds;
    for (int i = 0; i < m_table.fields.size(); ++i) {
        const FieldDef &f = m_table.fields[i];
        if (f.kind == FieldKind::AutoInc || !m_changed[i])
            continue;
        names << sqlName(f.name);
        binds << fieldvalue::toSql(f, m_buffer[i]);
    }

    if (m_state == CursorState::Insert) {
        m_editKey = m_db.insert(m_table, names, binds);
    } else if (!names.isEmpty()) {
        // Only the record that was read is written: not one that took its row number after it was deleted,
        // and not over what another station saved since the edit began.
        const std::optional<QVector<QVariant>> stored = storedRow(m_editKey);
        if (!stored || !sameIdentity(*stored, m_original))
            throw RecordGone(QStringLiteral("这条记录已在别处被删除，修改没有保存（%1）").arg(m_table.fileName));
        if (*stored != m_original) {
            if (m_conflictReported)
                throw AbortAction();
            m_conflictReported = true;
            throw StoreError(QStringLiteral("这条记录在您修改时已在别处被修改（%1），您的修改没有保存；"
                                            "请取消修改，看过新的内容后再改")
                                 .arg(m_table.fileName));
        }
        binds << m_editKey;
        QSqlQuery query = m_db.run(QStringLiteral("UPDATE ") + sqlName(m_table.name) + QStringLiteral(" SET ") +
                                       names.join(QLatin1String(" = ?, ")) + QStringLiteral(" = ? WHERE ") + rowKey() + QStringLiteral(" = ?"),
                                   binds);
        if (query.numRowsAffected() == 0)
            throw RecordGone(QStringLiteral("这条记录已在别处被删除，修改没有保存（%1）").arg(m_table.fileName));
        m_db.noteWrite(m_table.name);
    }
}

void Cursor::post()
{
    requireWritable();
    if (!isEditing())
        return;
    if (m_beforePost)
        m_beforePost(*this);

    const bool inserting = m_state == CursorState::Insert;
    bool viewChanges = inserting;
    for (int i = 0; i < m_changed.size() && !viewChanges; ++i)
        viewChanges = m_changed[i] && affectsView(i);

    bool wasFresh = false;
    try {
        Transaction tx(m_db);
        wasFresh = m_seenVersion == m_db.version(m_table.name);
        writeBuffer();
        if (m_whileSaving)
            m_whileSaving(*this);
        tx.commit();
    } catch (const RecordGone &) {
        // Nothing is left to save it to: the change is dropped, so that no later move or timer tries again.
        cancel();
        markLost();
        throw;
    }
    // Its own write leaves this cursor's view as read, the record just saved aside.
    if (wasFresh)
        m_seenVersion = m_db.version(m_table.name);

    const qint64 key = m_editKey;
    const std::optional<KeyEntry> near = currentEntry();
    m_state = CursorState::Browse;
    m_buffer.clear();
    m_modified = false;
    m_lost = false;
    if (viewChanges) {
        startView();
        placeAt(key, near);
        emit rowsReset();
    } else {
        m_cache.remove(key);
        // Only the record saved last stays out of its filter: one kept before leaves the view now.
        if (m_filtered && m_filter.field >= 0 && m_view.setKept(key)) {
            // Still at an end if it was: only a record beside it left.
            if (const std::optional<qint64> pos = m_view.find(key))
                setCurrent(pos, m_bof, m_eof);
            else
                placeAt(key, near);
            emit rowsReset();
        }
    }
    emit stateChanged();
    emit currentChanged();
    if (m_afterPost)
        m_afterPost(*this);
}

void Cursor::cancel()
{
    if (!isEditing())
        return;
    const bool inserting = m_state == CursorState::Insert;
    m_state = CursorState::Browse;
    m_buffer.clear();
    m_modified = false;
    emit stateChanged();
    if (inserting)
        emit rowsReset();
    emit currentChanged();
}

void Cursor::remove()
{
    if (m_state == CursorState::Insert) {
        cancel();
        return;
    }
    requireWritable();
    if (m_state == CursorState::Edit)
        cancel();
    const qint64 shownKey = m_pos ? m_view.keyAt(*m_pos) : 0;
    const QVector<QVariant> shown = shownKey ? m_cache.value(shownKey) : QVector<QVariant>();
    ensureFresh();
    requireChosen();
    if (!m_pos)
        throw StoreError(QStringLiteral("%1 中没有可删除的记录").arg(m_table.fileName));
    const qint64 pos = *m_pos;
    const qint64 key = m_view.keyAt(pos);
    bool wasFresh = false;
    {
        Transaction tx(m_db);
        wasFresh = m_seenVersion == m_db.version(m_table.name);
        // The record the cashier confirmed, not one that took its row number since.
        const std::optional<QVector<QVariant>> stored = storedRow(key);
        if (!stored || (key == shownKey && !shown.isEmpty() && !sameIdentity(shown, *stored))) {
            markLost();
            throw StoreError(lostMessage());
        }
        m_db.run(QStringLiteral("DELETE FROM ") + sqlName(m_table.name) + QStringLiteral(" WHERE ") + rowKey() + QStringLiteral(" = ?"),
                 {key});
        m_db.noteWrite(m_table.name);
        tx.commit();
    }
    if (wasFresh)
        m_seenVersion = m_db.version(m_table.name);
    const std::optional<qint64> next = m_view.erase(pos);
    m_cache.remove(key);
    // The record after the deleted one becomes current; past the last one the cursor stands at its end.
    if (next)
        setCurrent(next, false, false);
    else
        setCurrent(m_view.last(), false, true);
    emit rowsReset();
    emit currentChanged();
}

} // namespace ktv
