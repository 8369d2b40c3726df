// Strumwell as a live instrument on a jackd of the test's own, with the real
// samples: MIDI sent to its midi_in at chosen frames is heard on out_1 as the
// sample each note names, exactly one period after the note's frame;
// note-off, pitch bend and controller 74 change what is heard from their own
// period on; and notes played while recording keep their times in the song
// as it is saved and read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <memory>
#include <numeric>

#include "audio/SoundEngine.h"
#include "backend/jack/JackAudioOutput.h"
#include "midi/MidiLink.h"
#include "performer/Performer.h"
#include "recorder/Recorder.h"
#include "storage/SongCodec.h"
#include "support/FakeParent.h"
#include "support/JackProbe.h"
#include "support/JackServer.h"

#ifdef STRUMWELL_TEST_BUNDLE_DIR

namespace {

using testsupport::JackProbe;
constexpr int kPeriod = 128, kRate = 44100;
// Where each take's first note falls: two periods in, `offset` frames into its period.
constexpr int kStart = 2 * kPeriod;

MidiMessage msg(uint8_t status, int data1, int data2) {
    return MidiMessage::make(status, 0, data1, data2);
}

// How alike the heard frames from `at` are to the first n values of a
// sample, 1 for the same shape at any level.
double likeness(const std::vector<float>& heard, size_t at, const int16_t* sample, size_t n) {
    double xy = 0, xx = 0, yy = 0;
    for (size_t i = 0; i < n && at + i < heard.size(); ++i) {
        xy += heard[at + i] * sample[i];
        xx += double(heard[at + i]) * heard[at + i];
        yy += double(sample[i]) * sample[i];
    }
    return xx > 0 && yy > 0 ? xy / std::sqrt(xx * yy) : 0.0;
}

int crossings(const std::vector<float>& v, size_t from, size_t n) {
    return std::inner_product(v.begin() + long(from), v.begin() + long(from + n - 1),
                              v.begin() + long(from + 1), 0, std::plus<>(),
                              [](float a, float b) { return int((a < 0) != (b < 0)); });
}

// The take moved so that its first sound falls where the reference's does:
// a note whose MIDI thread woke a period late is the same note.
std::vector<float> alignedTo(std::vector<float> take, const std::vector<float>& reference) {
    const auto onset = [](const std::vector<float>& v) {
        return std::ranges::find_if(v, [](float x) { return x != 0; }) - v.begin();
    };
    const long shift = onset(take) - onset(reference);
    if (shift > 0)
        take.erase(take.begin(), take.begin() + shift), take.resize(reference.size(), 0.0f);
    else if (shift < 0)
        take.insert(take.begin(), size_t(-shift), 0.0f), take.resize(reference.size());
    return take;
}

float largestDifference(const std::vector<float>& a, const std::vector<float>& b, size_t from, size_t to) {
    return std::transform_reduce(
        a.begin() + long(from), a.begin() + long(to), b.begin() + long(from), 0.0f,
        [](float x, float y) { return std::max(x, y); }, [](float x, float y) { return std::abs(x - y); });
}

// The whole chain of the program around the test's jackd: the JACK client
// that renders the engine, the engine with the generated samples (default
// settings, patch 4, clean electric, no pedals), recorder, performer, MIDI link, and the probe.
struct Instrument {
    explicit Instrument(const std::string& server)
        : output({.serverName = server, .connectToPlayback = false}),
          engine(&parent, &output, STRUMWELL_TEST_BUNDLE_DIR) {
        engine.resetState(); // the player's defaults: a release, bends on
        performer.setPatch(0, 4);
        engine.setPitchBendOn(0, true); // guitar 1's pedals are off after the reset
        link.start(&output);
        probe = std::make_unique<JackProbe>(server);
    }
    FakeParent parent{SystemClock::shared()};
    JackAudioOutput output;
    SoundEngine engine;
    Recorder recorder{&parent, &engine};
    Performer performer{engine, recorder, &parent, nullptr};
    MidiLink link{performer, engine, nullptr};
    std::unique_ptr<JackProbe> probe;
};

class LiveMidi : public ::testing::Test {
protected:
    void SetUp() override {
        if (!server.start())
            GTEST_SKIP() << server.skipReason();
        if (!std::ifstream(std::string(STRUMWELL_TEST_BUNDLE_DIR) + "/CE-1.wav"))
            GTEST_SKIP() << "no generated samples in " STRUMWELL_TEST_BUNDLE_DIR
                            " (build the samples target)";
        rig = std::make_unique<Instrument>(server.name());
        ASSERT_TRUE(rig->probe->ok());
        ASSERT_TRUE(rig->link.running()) << rig->link.status();
        ASSERT_EQ(rig->probe->period(), kPeriod);
    }
    // Sends the script (frames from the take's start) and returns `frames`
    // frames of out_1 from the take's start; then silences every voice.
    std::vector<float> take(const std::vector<std::pair<int, MidiMessage>>& script, int frames) {
        const uint64_t from = rig->probe->ahead(4);
        std::vector<JackProbe::Event> events;
        for (const auto& [at, m] : script)
            events.push_back({from + static_cast<uint64_t>(at), m});
        EXPECT_TRUE(rig->probe->run(events, from, frames)) << "the take did not end";
        EXPECT_EQ(rig->probe->late(), 0);
        rig->engine.stopAllSoundsImmediately();
        return rig->probe->heard();
    }

