#include "dbgrid.h"

#include "dbgridmodel.h"
#include "store/cursor.h"
#include "store/fielddef.h"
#include "widgets/platform.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStyle>
#include <QStyledItemDelegate>

#include <algorithm>

namespace ktv {

namespace {

// Set on a cell editor once the cashier has typed into it or picked from it.
constexpr char kTouched[] = "ktvTouched";
// Set on a cell editor whose record could not be put into editing: what is typed there is never written.
constexpr char kRefused[] = "ktvRefused";

void markTouched(QWidget *editor)
{
    editor->setProperty(kTouched, true);
}

void beginEdit(CursorTableModel *model, int row, QWidget *editor)
{
    markTouched(editor);
    if (!editor->property(kRefused).toBool() && !model->beginRowEdit(row))
        editor->setProperty(kRefused, true);
}

// Cells of a column with a pick list are edited in an editable combo box; the other cells get the usual
// line edit. Picking an entry writes it at once, typed text when the cell is left.
class PickListDelegate : public QStyledItemDelegate
{
public:
    PickListDelegate(CursorTableModel *model, QObject *parent) : QStyledItemDelegate(parent), m_model(model) {}

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const QStringList &picks = m_model->column(index.column()).pickList;
        const int row = index.row();
        CursorTableModel *model = m_model;
        if (picks.isEmpty()) {
            QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
            if (auto *line = qobject_cast<QLineEdit *>(editor)) {
                connect(line, &QLineEdit::textEdited, model, [model, row, line] { beginEdit(model, row, line); });
            }
            return editor;
        }
        auto *combo = new QComboBox(parent);
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->addItems(picks);
        connect(combo->lineEdit(), &QLineEdit::textEdited, model, [model, row, combo] { beginEdit(model, row, combo); });
        connect(combo, &QComboBox::activated, this, [this, combo] {
            markTouched(combo);
            auto *self = const_cast<PickListDelegate *>(this);
            emit self->commitData(combo);
        });
        return combo;
    }

    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        if (auto *combo = qobject_cast<QComboBox *>(editor)) {
            combo->setCurrentText(index.data(Qt::EditRole).toString());
            return;
        }
        QStyledItemDelegate::setEditorData(editor, index);
    }

    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        if (editor->property(kRefused).toBool())
            return;
        if (auto *combo = qobject_cast<QComboBox *>(editor)) {
            model->setData(index, combo->currentText(), Qt::EditRole);
            return;
        }
        QStyledItemDelegate::setModelData(editor, model, index);
    }

private:
    CursorTableModel *m_model;
};

} // namespace

