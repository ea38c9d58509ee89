// The script driver, through operators that note their records, and the
// upload's half without OpenGL. The textures' digests are checked where the
// real uploads run (textures_gl_test.cpp).
#include "texture_test_util.h"

static const TextureOp *const STORED = (const TextureOp *)(TEXTURE_SCRIPT + 2);
static const int STORED_LENGTH = TEXTURE_SCRIPT[0] | TEXTURE_SCRIPT[1] << 8;
static std::vector<TextureOp> seen;
static size_t refuse_at;  // the operator refuses its record number refuse_at

static int note(const TextureOp *op)
{
    seen.push_back(*op);
    // An operator that writes to its record must not change the script.
    const_cast<TextureOp *>(op)->op = TEX_OP_COUNT;
    return seen.size() != refuse_at + 1;
}

// The records the driver ran before it stopped, or -1 when it went through.
static int run_noted(const TextureOp *records, int length, size_t refuse = SIZE_MAX - 1)
{
    // One past the table too: a record the driver lets through by mistake is
    // then noted as run rather than calling through garbage.
    TextureOpFn ops[TEX_OP_COUNT + 1];
    std::fill(ops, ops + TEX_OP_COUNT + 1, note);
    seen.clear();
    refuse_at = refuse;
    return texture_script_run_with(ops, records, length) ? -1 : (int)seen.size();
}

TEST(ScriptDriver, RunsLengthOverEightRecordsAndStopsAtABadOne)
{
    EXPECT_EQ(run_noted(STORED, STORED_LENGTH), -1);
    ASSERT_EQ(seen.size(), 103u);  // the length counts its own two bytes
    EXPECT_TRUE(memcmp(&seen[0], STORED, 8) == 0 && memcmp(&seen[102], &STORED[102], 8) == 0);
    const int lengths[][2] = {{0, 0}, {7, 0}, {8, 1}, {15, 1}, {16, 2}, {-8, 0}};
    for (const auto &l : lengths) {  // a partial record is not run
        EXPECT_EQ(run_noted(STORED, l[0]), -1);
        EXPECT_EQ(seen.size(), (size_t)l[1]) << "length " << l[0];
    }
    TextureOp script[] = {record(TEX_OP_CLEAR, 0, 0, 0), record(TEX_OP_INVERT, 1, 0, 0),
                          record(TEX_OP_CLEAR, 2, 0, 0)};
    const std::vector<TextureOp> kept(script, script + 3);
    EXPECT_EQ(run_noted(script, sizeof script, 1), 2);  // a refusal stops the run
    EXPECT_EQ(memcmp(script, kept.data(), sizeof script), 0);  // operators get copies
    // Slot fields an operator reads must name a slot; the others may hold
    // anything (the stored script keeps leftovers there).
    const TextureOp cases[][2] = {
        {record(TEX_OP_COUNT, 0, 0, 0), record(TEX_OP_NOISE, 0, 9, 9)},  // no such operator
        {record(TEX_OP_INVERT, 5, 0, 0), record(TEX_OP_INVERT, 4, 4, 250)},
        {record(TEX_OP_INVERT, 0, 5, 0), record(TEX_OP_CLEAR, 4, 200, 250)},
        {record(TEX_OP_COMBINE, 0, 1, 5), record(TEX_OP_COMBINE, 4, 4, 4)},
        {record(TEX_OP_UPLOAD, 5, 0, 0), record(TEX_OP_UPLOAD, 4, 200, 250)},
        {record(TEX_OP_CLEAR, 255, 0, 0), record(TEX_OP_PLASMA, 0, 77, 99, 3)},
    };
    for (const auto &c : cases) {
        const TextureOp bad[] = {record(TEX_OP_CLEAR, 0, 0, 0), c[0], c[1]};
        EXPECT_EQ(run_noted(bad, sizeof bad), 1) << (int)c[0].op << " " << (int)c[0].dst;
        EXPECT_EQ(run_noted(bad + 2, 8), -1) << (int)c[1].op;
    }
}

// A source field the driver lets through out of the pool must be one the
// operator never reads, and every one it checks is read: an operator reads a
// field when moving it from one random slot to another changes the result.
TEST(ScriptDriver, ChecksExactlyTheSlotsEachOperatorReads)
{
    auto result_of = [](TextureOp op, int field, int slot) {
        (field ? op.src_b : op.src_a) = (uint8_t)slot;
        for (int s = 0; s < 4; ++s)
            fill_slot_random(s, 40u + (uint32_t)s);
        crt_srand(9);
        TEXTURE_OPS[op.op](&op);
        return slot_copy(0);
    };
    for (int code = 0; code < TEX_OP_COUNT; ++code)
        for (int field = 0; field < 2 && code != TEX_OP_UPLOAD; ++field) {  // no OpenGL here
            bool read = false;
            for (const TextureOp &op : {record(code, 0, 1, 2, 32, 100, 150, 60),
                                        record(code, 0, 1, 2, 1, 255, 128, 3)})
                read |= result_of(op, field, 3) != result_of(op, field, field + 1);
            TextureOp outside = record(code, 0, 1, 2);
            (field ? outside.src_b : outside.src_a) = 5;
            EXPECT_EQ(texture_record_valid(&outside), read ? 0 : 1)
                << "operator " << code << (field ? ", src_b" : ", src_a");
        }
}

// An upload keeps the slot in the next entry's copy, and takes no entry past
// the tenth or without a copy, even when the caller's table goes on.
TEST(Script, UploadsKeepTenCopiesAtMost)
{
    static uint8_t copy[2][TEXTURE_SLOT_BYTES];
    uint8_t *copies[TEXTURE_COUNT + 1];
    std::fill(copies, copies + TEXTURE_COUNT, &copy[0][0]);
    copies[4] = nullptr;
    copies[TEXTURE_COUNT] = copy[1];
    fill_slot_random(2, 3);
    int uploaded = 3;
    EXPECT_EQ(texture_keep(2, copies, &uploaded), 3);
    EXPECT_TRUE(uploaded == 4 && slot_copy(2) == std::vector<uint8_t>(copy[0], copy[1]));
    // In a child process: a copy into the missing entry would end it.
    EXPECT_EXIT(exit(texture_keep(2, copies, &uploaded) == -1 && uploaded == 4 ? 0 : 1),
                testing::ExitedWithCode(0), "");
    uploaded = TEXTURE_COUNT - 1;
    EXPECT_EQ(texture_keep(2, copies, &uploaded), TEXTURE_COUNT - 1);
    EXPECT_EQ(texture_keep(2, copies, &uploaded), -1);
    EXPECT_TRUE(uploaded == TEXTURE_COUNT && copy[1][0] == 0);
}
