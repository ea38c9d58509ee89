// The stored robot silhouette: size, the mix of white, black and soft edge
// values, the body running off the bottom edge, clear borders elsewhere, and
// the head that must hide the scene's coloured quads except through the cut
// eyes and mouth.
#include <gtest/gtest.h>

#include "embedded_data.h"

namespace {

int pixel(int x, int y) { return ROBOT_IMAGE[y * 256 + x]; }

TEST(RobotImage, SizeAndValueHistogram)
{
    ASSERT_EQ(ROBOT_IMAGE_SIZE, 256u * 256u);
    int white = 0, black = 0;
    for (unsigned i = 0; i < ROBOT_IMAGE_SIZE; ++i) {
        white += ROBOT_IMAGE[i] == 255;
        black += ROBOT_IMAGE[i] == 0;
    }
    const double total = 256.0 * 256.0;
    EXPECT_NEAR(white / total, 1.0 / 3.0, 0.05);  // about a third white
    EXPECT_NEAR(black / total, 2.0 / 3.0, 0.07);  // about two thirds black
    const int edges = 65536 - white - black;
    EXPECT_GT(edges, 500);   // the edges are soft
    EXPECT_LT(edges, 4000);  // but only the edges
}

TEST(RobotImage, BodyRunsOffTheBottomAndTheOtherBordersAreClear)
{
    int left = -1, right = -1;
    for (int x = 0; x < 256; ++x)
        if (pixel(x, 255) > 127) {
            if (left < 0)
                left = x;
            right = x;
        }
    EXPECT_NEAR(left, 28, 2);
    EXPECT_NEAR(right, 209, 2);
    for (int x = left + 1; x < right; ++x)  // solid between its two soft edge pixels
        EXPECT_EQ(pixel(x, 255), 255) << "bottom row, x " << x;
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(pixel(i, 0), 0) << "top row, x " << i;
        EXPECT_EQ(pixel(0, i), 0) << "left column, y " << i;
        EXPECT_EQ(pixel(255, i), 0) << "right column, y " << i;
    }
}

// The scene draws its eye and mouth quads over columns 109-153, rows 71-179.
TEST(RobotImage, HeadHidesTheQuadsExceptThroughEyesAndMouth)
{
    int left_eye = 0, right_eye = 0, mouth = 0;
    int mouth_left = 256, mouth_right = -1;
    for (int y = 71; y <= 179; ++y)
        for (int x = 109; x <= 153; ++x) {
            if (pixel(x, y) > 127)
                continue;
            const bool eye_rows = y >= 112 && y <= 124, mouth_rows = y >= 148 && y <= 168;
            ASSERT_TRUE(eye_rows || mouth_rows) << "hole outside the eyes and mouth at " << x << ", " << y;
            if (eye_rows) {
                (x < 131 ? left_eye : right_eye)++;
            } else {
                ++mouth;
                mouth_left = std::min(mouth_left, x);
                mouth_right = std::max(mouth_right, x);
            }
        }
    EXPECT_GT(left_eye, 40);
    EXPECT_GT(right_eye, 40);
    EXPECT_GT(mouth, 200);
    EXPECT_LT(mouth_left, 115);   // the mouth spans the face
    EXPECT_GT(mouth_right, 147);
    // The eye slits are slanted: their inner ends sit lower than their outer ends.
    auto lowest_hole_row = [](int x) {
        int lowest = -1;
        for (int y = 112; y <= 124; ++y)
            if (pixel(x, y) <= 127)
                lowest = y;
        return lowest;
    };
    EXPECT_GT(lowest_hole_row(126), lowest_hole_row(112));
    EXPECT_GT(lowest_hole_row(136), lowest_hole_row(150));
    // A zigzag: the top edge of the mouth goes up and down along the row.
    int changes = 0, last_top = -1, last_direction = 0;
    for (int x = 111; x <= 151; ++x) {
        int top = -1;
        for (int y = 148; y <= 168 && top < 0; ++y)
            if (pixel(x, y) <= 127)
                top = y;
        if (last_top >= 0 && top != last_top) {
            int direction = top > last_top ? 1 : -1;
            changes += last_direction != 0 && direction != last_direction;
            last_direction = direction;
        }
        last_top = top;
    }
    EXPECT_GE(changes, 6);
}

}  // namespace
