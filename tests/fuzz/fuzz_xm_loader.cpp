// fuzz_xm_loader.cpp - libFuzzer target: the XM loader on arbitrary bytes.
//
// Each input is a whole module file. It is loaded from memory; whatever
// loads is checked against what the loader promises (fuzz_check_song: counts
// in range, loops inside their samples, guards in place) and freed. The
// sanitizers and those checks are the oracle.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 0x7FFFFFFFu)
        return 0;
    Song *song = fuzz_load_module(data, size);
    if (!song) {
        FUZZ_CHECK(song_load_error()[0] != '\0', "a refused module without a reason");
        return 0;
    }
    FUZZ_CHECK(song_load_error()[0] == '\0', "a loaded module with the error \"%s\"",
               song_load_error());
    fuzz_check_song(song);
    FUZZ_CHECK(song_free(song), "song_free refused a loaded song");
    return 0;
}
