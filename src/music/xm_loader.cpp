// xm_loader.cpp - reads a FastTracker 2 Extended Module into a Song (see
// song.h).
//
// The file's counts are checked against what the data model and the file
// itself can hold before anything is allocated or indexed with them: a
// damaged module is refused (song_load_error() says why) or clamped where a
// safe reading exists, but never read or written out of bounds.
#include <cstdlib>
#include <cstring>

#include "music/output.h"
#include "music/replayer.h"
#include "music/song.h"
#include "music/song_source.h"

Sample EMPTY_SAMPLE;
Instrument EMPTY_INSTRUMENT;
const char XM_SIGNATURE[17] = {'E', 'x', 't', 'e', 'n', 'd', 'e', 'd', ' ', 'M',
                               'o', 'd', 'u', 'l', 'e', ':', ' '};

static const char *load_error = "";

const char *song_load_error()
{
    return load_error;
}

static uint16_t u16_at(const uint8_t *p)
{
    return (uint16_t)(p[0] | p[1] << 8);
}

static uint32_t u32_at(const uint8_t *p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

// Short reads leave zeros, as the format's readers have always assumed.
static void read_bytes(PlayerFile *file, void *destination, int32_t count)
{
    memset(destination, 0, (size_t)count);
    player_file_read(file, destination, count);
}

static uint16_t read_u16(PlayerFile *file)
{
    uint8_t b[2];
    read_bytes(file, b, 2);
    return u16_at(b);
}

static uint32_t read_u32(PlayerFile *file)
{
    uint8_t b[4];
    read_bytes(file, b, 4);
    return u32_at(b);
}

// Seeks to an absolute offset computed in 64 bits, so a huge header size
// cannot wrap to a position before the data.
static void seek_to(PlayerFile *file, int64_t offset, int32_t file_size)
{
    if (offset > file_size)
        offset = file_size;
    if (offset < 0)
        offset = 0;
    player_file_seek(file, (int32_t)offset, SEEK_FROM_START);
}

static void release_song(Song *song)
{
    if (song->instruments) {
        for (int i = 0; i < song->instrument_count; ++i) {
            Instrument *ins = &song->instruments[i];
            for (int s = 0; s < ins->sample_count && s < MAX_SAMPLES_PER_INSTRUMENT; ++s) {
                Sample *sample = ins->samples[s];
                if (!sample || sample == &EMPTY_SAMPLE)
                    continue;
                if (sample->data)
                    free(sample->data - SAMPLE_GUARD);
                free(sample);
            }
        }
        free(song->instruments);
    }
    if (song->patterns) {
        for (int p = 0; p < song->pattern_slots; ++p)
            free(song->patterns[p].cells);
        free(song->patterns);
    }
    free(song);
}

static Song *fail(Song *song, PlayerFile *file, const char *why)
{
    load_error = why;
    if (song)
        release_song(song);
    player_file_close(file);
    return nullptr;
}

static int empty_pattern(Pattern *pattern, int rows, int channels)
{
    pattern->rows = rows;
    pattern->cells = (PatternCell *)calloc((size_t)rows * channels, sizeof(PatternCell));
    return pattern->cells != nullptr;
}

// Decodes rows x channels cells from packed bytes; 0 when they run out.
static int unpack_cells(PatternCell *cells, int count, const uint8_t *packed, size_t size,
                        size_t *consumed)
{
    size_t at = 0;
    for (int i = 0; i < count; ++i) {
        PatternCell cell = {};
        if (at >= size)
            return 0;
        uint8_t b = packed[at++];
        if (b & 0x80) {
            uint8_t *fields[5] = {&cell.note, &cell.instrument, &cell.volume, &cell.effect,
                                  &cell.param};
            for (int f = 0; f < 5; ++f) {
                if (!(b & (1 << f)))
                    continue;
                if (at >= size)
                    return 0;
                *fields[f] = packed[at++];
            }
        } else {
            if (size - at < 4)
                return 0;
            cell.note = b;
            cell.instrument = packed[at];
            cell.volume = packed[at + 1];
            cell.effect = packed[at + 2];
            cell.param = packed[at + 3];
            at += 4;
        }
        if (cell.note == 97)
            cell.note = NOTE_KEY_OFF;
        else if (cell.note > 97)
            cell.note = 0;  // no such note; it would index past the sample map
        if (cell.instrument > 128)
            cell.instrument = 0;
        cells[i] = cell;
    }
    *consumed = at;
    return 1;
}

// One pattern: its header, then its packed cells. The header says how long
// it is and how many packed bytes follow, and the next pattern starts where
// those say, whatever the cells used: a writer may pad either. `packed` holds
// the widest pattern's bytes.
static const char *load_pattern(Pattern *pattern, PlayerFile *file, int channels,
                                uint8_t *packed, int32_t file_size)
{
    const int64_t start = player_file_tell(file);
    if (file_size - start < 9)
        return "a pattern header runs past the end of the file";
    uint8_t header[9];
    read_bytes(file, header, 9);
    const uint32_t header_length = u32_at(header);
    const int rows = u16_at(header + 5);
    const uint16_t packed_size = u16_at(header + 7);
    if (header_length < 9)
        return "a pattern header is shorter than its 9 bytes of fields";
    if (rows > MAX_PATTERN_ROWS)
        return "a pattern has more than 256 rows";
    // A pattern without rows would be read past its end; FastTracker plays
    // it as an empty pattern of 64.
    if (!empty_pattern(pattern, rows == 0 ? 64 : rows, channels))
        return "out of memory";
    const int64_t data = start + header_length;
    if (packed_size > 0 && rows > 0) {
        seek_to(file, data, file_size);
        // No cell takes more than 6 bytes, so padding past that is not read.
        const int32_t widest = rows * channels * 6;
        const int32_t wanted = packed_size < widest ? packed_size : widest;
        const int32_t got = player_file_read(file, packed, wanted);
        size_t consumed = 0;
        if (!unpack_cells(pattern->cells, rows * channels, packed, got > 0 ? (size_t)got : 0,
                          &consumed))
            return got < wanted ? "packed pattern data runs past the end of the file"
                                : "a pattern's cells run past its packed size";
    }
    seek_to(file, data + packed_size, file_size);
    return nullptr;
}

static const char *load_patterns(Song *song, PlayerFile *file, int pattern_count,
                                 int32_t file_size)
{
    const int channels = song->channel_count;
    uint8_t *packed = (uint8_t *)malloc((size_t)MAX_PATTERN_ROWS * channels * 6);
    if (!packed)
        return "out of memory";
    for (int p = 0; p < pattern_count; ++p) {
        const char *why = load_pattern(&song->patterns[p], file, channels, packed, file_size);
        if (why) {
            free(packed);
            return why;
        }
    }
    free(packed);
    for (int p = pattern_count; p < song->patterns_referenced; ++p)
        if (!empty_pattern(&song->patterns[p], 64, channels))
            return "out of memory";
    return nullptr;
}

static void check_envelope(uint8_t *count, uint8_t *type, uint8_t loop_start,
                           EnvelopePoint *points)
{
    if (*count > MAX_ENVELOPE_POINTS)
        *count = MAX_ENVELOPE_POINTS;
    if (*count < 2)
        *type = 0;
    // A loop back to a point that does not exist would be read from.
    if (loop_start >= *count)
        *type &= (uint8_t)~ENVELOPE_LOOP;
    for (int i = 0; i < MAX_ENVELOPE_POINTS; ++i)
        if (points[i].value > 64)
            points[i].value = 64;
}

// The loop in frames of the (possibly shortened) sample; a loop that starts
// outside the sample is dropped, one that ends outside is cut at its end.
static void fit_loop(Sample *sample)
{
    if (sample->loop_kind != LOOP_NONE) {
        if (sample->loop_start >= sample->length)
            sample->loop_kind = LOOP_NONE;
        else if ((uint64_t)sample->loop_start + sample->loop_length > sample->length)
            sample->loop_length = sample->length - sample->loop_start;
    }
    if (sample->loop_kind == LOOP_NONE) {
        sample->loop_start = 0;
        sample->loop_length = sample->length;
    }
}

// Nothing in a sample header can be refused: what is out of range is
// clamped or cleared here, and a header cut short by the file's end reads
// as zeros. Lengths are checked against the file by read_sample_data().
static void read_sample_header(Sample *sample, PlayerFile *file)
{
    uint8_t b[18];
    read_bytes(file, b, 18);
    sample->length = u32_at(b);
    sample->loop_start = u32_at(b + 4);
    sample->loop_length = u32_at(b + 8);
    // The format's volumes run 0..64; more would push the voice gain past
    // its range and clip the mix.
    sample->volume = b[12] > 64 ? 64 : b[12];
    sample->finetune = (int8_t)b[13];
    sample->loop_kind = LOOP_NONE;
    sample->bits = 8;
    uint8_t type = b[14];
    if (type & 1)
        sample->loop_kind = LOOP_FORWARD;
    if (type & 2)
        sample->loop_kind = LOOP_PINGPONG;
    if (type & 0x10)
        sample->bits = 16;
    if (sample->loop_kind == LOOP_NONE) {
        sample->loop_start = 0;
        sample->loop_length = sample->length;
    }
    if (sample->bits == 16) {
        sample->length /= 2;
        sample->loop_start /= 2;
        sample->loop_length /= 2;
    }
    if (sample->loop_length == 0) {
        sample->loop_start = 0;
        sample->loop_length = sample->length;
        sample->loop_kind = LOOP_NONE;
    }
    sample->panning = b[15];
    sample->relative_note = (int8_t)b[16];
    player_file_seek(file, 22, SEEK_FROM_CURRENT);  // reserved byte was b[17]; the name
}

static const char *read_sample_data(Sample *sample, PlayerFile *file, int32_t file_size)
{
    uint32_t bytes_per_frame = sample->bits / 8;
    // A length the rest of the file cannot hold is cut to what it holds, so
    // what is allocated is bounded by the file's size.
    int64_t available = (int64_t)file_size - player_file_tell(file);
    if (available < 0)
        available = 0;
    if ((uint64_t)sample->length * bytes_per_frame > (uint64_t)available)
        sample->length = (uint32_t)(available / bytes_per_frame);
    fit_loop(sample);
    if (sample->length == 0) {
        sample->bits = 16;
        return nullptr;
    }
    size_t entries = (size_t)sample->length + 2 * SAMPLE_GUARD;
    int16_t *base = (int16_t *)calloc(entries, sizeof(int16_t));
    if (!base)
        return "out of memory";
    int16_t *data = base + SAMPLE_GUARD;
    sample->data = data;
    uint32_t length = sample->length;
    if (sample->bits == 8) {
        // The 16-bit buffer holds the bytes at its end while they widen.
        uint8_t *raw = (uint8_t *)(data + length) - length;
        read_bytes(file, raw, (int32_t)length);
        for (uint32_t i = 0; i < length; ++i)
            data[i] = (int16_t)(uint16_t)(raw[i] << 8);
    } else {
        uint8_t *raw = (uint8_t *)data;
        read_bytes(file, raw, (int32_t)(length * 2));
        for (uint32_t i = 0; i < length; ++i)
            data[i] = (int16_t)u16_at(raw + 2 * i);
    }
    data[length] = 0;
    sample->bits = 16;
    uint16_t sum = 0;
    for (uint32_t i = 0; i < length; ++i) {
        sum = (uint16_t)(sum + (uint16_t)data[i]);
        data[i] = (int16_t)sum;
    }
    uint32_t end = sample->loop_start + sample->loop_length;
    if (sample->loop_kind == LOOP_FORWARD)
        data[end] = data[sample->loop_start];
    else if (sample->loop_kind == LOOP_PINGPONG)
        data[end] = data[end - 1];
    return nullptr;
}

static const char *load_instrument(Instrument *ins, PlayerFile *file, int32_t file_size)
{
    int64_t start = player_file_tell(file);
    int64_t end = start + read_u32(file);
    player_file_seek(file, 23, SEEK_FROM_CURRENT);
    uint16_t count = read_u16(file);
    if (count > MAX_SAMPLES_PER_INSTRUMENT)
        return "an instrument has more than 16 samples";
    for (int s = 0; s < MAX_SAMPLES_PER_INSTRUMENT; ++s)
        ins->samples[s] = &EMPTY_SAMPLE;
    if (count == 0) {
        seek_to(file, end, file_size);
        return nullptr;
    }
    read_u32(file);  // sample header size: every header is 40 bytes
    uint8_t b[96 + 48 + 48 + 16];
    read_bytes(file, b, sizeof b);
    memcpy(ins->sample_map, b, 96);
    for (int i = 0; i < MAX_ENVELOPE_POINTS; ++i) {
        ins->volume_envelope[i] = {u16_at(b + 96 + 4 * i), u16_at(b + 98 + 4 * i)};
        ins->panning_envelope[i] = {u16_at(b + 144 + 4 * i), u16_at(b + 146 + 4 * i)};
    }
    const uint8_t *envelope_settings = b + 192;  // counts, sustain and loop points, types
    ins->volume_point_count = envelope_settings[0];
    ins->panning_point_count = envelope_settings[1];
    ins->volume_sustain = envelope_settings[2];
    ins->volume_loop_start = envelope_settings[3];
    ins->volume_loop_end = envelope_settings[4];
    ins->panning_sustain = envelope_settings[5];
    ins->panning_loop_start = envelope_settings[6];
    ins->panning_loop_end = envelope_settings[7];
    ins->volume_type = envelope_settings[8];
    ins->panning_type = envelope_settings[9];
    ins->vibrato_type = envelope_settings[10];
    ins->vibrato_sweep = envelope_settings[11];
    ins->vibrato_depth = envelope_settings[12];
    ins->vibrato_rate = envelope_settings[13];
    ins->fadeout = (uint16_t)(u16_at(envelope_settings + 14) * 2);
    check_envelope(&ins->volume_point_count, &ins->volume_type, ins->volume_loop_start,
                   ins->volume_envelope);
    check_envelope(&ins->panning_point_count, &ins->panning_type, ins->panning_loop_start,
                   ins->panning_envelope);
    seek_to(file, end, file_size);

    ins->sample_count = count;
    for (int s = 0; s < count; ++s) {
        Sample *sample = (Sample *)calloc(1, sizeof(Sample));
        if (!sample) {
            ins->sample_count = s;
            return "out of memory";
        }
        ins->samples[s] = sample;
        read_sample_header(sample, file);
    }
    for (int s = 0; s < count; ++s) {
        const char *why = read_sample_data(ins->samples[s], file, file_size);
        if (why)
            return why;
    }
    return nullptr;
}

// The module header after the signature: sizes, flags, default speed and
// tempo and the order table, checked against what the player can hold.
// Null, or why the module is refused; *pattern_count gets the number of
// patterns, which follow in the file.
static const char *read_song_header(Song *song, PlayerFile *file, int32_t file_size,
                                    uint16_t *pattern_count)
{
    player_file_seek(file, 60, SEEK_FROM_START);
    uint32_t header_size = read_u32(file);
    uint8_t h[276];
    read_bytes(file, h, sizeof h);
    uint16_t song_length = u16_at(h);
    uint16_t restart = u16_at(h + 2);
    uint16_t channels = u16_at(h + 4);
    *pattern_count = u16_at(h + 6);
    uint16_t instrument_count = u16_at(h + 8);
    song->flags = u16_at(h + 10);
    song->default_speed = (int16_t)u16_at(h + 12);
    song->default_bpm = (int16_t)u16_at(h + 14);
    memcpy(song->order_table, h + 16, MAX_ORDERS);
    seek_to(file, 60 + (int64_t)header_size, file_size);

    if (channels == 0 || channels > MAX_CHANNELS)
        return "the channel count is not 1 to 32";
    if (song_length == 0 || song_length > MAX_ORDERS)
        return "the song length is not 1 to 256";
    if (*pattern_count > MAX_PATTERNS)
        return "the module has more than 256 patterns";
    if (!(song->flags & SONG_LINEAR_FREQUENCIES))
        return "the module uses the Amiga frequency table; only linear frequencies play";
    song->song_length = (int16_t)song_length;
    song->channel_count = (int16_t)channels;
    song->restart_position = restart < song_length ? (int16_t)restart : 0;
    // Instruments past 128 cannot be named by a cell and nothing follows them.
    song->instrument_count =
        (int16_t)(instrument_count > MAX_INSTRUMENTS ? MAX_INSTRUMENTS : instrument_count);
    return nullptr;
}

Song *song_load(const char *name)
{
    load_error = "";
    PlayerFile *file = player_file_open(name);
    if (!file) {
        load_error = "the module could not be opened";
        return nullptr;
    }
    player_file_seek(file, 0, SEEK_TO_END);
    int32_t file_size = player_file_tell(file);
    player_file_seek(file, 0, SEEK_FROM_START);

    char signature[17];
    read_bytes(file, signature, 17);
    if (memcmp(signature, XM_SIGNATURE, 17) != 0)
        return fail(nullptr, file, "not an Extended Module (XM) file");
    Song *song = (Song *)calloc(1, sizeof(Song));
    if (!song)
        return fail(nullptr, file, "out of memory");
    song->tick_callback = song_tick;
    song->initial_global_volume = 64;

    uint16_t pattern_count;
    const char *why = read_song_header(song, file, file_size, &pattern_count);
    if (why)
        return fail(song, file, why);

    song->patterns_referenced = 0;
    for (int i = 0; i < song->song_length; ++i)
        if (song->order_table[i] >= song->patterns_referenced)
            song->patterns_referenced = song->order_table[i] + 1;
    song->pattern_slots =
        pattern_count > song->patterns_referenced ? pattern_count : song->patterns_referenced;
    song->patterns = (Pattern *)calloc((size_t)song->pattern_slots + 1, sizeof(Pattern));
    if (!song->patterns)
        return fail(song, file, "out of memory");
    why = load_patterns(song, file, pattern_count, file_size);
    if (why)
        return fail(song, file, why);

    song->instruments =
        (Instrument *)calloc((size_t)song->instrument_count + 1, sizeof(Instrument));
    if (!song->instruments)
        return fail(song, file, "out of memory");
    for (int i = 0; i < song->instrument_count; ++i) {
        why = load_instrument(&song->instruments[i], file, file_size);
        if (why)
            return fail(song, file, why);
    }
    player_file_close(file);
    return song;
}

bool song_free(Song *song)
{
    if (!song)
        return false;
    while (block_busy.load())
        ;
    song_stop(song);
    release_song(song);
    return true;
}
