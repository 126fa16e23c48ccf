#pragma once

#include "dbgridmodel.h"
#include "dbnavigator.h"

#include <QMap>
#include <QWidget>

namespace ktv {

class DBGrid;
class Dialogs;

// A grid on a data source's cursor, with its object name.
DBGrid *makeGrid(Dialogs &dialogs, DataSource *source, const QList<GridColumn> &columns, const QString &objectName,
                 QWidget *parent);

// A cell or box being typed into writes its text into its record (keep) or forgets it (not keep), as leaving
// it would. Buttons that act without taking the focus call it first; false when writing the text failed and
// the cashier has been shown why.
bool settleFocusedInput(bool keep);

// The hints the navigators of the program give, for the buttons listed.
QMap<NavButton, QString> standardHints(const QList<NavButton> &buttons);

// A screen that lives for the whole run: closing it only hides it, so it keeps its state until it is
// shown again, and tells whoever listens that it was closed.
class ScreenWindow : public QWidget
{
    Q_OBJECT
public:
    explicit ScreenWindow(QWidget *parent = nullptr);
    // Brings the screen up maximised, in front, as it was left.
    void bringUp();

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;
};

} // namespace ktv
