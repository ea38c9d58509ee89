// texture_test_util.h - small helpers shared by the texture tests: filling
// slots, reading pixels, and running the stored script without OpenGL.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "support/crt_rand.h"
#include "textures/textures.h"

inline TextureOp record(int op, int dst, int src_a, int src_b, int p0 = 0, int p1 = 0, int p2 = 0,
                        int p3 = 0)
{
    return {(uint8_t)op, (uint8_t)dst, (uint8_t)src_a, (uint8_t)src_b,
            (uint8_t)p0, (uint8_t)p1,  (uint8_t)p2,    (uint8_t)p3};
}

inline void fill_slot(int slot, uint8_t r, uint8_t g, uint8_t b, uint8_t a)
{
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            uint8_t *p = tex_pixel(slot, x, y);
            p[0] = r, p[1] = g, p[2] = b, p[3] = a;
        }
}

// Every byte from a fixed LCG (not the CRT generator, whose state the
// operators own).
inline void fill_slot_random(int slot, uint32_t seed)
{
    uint8_t *p = tex_slot(slot);
    for (int i = 0; i < TEXTURE_SLOT_BYTES; ++i) {
        seed = seed * 1664525u + 1013904223u;
        p[i] = (uint8_t)(seed >> 24);
    }
}

inline std::vector<uint8_t> slot_copy(int slot)
{
    return std::vector<uint8_t>(tex_slot(slot), tex_slot(slot) + TEXTURE_SLOT_BYTES);
}

inline uint64_t fnv1a64(const uint8_t *p, size_t n)
{
    uint64_t h = 0xcbf29ce484222325ull;
    for (size_t i = 0; i < n; ++i) {
        h ^= p[i];
        h *= 0x100000001b3ull;
    }
    return h;
}

// FNV-1a 64 of each finished texture's 262144 bytes, after the pictures were
// checked by eye against what each texture should show.
inline const uint64_t TEXTURE_DIGESTS[TEXTURE_COUNT] = {
    0x3b64076a537855eaull,  // yellow with red swirls
    0x5479df7649bb508eull,  // light cloud plasma crossed by black swirling bands
    0x441adbe280c0c8e3ull,  // sky: blue gradient under white clouds
    0x003c13a00b969d74ull,  // dark grey with a soft bright glow
    0x2b194000df500299ull,  // brown mottled clouds
    0xa5db74864040d121ull,  // orange, brown and cream marble with rings
    0x20ded5c8fdbed711ull,  // busy folded grey sine pattern
    0x5a548c9a7b6333cdull,  // soft blurred grey blobs
    0x4395beabb262a582ull,  // white with one soft dark spot
    0xf2c11a26b59128c1ull,  // grey clouds over a darker band
};

// The stored script run through the pixel operators, each upload keeping
// the slot's bytes in a list instead of going to OpenGL.
struct ScriptCapture {
    std::vector<std::vector<uint8_t>> uploads;
};

inline ScriptCapture *capture_target;

inline int capture_upload(const TextureOp *op)
{
    capture_target->uploads.push_back(slot_copy(op->dst));
    return 1;
}

inline int run_captured(ScriptCapture *capture, const TextureOp *records, int length)
{
    TextureOpFn ops[TEX_OP_COUNT];
    memcpy(ops, TEXTURE_OPS, sizeof ops);
    ops[TEX_OP_UPLOAD] = capture_upload;
    capture_target = capture;
    return texture_script_run_with(ops, records, length);
}

inline const TextureOp *stored_records()
{
    return (const TextureOp *)(TEXTURE_SCRIPT + 2);
}

inline int stored_length()
{
    return TEXTURE_SCRIPT[0] | TEXTURE_SCRIPT[1] << 8;
}
