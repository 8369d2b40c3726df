// Practising with the song: speed, the loop and the trainer heard in the
// offline render (the render loop `strumwell render` runs, 256-frame buffers,
// one playback pass before each, so a note sounds from the first buffer that
// starts at or after its time), the click and its count-in, and what a take
// played over a slowed or looped song stores.
#include <cmath>

#include "RecorderTestSupport.h"
#include "recorder/SongOptions.h"
#include "storage/RenderCommand.h"
#include "support/SampleBundle.h"
#include "system/OfflineAudioOutput.h"

namespace {

constexpr double kRate = 44100.0;

// A song of short notes at the given times, in order (slot 10 holds a
// constant sample; each note lasts 20 ms) at the default beat (120, four to
// the bar) rendered offline with the practice controls set as given.
struct Rendering {
    testsupport::TempFolder folder{"strumwell-practice"};
    ManualClock clock{0.0};
    int bufferFrames;
    OfflineAudioOutput output{bufferFrames};
    SoundEngine engine{nullptr, &output, folder.str(), clock};
    Recorder rec{nullptr, &engine, clock, false};
    SongOptions options;

    Rendering(std::initializer_list<double> downs, int buffer = 256) : bufferFrames(buffer) {
        testsupport::writeFile(folder.file("c.wav"), testsupport::wavBytes(std::vector<int16_t>(8820, 8000)));
        engine.loadSampleAtSlot(10, "c.wav");
        Song song;
        song.events.emplace();
        int id = 0;
        for (double t : downs) {
            song.events->notes.emplace_back(10, 0.8f, t, 1, id, -5e-4, 0.0);
            song.events->notes.emplace_back(t + 0.02, id++, 0.0);
        }
        rec.load(song);
        rec.setSongOptions(&options);
    }
    std::vector<int16_t> render(const RenderCommand::PlayOptions& play, double seconds) {
        std::vector<int16_t> out;
        RenderCommand::renderLoop(
            engine, rec, clock, output, bufferFrames, uint64_t(seconds * kRate),
            [&out](const int16_t* b, uint64_t n, uint64_t, uint64_t) {
                out.insert(out.end(), b, b + 2 * n);
                return true;
            },
            play);
        return out;
    }
};

// The frames (left channel) where sound starts after at least 1000 silent ones.
std::vector<size_t> onsets(const std::vector<int16_t>& v, int threshold = 100) {
    std::vector<size_t> out;
    size_t quiet = 1000;
    for (size_t f = 0; f < v.size() / 2; ++f) {
        const bool loud = std::abs(v[2 * f]) > threshold;
        if (loud && quiet >= 1000)
            out.push_back(f);
        quiet = loud ? 0 : quiet + 1;
    }
    return out;
}

} // namespace

