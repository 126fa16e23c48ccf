#pragma once

#include "store/cursor.h"
#include "store/datasource.h"

#include <QAbstractTableModel>
#include <QList>
#include <QPointer>
#include <QStringList>

#include <optional>

namespace ktv {

class Dialogs;
struct FieldDef;

// One column of a grid: the field it shows, its title (empty: the field's display label), whether its cells
// can be edited, and the values its cells offer to pick from (typed text is taken as well).
struct GridColumn
{
    QString field;
    QString title{};
    bool readOnly = false;
    QStringList pickList{};
};

// The rows of a data source's cursor as a grid shows them, the new record of an insertion included. Rows
// are read from the cursor as the view asks for them; the cursor fetches them from the table page by page.
class CursorTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    CursorTableModel(Dialogs &dialogs, DataSource *source, const QList<GridColumn> &columns, QObject *parent = nullptr);
    ~CursorTableModel() override;

    DataSource *dataSource() const { return m_source; }
    Cursor *cursor() const;
    Dialogs &dialogs() const { return m_dialogs; }
    const QList<GridColumn> &columns() const { return m_columns; }
    const GridColumn &column(int section) const { return m_columns.at(section); }
    int failedWrites() const { return m_failedWrites; } // setData calls refused so far
    const FieldDef *fieldOf(int section) const; // null while no cursor shows the column's field

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    // Writes the text into the row's record: moves the cursor there (saving a pending change of the row
    // it leaves), starts editing and sets the field. Errors are shown to the cashier and leave it false.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // The cashier began typing into a cell of the row: the cursor moves there and starts editing, so that
    // the record counts as being edited (post and cancel apply) before the text is written.
    // Starts editing the row's record as the cashier types into one of its cells; false when refused (the
    // cashier is told once the key press is over).
    bool beginRowEdit(int row);
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

signals:
    // The cursor's current record moved or changed; after any reset of the model as well.
    void cursorRowChanged();

private:
    void bind();
    void readFresh();
    void unbind();
    void rebind();
    void reset();
    void onCurrentChanged();
    void onFieldChanged(int column);
    void syncRowCount();
    void emitRowChanged(int row);
    int cursorColumn(int section) const; // -1 when the cursor does not show the column's field

    Dialogs &m_dialogs;
    QPointer<DataSource> m_source;
    QPointer<Cursor> m_bound;
    QList<GridColumn> m_columns;
    QList<QMetaObject::Connection> m_connections;
    int m_rowCount = 0;
    int m_lastRow = -1; // the cursor's display row as last announced
    int m_failedWrites = 0;
    struct Refusal
    {
        int row;
        int column;
        QString text;
        bool operator==(const Refusal &) const = default;
    };
    std::optional<Refusal> m_refused; // the value last refused, until another is written
};

} // namespace ktv
