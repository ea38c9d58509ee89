// textures_bench.cpp - how long the texture script and its operator
// families take, without the GL upload (which only copies the pixels here).
//
//   ninja -C build bench_textures && build/bench/bench_textures
//
// BM_script is the whole stored script as the precalc task runs it; the
// family benchmarks run, in script order, only the script's records of one
// family, over whatever the slots hold.
#include <benchmark/benchmark.h>

#include <cstring>

#include "textures/textures.h"

static uint8_t kept[TEXTURE_COUNT][TEXTURE_SLOT_BYTES];
static int kept_count;

// The upload without GL: keeps the pixels as tex_upload would.
static int keep_upload(const TextureOp *op)
{
    memcpy(kept[kept_count % TEXTURE_COUNT], tex_slot(op->dst), TEXTURE_SLOT_BYTES);
    ++kept_count;
    return 1;
}

static void pixel_ops(TextureOpFn ops[TEX_OP_COUNT])
{
    memcpy(ops, TEXTURE_OPS, sizeof(TextureOpFn) * TEX_OP_COUNT);
    ops[TEX_OP_UPLOAD] = keep_upload;
}

static const TextureOp *script_records()
{
    return (const TextureOp *)(TEXTURE_SCRIPT + 2);
}

static const int SCRIPT_LENGTH = TEXTURE_SCRIPT[0] | TEXTURE_SCRIPT[1] << 8;

static void BM_script(benchmark::State &state)
{
    TextureOpFn ops[TEX_OP_COUNT];
    pixel_ops(ops);
    for (auto _ : state) {
        kept_count = 0;
        benchmark::DoNotOptimize(texture_script_run_with(ops, script_records(), SCRIPT_LENGTH));
    }
}
BENCHMARK(BM_script)->Unit(benchmark::kMillisecond);

static const int GENERATORS[] = {TEX_OP_CLEAR, TEX_OP_SINE_PLASMA, TEX_OP_NOISE, TEX_OP_RADIAL,
                                 TEX_OP_CHECKER, TEX_OP_PLASMA, TEX_OP_CELLS, -1};
static const int SPATIAL[] = {TEX_OP_SINE_WARP, TEX_OP_DISPLACE, TEX_OP_BLUR, TEX_OP_SHIFT, -1};
static const int COLOUR[] = {TEX_OP_MULTIPLY, TEX_OP_INVERT,    TEX_OP_YUV_SCALE, TEX_OP_BLEND,
                             TEX_OP_CURVE,    TEX_OP_HSV_SCALE, TEX_OP_COMBINE,   TEX_OP_RGB_SCALE, -1};

static int in_family(const int *family, int op)
{
    for (; *family >= 0; ++family)
        if (*family == op)
            return 1;
    return 0;
}

// The script's records of one family (or of one operator), run in order.
static void run_records(benchmark::State &state, const int *family, int only_op)
{
    TextureOpFn ops[TEX_OP_COUNT];
    pixel_ops(ops);
    texture_script_run_with(ops, script_records(), SCRIPT_LENGTH);
    const int count = SCRIPT_LENGTH / 8;
    int runs = 0;
    for (auto _ : state) {
        for (int k = 0; k < count; ++k) {
            TextureOp op;
            memcpy(&op, script_records() + k, sizeof op);
            if (family ? in_family(family, op.op) : op.op == only_op) {
                ops[op.op](&op);
                ++runs;
            }
        }
    }
    state.counters["records"] = benchmark::Counter(runs, benchmark::Counter::kAvgIterations);
}

static void BM_generators(benchmark::State &state) { run_records(state, GENERATORS, -1); }
static void BM_spatial(benchmark::State &state) { run_records(state, SPATIAL, -1); }
static void BM_colour(benchmark::State &state) { run_records(state, COLOUR, -1); }
BENCHMARK(BM_generators)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_spatial)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_colour)->Unit(benchmark::kMillisecond);

// One operator: all its records in the script (argument = op number).
static void BM_operator(benchmark::State &state)
{
    run_records(state, nullptr, (int)state.range(0));
}
BENCHMARK(BM_operator)
    ->ArgName("op")
    ->Arg(TEX_OP_SINE_WARP)
    ->Arg(TEX_OP_DISPLACE)
    ->Arg(TEX_OP_BLUR)
    ->Arg(TEX_OP_COMBINE)
    ->Arg(TEX_OP_HSV_SCALE)
    ->Arg(TEX_OP_PLASMA)
    ->Arg(TEX_OP_CELLS)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
