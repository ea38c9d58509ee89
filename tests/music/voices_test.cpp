// Volume envelopes and the conversion of channel state into voice gain, pan
// and resampling step.
#include <gtest/gtest.h>

#include <vector>

#include "music/voices.h"

namespace {

Instrument envelope(std::vector<EnvelopePoint> points, uint8_t type)
{
    Instrument ins = {};
    for (size_t i = 0; i < points.size(); ++i)
        ins.volume_envelope[i] = points[i];
    ins.volume_point_count = (uint8_t)points.size();
    ins.volume_type = type;
    return ins;
}

std::vector<int> run(Channel &ch, const Instrument &ins, int ticks)
{
    std::vector<int> values;
    for (int t = 0; t < ticks; ++t) {
        ch.update_flags = 0;
        if (!ch.envelope_done) {
            envelope_step(&ch, &ins);
            EXPECT_TRUE(ch.update_flags & UPDATE_VOLUME);
        }
        values.push_back(ch.envelope_volume);
    }
    return values;
}

TEST(Envelope, FallsLinearlyAndStopsAtTheLastPoint)
{
    Instrument ins = envelope({{0, 64}, {10, 0}}, ENVELOPE_ON);
    Channel ch = {};
    EXPECT_EQ(run(ch, ins, 11), (std::vector<int>{64, 57, 51, 44, 38, 32, 25, 19, 12, 6, 0}));
    EXPECT_EQ(ch.envelope_slope, -419430);
    EXPECT_EQ(ch.envelope_done, 1);
    EXPECT_EQ(run(ch, ins, 3), std::vector<int>(3, 0));
}

TEST(Envelope, LoopEndingOnTheLastPointKeepsLooping)
{
    Instrument ins = envelope({{0, 0}, {2, 32}, {4, 64}}, ENVELOPE_ON | ENVELOPE_LOOP);
    ins.volume_loop_start = 1;
    ins.volume_loop_end = 2;
    Channel ch = {};
    // At the loop end the loop start's value is output, then it climbs again.
    EXPECT_EQ(run(ch, ins, 8), (std::vector<int>{0, 16, 32, 48, 32, 48, 32, 48}));
    EXPECT_EQ(ch.envelope_done, 0);
}

class UpdateVoice : public ::testing::Test {
protected:
    Song song = {};
    Sample sample = {};
    Channel ch = {};
    void SetUp() override
    {
        voices_reset();
        output_rate = 44100;
        song.flags = SONG_LINEAR_FREQUENCIES;
        song.global_volume = 64;
        ch.voice = &voices[3];
        ch.volume = 64;
        ch.envelope_volume = 64;
        ch.fade_level = 65536;
        ch.panning = 128;
    }
    Voice &apply(uint8_t flags)
    {
        ch.update_flags = flags;
        update_voice(&ch, &sample, &song);
        return *ch.voice;
    }
};

TEST_F(UpdateVoice, PanningIsClampedForTheGainsButKept)
{
    ch.panning = 0;
    Voice &v = apply(UPDATE_VOLUME | UPDATE_PANNING);
    EXPECT_EQ(v.gain_left, 127);  // fully left from the first output sample
    EXPECT_EQ(v.gain_right, 0);
    ch.panning = 300;
    EXPECT_EQ(apply(UPDATE_PANNING).pan, 255);
    EXPECT_EQ(v.gain_left, 0);
    EXPECT_EQ(v.gain_right, 127);
    EXPECT_EQ(ch.panning, 300);
    ch.panning = -10;
    EXPECT_EQ(apply(UPDATE_PANNING).pan, 0);
}

TEST_F(UpdateVoice, NewNoteOnASoundingVoiceHandsItToThePartner)
{
    Sample other = {};
    ch.voice->sample = &other;
    ch.voice->pos_int = 77;
    apply(UPDATE_VOLUME | UPDATE_PANNING);
    Voice *old_voice = ch.voice;
    Voice &v = apply(UPDATE_TRIGGER | UPDATE_VOLUME);
    EXPECT_EQ(&v, &voices[35]);
    EXPECT_EQ(v.sample, &sample);
    EXPECT_EQ(v.pos_int, 0);
    EXPECT_EQ(v.ramp_level_left, 0);
    EXPECT_EQ(v.gain, 127);
    EXPECT_EQ(old_voice->sample, &other);
    EXPECT_EQ(old_voice->pos_int, 77);
    EXPECT_EQ(old_voice->gain_left, 0);  // ramps out
    // The next note goes back to voice 3; once that has stopped, it stays.
    EXPECT_EQ(&apply(UPDATE_TRIGGER), &voices[3]);
    voices[3].sample = nullptr;
    EXPECT_EQ(&apply(UPDATE_TRIGGER), &voices[3]);
}

}  // namespace
