// texture_test_util.h - helpers shared by the texture tests: records, slot
// contents and the digests of the ten textures.
#pragma once

#include <gtest/gtest.h>

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

template <typename... Fields>
inline int run_op(Fields... fields)
{
    const TextureOp r = record(fields...);
    return TEXTURE_OPS[r.op](&r);
}

inline void fill_slot(int slot, uint8_t r, uint8_t g, uint8_t b, uint8_t a)
{
    for (int i = 0; i < 256 * 256; ++i)
        tex_store(tex_slot(slot) + i * 4, tex_pack(r, g, b, a));
}

// Bytes from a fixed LCG (not the CRT generator, whose state the operators own).
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
    for (size_t i = 0; i < n; ++i)
        h = (h ^ p[i]) * 0x100000001b3ull;
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
