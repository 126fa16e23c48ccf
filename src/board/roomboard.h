#pragma once

#include "store/reservations.h"
#include "widgets/platform.h"

#include <QList>
#include <QWidget>

class QAction;
class QMenu;
class QGroupBox;
class QSplitter;

namespace ktv {

class RoomButton;
class StatusPanels;
class TDataModule1;


// The board of room buttons: each room's state is its button's caption colour, repainted from the room
// table by a refresh. Pointing at a room shows it in the main window's status bar, whose panel 0 is the
// board's selected room.
class RoomBoard : public QWidget
{
    Q_OBJECT
public:
    RoomBoard(TDataModule1 &data, StatusPanels &status, const Platform &platform, QWidget *parent = nullptr);

    RoomButton *button(const QString &room) const;
    const QList<RoomButton *> &buttons() const { return m_buttons; }
    QMenu *popupMenu() const { return m_popup; }
    QAction *K1() const { return m_k1; }
    QAction *J1() const { return m_j1; }
    QAction *S1() const { return m_s1; }
    QString selectedRoom() const;

    // Repaints every room from the room table; an image file that cannot be read stops it at that room.
    void SpeedButtonRefreshRoomStataClick();
    void BitBtn101Enter(RoomButton *button);
    void BitBtn101MouseDown(RoomButton *button);
    void BitBtn101MouseMove();

    // Paints one state on a button: caption colour, then the state's picture read from its file.
    static void paintState(RoomButton *button, bool free);
    // Shows a room in panels 0 to 2 and enables the pop-up entries that fit its button's colour.
    void showRoom(RoomButton *button);
    // Shows a state in panel 2 and the pop-up entries.
    void showState(bool free);
    // Marks each free room with the first of the bookings due for it, and unmarks a free room with none.
    void showBookings(const QList<reservations::Booking> &due);

signals:
    void roomClicked(RoomButton *button);
    void refreshed(); // every button was painted again from the stored flags

private:
    QGroupBox *addGroup(QSplitter *splitter, const QString &name, const QString &caption, const QStringList &rooms);

    TDataModule1 &m_data;
    StatusPanels &m_status;
    Platform m_platform;
    QList<RoomButton *> m_buttons;
    QMenu *m_popup = nullptr;
    QAction *m_k1 = nullptr;
    QAction *m_j1 = nullptr;
    QAction *m_s1 = nullptr;
};

} // namespace ktv
