#pragma once

#include <QTableView>

namespace ktv {

class CursorTableModel;

// A grid bound to a cursor through a CursorTableModel. The selected row is the cursor's current record both
// ways: selecting a row moves the cursor (saving a pending change of the row left), and a cursor moved
// elsewhere selects its row. Cells are edited in place; a column with a pick list offers it in a combo box
// that also takes typed text.
class DBGrid : public QTableView
{
    Q_OBJECT
public:
    explicit DBGrid(CursorTableModel *model, QWidget *parent = nullptr);
    ~DBGrid() override;

    CursorTableModel *cursorModel() const { return m_model; }

    // Writes the text of an open cell editor into the record, as leaving the cell would; false when that
    // failed (the cashier has been shown why).
    bool commitPending();
    // Closes an open cell editor without writing its text.
    void discardPending();
    // The width that shows every column without scrolling sideways: what a small dialog holding the grid
    // opens at.
    int wholeWidth() const;

signals:
    // The grid or its cell editor received the focus from outside the grid.
    void entered();

protected:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                     const QList<int> &roles = QList<int>()) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void syncFromCursor();
    void fitColumns();
    void onFocusChanged(QWidget *old, QWidget *now);

    CursorTableModel *m_model;
    bool m_syncing = false;
    int m_lastColumn = 0; // the cashier's column, kept across a re-read of the rows
    QMetaObject::Connection m_focusConnection;
};

} // namespace ktv
