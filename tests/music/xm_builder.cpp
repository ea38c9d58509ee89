// xm_builder.cpp - see xm_builder.h.
#include "xm_builder.h"

#include <algorithm>
#include <cstddef>
#include <initializer_list>

#include "base/arena.h"
#include "music/song_source.h"

using Bytes = std::vector<uint8_t>;
static void put8(Bytes &out, int v) { out.push_back((uint8_t)v); }
static void put16(Bytes &out, int v) { put8(out, v), put8(out, v >> 8); }
static void put32(Bytes &out, uint32_t v) { put16(out, (int)v), put16(out, (int)(v >> 16)); }
static void put_zeros(Bytes &out, size_t n) { out.resize(out.size() + n, 0); }
// Each value as `width` little-endian bytes.
static void put(Bytes &out, int width, std::initializer_list<int> values)
{
    for (int v : values)
        (width == 1 ? put8 : put16)(out, v);
}

XmPattern xm_pattern(int rows, int channels)
{
    return {rows, std::vector<PatternCell>((size_t)rows * channels)};
}

XmSample xm_sample_8bit(const std::vector<int8_t> &values)
{
    XmSample s;
    for (int8_t v : values)
        s.values.push_back((int16_t)(v * 256));
    return s;
}

XmSample xm_sample_16bit(const std::vector<int16_t> &values) { return {values, true}; }
XmInstrument xm_instrument(const XmSample &sample) { return {{sample}}; }

static void pack_cells(Bytes &out, const std::vector<PatternCell> &cells)
{
    for (const PatternCell &c : cells) {
        const uint8_t note = c.note == NOTE_KEY_OFF ? 97 : c.note;
        const uint8_t fields[5] = {note, c.instrument, c.volume, c.effect, c.param};
        const size_t mask = out.size();
        put8(out, 0x80);  // packed: a bit for each field that follows
        for (int f = 0; f < 5; ++f)
            if (fields[f])
                out[mask] |= (uint8_t)(1 << f), put8(out, fields[f]);
    }
}

static void sample_header(Bytes &out, const XmSample &s)
{
    const uint32_t width = s.sixteen_bit ? 2 : 1;
    put32(out, s.declared_bytes ? s.declared_bytes : (uint32_t)s.values.size() * width);
    put32(out, s.loop_start * width), put32(out, s.loop_length * width);
    put(out, 1, {s.volume, 0 /* finetune */, s.loop_type | (s.sixteen_bit ? 0x10 : 0), s.panning,
                 (uint8_t)s.relative_note});
    put_zeros(out, 23);
}

// Deltas, as the format stores them; the writers keep their low bytes.
static void sample_data(Bytes &out, const XmSample &s)
{
    int previous = 0;
    for (int16_t v : s.values) {
        const int stored = s.sixteen_bit ? v : v >> 8;
        (s.sixteen_bit ? put16 : put8)(out, stored - previous);
        previous = stored;
    }
}

Bytes xm_build(const XmModule &m)
{
    const char *signature = "Extended Module: ";
    Bytes out(signature, signature + 17);
    put_zeros(out, 20), put8(out, 0x1A), put_zeros(out, 26);  // names, version, header size
    out[58] = 4, out[59] = 1, out[60] = 276 & 255, out[61] = 1;
    put(out, 2, {m.song_length >= 0 ? m.song_length : (int)m.orders.size(), m.restart, m.channels,
                 m.pattern_count >= 0 ? m.pattern_count : (int)m.patterns.size(),
                 m.instrument_count >= 0 ? m.instrument_count : (int)m.instruments.size(),
                 m.flags, m.speed, m.bpm});
    out.insert(out.end(), m.orders.begin(),
               m.orders.begin() + (ptrdiff_t)std::min<size_t>(m.orders.size(), 256));
    put_zeros(out, 336 - out.size());  // the orders end where the header size says

    for (const XmPattern &p : m.patterns) {
        Bytes packed = p.raw_packed;
        if (packed.empty())
            pack_cells(packed, p.cells);
        const int declared = p.packed_size >= 0 ? p.packed_size : (int)packed.size();
        if (declared > (int)packed.size())
            packed.resize((size_t)declared, 0xFF);
        put32(out, p.header_length), put8(out, 0), put(out, 2, {p.rows, declared});
        put_zeros(out, p.header_length > 9 ? p.header_length - 9 : 0);
        out.insert(out.end(), packed.begin(), packed.end());
    }

    for (const XmInstrument &ins : m.instruments) {
        int count = ins.sample_count >= 0 ? ins.sample_count : (int)ins.samples.size();
        size_t start = out.size();
        put32(out, count ? 263 : 29), put_zeros(out, 23), put16(out, count);
        if (count) {
            put32(out, 40);
            out.insert(out.end(), ins.sample_map, ins.sample_map + 96);
            for (size_t i = 0; i < 12; ++i) {
                EnvelopePoint p = i < ins.volume_envelope.size() ? ins.volume_envelope[i]
                                                                  : EnvelopePoint{};
                put(out, 2, {p.tick, p.value});
            }
            put_zeros(out, 48);  // panning envelope
            put(out, 1, {ins.point_count >= 0 ? ins.point_count : (int)ins.volume_envelope.size(),
                        0, ins.volume_sustain, ins.volume_loop_start, ins.volume_loop_end, 0, 0, 0,
                        ins.volume_type, 0, 0, 0, 0, 0});
            put16(out, ins.fadeout);
            put_zeros(out, start + 263 - out.size());
        }
        for (const XmSample &s : ins.samples)
            sample_header(out, s);
        for (const XmSample &s : ins.samples)
            sample_data(out, s);
    }
    return out;
}

Song *xm_load(const Bytes &bytes)
{
    if (!arena.base)
        arena_init();
    memsrc_set_data(bytes.data(), (uint32_t)bytes.size());
    set_file_callbacks(memsrc_open, memsrc_close, memsrc_read, memsrc_seek, memsrc_tell);
    return song_load("test");
}
