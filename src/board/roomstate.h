#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

// How the room board reads and shows a room's state.
namespace ktv::roomstate {

inline const QColor freeColor{0, 128, 0};
inline const QColor inUseColor{255, 0, 0};

// Only the exact green means free; any other caption colour means in use.
inline bool isFree(const QColor &caption) { return caption == freeColor; }

QString statusText(bool free);          // "空闲" or "使用中"
QString imageFile(bool free);           // read by bare name from the working directory
const QStringList &refreshOrder();      // the rooms in the order a refresh paints them

} // namespace ktv::roomstate
