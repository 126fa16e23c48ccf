#include "screenparts.h"

#include "dbedit.h"
#include "dbgrid.h"

#include <QApplication>

#include <QCloseEvent>

namespace ktv {

DBGrid *makeGrid(Dialogs &dialogs, DataSource *source, const QList<GridColumn> &columns, const QString &objectName,
                 QWidget *parent)
{
    auto *grid = new DBGrid(new CursorTableModel(dialogs, source, columns, parent), parent);
    grid->setObjectName(objectName);
    return grid;
}

bool settleFocusedInput(bool keep)
{
    for (QWidget *w = QApplication::focusWidget(); w; w = w->parentWidget()) {
        if (auto *grid = qobject_cast<DBGrid *>(w)) {
            if (keep)
                return grid->commitPending();
            grid->discardPending();
            return true;
        }
        if (auto *edit = qobject_cast<DBEdit *>(w)) {
            if (keep)
                return edit->commitPending();
            edit->discardPending();
            return true;
        }
    }
    return true;
}

QMap<NavButton, QString> standardHints(const QList<NavButton> &buttons)
{
    static const QMap<NavButton, QString> hints{
        {NavButton::First, QStringLiteral("移动到第1条记录")}, {NavButton::Prior, QStringLiteral("移动到上1条记录")},
        {NavButton::Next, QStringLiteral("移动到下1条记录")},  {NavButton::Last, QStringLiteral("移动到最后1条记录")},
        {NavButton::Insert, QStringLiteral("插入1条新记录")},  {NavButton::Delete, QStringLiteral("删除当前记录")},
        {NavButton::Edit, QStringLiteral("编辑当前记录")},     {NavButton::Post, QStringLiteral("保存修改")},
        {NavButton::Cancel, QStringLiteral("作废修改")},       {NavButton::Refresh, QStringLiteral("刷新数据")},
    };
    QMap<NavButton, QString> chosen;
    for (NavButton b : buttons)
        chosen.insert(b, hints.value(b));
    return chosen;
}

ScreenWindow::ScreenWindow(QWidget *parent) : QWidget(parent, Qt::Window) {}

void ScreenWindow::bringUp()
{
    showMaximized();
    raise();
    activateWindow();
}

void ScreenWindow::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted())
        emit closed();
}

} // namespace ktv
