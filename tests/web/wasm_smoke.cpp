// wasm_smoke.cpp - writes what the platform-free libraries make: the ten
// textures the stored script builds, one after the other as raw 256x256
// RGBA, and the song's first seconds as the player renders them (16-bit
// stereo WAV). Built natively and for the browser; tests/web/run_smoke runs
// both (the wasm one under Node) and wants the same bytes from each.
//
//   wasm_smoke TEXTURES.rgba OUT.wav [SECONDS]
#include <cstdio>
#include <cstdlib>

#include "music/music.h"
#include "textures/ops.h"
#include "textures/script.h"

static FILE *textures;

// Stands in for the upload, which needs OpenGL: the finished slot's pixels.
static int write_upload(const TextureOp *op)
{
    return fwrite(tex_slot(op->dst), TEXTURE_SLOT_BYTES, 1, textures) == 1;
}

// The operators in the order of their numbers (TextureOpNumber).
static const TextureOpFn OPS[TEX_OP_COUNT] = {
    tex_clear,     tex_sine_plasma, tex_noise, tex_radial,    tex_checker,
    tex_sine_warp, tex_displace,    tex_multiply, tex_invert, tex_yuv_scale,
    tex_blend,     tex_curve,       tex_hsv_scale, write_upload, tex_blur,
    tex_shift,     tex_plasma,      tex_combine, tex_cells,   tex_rgb_scale,
};

int main(int argc, char **argv)
{
    if (argc < 3)
        return fprintf(stderr, "usage: wasm_smoke TEXTURES.rgba OUT.wav [SECONDS]\n"), 2;
    if (!(textures = fopen(argv[1], "wb")))
        return perror(argv[1]), 1;
    const TextureOp *records = (const TextureOp *)(TEXTURE_SCRIPT + 2);
    int built = texture_script_run_with(OPS, records, TEXTURE_SCRIPT[0] | TEXTURE_SCRIPT[1] << 8);
    if (fclose(textures) != 0 || !built)
        return 1;
    return music_render_soundtrack(argv[2], argc > 3 ? atof(argv[3]) : 20.0, nullptr, 0) ? 0 : 1;
}
