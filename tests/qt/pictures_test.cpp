// The lamps' pictures and the conversion of the file dialog's filters.
#include <gtest/gtest.h>

#include "support/test_application.h"
#include "widgets/lamps.h"
#include "widgets/qt_dialogs.h"

namespace zelmar {
namespace {

struct LampCase {
    Picture picture;
    QColor disc;
};

class LampTest : public ::testing::TestWithParam<LampCase> {};

TEST_P(LampTest, DiscOfItsColourWithHighlightOnTransparency) {
    const QImage image = LampImage(GetParam().picture);
    ASSERT_EQ(image.size(), QSize(16, 16));
    EXPECT_EQ(image.pixelColor(8, 8), GetParam().disc);
    EXPECT_EQ(image.pixelColor(2, 8), GetParam().disc);   // left edge of a 12-pixel disc
    EXPECT_EQ(image.pixelColor(13, 8), GetParam().disc);  // right edge
    EXPECT_EQ(image.pixelColor(1, 8).alpha(), 0);         // just outside it
    EXPECT_EQ(image.pixelColor(14, 8).alpha(), 0);
    EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);
    EXPECT_EQ(image.pixelColor(3, 3).alpha(), 0);  // the round edge, not a square
    for (QPoint p : {QPoint(5, 5), QPoint(6, 5), QPoint(5, 6), QPoint(6, 6)})
        EXPECT_EQ(image.pixelColor(p), QColor(Qt::white)) << p.x() << "," << p.y();
    EXPECT_NE(image.pixelColor(7, 7), QColor(Qt::white));  // 2 x 2, no more
}

INSTANTIATE_TEST_SUITE_P(Lamps, LampTest,
                         ::testing::Values(LampCase{Picture::YellowLamp, QColor(255, 255, 0)},
                                           LampCase{Picture::GreenLamp, QColor(0, 255, 0)},
                                           LampCase{Picture::RedLamp, QColor(255, 0, 0)},
                                           LampCase{Picture::SilverLamp, QColor(192, 192, 192)}));

TEST(ProgrammerIconTest, HasA32PixelPicture) {
    testing::TestApplication();
    const QIcon icon = ProgrammerIcon();
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(icon.availableSizes(), QList<QSize>{QSize(32, 32)});
}

struct FilterCase {
    std::string filter;
    QStringList expected;
};

class NameFiltersTest : public ::testing::TestWithParam<FilterCase> {};

TEST_P(NameFiltersTest, BecomeQtNameFilters) {
    EXPECT_EQ(NameFilters(GetParam().filter), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Filters, NameFiltersTest,
    ::testing::Values(
        // The list file's two entries: "*.*" means every file, also those without a dot.
        FilterCase{"All Files (*.*)|*.*|Objekts Number Files (*.onf)|*.onf",
                   {"All Files (*)", "Objekts Number Files (*.onf)"}},
        // A trailing separator and a description without its patterns.
        FilterCase{"Log File (*.onf)|*.onf;", {"Log File (*.onf)"}},
        FilterCase{"Text|*.txt;*.log", {"Text (*.txt *.log)"}},
        // A description without a pattern after it is no filter.
        FilterCase{"Lonely", {}}, FilterCase{"", {}}));

}  // namespace
}  // namespace zelmar
