// What the stored song must keep sounding like, measured where nobody can
// listen: the closing screen is not silent, the drums have a top end, one-shots
// die out instead of stopping on a step, the chorus is the loudest part and
// lifts halfway, and every syllable is heard on the row the mouth opens.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "base/arena.h"
#include "embedded_data.h"
#include "music/music.h"
#include "music/song.h"
#include "music/song_source.h"

namespace {

constexpr int RATE = 44100;
// M_PI is POSIX, not C++: MinGW leaves it out in a strict C++20 build.
constexpr double PI = 3.14159265358979323846;
constexpr int ROW_FRAMES = 4860;  // 6 ticks of 810 frames at 136 BPM
constexpr int VOICE_CHANNEL = 9;

struct Biquad {
    double b0, b1, b2, a1, a2;
};

std::vector<double> filtered(std::vector<double> x, const std::vector<Biquad> &sections)
{
    for (const Biquad &s : sections) {
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
        for (double &v : x) {
            const double y = s.b0 * v + s.b1 * x1 + s.b2 * x2 - s.a1 * y1 - s.a2 * y2;
            x2 = x1, x1 = v, y2 = y1, y1 = y, v = y;
        }
    }
    return x;
}

// An 8th-order Butterworth high-pass, so little below `fc` leaks into the share.
std::vector<Biquad> high_pass(double fc)
{
    const double k = std::tan(PI * fc / RATE);
    std::vector<Biquad> out;
    for (int i = 0; i < 4; ++i) {
        const double q = 1 / (2 * std::cos(PI * (2 * i + 1) / 16.0));
        const double n = 1 / (1 + k / q + k * k);
        out.push_back({n, -2 * n, n, 2 * (k * k - 1) * n, (1 - k / q + k * k) * n});
    }
    return out;
}

// The two stages loudness meters weight by (BS.1770), for 44.1 kHz.
std::vector<Biquad> k_weighting()
{
    double k = std::tan(PI * 1681.974450955533 / RATE), q = 0.7071752369554196;
    const double vh = std::pow(10.0, 3.999843853973347 / 20), vb = std::pow(vh, 0.4996667741545416);
    double a0 = 1 + k / q + k * k;
    const Biquad shelf = {(vh + vb * k / q + k * k) / a0, 2 * (k * k - vh) / a0,
                          (vh - vb * k / q + k * k) / a0, 2 * (k * k - 1) / a0,
                          (1 - k / q + k * k) / a0};
    k = std::tan(PI * 38.13547087602444 / RATE), q = 0.5003270373238773;
    a0 = 1 + k / q + k * k;
    return {shelf, {1, -2, 1, 2 * (k * k - 1) / a0, (1 - k / q + k * k) / a0}};
}

double energy(const std::vector<double> &x, int from, int to)
{
    double sum = 0;
    for (int i = from; i < to; ++i)
        sum += x[i] * x[i];
    return sum;
}

double db(double power) { return 10 * std::log10(power); }

struct Span {
    int from = -1, to = -1;
    void add(int frame) { from = from < 0 ? frame : from, to = frame + ROW_FRAMES; }
};

class SongFigures : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const std::string path = testing::TempDir() + "data_song_figures.wav";
        ASSERT_EQ(music_render_soundtrack(path.c_str(), 59.4, nullptr, 0), 1);
        FILE *f = std::fopen(path.c_str(), "rb");
        ASSERT_NE(f, nullptr);
        std::vector<int16_t> pcm(2 * RATE * 60);
        std::fseek(f, 44, SEEK_SET);
        pcm.resize(2 * std::fread(pcm.data(), 4, pcm.size() / 2, f));
        std::fclose(f);
        std::remove(path.c_str());
        for (size_t i = 0; i < pcm.size(); i += 2)
            left.push_back(pcm[i] / 32768.0);
    }
    void SetUp() override
    {
        ASSERT_EQ(arena_init(), 1);
        memsrc_set_data(EMBEDDED_SONG, EMBEDDED_SONG_SIZE);
        set_file_callbacks(memsrc_open, memsrc_close, memsrc_read, memsrc_seek, memsrc_tell);
        song = song_load("song");
        ASSERT_NE(song, nullptr);
        // The rows as they are heard, breaks followed, to order 10 row 32
        // where the intro ends; orders 2 and 6 (the chorus) also by halves.
        int order = 0, row = 0, frame = 0;
        while (order < 10 || row < 32) {
            played.push_back({order, row, frame});
            orders[order].add(frame);
            if (order == 2 || order == 6)
                halves[order == 6][row / 32].add(frame);
            if (order == 10 && row == 16)
                fade = frame;
            int next = row == 63 ? 64 : row + 1;
            for (int c = 0; c < song->channel_count; ++c)
                if (cell(order, row, c).effect == 0x0D)
                    next = 64 + cell(order, row, c).param / 16 * 10 + cell(order, row, c).param % 16;
            order += next >= 64, row = next % 64, frame += ROW_FRAMES;
        }
        ASSERT_LE((size_t)frame, left.size() + 1);
    }
    void TearDown() override
    {
        song_free(song);
        arena_release();
    }
    const PatternCell &cell(int order, int row, int channel) const
    {
        return song->patterns[song->order_table[order]].cells[row * song->channel_count + channel];
    }
    double level(const std::vector<double> &x, Span s) const
    {
        return db(2 * energy(x, s.from, s.to) / (s.to - s.from)) - 0.691;
    }

    static std::vector<double> left;  // the left channel, as a fraction of full scale
    Song *song = nullptr;
    struct Played {
        int order, row, frame;
    };
    std::vector<Played> played;
    Span orders[11], halves[2][2];
    int fade = 0;
};
std::vector<double> SongFigures::left;

