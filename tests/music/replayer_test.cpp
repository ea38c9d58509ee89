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

TEST(ReplayerBreaks, TargetRowsAreDecimal)
{
    for (auto [param, row] : {std::pair{0x32, 32}, {0x64, 0}, {0x1A, 20}}) {
        XmModule m = module_with(1, 1);
        m.orders = {0, 0};
        xm_cell(m.patterns[0], 1, 0, 0) = {0, 0, 0, 0x0D, (uint8_t)param};
        Loaded l(m);
        l.ticks(2);
        EXPECT_EQ(l.song->order, 1) << std::hex << param;
        EXPECT_EQ(l.song->row, row) << std::hex << param;
    }
}

TEST(ReplayerBreaks, HighestChannelWins)
{
    XmModule m = module_with(2, 1);
    m.orders = {0, 0};
    xm_cell(m.patterns[0], 2, 0, 0) = {0, 0, 0, 0x0D, 0x10};
    xm_cell(m.patterns[0], 2, 0, 1) = {0, 0, 0, 0x0D, 0x05};
    Loaded l(m);
    l.ticks(2);
    EXPECT_EQ(l.song->row, 5);
}

TEST(ReplayerBreaks, LastOrderBreaksToTheFirstOrderNotTheRestart)
{
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
}

TEST(ReplayerBreaks, RunningOffTheEndGoesToTheRestartPosition)
{
    XmModule m = module_with(1, 2, 2);
    m.orders = {0, 1};
    m.restart = 1;
    Loaded l(m);
    l.ticks(4);
    EXPECT_EQ(l.song->order, 1);
    EXPECT_EQ(l.song->row, 1);
    l.ticks(1);
    EXPECT_EQ(l.song->order, 1);
    EXPECT_EQ(l.song->row, 0);
}

TEST(ReplayerBreaks, ARowPastTheTargetPatternGoesToRowZero)
{
    XmModule m = module_with(1, 2);
    m.patterns[1] = xm_pattern(16, 1);
    m.orders = {0, 1};
    xm_cell(m.patterns[0], 1, 0, 0) = {0, 0, 0, 0x0D, 0x20};
    Loaded l(m);
    l.ticks(2);
    EXPECT_EQ(l.song->order, 1);
    EXPECT_EQ(l.song->row, 0);
}

TEST(ReplayerSpeed, FramesPerTickFollowTheTempo)
{
    Song song = {};
    output_rate = 44100;
    for (auto [bpm, frames] : {std::pair{125, 882}, {136, 810}, {32, 3445}, {255, 432}}) {
        set_bpm(&song, bpm);
        EXPECT_EQ(song.samples_per_tick, frames) << bpm;
    }
    for (int bpm = 1; bpm < 256; ++bpm) {
        set_bpm(&song, bpm);
        EXPECT_EQ(song.samples_per_tick, 44100 * 5 / (2 * bpm)) << bpm;
    }
    set_bpm(&song, 0);  // a header's tempo of 0 still gives a finite tick
    EXPECT_GT(song.samples_per_tick, 0);
}

TEST(ReplayerSpeed, SpeedAndTempoCommands)
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

TEST(ReplayerEffects, PortamentoMemoryPerDirection)
{
    XmModule m = module_with(1, 1);
    m.speed = 3;
    xm_cell(m.patterns[0], 1, 0, 0) = {NOTE_C4, 1, 0, 0x01, 4};
    xm_cell(m.patterns[0], 1, 1, 0) = {0, 0, 0, 0x01, 0};
    xm_cell(m.patterns[0], 1, 2, 0) = {0, 0, 0, 0x02, 0};
    Loaded l(m);
    l.ticks(1);
    EXPECT_EQ(channels[0].period, 4608);
    l.ticks(2);
    EXPECT_EQ(channels[0].period, 4608 - 32);
    l.ticks(3);  // 1xx with 00 reuses 4
    EXPECT_EQ(channels[0].period, 4608 - 64);
    l.ticks(3);  // 2xx has no memory of its own yet
    EXPECT_EQ(channels[0].period, 4608 - 64);
    EXPECT_EQ(channels[0].porta_up_memory, 4);
    EXPECT_EQ(channels[0].porta_down_memory, 0);
}

TEST(ReplayerEffects, PortamentoUpStopsAtPeriod56)
{
    XmModule m = module_with(1, 1);
    m.speed = 31;
    xm_cell(m.patterns[0], 1, 0, 0) = {96, 1, 0, 0x01, 0xFF};
    Loaded l(m);
    l.ticks(10);
    EXPECT_EQ(channels[0].period, 56);
}

TEST(ReplayerEffects, VolumeColumnSlidesClampBothWays)
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

