// The marker's shape: runs of pixels that differ from the top-left one, cut from its ring.
#include "Fakes.h"
#include "marker/RegionFromPicture.h"

#include <gtest/gtest.h>

namespace {

constexpr Rgb kBack{236, 233, 216};
constexpr Rgb kInk{255, 255, 0};

Region Scan(const std::vector<std::string>& rows) {
    return RunsOfPixels(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()),
                        rows[0][0] == '#' ? kInk : kBack,
                        [&rows](int x, int y) { return rows[y][x] == '#' ? kInk : kBack; });
}

} // namespace

TEST(PixelRuns, oneRectanglePerRunLeftToRightTopToBottom) {
    const struct {
        std::vector<std::string> rows;
        Region shape;
    } cases[] = {
        {{"..##..#", "#.....#", "......."},
         {{2, 0, 4, 1}, {6, 0, 7, 1}, {0, 1, 1, 2}, {6, 1, 7, 2}}},
        {{"....", "...."}, {}},
        {{"#..", "..."}, {{1, 0, 3, 1}, {0, 1, 3, 2}}}, // the top-left colour is transparent
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Scan(c.rows), c.shape) << c.rows[0];
    }
}

TEST(ShapeMarker, theShapeIsExactlyTheRingDrawnInTheUpperPartOfTheBox) {
    CoreHarness h;
    h.form.ShapeMarker();
    ASSERT_EQ(h.marker.circles.size(), 1u);
    EXPECT_EQ(h.marker.circles[0].x, 187.5f);
    EXPECT_EQ(h.marker.circles[0].y, 187.5f);
    EXPECT_EQ(h.marker.circles[0].r, 142.5f);
    ASSERT_EQ(h.marker.shapes.size(), 1u);
    EXPECT_EQ(*h.form.markerRegion, h.marker.shapes[0]);
    for (const RegionRect& rect : h.marker.shapes[0]) { // the ring's own pixels, none below it
        EXPECT_EQ(h.marker.pixel(rect.left, rect.top), kInk);
        EXPECT_LT(rect.top, 25);
    }
}
