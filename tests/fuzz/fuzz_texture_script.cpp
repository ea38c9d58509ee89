// fuzz_texture_script.cpp - libFuzzer target: the texture script driver on
// arbitrary operator records.
//
// Input: 8-byte records (op, dst, src_a, src_b, p0..p3), as the stored
// script holds them; trailing bytes are not a record. The driver gets the
// longest run of records whose estimated cost fits COST_BUDGET (cells with
// 255 points cost as much as a hundred cheap operators), so that no input
// takes much over half a second. Each input starts from a zeroed pool and
// the C runtime generator as the program starts it, so it replays the same.
// The driver runs the program's operator table (TEXTURE_OPS) with the upload
// cut to its half without OpenGL, texture_keep, the one tex_upload calls.
//
// Every operator runs through a wrapper that checks what the driver and the
// operators promise: only valid records reach an operator, each under its own
// op number; an operator writes no slot but its destination (and the blur its
// scratch slot 4); only an eleventh upload or a blur naming slot 4 is refused;
// the driver returns 1 exactly when every record ran.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "fuzz_support.h"
#include "support/crt_rand.h"
#include "textures/textures.h"

// In units of about 3 ms of an instrumented build. The stored script's 103
// records cost 418; each of its ten textures alone fits.
static constexpr int COST_BUDGET = 160;

static int record_cost(const uint8_t *r)
{
    static const uint8_t COST[TEX_OP_COUNT] = {2, 2, 2, 2, 2, 6, 6, 2, 2, 2,
                                              2, 2, 2, 2, 13, 2, 4, 3, 0, 2};
    // Cells cost by their p0 points.
    return r[0] == TEX_OP_CELLS ? 1 + r[4] / 2 : r[0] < TEX_OP_COUNT ? COST[r[0]] : 2;
}

static TextureOpFn inner[TEX_OP_COUNT], wrapped[TEX_OP_COUNT];
static TexturePool before;
static uint8_t kept[TEXTURE_SLOT_BYTES];  // one copy is enough to keep into
static uint8_t *const copies[TEXTURE_COUNT] = {kept, kept, kept, kept, kept,
                                               kept, kept, kept, kept, kept};
static int uploads, calls, refusals;

static int keep_only(const TextureOp *op)
{
    return texture_keep(op->dst, copies, &uploads) >= 0;
}

template <int N>
static int checked(const TextureOp *op)
{
    FUZZ_CHECK(op->op == N, "operator %d called for a record of op %d", N, op->op);
    FUZZ_CHECK(texture_record_valid(op), "record %d (op %d) is invalid but ran", calls, N);
    const bool upload_full = N == TEX_OP_UPLOAD && uploads >= TEXTURE_COUNT;
    const bool blur_scratch =
        N == TEX_OP_BLUR && (op->dst == TEXTURE_BLUR_SLOT || op->src_a == TEXTURE_BLUR_SLOT);
    memcpy(&before, &texture_pool, sizeof before);
    const int result = inner[N](op);
    ++calls;
    refusals += !result;
    FUZZ_CHECK(result == 0 || result == 1, "op %d returned %d", N, result);
    FUZZ_CHECK((result == 0) == (upload_full || blur_scratch),
               "op %d (dst %d, src_a %d) returned %d", N, op->dst, op->src_a, result);
    for (int s = 0; s < TEXTURE_SLOT_COUNT; ++s) {
        const bool written = N == TEX_OP_BLUR ? s == op->dst || s == TEXTURE_BLUR_SLOT
                                              : s == op->dst && N != TEX_OP_UPLOAD;
        FUZZ_CHECK((result && written) ||
                       memcmp(before.slots[s], texture_pool.slots[s], TEXTURE_SLOT_BYTES) == 0,
                   "op %d (dst %d, src_a %d, src_b %d) changed slot %d", N, op->dst, op->src_a,
                   op->src_b, s);
    }
    return result;
}

template <int... N>
static void fill_wrappers(std::integer_sequence<int, N...>) { ((wrapped[N] = checked<N>), ...); }

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    memcpy(inner, TEXTURE_OPS, sizeof inner);
    inner[TEX_OP_UPLOAD] = keep_only;
    fill_wrappers(std::make_integer_sequence<int, TEX_OP_COUNT>());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    int count = 0;
    for (int cost = 0; (size_t)count < size / 8; ++count) {
        cost += record_cost(data + (size_t)count * 8);
        if (cost > COST_BUDGET)
            break;
    }
    // A copy: the records then sit on their own heap block, sized exactly.
    TextureOp *records = new TextureOp[(size_t)count];
    memcpy(records, data, (size_t)count * 8);
    memset(&texture_pool, 0, sizeof texture_pool);
    crt_srand(1);
    uploads = calls = refusals = 0;
    const int ok = texture_script_run_with(wrapped, records, count * 8);
    // 1 exactly when every record ran; else it stopped at the first refusal
    // or at an invalid record.
    FUZZ_CHECK(ok == (calls == count && !refusals) && refusals <= 1,
               "returned %d after %d of %d records, %d refused", ok, calls, count, refusals);
    FUZZ_CHECK(ok || refusals || !texture_record_valid(&records[calls]),
               "returned 0 after %d of %d records, none refused, the next one valid", calls,
               count);
    delete[] records;
    return 0;
}