DBGrid::DBGrid(CursorTableModel *model, QWidget *parent) : QTableView(parent), m_model(model)
{
    if (!m_model->parent())
        m_model->setParent(this);
    setModel(m_model);
    setItemDelegate(new PickListDelegate(m_model, this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    fitColumns();
    connect(m_model, &CursorTableModel::cursorRowChanged, this, &DBGrid::syncFromCursor);
    m_focusConnection = connect(qApp, &QApplication::focusChanged, this, &DBGrid::onFocusChanged);
    syncFromCursor();
}

// A column is at least as wide as its title, and a time column shows the whole time: a booking or a visit
// cut to "2026-12-08 ..." hides the hour the cashier looks for.
void DBGrid::fitColumns()
{
    const int padding = 2 * style()->pixelMetric(QStyle::PM_HeaderMargin) + 8;
    const int timeWidth = fontMetrics().horizontalAdvance(QStringLiteral("2026-12-08 20:00:00")) + padding;
    QFont bold = horizontalHeader()->font();
    bold.setBold(true); // the header's titles are drawn bold by some styles
    const QFontMetrics titleMetrics(bold);
    for (int section = 0; section < m_model->columnCount(); ++section) {
        int width = horizontalHeader()->defaultSectionSize();
        const QString title = m_model->headerData(section, Qt::Horizontal, Qt::DisplayRole).toString();
        width = std::max(width, titleMetrics.horizontalAdvance(title) + padding);
        const FieldDef *field = m_model->fieldOf(section);
        if (field && field->kind == FieldKind::DateTime)
            width = std::max(width, timeWidth);
        setColumnWidth(section, width);
    }
}

int DBGrid::wholeWidth() const
{
    int width = verticalHeader()->sizeHint().width() + 2 * frameWidth() +
                style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    for (int section = 0; section < m_model->columnCount(); ++section)
        width += columnWidth(section);
    return width;
}

// QWidget's destructor hands the focus on, which must no longer reach a grid that is half gone.
DBGrid::~DBGrid()
{
    disconnect(m_focusConnection);
}

void DBGrid::onFocusChanged(QWidget *old, QWidget *now)
{
    const bool wasInside = old && (old == this || isAncestorOf(old));
    const bool isInside = now && (now == this || isAncestorOf(now));
    if (isInside && !wasInside)
        emit entered();
}

void DBGrid::syncFromCursor()
{
    if (m_syncing)
        return;
    Cursor *cursor = m_model->cursor();
    const int row = cursor ? cursor->currentDisplayRow() : -1;
    if (row < 0 || row >= m_model->rowCount())
        return;
    const QModelIndex current = currentIndex();
    if (current.row() == row && selectionModel()->isRowSelected(row, {}))
        return;
    m_syncing = true;
    // A cell editor open on another row belongs to the record the cursor has left.
    if (current.row() != row && state() == QAbstractItemView::EditingState)
        discardPending();
    const QModelIndex target = m_model->index(row, current.isValid() ? current.column() : m_lastColumn);
    selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_syncing = false;
}

void DBGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    if (current.isValid())
        m_lastColumn = current.column();
    // The base class first writes the text of a cell editor that is still open on the previous cell.
    QTableView::currentChanged(current, previous);
    if (m_syncing || !current.isValid() || current.row() == previous.row())
        return;
    Cursor *cursor = m_model->cursor();
    if (!cursor || cursor->currentDisplayRow() == current.row())
        return;
    const int row = current.row();
    // Often inside a cell editor's own key press (Tab, Shift+Tab): a refusal is shown once that is over.
    runGuardedLater(m_model->dialogs(), this, [cursor, row] { cursor->moveToDisplayRow(row); });
    // The move may have been refused, or saving the row left may have put the rows in another order.
    syncFromCursor();
}

// Starting the edit, or a change to another field of the record, repaints the row; an editor the cashier
// has typed into keeps its text instead of being reset to the field's value.
void DBGrid::dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight, const QList<int> &roles)
{
    const QModelIndex cell = currentIndex();
    QWidget *editor = state() == QAbstractItemView::EditingState ? indexWidget(cell) : nullptr;
    const bool covered = editor && cell.row() >= topLeft.row() && cell.row() <= bottomRight.row() &&
                         cell.column() >= topLeft.column() && cell.column() <= bottomRight.column();
    if (!covered || !editor->property(kTouched).toBool()) {
        QTableView::dataChanged(topLeft, bottomRight, roles);
        return;
    }
    // Everything in the range but the cell being edited: left, right, above, below.
    const auto part = [&](int top, int left, int bottom, int right) {
        if (top <= bottom && left <= right)
            QTableView::dataChanged(m_model->index(top, left), m_model->index(bottom, right), roles);
    };
    part(topLeft.row(), topLeft.column(), bottomRight.row(), cell.column() - 1);
    part(topLeft.row(), cell.column() + 1, bottomRight.row(), bottomRight.column());
    part(topLeft.row(), cell.column(), cell.row() - 1, cell.column());
    part(cell.row() + 1, cell.column(), bottomRight.row(), cell.column());
}

void DBGrid::mousePressEvent(QMouseEvent *event)
{
    QTableView::mousePressEvent(event);
    // Should the click have re-read the rows, the selection made by the press may stand on another record.
    syncFromCursor();
    // A click on the row already current chooses that record, also when it became current only because
    // the one chosen before was deleted elsewhere.
    Cursor *cursor = m_model->cursor();
    const QModelIndex clicked = indexAt(event->position().toPoint());
    if (cursor && clicked.isValid() && clicked.row() == cursor->currentDisplayRow())
        cursor->confirmCurrent();
}

bool DBGrid::commitPending()
{
    if (state() != QAbstractItemView::EditingState)
        return true;
    const int failedBefore = m_model->failedWrites();
    if (QWidget *editor = indexWidget(currentIndex())) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
    return m_model->failedWrites() == failedBefore;
}

void DBGrid::discardPending()
{
    if (state() != QAbstractItemView::EditingState)
        return;
    if (QWidget *editor = indexWidget(currentIndex()))
        closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
}

} // namespace ktv
