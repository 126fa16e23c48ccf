#pragma once

#include "widgets/platform.h"

#include <QMainWindow>

#include <functional>
#include <optional>

class QToolButton;

namespace ktv {

class RoomBoard;
class ScreenWindow;
class RoomActions;
class RunningCharges;
class BackgroundCheck;
class TFormCloseroomandPay;
class TFormOpenroom;
class TFormReservations;
class TFormcallpear;
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

    // The screens that live for the whole run, created after the main window.
    void attachScreens(TFormcallpear *drinks, TFormCloseroomandPay *checkOut, TFormOpenroom *checkIn);
    TFormcallpear *drinks() const { return m_drinks; }
    TFormCloseroomandPay *checkOut() const { return m_checkOut; }
    TFormOpenroom *checkIn() const { return m_checkIn; }
    RunningCharges *runningCharges() const { return m_running; }
    // "客房预订", made when first asked for and kept for the run; nullptr until then.
    TFormReservations *reservations() const { return m_reservations; }
    // The full check of the database file run after start-up, shown in the backup window.
    void setIntegrityCheck(const BackgroundCheck *check) { m_check = check; }

private:
    void handOver();
    std::optional<QString> authorisePriceChange();
    void buildMenu();
    QAction *addEntry(QMenu *menu, const char *name, const QString &caption);
    // Wires an entry to a handler that runs inside the general error display, and enables it.
    void wire(const char *entry, std::function<void()> handler);
    void attachScreen(const char *entry, ScreenWindow *screen);
    template <class Screen> void showModal(bool maximised = false);
    void showReceipts(QWidget *owner);
    void showBackups();
    void showReservations();

    TDataModule1 &m_data;
    Platform m_platform;
    RoomBoard *m_board = nullptr;
    StatusPanels *m_status = nullptr;
    QToolButton *m_refresh = nullptr;
    RoomActions *m_roomActions = nullptr;
    RunningCharges *m_running = nullptr;
    const BackgroundCheck *m_check = nullptr;
    TFormcallpear *m_drinks = nullptr;
    TFormCloseroomandPay *m_checkOut = nullptr;
    TFormOpenroom *m_checkIn = nullptr;
    TFormReservations *m_reservations = nullptr;
};

} // namespace ktv
