#pragma once
// The 16 by 16 images of watch lists, painted: the state images 0-3 (read, failed, disabled,
// marked), the LED icons from image 8 on, and the link indicator of polling tools.

#include <QIcon>

namespace watchicons {

QIcon StripImage(int image);
// -1 not polling, 0 a read failed, 1 polling works.
QIcon LinkIndicator(int state);

} // namespace watchicons
