#include "querylisting.h"

#include "dbgrid.h"
#include "screenparts.h"

#include "store/cursor.h"

#include <QVBoxLayout>

namespace ktv {

QueryListing::QueryListing(Dialogs &dialogs, Query *query, const QList<GridColumn> &columns, QWidget *parent)
    : QDialog(parent), m_query(query)
{
    m_query->setParent(this);
    m_query->setObjectName(QStringLiteral("Query1"));
    m_query->setFollowsChanges(false);
    auto *source = new DataSource(m_query, this);
    source->setObjectName(QStringLiteral("DataSource1"));
    const QList<NavButton> buttons{NavButton::First, NavButton::Prior, NavButton::Next, NavButton::Last};
    auto *navigator = new DBNavigator(dialogs, source, buttons, standardHints(buttons), this);
    navigator->setObjectName(QStringLiteral("DBNavigator1"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(navigator);
    layout->addWidget(makeGrid(dialogs, source, columns, QStringLiteral("DBGrid1"), this), 1);
    FormCreate();
}

void QueryListing::FormCreate() { m_query->open(); }

} // namespace ktv
