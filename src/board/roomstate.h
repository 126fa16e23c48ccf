#pragma once

#include <QColor>
#include <QDateTime>
#include <QString>
#include <QStringList>

// How the room board reads and shows a room's state.
namespace ktv::roomstate {

inline const QColor freeColor{0, 128, 0};
inline const QColor inUseColor{255, 0, 0};
// A free room whose booked party is due about now.
inline const QColor reservedColor{0, 0, 255};

// Only the exact green, or the blue of a free room that is booked, means free; any other colour means in use.
inline bool isFree(const QColor &caption) { return caption == freeColor || caption == reservedColor; }

QString statusText(bool free);          // "空闲" or "使用中"
QString imageFile(bool free);           // read by bare name from the working directory
const QStringList &refreshOrder();      // the rooms in the order a refresh paints them
// "预 " and the booked party's name and arrival time, under a free room's caption.
QString reservedText(const QString &name, const QDateTime &from);

} // namespace ktv::roomstate
