// The replayer's row and order movement and commands, volume envelopes, and
// what reaches the voices.
#include <gtest/gtest.h>

#include "music/mixer.h"
#include "music/output.h"
#include "music/replayer.h"
#include "music/voices.h"
#include "xm_builder.h"

constexpr int NOTE_C4 = 49;  // period 7680 - 64 * 48 = 4608
Sample decoy;                // where a read past a table's end lands in the tests below

Song *advance(Song *song, int ticks)
{
    while (ticks--)
        song_tick(song);
    return song;
}

// Loads the module and plays its first ticks; the song lives until the next load.
Song *play(const XmModule &m, int ticks)
{
    static Song *song;
    song_free(song), song = xm_load(xm_build(m)), song_rewind(song);
    return advance(song, ticks);
}

// Speed 1, one looped instrument at volume 62.
XmModule module_with(int channels, int patterns, int rows = 64)
{
    output_set_rate(44100);
    XmModule m;
    m.channels = channels, m.speed = 1, m.patterns.assign(patterns, xm_pattern(rows, channels));
    XmSample s = xm_sample_8bit(std::vector<int8_t>(64, 50));
    s.loop_type = 1, s.loop_length = 64, s.volume = 62;
    m.instruments = {xm_instrument(s)};
    return m;
}

void put(XmModule &m, int pattern, int row, int channel, PatternCell cell)
{
    xm_cell(m.patterns[pattern], m.channels, row, channel) = cell;
}

// Row and order movement: where a song stands after some ticks.
TEST(Replayer, BreaksSpeedTempoAndTheSongsEnd)
{
    struct Effect { int pattern, row, effect, param; };
    const struct {
        int speed, rows, restart;
        std::vector<uint8_t> orders;
        std::vector<Effect> effects;
        int ticks, order, row, samples_per_tick;
    } cases[] = {
        // Decimal break rows; past 63, or past the target pattern's rows, row 0.
        {1, 25, 0, {0, 1}, {{0, 0, 0x0D, 0x24}}, 2, 1, 24, 882},
        {1, 25, 0, {0, 1}, {{0, 0, 0x0D, 0x25}}, 2, 1, 0, 882},
        {1, 128, 0, {0, 1}, {{0, 0, 0x0D, 0x64}}, 2, 1, 0, 882},
        // A break on the last order goes to the first, not to the restart position;
        {1, 64, 1, {0, 0, 1}, {{0, 0, 0x0D, 0}, {1, 0, 0x0D, 5}}, 4, 0, 5, 882},
        // running off the end of the last pattern goes there.
        {1, 2, 1, {0, 1}, {}, 5, 1, 0, 882},
        // F05 counts on its own row (rows 0 and 1 take 5 ticks each); F20 is BPM
        // 32; F00 makes every tick a row tick. F1F is the slowest speed.
        {6, 64, 0, {0}, {{0, 0, 0x0F, 5}, {0, 1, 0x0F, 0x20}, {0, 2, 0x0F, 0}}, 13, 0, 4, 3445},
        {6, 64, 0, {0}, {{0, 0, 0x0F, 0x1F}}, 31, 0, 0, 882},
    };
    for (const auto &c : cases) {
        XmModule m = module_with(1, 2, c.rows);
        m.speed = c.speed, m.restart = c.restart, m.orders = c.orders;
        for (Effect e : c.effects)
            put(m, e.pattern, e.row, 0, {0, 0, 0, (uint8_t)e.effect, (uint8_t)e.param});
        const Song *s = play(m, c.ticks);
        EXPECT_EQ(std::tuple(s->order, s->row, s->samples_per_tick),
                  std::tuple(c.order, c.row, c.samples_per_tick)) << (&c - cases);
    }
    // A header's tempo of 0 plays as 1; a tick has at least one frame.
    Song song = {};
    set_bpm(&song, 0);
    const int slow = song.samples_per_tick;
    output_set_rate(1000), set_bpm(&song, 32767);
    EXPECT_EQ(std::tuple(song.bpm, slow, song.samples_per_tick), std::tuple(32767, 110250, 1));
    output_set_rate(44100);
}

