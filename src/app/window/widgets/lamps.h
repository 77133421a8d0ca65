#pragma once
// The pictures the window draws itself: the four lamps and the window's icon.
#include <QIcon>
#include <QImage>

#include "controls/control.h"

namespace zelmar {

// A 16 x 16 lamp: a disc 12 pixels across with a small white highlight, on transparency.
// Picture::None gives a fully transparent image.
QImage LampImage(Picture picture);

// The window's 32 x 32 icon.
QIcon ProgrammerIcon();

}  // namespace zelmar
