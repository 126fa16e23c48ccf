#pragma once

#include "dbgridmodel.h"

#include <QDialog>

namespace ktv {

class Dialogs;
class Query;

// A screen that lists a read-only result set, read once when the screen opens, in one grid that fills the
// window, with a navigator of first, prior, next and last.
class QueryListing : public QDialog
{
    Q_OBJECT
public:
    QueryListing(Dialogs &dialogs, Query *query, const QList<GridColumn> &columns, QWidget *parent = nullptr);

    Query *Query1() const { return m_query; }

    // Opens the result set; the first row is current.
    void FormCreate();

private:
    Query *m_query;
};

} // namespace ktv
