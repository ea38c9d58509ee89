// script.h - the stored texture script and the driver that runs a script
// through an operator table (no OpenGL here; the table with the upload is
// TEXTURE_OPS in textures/textures.h).
//
//   const TextureOp *records = (const TextureOp *)(TEXTURE_SCRIPT + 2);
//   int length = TEXTURE_SCRIPT[0] | TEXTURE_SCRIPT[1] << 8;   // 826
//   texture_script_run_with(TEXTURE_OPS, records, length);     // 103 records
//
// The driver runs length / 8 records (the length counts its own two bytes).
// It stops and returns 0 at the first record it must not run: an op outside
// 0..19, a slot field that the operator reads outside 0..4, or an operator
// that refuses (an upload with all ten texture entries taken). 1 otherwise.
#pragma once

#include <cstdint>

#include "textures/ops.h"

constexpr int TEXTURE_SCRIPT_BYTES = 826;
extern const uint8_t TEXTURE_SCRIPT[TEXTURE_SCRIPT_BYTES];

// 1 when the record names an operator and every slot that operator reads.
int texture_record_valid(const TextureOp *op);

int texture_script_run_with(const TextureOpFn *ops, const TextureOp *records, int length);
