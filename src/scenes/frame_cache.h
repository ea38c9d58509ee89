// frame_cache.h - a whole-frame picture that is the same on every frame it
// is drawn, drawn once and then copied back texel for texel.
//
// The sky behind the forest scenes is such a picture: one mipmapped texture
// filtered over the frame, the same every time. Filtering it costs a
// software renderer four times what copying the finished pixels back does,
// and the copy is exact, so the frames do not change.
//
//   static FrameCache cache;
//   if (frame_cache_draw(&cache, key)) return;   // drawn from the cache
//   ... draw the picture over the cleared frame ...
//   frame_cache_keep(&cache, key);               // keeps the frame's pixels
//
// key names what the picture was made from (a texture name, say): another
// key draws anew. Needs the picture to cover the whole 640x480 frame and to
// depend on nothing drawn before it. The picture is also drawn anew every
// FRAME_CACHE_REFRESH uses: a driver may leave the back buffer's hidden
// pixels undefined where another window covered ours when it was kept.
#pragma once

#include <cstdint>

constexpr uint32_t FRAME_CACHE_REFRESH = 120;

struct FrameCache {
    uint32_t texture;  // 1024x512, the frame in its lower left corner; 0 before use
    uint32_t key;
    int kept;
    uint32_t uses;     // draws from the cache since it was kept
};

// Draws the kept picture and returns 1; 0 (drawing nothing) when nothing
// is kept under key or it is time to draw it anew.
int frame_cache_draw(FrameCache *cache, uint32_t key);

// Copies the frame as it stands into the cache under key.
void frame_cache_keep(FrameCache *cache, uint32_t key);
