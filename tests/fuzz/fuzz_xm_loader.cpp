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
    Song *song = fuzz_load_module(data, size);
    // A refused module says why; a loaded one has no error to report.
    FUZZ_CHECK(!song == (song_load_error()[0] != '\0'), "loaded: %d, error: \"%s\"", !!song,
               song_load_error());
    if (!song)
        return 0;
    fuzz_check_song(song);
    FUZZ_CHECK(song_free(song), "song_free refused a loaded song");
    return 0;
}
