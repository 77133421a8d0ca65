#pragma once
// A face small enough for a control's caption or items in the room its widget gives them.
#include <QFont>
#include <QStringList>

namespace zelmar {

// The largest of `base`'s faces in which each of `texts` fits `room` pixels: a condensed face
// keeps the size, so it comes before a smaller size. Widths are measured, so a platform
// without a condensed face simply goes on to the smaller sizes. Never smaller than can be read.
QFont FittingFont(const QFont& base, const QStringList& texts, int room);

}  // namespace zelmar
