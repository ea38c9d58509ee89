// The stored script and its driver, run through the pixel operators with an
// upload that keeps the slot's bytes instead of calling OpenGL.
#include "texture_test_util.h"

static const TextureOp *const STORED = (const TextureOp *)(TEXTURE_SCRIPT + 2);
static const int STORED_LENGTH = TEXTURE_SCRIPT[0] | TEXTURE_SCRIPT[1] << 8;
static std::vector<TextureOp> seen;
static int refuse_after = -1;  // the operator refuses its (n + 1)th record

static int note(const TextureOp *op)
{
    seen.push_back(*op);
    // An operator that writes to its record must not change the script.
    const_cast<TextureOp *>(op)->op = TEX_OP_COUNT;
    return (int)seen.size() != refuse_after + 1;
}

static int run_noted(const TextureOp *records, int length, int refuse = -1)
{
    TextureOpFn ops[TEX_OP_COUNT];
    for (TextureOpFn &f : ops)
        f = note;
    seen.clear();
    refuse_after = refuse;
    return texture_script_run_with(ops, records, length);
}

TEST(ScriptDriver, RunsLengthOverEightRecordsAndStopsAtABadOne)
{
    EXPECT_EQ(run_noted(STORED, STORED_LENGTH), 1);
    ASSERT_EQ(seen.size(), 103u);
    EXPECT_EQ(memcmp(&seen[0], STORED, sizeof seen[0]), 0);  // not the two length bytes
    EXPECT_EQ(memcmp(&seen[102], &STORED[102], sizeof seen[0]), 0);
    EXPECT_EQ(seen[102].op, TEX_OP_UPLOAD);
    // The length counts its own two bytes; a partial record is not run.
    const int lengths[][2] = {{0, 0}, {7, 0}, {8, 1}, {15, 1}, {16, 2}, {-8, 0}};
    for (const auto &l : lengths) {
        EXPECT_EQ(run_noted(STORED, l[0]), 1);
        EXPECT_EQ(seen.size(), (size_t)l[1]) << "length " << l[0];
    }
    TextureOp script[] = {record(TEX_OP_CLEAR, 0, 0, 0), record(TEX_OP_INVERT, 1, 0, 0),
                          record(TEX_OP_CLEAR, 2, 0, 0)};
    const std::vector<TextureOp> kept(script, script + 3);
    EXPECT_EQ(run_noted(script, sizeof script, 1), 0);  // a refusal stops the run
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_EQ(memcmp(script, kept.data(), sizeof script), 0);  // operators get copies

    const TextureOp bad[] = {
        record(TEX_OP_COUNT, 0, 0, 0),        // no such operator
        record(255, 0, 0, 0),
        record(TEX_OP_INVERT, 5, 0, 0),       // destination slot
        record(TEX_OP_INVERT, 0, 5, 0),       // source slot
        record(TEX_OP_COMBINE, 0, 1, 5),      // second source slot
        record(TEX_OP_UPLOAD, 5, 0, 0),       // uploaded slot
        record(TEX_OP_CLEAR, 255, 0, 0),
    };
    // Fields an operator does not read may hold anything (the stored script
    // keeps leftovers there).
    const TextureOp leftovers[] = {record(TEX_OP_PLASMA, 0, 77, 99, 3),
                                   record(TEX_OP_UPLOAD, 1, 200, 250)};
    EXPECT_EQ(run_noted(leftovers, sizeof leftovers), 1);
    EXPECT_EQ(seen.size(), 2u);
    for (const TextureOp &b : bad) {
        const TextureOp script[] = {record(TEX_OP_CLEAR, 0, 0, 0), b,
                                    record(TEX_OP_CLEAR, 1, 0, 0)};
        EXPECT_EQ(run_noted(script, sizeof script), 0) << (int)b.op << " " << (int)b.dst;
        EXPECT_EQ(seen.size(), 1u);
    }
}

// Fills slots 0..3, runs one operator with its sources in slots 1 and 2,
// and returns what it wrote into slot 0.
static std::vector<uint8_t> result_of(const TextureOp &op)
{
    for (int s = 0; s < 4; ++s)
        fill_slot_random(s, 40u + (uint32_t)s);
    crt_srand(9);
    TEXTURE_OPS[op.op](&op);
    return slot_copy(0);
}

// The driver lets a record through when its slot fields are in the pool; a
// field it does not check must be one the operator never reads (the stored
// script keeps leftovers there), and every field it checks is read.
TEST(ScriptDriver, ChecksExactlyTheSlotsEachOperatorReads)
{
    const uint8_t params[][4] = {{32, 100, 150, 60}, {1, 255, 128, 3}};
    for (int code = 0; code < TEX_OP_COUNT; ++code) {
        if (code == TEX_OP_UPLOAD)  // no OpenGL here; it reads only dst
            continue;
        const TextureOp bad_dst = record(code, 5, 1, 2);
        EXPECT_EQ(texture_record_valid(&bad_dst), 0) << code;
        for (int field = 0; field < 2; ++field) {
            bool read = false;
            for (const uint8_t *p : params) {
                TextureOp op = record(code, 0, 1, 2, p[0], p[1], p[2], p[3]);
                const std::vector<uint8_t> plain = result_of(op);
                (field ? op.src_b : op.src_a) = 3;
                read |= result_of(op) != plain;
            }
            TextureOp outside = record(code, 0, 1, 2);
            (field ? outside.src_b : outside.src_a) = 5;
            EXPECT_EQ(texture_record_valid(&outside), read ? 0 : 1)
                << "operator " << code << (field ? ", src_b" : ", src_a");
        }
    }
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
    upload_digests.clear();
    ASSERT_EQ(texture_script_run_with(ops, STORED, STORED_LENGTH), 1);
    EXPECT_EQ(upload_digests,
              std::vector<uint64_t>(TEXTURE_DIGESTS, TEXTURE_DIGESTS + TEXTURE_COUNT));
}
