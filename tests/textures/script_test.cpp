// The stored script and its driver, run through the pixel operators with an
// upload that keeps the slot's bytes instead of calling OpenGL.
#include "texture_test_util.h"

static std::vector<TextureOp> seen;

static int note(const TextureOp *op)
{
    seen.push_back(*op);
    return 1;
}

static void noting_ops(TextureOpFn ops[TEX_OP_COUNT])
{
    for (int i = 0; i < TEX_OP_COUNT; ++i)
        ops[i] = note;
}

TEST(ScriptDriver, RunsLengthOverEightRecordsAfterTheLengthField)
{
    TextureOpFn ops[TEX_OP_COUNT];
    noting_ops(ops);
    EXPECT_EQ(stored_length(), 826);
    seen.clear();
    EXPECT_EQ(texture_script_run_with(ops, stored_records(), stored_length()), 1);
    ASSERT_EQ(seen.size(), 103u);
    // The first record is the checker, not the two length bytes.
    EXPECT_EQ(memcmp(&seen[0], "\x04\x00\x00\x00\x00\x03\x00\x00", 8), 0);
    EXPECT_EQ(seen[102].op, TEX_OP_UPLOAD);
    int uploads = 0;
    for (const TextureOp &op : seen)
        uploads += op.op == TEX_OP_UPLOAD;
    EXPECT_EQ(uploads, 10);
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(memcmp(&seen[35 + k], &seen[26 + k], 8), 0) << k;

    seen.clear();
    EXPECT_EQ(texture_script_run_with(ops, stored_records(), 7), 1);
    EXPECT_TRUE(seen.empty());
}

TEST(ScriptDriver, RejectsBadRecordsAndStopsThere)
{
    TextureOpFn ops[TEX_OP_COUNT];
    noting_ops(ops);
    const TextureOp bad[] = {
        record(20, 0, 0, 0),                     // no such operator
        record(TEX_OP_INVERT, 5, 0, 0),          // destination slot
        record(TEX_OP_INVERT, 0, 9, 0),          // source slot
        record(TEX_OP_COMBINE, 0, 1, 200),       // second source slot
        record(TEX_OP_UPLOAD, 255, 0, 0),        // uploaded slot
    };
    for (const TextureOp &b : bad) {
        const TextureOp script[] = {record(TEX_OP_CLEAR, 0, 0, 0), b, record(TEX_OP_CLEAR, 1, 0, 0)};
        seen.clear();
        EXPECT_EQ(texture_script_run_with(ops, script, sizeof script), 0);
        EXPECT_EQ(seen.size(), 1u);
    }
    // Leftovers in fields the operator does not read are no reason to stop.
    const TextureOp leftovers[] = {record(TEX_OP_PLASMA, 0, 77, 99, 3), record(TEX_OP_INVERT, 1, 0, 250)};
    seen.clear();
    EXPECT_EQ(texture_script_run_with(ops, leftovers, sizeof leftovers), 1);
    EXPECT_EQ(seen.size(), 2u);
}

TEST(Script, FirstRecordsMakeRedBandsOnYellow)
{
    ScriptCapture capture;
    run_captured(&capture, stored_records(), 5 * 8);
    for (int y = 0; y < 256; ++y) {
        const int red = (y >= 85 && y <= 169) || y == 255;
        for (int x = 0; x < 256; x += 51) {
            const uint8_t *p = tex_pixel(0, x, y);
            ASSERT_TRUE(p[0] == 255 && p[1] == (red ? 0 : 255) && p[2] == 0 && p[3] == 0) << x << "," << y;
        }
    }
}

TEST(Script, MakesTheTenTexturesToTheByte)
{
    // Whatever the slots held before, the script overwrites what it reads.
    for (int s = 0; s < TEXTURE_SLOT_COUNT; ++s)
        fill_slot_random(s, 100u + (uint32_t)s);
    ScriptCapture capture;
    ASSERT_EQ(run_captured(&capture, stored_records(), stored_length()), 1);
    ASSERT_EQ(capture.uploads.size(), (size_t)TEXTURE_COUNT);
    for (int i = 0; i < TEXTURE_COUNT; ++i) {
        const std::vector<uint8_t> &t = capture.uploads[i];
        EXPECT_EQ(fnv1a64(t.data(), t.size()), TEXTURE_DIGESTS[i]) << "texture " << i;
        for (int k = 3; k < TEXTURE_SLOT_BYTES; k += 4)
            ASSERT_EQ(t[k], 0) << "alpha of texture " << i;
    }
    // Records 89 and 92 both upload slot 1, with a plasma and blur between.
    EXPECT_NE(capture.uploads[6], capture.uploads[7]);
}