    testsupport::JackServer server{kPeriod};
    std::unique_ptr<Instrument> rig;
};

TEST_F(LiveMidi, NotesSoundTheirSampleFromTheNextPeriodAndOffBendAndWahChangeThem) {
    constexpr size_t kWindow = 1024;
    struct Case {
        int sample, offset; // offset: the note's frame within its period
    };
    const Case cases[] = {{10, 0}, {17, 1}, {24, kPeriod / 2}, {31, kPeriod - 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE("sample " + std::to_string(c.sample));
        const int sent = kStart + c.offset;
        const std::vector<float> heard = take({{sent, msg(MidiMessage::kNoteOn, 38 + c.sample, 127)}}, 8192);
        const int16_t* own = rig->engine.sampleData(rig->engine.noteFor(0, c.sample).slot);
        size_t onset = 0;
        for (size_t at = kStart - kPeriod; at < size_t(sent + 3 * kPeriod); ++at)
            if (likeness(heard, at, own, kWindow) > likeness(heard, onset, own, kWindow))
                onset = at;
        EXPECT_GT(likeness(heard, onset, own, kWindow), 0.95);
        EXPECT_EQ(largestDifference(heard, std::vector<float>(heard.size()), 0, onset), 0.0f)
            << "sound before";
        for (const Case& other : cases)
            if (other.sample != c.sample) {
                EXPECT_LT(likeness(heard, onset, rig->engine.sampleData(other.sample), kWindow), 0.5)
                    << "also like sample " << other.sample;
            }
        EXPECT_EQ(static_cast<int>(onset) - sent, kPeriod) << "a note sounds one period after its own frame";
    }

    // One held note, and the same note with a note-off, a bend up a whole
    // step, or the wah closed, each at frame kChange: the takes are the same
    // up to the period after it and differ from then on.
    constexpr int kNote = kStart + 5, kChange = kNote + 4096, kFrames = 16384;
    constexpr size_t kBefore = kChange - kChange % kPeriod, kAfter = kBefore + 2 * kPeriod;
    const std::pair<int, MidiMessage> on = {kNote, msg(MidiMessage::kNoteOn, 48, 100)};
    const std::vector<float> held = take({on}, kFrames);
    const std::vector<float> off = take({on, {kChange, msg(MidiMessage::kNoteOff, 48, 0)}}, kFrames);
    const std::vector<float> bent = take({on, {kChange, msg(MidiMessage::kPitchBend, 127, 127)}}, kFrames);
    const auto tail = [](const std::vector<float>& v) { // the energy of the last 2048 frames
        return std::inner_product(v.end() - 2048, v.end(), v.end() - 2048, 0.0);
    };
    EXPECT_LT(tail(off), 0.49 * tail(held)) << "not released"; // an RMS level 0.7 of the held note's
    // Once the glide is over (about 2048 frames), to the end of the take.
    constexpr size_t kGlided = kAfter + 4096, kRest = kFrames - kGlided;
    const double pitch = double(crossings(bent, kGlided, kRest)) / crossings(held, kGlided, kRest);
    EXPECT_NEAR(pitch, std::exp2(2.0 / 12), 0.05) << "not a whole step up";
    rig->engine.setWahOn(0, true);
    rig->engine.setWahForGuitar(0, 0.5f);
    const std::vector<float> open = take({on}, kFrames);
    rig->engine.setWahForGuitar(0, 0.5f);
    const std::vector<float> closed = take({on, {kChange, msg(MidiMessage::kController, 74, 0)}}, kFrames);
    EXPECT_NEAR(rig->engine.wahForGuitar(0), 0.05f, 1e-6);
    for (const auto* v : {&off, &bent, &closed}) {
        const std::vector<float>& reference = v == &closed ? open : held;
        const std::vector<float> same = alignedTo(*v, reference);
        EXPECT_EQ(largestDifference(same, reference, 0, kBefore), 0.0f) << "changed before its period";
        EXPECT_GT(largestDifference(same, reference, kAfter, kFrames), 0.05f) << "no change";
    }
}

// Notes played while recording, at frames a few periods and a frame apart,
// are in the song, as written and read back, at the times they were played
// within a period.
TEST_F(LiveMidi, NotesPlayedWhileRecordingKeepTheirTimesInTheSavedSong) {
    const int frames[] = {kStart, kStart + 1, kStart + 3 * kPeriod + 77, kStart + 40 * kPeriod + 127,
                          kStart + 41 * kPeriod};
    std::vector<std::pair<int, MidiMessage>> script;
    for (int i = 0; i < 5; ++i) {
        script.push_back({frames[i], msg(MidiMessage::kNoteOn, 40 + i, 100)});
        script.push_back({frames[i] + 2000, msg(MidiMessage::kNoteOff, 40 + i, 0)});
    }
    std::ranges::sort(script, {}, &std::pair<int, MidiMessage>::first);
    rig->recorder.record();
    take(script, frames[4] + 2 * kPeriod + 2000);
    std::vector<double> sent; // the note-ons' times as the server played them
    for (std::size_t i = 0; i < script.size(); ++i)
        if (script[i].second.bytes[0] == MidiMessage::kNoteOn)
            sent.push_back(rig->probe->sentAt()[i]);
    rig->recorder.stop();
    const std::vector<uint8_t> bytes = SongCodec::writeSong(rig->recorder.snapshot());
    const Song song = SongCodec::readSong(bytes.data(), bytes.size());
    ASSERT_TRUE(song.events);
    std::vector<Note> downs;
    std::ranges::copy_if(song.events->notes, std::back_inserter(downs), &Note::keyDown);
    ASSERT_EQ(downs.size(), 5u);
    std::ranges::sort(downs, {}, &Note::time);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(downs[i].sampleNo(), 2 + i);
        const double late = (downs[i].time() - downs[0].time() - (sent[i] - sent[0])) * kRate;
        // A note is timed when the MIDI thread takes it, after its period:
        // within a period of its frame, and 1 ms for the thread to wake.
        EXPECT_LE(std::abs(late), kPeriod + 44) << "note " << i;
    }
    EXPECT_EQ(song.events->notes.size(), 10u) << "every note-off too";
}

} // namespace

#endif