TEST(Replayer, VolumeColumnAndPortamentoEdges)
{
    XmModule m = module_with(3, 1);
    m.speed = 3, m.instruments.push_back(m.instruments[0]), m.instruments[1].samples[0].volume = 3;
    put(m, 0, 0, 0, {NOTE_C4, 1, 0x95, 0x01, 4});  // slides clamp both ways
    put(m, 0, 0, 1, {NOTE_C4, 2, 0x65, 0, 0});
    put(m, 0, 0, 2, {NOTE_C4, 3, 0, 0, 0});       // no such instrument: silent
    put(m, 0, 1, 0, {0, 0, 0, 0x01, 0});          // 1xx with 00 reuses 4
    put(m, 0, 2, 0, {0, 0, 0, 0x02, 0});          // 2xx has no memory of its own yet
    put(m, 0, 3, 0, {0, 0, 0, 0x01, 0xFF});
    put(m, 0, 4, 0, {0, 0, 0, 0x02, 0xFF});
    Song *song = play(m, 0);
    // The loader keeps a zeroed record after the last instrument: a decoy
    // there shows a read of it instead of a crash.
    song->instruments[2].samples[0] = &decoy;
    advance(song, 1);
    EXPECT_EQ(std::tuple(channels[0].volume, channels[1].volume, channels[2].voice->sample),
              std::tuple(64, 0, &EMPTY_SAMPLE));
    advance(song, 5);
    EXPECT_EQ(std::pair(channels[1].volume, channels[0].period), std::pair(0, 4608 - 64));
    advance(song, 3);
    EXPECT_EQ(channels[0].period, 4608 - 64);
    // Slides stop at the shortest and longest periods, landing one past them;
    // below 100 Hz the voice stays at 100.
    advance(song, 1), channels[0].period = 55 + 2 * 4 * 255, advance(song, 2);
    EXPECT_EQ(channels[0].period, 56);
    advance(song, 1), channels[0].period = (1 << 24) + 1 - 2 * 4 * 255, advance(song, 2);
    EXPECT_EQ(std::tuple(channels[0].period, channels[0].voice->step_int,
                         channels[0].voice->step_frac),
              std::tuple(1 << 24, 0, 9739154u));  // 100 / 44100 frames a frame
}

// A sample map entry past the instrument's 16 samples plays nothing; a first
// note under tone portamento has no period to start from, so its voice holds
// still at the sample's first frame.
TEST(Replayer, SampleMapPastSixteenAndAFirstNoteUnderTonePortamento)
{
    XmModule m = module_with(1, 1);
    put(m, 0, 0, 0, {NOTE_C4, 1, 0, 0x03, 0x10});
    const Sample *first = play(m, 1)->instruments[0].samples[0];
    float out[2 * 100];
    mix_voices(out, 100);
    const Voice &v = *channels[0].voice;
    EXPECT_EQ(std::tuple(v.sample, v.pos_int, v.pos_frac, v.step_int, v.step_frac),
              std::tuple(first, 0, 0u, 0, 0u));
    // The 16 slots are followed by the map: a decoy's address in its first
    // bytes shows a read of a 17th slot instead of a crash.
    m.instruments[0].sample_map[NOTE_C4 - 1] = 16;
    put(m, 0, 0, 0, {NOTE_C4, 1, 0, 0, 0});
    Song *song = play(m, 0);
    const Sample *address = &decoy;
    memcpy(song->instruments[0].sample_map, &address, sizeof address);
    advance(song, 1);
    EXPECT_EQ(channels[0].sample, &EMPTY_SAMPLE);
}

// A relative note can move a note out of the ten octaves periods exist for
// (and a byte would wrap it round): it stops at the nearest end.
TEST(Replayer, NotesBeyondTheTenOctavesStopAtTheirEnds)
{
    for (std::array<int, 3> c : {std::array{NOTE_C4, 0, 4608}, {1, -1, 7680}, {1, -128, 7680},
                                 {96, 23, 128}, {96, 25, 64}, {96, 127, 64}}) {
        XmModule m = module_with(1, 1);
        m.instruments[0].samples[0].relative_note = (int8_t)c[1];
        put(m, 0, 0, 0, {(uint8_t)c[0], 1, 0, 0, 0});
        play(m, 1);
        EXPECT_EQ(channels[0].period, c[2]) << c[0] << " " << c[1];
    }
}

