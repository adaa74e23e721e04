#include "Fakes.h"
#include "marker/RegionFromPicture.h"

#include <gtest/gtest.h>

namespace {

constexpr Rgb kBack{236, 233, 216};
constexpr Rgb kInk{255, 255, 0};

Region Scan(const std::vector<std::string>& rows) {
    const int width = static_cast<int>(rows[0].size());
    return RunsOfPixels(width, static_cast<int>(rows.size()), rows[0][0] == '#' ? kInk : kBack,
                        [&rows](int x, int y) { return rows[y][x] == '#' ? kInk : kBack; });
}

} // namespace

TEST(PixelRuns, oneRectanglePerRunLeftToRightTopToBottom) {
    const Region shape = Scan({"..##..#", //
                               "#.....#", //
                               "......."});
    const Region expected = {{2, 0, 4, 1}, {6, 0, 7, 1}, {0, 1, 1, 2}, {6, 1, 7, 2}};
    EXPECT_EQ(shape, expected);
}

TEST(PixelRuns, allBackgroundGivesAnEmptyShape) {
    EXPECT_TRUE(Scan({"....", "...."}).empty());
}

TEST(PixelRuns, onlyTheTopLeftPixelInItsColourGivesEverythingElse) {
    const Region shape =
        RunsOfPixels(3, 2, kBack, [](int x, int y) { return (x == 0 && y == 0) ? kBack : kInk; });
    const Region expected = {{1, 0, 3, 1}, {0, 1, 3, 2}};
    EXPECT_EQ(shape, expected);
}

TEST(ShapeMarker, drawsTheRingAndAppliesItsPixelsAsTheShape) {
    CoreHarness h;
    h.form.ShapeMarker();
    EXPECT_EQ(h.marker.calls, (std::vector<std::string>{"borderless", "autoredraw on", "width 2"}));
    ASSERT_EQ(h.marker.circles.size(), 1u);
    EXPECT_EQ(h.marker.circles[0].x, 187.5f);
    EXPECT_EQ(h.marker.circles[0].y, 187.5f);
    EXPECT_EQ(h.marker.circles[0].r, 142.5f);
    EXPECT_EQ(h.marker.circles[0].colour, kInk);

    ASSERT_EQ(h.marker.shapes.size(), 1u);
    const Region& shape = h.marker.shapes[0];
    EXPECT_EQ(*h.form.markerRegion, shape);
    std::map<int, int> runsPerRow;
    for (const RegionRect& rect : shape) {
        EXPECT_EQ(rect.bottom, rect.top + 1);
        ++runsPerRow[rect.top];
        for (int x = rect.left; x < rect.right; ++x) {
            EXPECT_EQ(h.marker.pixel(x, rect.top), kInk);
        }
    }
    EXPECT_EQ(runsPerRow.begin()->second, 1);  // top of the ring
    EXPECT_EQ(runsPerRow.rbegin()->second, 1); // bottom of the ring
    EXPECT_EQ(runsPerRow[12], 2);              // middle: left and right arc
    EXPECT_LT(runsPerRow.rbegin()->first, 25); // nothing below the ring
}

TEST(ShapeMarker, reshapingGivesTheSameShape) {
    CoreHarness h;
    h.form.ShapeMarker();
    h.form.ShapeMarker();
    ASSERT_EQ(h.marker.shapes.size(), 2u);
    EXPECT_EQ(h.marker.shapes[0], h.marker.shapes[1]);
}
