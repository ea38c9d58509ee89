#include <gtest/gtest.h>

#include "support/crt_rand.h"

// The first values of the Windows C runtime for known seeds.
TEST(CrtRand, MatchesTheWindowsRuntimeSequence)
{
    crt_srand(0);
    EXPECT_EQ(crt_rand(), 38);
    EXPECT_EQ(crt_rand(), 7719);
    EXPECT_EQ(crt_rand(), 21238);
    crt_srand(1);
    EXPECT_EQ(crt_rand(), 41);
    EXPECT_EQ(crt_rand(), 18467);
    EXPECT_EQ(crt_rand(), 6334);
}

TEST(CrtRand, ReseedingRepeatsAndValuesStayInRange)
{
    crt_srand(0xDEADBEEF);
    int first[16];
    for (int &v : first)
        v = crt_rand();
    crt_srand(0xDEADBEEF);
    for (int v : first)
        EXPECT_EQ(crt_rand(), v);
    for (int i = 0; i < 100000; ++i) {
        int v = crt_rand();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, CRT_RAND_MAX);
    }
}
