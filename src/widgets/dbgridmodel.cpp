#include "dbgridmodel.h"

#include "dbformat.h"
#include "store/cursor.h"
#include "store/datasource.h"
#include "store/storeerror.h"
#include "widgets/platform.h"

namespace ktv {

CursorTableModel::CursorTableModel(Dialogs &dialogs, DataSource *source, const QList<GridColumn> &columns,
                                   QObject *parent)
    : QAbstractTableModel(parent), m_dialogs(dialogs), m_source(source), m_columns(columns)
{
    if (m_source)
        connect(m_source, &DataSource::cursorChanged, this, &CursorTableModel::rebind);
    bind();
}

CursorTableModel::~CursorTableModel()
{
    unbind();
}

Cursor *CursorTableModel::cursor() const
{
    return m_source ? m_source->cursor() : nullptr;
}

// Shown as stored now, not as last read: also a cursor opened after its grid was bound, whose view nobody
// has read yet.
void CursorTableModel::readFresh()
{
    if (!m_bound)
        return;
    try {
        m_bound->ensureFresh();
    } catch (const StoreError &) {
        // Shown empty; the next move or refresh reports what is wrong.
    }
}

void CursorTableModel::bind()
{
    m_bound = cursor();
    readFresh();
    m_rowCount = m_bound ? m_bound->displayRowCount() : 0;
    m_lastRow = m_bound ? m_bound->currentDisplayRow() : -1;
    if (!m_bound)
        return;
    m_connections << connect(m_bound, &Cursor::rowsReset, this, &CursorTableModel::reset)
                  << connect(m_bound, &Cursor::currentChanged, this, &CursorTableModel::onCurrentChanged)
                  << connect(m_bound, &Cursor::stateChanged, this, &CursorTableModel::onCurrentChanged)
                  << connect(m_bound, &Cursor::fieldChanged, this, &CursorTableModel::onFieldChanged)
                  << connect(m_bound, &QObject::destroyed, this, &CursorTableModel::rebind);
}

void CursorTableModel::unbind()
{
    for (const QMetaObject::Connection &c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    m_bound = nullptr;
}

void CursorTableModel::rebind()
{
    beginResetModel();
    unbind();
    bind();
    endResetModel();
    emit cursorRowChanged();
}

void CursorTableModel::reset()
{
    readFresh(); // tells its own reset when it reads the view
    beginResetModel();
    m_rowCount = m_bound ? m_bound->displayRowCount() : 0;
    m_lastRow = m_bound ? m_bound->currentDisplayRow() : -1;
    endResetModel();
    emit cursorRowChanged();
}

// The cursor announces added and removed rows with rowsReset; should a count change come without it,
// the view must still never be told about rows that are not there.
void CursorTableModel::syncRowCount()
{
    if (m_bound && m_bound->displayRowCount() != m_rowCount)
        reset();
}

void CursorTableModel::emitRowChanged(int row)
{
    if (row >= 0 && row < m_rowCount && !m_columns.isEmpty())
        emit dataChanged(index(row, 0), index(row, int(m_columns.size()) - 1));
}

void CursorTableModel::onCurrentChanged()
{
    if (!m_bound)
        return;
    syncRowCount();
    const int row = m_bound->currentDisplayRow();
    // The row left behind may have been posted or had its edit dropped: repaint it from the table.
    if (m_lastRow != row)
        emitRowChanged(m_lastRow);
    emitRowChanged(row);
    m_lastRow = row;
    emit cursorRowChanged();
}

void CursorTableModel::onFieldChanged(int column)
{
    if (!m_bound)
        return;
    syncRowCount();
    const int row = m_bound->currentDisplayRow();
    for (int section = 0; section < m_columns.size(); ++section) {
        if (cursorColumn(section) == column)
            emit dataChanged(index(row, section), index(row, section));
    }
}

int CursorTableModel::cursorColumn(int section) const
{
    if (!m_bound || section < 0 || section >= m_columns.size())
        return -1;
    return m_bound->columnOf(m_columns[section].field);
}

const FieldDef *CursorTableModel::fieldOf(int section) const
{
    const int column = cursorColumn(section);
    return column < 0 ? nullptr : &m_bound->field(column);
}

int CursorTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rowCount;
}

int CursorTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant CursorTableModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const FieldDef *field = fieldOf(index.column());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        break;
    case Qt::TextAlignmentRole:
        if (field && field->isNumber())
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
    if (!field || index.row() >= m_bound->displayRowCount())
        return QString();
    QVariant value;
    try {
        value = m_bound->displayValue(index.row(), cursorColumn(index.column()));
    } catch (const StoreError &) {
        // A row that cannot be read now shows empty; the next refresh sorts it out.
        return QString();
    }
    return role == Qt::DisplayRole ? displayText(*field, value) : editText(*field, value);
}

bool CursorTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return false;
    if (!(flags(index) & Qt::ItemIsEditable))
        return false;
    const QString text = value.toString();
    if (text == data(index, Qt::EditRole).toString())
        return true;
    const QString field = m_columns[index.column()].field;
    const int row = index.row();
    // The same refused text offered again (the editor committed as it lost the focus to the first box) is
    // refused again without a second box.
    const Refusal offered{row, index.column(), text};
    if (m_refused && *m_refused == offered) {
        ++m_failedWrites;
        return false;
    }
    bool done = false;
    runGuardedLater(m_dialogs, this, [&] {
        Cursor *c = cursor();
        if (!c)
            return;
        if (c->currentDisplayRow() != row)
            c->moveToDisplayRow(row);
        if (!c->isEditing())
            c->editAsShown();
        c->setValue(field, text);
        done = true;
    });
    if (done) {
        m_refused.reset();
    } else {
        m_refused = offered;
        ++m_failedWrites;
    }
    return done;
}

bool CursorTableModel::beginRowEdit(int row)
{
    Cursor *c = cursor();
    if (!c || (c->isEditing() && c->currentDisplayRow() == row))
        return true;
    return runGuardedLater(m_dialogs, this, [c, row] {
        if (c->currentDisplayRow() != row)
            c->moveToDisplayRow(row);
        c->editAsShown();
    });
}

Qt::ItemFlags CursorTableModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (!index.isValid())
        return f;
    const FieldDef *field = fieldOf(index.column());
    const bool editable =
        field && !m_columns[index.column()].readOnly && !m_bound->isReadOnly() && field->kind != FieldKind::AutoInc;
    if (editable)
        f |= Qt::ItemIsEditable;
    return f;
}

QVariant CursorTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role != Qt::DisplayRole)
        return {};
    const GridColumn &col = m_columns[section];
    if (!col.title.isEmpty())
        return col.title;
    const FieldDef *field = fieldOf(section);
    return field ? field->displayLabel() : col.field;
}

} // namespace ktv
