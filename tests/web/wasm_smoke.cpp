// wasm_smoke.cpp - prints what the platform-free libraries make: the FNV-1a
// 64 digest of each of the ten textures the stored script builds, and of
// the song's first seconds as the player renders them (16-bit stereo WAV).
// Built natively and for the browser; tests/web/run_smoke runs both (the
// wasm one under Node) and wants the same lines from each.
//
//   wasm_smoke OUT.wav [SECONDS]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "music/music.h"
#include "textures/ops.h"
#include "textures/script.h"

static uint64_t fnv1a64(const uint8_t *p, size_t n, uint64_t h = 0xcbf29ce484222325ull)
{
    for (size_t i = 0; i < n; ++i)
        h = (h ^ p[i]) * 0x100000001b3ull;
    return h;
}

static int uploads;

// Stands in for the upload, which needs OpenGL: the finished slot's digest.
static int print_upload(const TextureOp *op)
{
    printf("texture %d %016llx\n", uploads++,
           (unsigned long long)fnv1a64(tex_slot(op->dst), TEXTURE_SLOT_BYTES));
    return 1;
}

// The operators in the order of their numbers (TextureOpNumber).
static const TextureOpFn OPS[TEX_OP_COUNT] = {
    tex_clear,     tex_sine_plasma, tex_noise, tex_radial,    tex_checker,
    tex_sine_warp, tex_displace,    tex_multiply, tex_invert, tex_yuv_scale,
    tex_blend,     tex_curve,       tex_hsv_scale, print_upload, tex_blur,
    tex_shift,     tex_plasma,      tex_combine, tex_cells,   tex_rgb_scale,
};

static int hash_file(const char *path)
{
    FILE *f = fopen(path, "rb");
    if (!f)
        return 0;
    static uint8_t buffer[1 << 16];
    uint64_t h = 0xcbf29ce484222325ull;
    uint64_t bytes = 0;
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) {
        h = fnv1a64(buffer, n, h);
        bytes += n;
    }
    fclose(f);
    printf("song %llu bytes %016llx\n", (unsigned long long)bytes, (unsigned long long)h);
    return 1;
}

int main(int argc, char **argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: wasm_smoke OUT.wav [SECONDS]\n");
        return 2;
    }
    const TextureOp *records = (const TextureOp *)(TEXTURE_SCRIPT + 2);
    int length = TEXTURE_SCRIPT[0] | TEXTURE_SCRIPT[1] << 8;
    if (!texture_script_run_with(OPS, records, length))
        return 1;
    double seconds = argc > 2 ? atof(argv[2]) : 20.0;
    if (!music_render_soundtrack(argv[1], seconds, nullptr, 0))
        return 1;
    return hash_file(argv[1]) ? 0 : 1;
}
