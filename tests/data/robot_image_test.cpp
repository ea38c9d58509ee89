// The stored robot silhouette: soft edges only, the body running off the
// bottom edge with the other borders clear, and a head that hides the
// scene's coloured quads except through the eyes and mouth.
#include <gtest/gtest.h>

#include "embedded_data.h"

namespace {

int pixel(int x, int y) { return ROBOT_IMAGE[y * 256 + x]; }

TEST(RobotImage, SoftEdgesAndBorders)
{
    ASSERT_EQ(ROBOT_IMAGE_SIZE, 256u * 256u);
    int white = 0, black = 0;
    for (unsigned i = 0; i < ROBOT_IMAGE_SIZE; ++i)
        white += ROBOT_IMAGE[i] == 255, black += ROBOT_IMAGE[i] == 0;
    EXPECT_NEAR(white / 65536.0, 1.0 / 3.0, 0.05);
    EXPECT_NEAR(black / 65536.0, 2.0 / 3.0, 0.07);
    const int grey = 65536 - white - black;
    EXPECT_TRUE(grey > 500 && grey < 4000);  // soft, but only the edges
    for (int i = 0; i < 256; ++i) {
        EXPECT_TRUE(pixel(i, 0) == 0 && pixel(0, i) == 0 && pixel(255, i) == 0) << i;
        // the body's stump along the bottom: solid from about x 28 to 209
        const bool stump = i > 30 && i < 207, clear = i < 26 || i > 211;
        EXPECT_TRUE((!stump || pixel(i, 255) == 255) && (!clear || pixel(i, 255) <= 127)) << i;
    }
}

// The scene draws its eye and mouth quads over columns 109-153, rows 71-179.
TEST(RobotImage, HeadHidesTheQuadsExceptThroughEyesAndMouth)
{
    int left_eye = 0, right_eye = 0, mouth = 0, mouth_left = 256, mouth_right = -1;
    for (int y = 71; y <= 179; ++y)
        for (int x = 109; x <= 153; ++x) {
            if (pixel(x, y) > 127)
                continue;
            const bool eye_rows = y >= 112 && y <= 124, mouth_rows = y >= 148 && y <= 168;
            ASSERT_TRUE(eye_rows || mouth_rows) << "a hole at " << x << ", " << y;
            if (eye_rows) {
                (x < 131 ? left_eye : right_eye)++;
            } else {
                ++mouth;
                mouth_left = std::min(mouth_left, x);
                mouth_right = std::max(mouth_right, x);
            }
        }
    EXPECT_TRUE(left_eye > 40 && right_eye > 40 && mouth > 200);
    EXPECT_TRUE(mouth_left < 115 && mouth_right > 147);  // the mouth spans the face
}

}  // namespace
