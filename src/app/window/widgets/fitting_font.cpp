#include "widgets/fitting_font.h"

#include <QFontMetrics>
#include <algorithm>

namespace zelmar {

namespace {

// The smallest face a caption may shrink to and still be read.
constexpr double kSmallestPoints = 6;

}  // namespace

QFont FittingFont(const QFont& base, const QStringList& texts, int room) {
    QFont face = base;
    for (double points = base.pointSizeF(); points >= kSmallestPoints; points -= 0.5) {
        for (int stretch : {int{QFont::Unstretched}, int{QFont::SemiCondensed}}) {
            face.setPointSizeF(points);
            face.setStretch(stretch);
            const QFontMetrics metrics(face);
            const bool fits = std::all_of(texts.begin(), texts.end(), [&](const QString& text) {
                return text.isEmpty() || metrics.horizontalAdvance(text) <= room;
            });
            if (fits) return face;
        }
    }
    return face;
}

}  // namespace zelmar
