#pragma once

#include "widgets/platform.h"

#include <QMainWindow>

class QToolButton;

namespace ktv {

class RoomBoard;
class StatusPanels;
class TDataModule1;


// The main window: the main menu, the refresh button, the room board and the status bar.
class TFormMain : public QMainWindow
{
    Q_OBJECT
public:
    TFormMain(TDataModule1 &data, const Platform &platform, QWidget *parent = nullptr);

    RoomBoard *board() const { return m_board; }
    StatusPanels *StatusBar1() const { return m_status; }
    QToolButton *SpeedButtonRefreshRoomStata() const { return m_refresh; }
    // The menu entry with this object name.
    QAction *menuEntry(const QString &name) const;

    // Tidies the member table, then paints the board for the first time.
    void FormCreate();
    void byeClick();

private:
    void buildMenu();
    QAction *addEntry(QMenu *menu, const char *name, const QString &caption);

    TDataModule1 &m_data;
    Platform m_platform;
    RoomBoard *m_board = nullptr;
    StatusPanels *m_status = nullptr;
    QToolButton *m_refresh = nullptr;
};

} // namespace ktv