// Without an envelope a key-off silences at once (62 x 255 / 128 before),
// and the fade stops at 0.
TEST(Replayer, KeyOffWithoutAnEnvelope)
{
    XmModule m = module_with(1, 1);
    m.speed = 4, m.instruments[0].fadeout = 0x7FFF;  // gone in two ticks
    put(m, 0, 0, 0, {NOTE_C4, 1, 0, 0, 0});
    put(m, 0, 1, 0, {NOTE_KEY_OFF, 0, 0, 0, 0});
    Song *song = play(m, 4);
    const int before = channels[0].voice->gain, after = (advance(song, 1), channels[0].voice->gain);
    advance(song, 5);
    EXPECT_EQ(std::tuple(before, after, channels[0].fade_level), std::tuple(123, 0, 0));
}

// The envelope's value tick by tick from its start.
std::vector<int> run_envelope(std::vector<EnvelopePoint> points, uint8_t type, int ticks)
{
    Instrument ins = {};
    std::copy(points.begin(), points.end(), ins.volume_envelope);
    ins.volume_point_count = (uint8_t)points.size(), ins.volume_type = type;
    ins.volume_loop_start = 1, ins.volume_loop_end = 2;
    Channel ch = {};
    std::vector<int> values;
    while (ticks--) {
        if (!ch.envelope_done)
            envelope_step(&ch, &ins);
        values.push_back(ch.envelope_volume);
    }
    return values;
}

TEST(Envelope, StopsAtTheLastPointLoopsAndRunsBackwards)
{
    EXPECT_EQ(run_envelope({{0, 64}, {10, 0}}, ENVELOPE_ON, 12),
              (std::vector<int>{64, 57, 51, 44, 38, 32, 25, 19, 12, 6, 0, 0}));
    // At the loop end the loop start's value is output, then it climbs again.
    EXPECT_EQ(run_envelope({{0, 0}, {2, 32}, {4, 64}}, ENVELOPE_ON | ENVELOPE_LOOP, 7),
              (std::vector<int>{0, 16, 32, 48, 32, 48, 32}));
    // Two points on one tick: the first holds, as the second is never reached.
    EXPECT_EQ(run_envelope({{0, 64}, {0, 10}, {5, 0}}, ENVELOPE_ON, 3), std::vector<int>(3, 64));
    // Ticks that run backwards slide on for ever, held inside 0..64.
    EXPECT_EQ(run_envelope({{0, 0}, {4, 32}, {2, 0}}, ENVELOPE_ON, 8),
              (std::vector<int>{0, 8, 16, 24, 32, 48, 64, 64}));
}

// A channel's own records: a sample louder than the format allows is held
// at 64; volume bytes 10..50 set 0..64, the bytes either side do nothing; a
// pan slide below 0 is kept, as update_voice holds the voice's pan inside
// 0..255; a period far below any note plays at 2^31 - 1 Hz at most.
TEST(Channel, VolumeColumnPanningAndFrequencyClamps)
{
    Channel ch = {};
    Sample loud = {};
    loud.volume = 200, channel_instrument_reset(&ch, &loud);  // a sample the loader did not check
    EXPECT_EQ(ch.volume, 64);
    for (std::array<int, 2> c : {std::array{0x0F, 64}, {0x10, 0}, {0x50, 64}, {0x51, 64}}) {
        ch.volume = 64, apply_volume_column(&ch, (uint8_t)c[0]);
        EXPECT_EQ(ch.volume, c[1]) << c[0];
    }
    ch.panning = 8, ch.update_flags = UPDATE_TRIGGER | UPDATE_VOLUME;
    apply_volume_column(&ch, 0xDF), apply_volume_column(&ch, 0xF4);  // a portamento: no restart
    EXPECT_EQ(std::pair(ch.panning, (int)ch.update_flags),
              std::pair(-7, UPDATE_VOLUME | UPDATE_PANNING));
    voices_reset(), output_rate = 44100;
    Song song = {};
    song.flags = SONG_LINEAR_FREQUENCIES, song.global_volume = 64;
    ch.voice = &voices[3], ch.envelope_volume = 64, ch.fade_level = 65536, ch.period = -20000;
    for (std::array<int, 4> c : {std::array{-7, 0, 127, 0}, {300, 255, 0, 127}}) {
        ch.panning = c[0], ch.update_flags = UPDATE_VOLUME | UPDATE_PANNING | UPDATE_FREQUENCY;
        update_voice(&ch, &loud, &song);
        const Voice &v = voices[3];
        EXPECT_EQ((std::array{v.pan, v.gain_left, v.gain_right, v.step_int}),
                  (std::array{c[1], c[2], c[3], 48695}));
    }
}