// Notes at song time t sound at t / speed, from the buffer that starts there;
// the loop [A, B) plays the note on A in every pass and never the one on B,
// loops at a B past the song's end (silence up to it), and the trainer raises
// the speed by a step each pass up to its target.
TEST(Practice, SpeedLoopAndTrainerPlaceEveryNoteInTheRender) {
    struct Case {
        const char* what;
        std::initializer_list<double> downs;
        RenderCommand::PlayOptions play;
        int trainerTarget;
        std::vector<double> expected; // real seconds of each onset
    } cases[] = {
        {"100%", {0.1, 0.35, 0.6}, {}, 0, {0.1, 0.35, 0.6}},
        {"50%", {0.1, 0.35, 0.6}, {50}, 0, {0.2, 0.7, 1.2}},
        {"150%", {0.1, 0.35, 0.6}, {150}, 0, {0.1 / 1.5, 0.35 / 1.5, 0.4}},
        {"A, B notes", {0.25, 0.5, 0.75, 1.0}, {100, true, 0.25, 0.75, 3}, 0, {0, 0.25, 0.5, 0.75, 1, 1.25}},
        {"B past the end", {0.25, 0.5}, {100, true, 0.25, 1.0, 2}, 0, {0.0, 0.25, 0.75, 1.0}},
        {"trainer", {0.0}, {50, true, 0.0, 0.5, 4}, 60, {0, 1, 1 + 0.5 / 0.55, 1 + 0.5 / 0.55 + 0.5 / 0.6}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Rendering r(c.downs);
        r.rec.setTrainer(c.trainerTarget > 0, c.trainerTarget);
        std::vector<size_t> expected;
        for (double t : c.expected) // the first buffer start at or after t
            expected.push_back(size_t(std::ceil(t * kRate / 256)) * 256);
        EXPECT_EQ(onsets(r.render(c.play, c.expected.back() + 1.0)), expected);
        EXPECT_EQ(r.rec.loopPasses(), c.play.loop ? c.play.passes : 0);
        EXPECT_EQ(r.rec.speedPercent(), c.trainerTarget ? c.trainerTarget : c.play.speedPercent);
    }
}

// A loop shorter than one buffer (4096 frames here) wraps as often as the
// song passed its end: six passes of 50 ms end the render's playback in the
// fourth buffer, and the note on A sounds in each buffer until then.
TEST(Practice, ALoopShorterThanABufferStillLoops) {
    Rendering r({0.25, 0.5}, 4096);
    const std::vector<int16_t> v = r.render({100, true, 0.25, 0.30, 6}, 0.5);
    EXPECT_EQ(r.rec.loopPasses(), 6);
    for (size_t b = 0; b < 4; ++b)
        EXPECT_NE(v[2 * (b * 4096 + 10)], 0) << "buffer " << b;
    EXPECT_EQ(onsets(v), std::vector<size_t>{0});
}

// The click (tempo 120, four beats a bar) with --click: a burst from every
// beat's frame, the first of the bar louder, silence between; at 50 % the
// beats are twice as far apart. (Without it the renders above hear only notes.)
TEST(Practice, TheClickSoundsOnTheBeatsWhenAskedFor) {
    for (const int speed : {100, 50}) {
        SCOPED_TRACE(speed);
        Rendering r({9.0});
        const std::vector<int16_t> v = r.render({speed, false, 0, 0, 2, true}, 4.2);
        const size_t beat = size_t(22050 * 100 / speed);
        std::vector<size_t> expected;
        for (size_t b = 0; b * beat < v.size() / 2; ++b)
            expected.push_back(b * beat + 1); // the burst is a sine: 0 on its first frame
        EXPECT_EQ(onsets(v, 0), expected);
        const auto peak = [&v](size_t f) { // of the burst from frame f
            return int(*std::max_element(v.begin() + 2 * f, v.begin() + 2 * (f + Metronome::kClickFrames)));
        };
        EXPECT_GT(peak(0), peak(beat) * 3 / 2); // the accent
        EXPECT_GT(peak(beat), 3000);
        EXPECT_EQ(peak(4 * beat), peak(0));
    }
}

// A take lands at the song time it was played over: real time × speed after
// the start (after the count-in: one bar at tempo × speed, during which the
// state reads "recording", the beats left count down and notes are not
// kept), inside the loop at its place in [A, B). Changing the speed while
// playing goes on from where the song is. The click is never part of the song.
TEST(Practice, TakesLandAtSongTimeAfterTheCountIn) {
    const char* const kTake = "+1/10@0.2o1 +2/10@0.5o1 -1@0.6 -2@0.6 +0/10@3 -0@3.1";
    struct Case {
        int speed;
        bool loop, click;
        double countIn;             // real seconds
        std::vector<double> played; // real seconds after the count-in
        const char* song;
    } cases[] = {
        {50, false, false, 0.0, {0.4, 1.0}, kTake},
        {50, false, true, 4.0 * 0.5 / 0.5, {0.4, 1.0}, kTake},
        // A note held over the loop's end ends just before it.
        {100, true, false, 0.0, {0.3, 0.65}, "+2/10@1.15o1 -2@1.25 +1/10@1.3o1 -1@1.5 +0/10@3 -0@3.1"},
        {200, false, true, 4.0 * 0.5 / 2.0, {0.1, 0.25}, kTake},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(fmt("%d%% loop %d click %d", c.speed, c.loop, c.click));
        Rig r;
        SongOptions options;
        r.rec.setSongOptions(&options);
        r.load(SongBytes(1).down(3.0, 0).up(3.1, 0).version2());
        r.rec.setSpeedPercent(c.speed);
        r.rec.setLoop(1.0, 1.5);
        r.rec.setLoopOn(c.loop);
        r.rec.setClickOn(c.click);
        r.record();
        EXPECT_EQ(r.rec.countInBeatsLeft(), c.click ? 4 : 0);
        if (c.click) {
            EXPECT_EQ(r.at(c.countIn * 0.6).substr(0, 4), "2 e0");
            EXPECT_EQ(r.rec.countInBeatsLeft(), 2);
            EXPECT_EQ(r.rec.addPlayNote(10, 1.0f, 0.0), -1);
            EXPECT_EQ(r.next(), fmt("%g", c.countIn));
        }
        r.at(c.countIn);
        EXPECT_EQ(r.rec.countInBeatsLeft(), 0);
        EXPECT_TRUE(r.engine.metronome().running() == c.click);
        for (double t : c.played) {
            r.at(c.countIn + t);
            EXPECT_GE(r.rec.addPlayNote(10, 1.0f, 0.0), 1);
        }
        r.at(c.countIn + c.played.back() + 10.0 / c.speed);
        r.rec.addStopNote(1);
        r.rec.addStopNote(2);
        r.rec.stop();
        EXPECT_FALSE(r.engine.metronome().running());
        EXPECT_EQ(Rig::describe(r.rec.snapshot().events->notes), c.song);
    }

    Rig r;
    r.load(SongBytes(1).down(0.0, 0).up(10.0, 0).version2());
    r.play();
    r.at(1.0);
    r.rec.setSpeedPercent(52); // held to a step of 5
    EXPECT_EQ(r.rec.speedPercent(), 50);
    r.at(3.0);
    EXPECT_DOUBLE_EQ(r.rec.songPosition(), 2.0);
}
