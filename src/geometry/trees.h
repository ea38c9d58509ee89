// trees.h - the two L-system trees and the frame mask texture.
//
// trees_build() is a precalc task (after textures_build(), which makes pool
// textures 4 and 8): it records side_tree_list and centre_tree_list and
// uploads mask_texture. Scenes just call the lists:
//
//   glCallList(side_tree_list);   // enables, binds and disables its own texture
//
// The lists look the bark up by reflection-map texture-coordinate generation,
// so the bark slides over the trunks as the camera moves.
#pragma once

#include <cstdint>

// Rule 0 grows the centre tree, rule 1 the side trees.
extern const char *const TREE_RULES[2];

constexpr int TREE_MAX_DEPTH = 4;
constexpr double TREE_SEGMENT_LENGTH = 4.0;
constexpr double TREE_START_DIAMETER = 4.0;
constexpr double SIDE_TREE_TAPER = 0.26;
constexpr double CENTRE_TREE_TAPER = 0.32;

extern uint32_t side_tree_list;
extern uint32_t centre_tree_list;
extern uint32_t mask_texture;

// Black pixels whose alpha is the source's blue byte (256x256 RGBA each).
void mask_pixels_from(const uint8_t *source, uint8_t *out);

// Precalc task; always 1.
int trees_build();
