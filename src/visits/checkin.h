#pragma once

#include <QDateTime>
#include <QString>

// The rules of check-in that are no more than computations.
namespace ktv::checkin {

// The member search takes a text that sorts after "9" byte by byte (a letter, a Chinese character, or a
// longer text beginning with 9) as a name, anything else as a member number.
bool searchesByName(const QString &text);

QString roomInUseMessage(const QString &room);
QString openedMessage(const QString &room, const QString &member);
// Asked before a room whose booked party is due is let to another guest, or another party moves in.
QString bookedRoomQuestion(const QString &name, const QDateTime &from, const QString &step = QStringLiteral("开房"));

} // namespace ktv::checkin