TEST(ReplayerEffects, KeyOffWithoutEnvelopeSilencesAtOnce)
{
    XmModule m = module_with(1, 1);
    m.speed = 2;
    xm_cell(m.patterns[0], 1, 0, 0) = {NOTE_C4, 1, 0, 0, 0};
    xm_cell(m.patterns[0], 1, 1, 0) = {NOTE_KEY_OFF, 0, 0, 0, 0};
    Loaded l(m);
    l.ticks(2);
    EXPECT_EQ(channels[0].voice->gain, 123);  // volume 62: 62 x 255 / 128
    l.ticks(1);
    EXPECT_EQ(channels[0].key_off, 1);
    EXPECT_EQ(channels[0].envelope_volume, 0);
    EXPECT_EQ(channels[0].voice->gain, 0);
}

TEST(ReplayerEffects, KeyOffLeavesTheSustainAndStartsTheFade)
{
    XmModule m = module_with(1, 1);
    m.speed = 4;
    XmInstrument &ins = m.instruments[0];
    ins.volume_envelope = {{0, 64}, {10, 0}};
    ins.volume_type = ENVELOPE_ON | ENVELOPE_SUSTAIN;
    ins.volume_sustain = 0;
    ins.fadeout = 128;
    xm_cell(m.patterns[0], 1, 0, 0) = {NOTE_C4, 1, 0, 0, 0};
    xm_cell(m.patterns[0], 1, 2, 0) = {0, 0, 0, 0x14, 0};
    Loaded l(m);
    l.ticks(8);
    EXPECT_EQ(channels[0].envelope_volume, 64);
    EXPECT_EQ(channels[0].fade_level, 65536);
    l.ticks(1);  // key-off tick: the sustain is left, the value is still 64
    EXPECT_EQ(channels[0].envelope_volume, 64);
    EXPECT_EQ(channels[0].fade_level, 65536 - 256);
    l.ticks(1);
    EXPECT_EQ(channels[0].envelope_volume, 57);
    EXPECT_EQ(channels[0].fade_level, 65536 - 512);
}

TEST(ReplayerEffects, NoteWithoutInstrumentAfterKeyOffStaysSilent)
{
    XmModule m = module_with(1, 1);
    xm_cell(m.patterns[0], 1, 0, 0) = {NOTE_C4, 1, 0, 0, 0};
    xm_cell(m.patterns[0], 1, 1, 0) = {NOTE_KEY_OFF, 0, 0, 0, 0};
    xm_cell(m.patterns[0], 1, 2, 0) = {NOTE_C4 + 12, 0, 0, 0, 0};
    Loaded l(m);
    l.ticks(3);
    EXPECT_EQ(channels[0].period, 4608 - 768);
    EXPECT_EQ(channels[0].voice->gain, 0);
}

TEST(ReplayerEffects, InstrumentOutOfRangeSilencesTheNote)
{
    XmModule m = module_with(1, 1);
    xm_cell(m.patterns[0], 1, 0, 0) = {NOTE_C4, 5, 0, 0, 0};
    Loaded l(m);
    l.ticks(1);
    EXPECT_EQ(channels[0].voice->sample, &EMPTY_SAMPLE);
}

TEST(ReplayerEffects, TonePortamentoKeepsPitchButRetriggers)
{
    XmModule m = module_with(1, 1);
    xm_cell(m.patterns[0], 1, 0, 0) = {NOTE_C4, 1, 0, 0, 0};
    xm_cell(m.patterns[0], 1, 1, 0) = {NOTE_C4 + 12, 1, 0, 0x03, 0x10};
    Loaded l(m);
    l.ticks(1);
    Voice *first = channels[0].voice;
    l.ticks(1);
    EXPECT_EQ(channels[0].period, 4608);
    EXPECT_EQ(channels[0].note, NOTE_C4 - 1);
    EXPECT_NE(channels[0].voice, first);  // restarted on the partner voice
    EXPECT_EQ(channels[0].voice->pos_int, 0);
}

TEST(ReplayerEffects, FirstNoteUnderTonePortamentoHasNoPitchAndHolds)
{
    XmModule m = module_with(2, 1);
    m.instruments[0].sample_map[60] = 200;  // no such sample: silent
    xm_cell(m.patterns[0], 2, 0, 0) = {NOTE_C4, 1, 0, 0x03, 0x10};
    xm_cell(m.patterns[0], 2, 0, 1) = {61, 1, 0, 0, 0};
    Loaded l(m);
    ASSERT_TRUE(output_begin(l.song));  // two seconds mixed with a zero step
    EXPECT_EQ(channels[0].period, 0);
    EXPECT_EQ(channels[0].voice->step_int, 0);
    EXPECT_EQ(channels[0].voice->step_frac, 0u);
    EXPECT_EQ(channels[0].voice->pos_int, 0);
    EXPECT_NE(channels[0].voice->sample, nullptr);
    EXPECT_EQ(channels[1].voice->sample, nullptr);  // the empty sample stopped at once
    song_stop(l.song);
}

TEST(ReplayerEffects, VolumeColumnPanSlidesAndTonePortaFlag)
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
