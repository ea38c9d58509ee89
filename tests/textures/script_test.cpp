// The stored script and its driver, run through the pixel operators with an
// upload that keeps the slot's bytes instead of calling OpenGL.
#include "texture_test_util.h"

static const TextureOp *const STORED = (const TextureOp *)(TEXTURE_SCRIPT + 2);
static const int STORED_LENGTH = TEXTURE_SCRIPT[0] | TEXTURE_SCRIPT[1] << 8;
static std::vector<TextureOp> seen;

static int note(const TextureOp *op)
{
    seen.push_back(*op);
    return 1;
}

static int run_noted(const TextureOp *records, int length)
{
    TextureOpFn ops[TEX_OP_COUNT];
    for (TextureOpFn &f : ops)
        f = note;
    seen.clear();
    return texture_script_run_with(ops, records, length);
}

TEST(ScriptDriver, RunsLengthOverEightRecordsAndStopsAtABadOne)
{
    EXPECT_EQ(run_noted(STORED, STORED_LENGTH), 1);
    ASSERT_EQ(seen.size(), 103u);
    // The first record is the checker, not the two length bytes.
    EXPECT_EQ(memcmp(&seen[0], "\x04\x00\x00\x00\x00\x03\x00\x00", 8), 0);
    EXPECT_EQ(seen[102].op, TEX_OP_UPLOAD);
    EXPECT_EQ(run_noted(STORED, 7), 1);
    EXPECT_TRUE(seen.empty());

    const TextureOp bad[] = {
        record(20, 0, 0, 0),                // no such operator
        record(TEX_OP_INVERT, 5, 0, 0),     // destination slot
        record(TEX_OP_INVERT, 0, 9, 0),     // source slot
        record(TEX_OP_COMBINE, 0, 1, 200),  // second source slot
        record(TEX_OP_UPLOAD, 255, 0, 0),   // uploaded slot
    };
    for (const TextureOp &b : bad) {
        const TextureOp script[] = {record(TEX_OP_CLEAR, 0, 0, 0), b, record(TEX_OP_CLEAR, 1, 0, 0)};
        EXPECT_EQ(run_noted(script, sizeof script), 0);
        EXPECT_EQ(seen.size(), 1u);
    }
    // Leftovers in fields the operator does not read are no reason to stop.
    const TextureOp leftovers[] = {record(TEX_OP_PLASMA, 0, 77, 99, 3), record(TEX_OP_INVERT, 1, 0, 250)};
    EXPECT_EQ(run_noted(leftovers, sizeof leftovers), 1);
    EXPECT_EQ(seen.size(), 2u);
}

static std::vector<uint64_t> upload_digests;

static int digest_upload(const TextureOp *op)
{
    upload_digests.push_back(fnv1a64(tex_slot(op->dst), TEXTURE_SLOT_BYTES));
    return 1;
}

TEST(Script, MakesTheTenTexturesToTheByte)
{
    // Whatever the slots held before, the script overwrites what it reads.
    for (int s = 0; s < TEXTURE_SLOT_COUNT; ++s)
        fill_slot_random(s, 100u + (uint32_t)s);
    TextureOpFn ops[TEX_OP_COUNT];
    memcpy(ops, TEXTURE_OPS, sizeof ops);
    ops[TEX_OP_UPLOAD] = digest_upload;
    ASSERT_EQ(texture_script_run_with(ops, STORED, STORED_LENGTH), 1);
    EXPECT_EQ(upload_digests, std::vector<uint64_t>(TEXTURE_DIGESTS, TEXTURE_DIGESTS + TEXTURE_COUNT));
}
