// The replayer: row and order movement, speed and tempo, the command set and
// what reaches the channels.
#include <gtest/gtest.h>

#include "music/output.h"
#include "music/replayer.h"
#include "xm_builder.h"

namespace {

constexpr int NOTE_C4 = 49;  // file note; period 7680 - 64 * 48 = 4608

struct Loaded {
    Song *song;
    explicit Loaded(const XmModule &m) : song(xm_load(xm_build(m)))
    {
        if (song)
            song_rewind(song);
    }
    ~Loaded() { song_free(song); }
    void ticks(int n)
    {
        for (int i = 0; i < n; ++i)
            song_tick(song);
    }
};

XmModule module_with(int channels, int patterns, int rows = 64)
{
    output_set_rate(44100);
    XmModule m;
    m.channels = channels;
    m.speed = 1;
    for (int p = 0; p < patterns; ++p)
        m.patterns.push_back(xm_pattern(rows, channels));
    XmSample s = xm_sample_8bit(std::vector<int8_t>(64, 50));
    s.loop_type = 1;
    s.loop_start = 0;
    s.loop_length = 64;
    s.volume = 62;
    m.instruments.push_back(xm_instrument(s));
    return m;
}

TEST(Replayer, BreaksAndTheSongsEnd)
{
    // Decimal rows; past 63, or past the target pattern's rows, row 0.
    for (auto [param, row] : {std::pair{0x1A, 20}, {0x24, 24}, {0x25, 0}, {0x64, 0}}) {
        XmModule m = module_with(1, 2);
        m.patterns[1] = xm_pattern(25, 1);
        m.orders = {0, 1};
        xm_cell(m.patterns[0], 1, 0, 0) = {0, 0, 0, 0x0D, (uint8_t)param};
        Loaded l(m);
        l.ticks(2);
        EXPECT_EQ(l.song->order, 1) << std::hex << param;
        EXPECT_EQ(l.song->row, row) << std::hex << param;
    }
    // From the last order to the first, not to the restart position.
    XmModule m = module_with(1, 2);
    m.orders = {0, 0, 1};
    m.restart = 1;
    xm_cell(m.patterns[0], 1, 0, 0) = {0, 0, 0, 0x0D, 0};
    xm_cell(m.patterns[1], 1, 0, 0) = {0, 0, 0, 0x0D, 0x05};
    Loaded l(m);
    l.ticks(3);
    EXPECT_EQ(l.song->order, 2);
    l.ticks(1);
    EXPECT_EQ(l.song->order, 0);
    EXPECT_EQ(l.song->row, 5);

    // Running off the end of the last pattern goes to the restart position.
    XmModule end = module_with(1, 2, 2);
    end.orders = {0, 1};
    end.restart = 1;
    Loaded e(end);
    e.ticks(5);
    EXPECT_EQ(e.song->order, 1);
    EXPECT_EQ(e.song->row, 0);
}

TEST(Replayer, SpeedAndTempoCommands)
{
    XmModule m = module_with(1, 1);
    m.speed = 6;
    xm_cell(m.patterns[0], 1, 0, 0) = {0, 0, 0, 0x0F, 0x05};
    xm_cell(m.patterns[0], 1, 1, 0) = {0, 0, 0, 0x0F, 0x20};
    xm_cell(m.patterns[0], 1, 2, 0) = {0, 0, 0, 0x0F, 0x00};
    Loaded l(m);
    l.ticks(5);
    EXPECT_EQ(l.song->row, 0);  // F05 already counts on its own row
    l.ticks(1);
    EXPECT_EQ(l.song->row, 1);
    EXPECT_EQ(l.song->bpm, 32);
    EXPECT_EQ(l.song->samples_per_tick, 3445);
    l.ticks(5);
    EXPECT_EQ(l.song->row, 2);
    EXPECT_EQ(l.song->speed, 0);
    l.ticks(1);  // F00: every tick is a row tick
    EXPECT_EQ(l.song->row, 3);
    l.ticks(1);
    EXPECT_EQ(l.song->row, 4);
}

TEST(Replayer, VolumeColumnSlidesClampBothWays)
{
    XmModule m = module_with(2, 1);
    m.speed = 3;
    m.instruments.push_back(m.instruments[0]);
    m.instruments[1].samples[0].volume = 3;
    xm_cell(m.patterns[0], 2, 0, 0) = {NOTE_C4, 1, 0x95, 0, 0};
    xm_cell(m.patterns[0], 2, 0, 1) = {NOTE_C4, 2, 0x65, 0, 0};
    Loaded l(m);
    l.ticks(1);
    EXPECT_EQ(channels[0].volume, 64);
    EXPECT_EQ(channels[1].volume, 0);
    l.ticks(2);
    EXPECT_EQ(channels[1].volume, 0);
}

TEST(Replayer, KeyOffWithAndWithoutAnEnvelope)
{
    XmModule m = module_with(2, 1);
    m.speed = 4;
    m.instruments.push_back(m.instruments[0]);  // instrument 2: no envelope
    XmInstrument &ins = m.instruments[0];
    ins.volume_envelope = {{0, 64}, {10, 0}};
    ins.volume_type = ENVELOPE_ON | ENVELOPE_SUSTAIN;
    ins.volume_sustain = 0;
    ins.fadeout = 128;
    xm_cell(m.patterns[0], 2, 0, 0) = {NOTE_C4, 1, 0, 0, 0};
    xm_cell(m.patterns[0], 2, 2, 0) = {0, 0, 0, 0x14, 0};
    xm_cell(m.patterns[0], 2, 0, 1) = {NOTE_C4, 2, 0, 0, 0};
    xm_cell(m.patterns[0], 2, 1, 1) = {NOTE_KEY_OFF, 0, 0, 0, 0};
    Loaded l(m);
    l.ticks(4);
    EXPECT_EQ(channels[1].voice->gain, 123);  // volume 62: 62 x 255 / 128
    l.ticks(1);  // without an envelope the key-off silences at once
    EXPECT_EQ(channels[1].envelope_volume, 0);
    EXPECT_EQ(channels[1].voice->gain, 0);
    l.ticks(3);
    EXPECT_EQ(channels[0].envelope_volume, 64);
    EXPECT_EQ(channels[0].fade_level, 65536);
    l.ticks(1);  // key-off tick: the sustain is left, the value is still 64
    EXPECT_EQ(channels[0].envelope_volume, 64);
    EXPECT_EQ(channels[0].fade_level, 65536 - 256);
    l.ticks(1);
    EXPECT_EQ(channels[0].envelope_volume, 57);
    EXPECT_EQ(channels[0].fade_level, 65536 - 512);
}

TEST(Replayer, PortamentoMemoryPerDirection)
{
    XmModule m = module_with(1, 1);
    m.speed = 3;
    xm_cell(m.patterns[0], 1, 0, 0) = {NOTE_C4, 1, 0, 0x01, 4};
    xm_cell(m.patterns[0], 1, 1, 0) = {0, 0, 0, 0x01, 0};
    xm_cell(m.patterns[0], 1, 2, 0) = {0, 0, 0, 0x02, 0};
    Loaded l(m);
    l.ticks(6);  // 1xx with 00 reuses 4
    EXPECT_EQ(channels[0].period, 4608 - 64);
    l.ticks(3);  // 2xx has no memory of its own yet
    EXPECT_EQ(channels[0].period, 4608 - 64);
}

TEST(Replayer, FirstNoteUnderTonePortamentoHoldsAndMissingSoundsAreSilent)
{
    XmModule m = module_with(3, 1);
    m.instruments[0].sample_map[60] = 200;  // no such sample
    xm_cell(m.patterns[0], 3, 0, 0) = {NOTE_C4, 1, 0, 0x03, 0x10};
    xm_cell(m.patterns[0], 3, 0, 1) = {61, 1, 0, 0, 0};
    xm_cell(m.patterns[0], 3, 0, 2) = {NOTE_C4, 5, 0, 0, 0};  // no such instrument
    Loaded l(m);
    l.ticks(1);
    EXPECT_EQ(channels[2].voice->sample, &EMPTY_SAMPLE);
    ASSERT_TRUE(output_begin(l.song));  // two seconds mixed with a zero step
    EXPECT_EQ(channels[0].period, 0);
    EXPECT_EQ(channels[0].voice->step_int, 0);
    EXPECT_EQ(channels[0].voice->step_frac, 0u);
    EXPECT_EQ(channels[0].voice->pos_int, 0);
    EXPECT_NE(channels[0].voice->sample, nullptr);
    EXPECT_EQ(channels[1].voice->sample, nullptr);  // the empty sample stopped at once
    EXPECT_EQ(channels[2].voice->sample, nullptr);
    song_stop(l.song);
}

TEST(Replayer, VolumeColumnPanSlidesAndTonePortaFlag)
{
    Channel ch = {};
    ch.panning = 8;
    apply_volume_column(&ch, 0xDF);
    EXPECT_EQ(ch.panning, -7);  // kept unclamped; update_voice clamps
    ch.update_flags = UPDATE_TRIGGER | UPDATE_VOLUME;
    apply_volume_column(&ch, 0xF4);  // pitch changes without a restart
    EXPECT_EQ(ch.update_flags, UPDATE_VOLUME);
}

}  // namespace