// The closing screen has the last chord ringing under it up to its fade,
// quiet enough for the message to read as the end.
TEST_F(SongFigures, ClosingScreenHasSoundUntilTheFade)
{
    const int from = orders[9].from, to = (int)left.size();
    const double closing = db(energy(left, from, to) / (to - from));
    EXPECT_GT(closing, -35.0);
    EXPECT_LT(closing, -20.0);
    EXPECT_GT(db(energy(left, fade - RATE / 2, fade) / (RATE / 2)), -40.0);
}

// Hats, snares and cymbals reach past 8 kHz wherever the band plays a beat.
TEST_F(SongFigures, VerseAndChorusReachPast8kHz)
{
    const std::vector<double> high = filtered(left, high_pass(8000));
    for (int o : {1, 2, 5, 6})
        EXPECT_GT(energy(high, orders[o].from, orders[o].to),
                  0.02 * energy(left, orders[o].from, orders[o].to))
            << "order " << o;
}

TEST_F(SongFigures, ChorusIsTheLoudestSectionAndLiftsHalfway)
{
    const std::vector<double> k = filtered(left, k_weighting());
    const double chorus = std::min(level(k, orders[2]), level(k, orders[6]));
    for (int o : {0, 1, 3, 4, 5, 7, 8})
        EXPECT_GT(chorus, level(k, orders[o]) + 1.0) << "order " << o;
    for (const Span *h : halves)
        EXPECT_GT(level(k, h[1]), level(k, h[0]) + 1.0);
}

// A one-shot that stops above -60 dB of its peak ends on a step: a click.
TEST_F(SongFigures, OneShotsDieOutBeforeTheirEnd)
{
    int checked = 0;
    for (int i = 0; i < song->instrument_count; ++i) {
        const Sample *s = song->instruments[i].samples[0];
        if (s->length == 0 || s->loop_kind != LOOP_NONE)
            continue;
        int peak = 0, tail = 0;
        for (uint32_t k = 0; k < s->length; ++k) {
            peak = std::max(peak, std::abs((int)s->data[k]));
            if (k + 16 >= s->length)
                tail = std::max(tail, std::abs((int)s->data[k]));
        }
        EXPECT_LT(tail * 1000, peak) << "instrument " << i + 1;
        ++checked;
    }
    EXPECT_GE(checked, 20);
}

// The first point of a syllable's 5 ms envelope within 20 dB of its loudest,
// at the pitch it is played on, comes within 20 ms of its row.
TEST_F(SongFigures, EverySyllableIsHeardWithin20msOfItsRow)
{
    int syllables = 0;
    for (const Played &p : played) {
        const PatternCell &c = cell(p.order, p.row, VOICE_CHANNEL);
        if (c.note < 1 || c.note > 96 || c.instrument == 0)
            continue;
        const Sample *s = song->instruments[c.instrument - 1].samples[0];
        const double period = 7680 - 64.0 * (c.note + s->relative_note - 1) - s->finetune / 2;
        const double rate = 8363 * std::pow(2.0, (4608 - period) / 768);
        const int half = (int)(0.0025 * rate), n = (int)s->length;
        std::vector<double> power(n);
        for (int i = 0; i < n; ++i)
            for (int k = std::max(0, i - half); k <= std::min(n - 1, i + half); ++k)
                power[i] += (double)s->data[k] * s->data[k];
        const double loudest = *std::max_element(power.begin(), power.end());
        const int heard = (int)(std::find_if(power.begin(), power.end(),
                                             [&](double e) { return e >= 0.01 * loudest; }) -
                                power.begin());
        EXPECT_LT(1000.0 * heard / rate, 20.0) << "order " << p.order << " row " << p.row;
        ++syllables;
    }
    EXPECT_EQ(syllables, 59);
}

}  // namespace
