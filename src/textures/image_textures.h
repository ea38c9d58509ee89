// image_textures.h - the silhouette scene's textures: a black-cut robot mask
// from the stored greyscale image, and an overlay that shows texture 6's
// colours wherever texture 7 is bright.
//
//   textures_build();          // first: the pool textures this reads
//   image_textures_build();    // precalc task; always 1 unless memory runs out
//   glBindTexture(GL_TEXTURE_2D, robot_mask_texture);
//
// robot_mask_texture: (255, 255, 255, ROBOT_IMAGE byte), clamped to its edge.
// overlay_texture: RGB of texture 6, alpha from texture 7's red, repeating.
// backdrop_texture: texture 5's GL name, handed on unchanged.
// Both new textures are mipmapped, GL_LINEAR_MIPMAP_LINEAR / GL_LINEAR,
// GL_MODULATE. Needs a current GL context.
#pragma once

#include <cstdint>

constexpr int IMAGE_TEXTURE_SIZE = 256;
constexpr int IMAGE_TEXTURE_BYTES = IMAGE_TEXTURE_SIZE * IMAGE_TEXTURE_SIZE * 4;

extern uint32_t backdrop_texture;
extern uint32_t robot_mask_texture;
extern uint32_t overlay_texture;

// Pure pixel work, no GL: fills 256x256 RGBA images. A null c6 or c7 (the
// pool textures were never made) gives an overlay of transparent black, so
// an ordering mistake shows as a missing pattern rather than a crash.
void build_robot_mask_pixels(const uint8_t *grey, uint8_t *mask);
void build_overlay_pixels(const uint8_t *c6, const uint8_t *c7, uint8_t *overlay);

// The precalc task. Returns 0 only when the scratch images cannot be had.
int image_textures_build();
