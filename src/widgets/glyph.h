#pragma once

#include <QPixmap>

class QString;

namespace ktv {

// A button's picture read from a bitmap file: the colour of its bottom-left pixel is transparent wherever it
// appears, so the bitmap's background does not show on the button. Null when the file cannot be read.
QPixmap loadGlyph(const QString &file);

} // namespace ktv
