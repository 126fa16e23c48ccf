#pragma once

#include "store/cursor.h"
#include "store/datasource.h"

#include <QList>
#include <QMap>
#include <QPointer>
#include <QWidget>

class QToolButton;

namespace ktv {

class Dialogs;

enum class NavButton { First, Prior, Next, Last, Insert, Delete, Edit, Post, Cancel, Refresh };

// A record navigator: a row of buttons working the cursor of a data source, which a screen may rebind at
// run time. Each screen shows its own subset of the ten buttons with its own hints. Every click runs inside
// the general error display; delete asks for confirmation first.
class DBNavigator : public QWidget
{
    Q_OBJECT
public:
    static QList<NavButton> allButtons();

    DBNavigator(Dialogs &dialogs, DataSource *source, const QList<NavButton> &visible = allButtons(),
                const QMap<NavButton, QString> &hints = {}, QWidget *parent = nullptr);

    void setDataSource(DataSource *source);
    DataSource *dataSource() const { return m_source; }
    QToolButton *button(NavButton which) const; // nullptr for a button the screen does not show

private:
    void run(NavButton which);
    void bindCursor();
    void updateButtons();

    Dialogs &m_dialogs;
    QPointer<DataSource> m_source;
    QPointer<Cursor> m_bound;
    QMap<NavButton, QToolButton *> m_buttons;
    QMetaObject::Connection m_sourceConnection;
    QList<QMetaObject::Connection> m_cursorConnections;
};

} // namespace ktv
