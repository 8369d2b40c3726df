// Live MIDI: what goes out for a player's gestures and a song, and what a
// message that comes in plays and records.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "audio/SoundEngine.h"
#include "midi/MidiIn.h"
#include "midi/MidiLink.h"
#include "midi/MidiOut.h"
#include "performer/Performer.h"
#include "recorder/Recorder.h"
#include "support/FakeParent.h"
#include "support/MidiLog.h"
#include "support/TempFolder.h"
#include "system/Clock.h"

namespace {

constexpr auto msg = MidiMessage::make;

// An engine with no samples and no output, a recorder without its thread, a
// performer, and MIDI out and in over them, on a manual clock.
class MidiTest : public ::testing::Test {
protected:
    MidiTest() {
        engine.setNoteListener(&out);
        for (int g : {0, 1})
            engine.setGuitarVolume(g, 1.0f);
    }
    ~MidiTest() override { engine.setNoteListener(nullptr); }
    void mode(bool perString, bool sendSong = false) {
        const MidiSettings s{.channelPerString = perString, .sendSongPlayback = sendSong};
        out.setSettings(s);
        in.setSettings(s);
        out.setPorts(&ports);
        ports.take();
    }

    testsupport::TempFolder folder{"strumwell-midi"};
    ManualClock clock{1000.0};
    FakeParent parent{clock};
    SoundEngine engine{&parent, nullptr, folder.str(), clock};
    Recorder recorder{&parent, &engine, clock, false};
    Performer performer{engine, recorder, &parent, nullptr};
    testsupport::MidiLog ports;
    MidiOut out{engine};
    MidiIn in{performer, engine, &parent.mainThreadQueue()};
};

using Lines = std::vector<std::string>;

// A channel is set up (program, bend range) before its first note; notes,
// bends, the whammy and the wah follow, each once, as the player makes them.
TEST_F(MidiTest, GesturesGoOutOnTheGuitarsChannelOrTheStringsChannel) {
    engine.setWhammyBarAttached(1, true);
    out.setPorts(&ports);
    // Program, then the bend range (registered parameter 0: 2 semitones, 12 with the whammy bar).
    EXPECT_EQ(ports.take(), (Lines{"c1 pc 24", "c1 cc 101 0", "c1 cc 100 0", "c1 cc 6 2", "c1 cc 38 0",
                                   "c1 cc 101 127", "c1 cc 100 127", "c2 pc 24", "c2 cc 101 0", "c2 cc 100 0",
                                   "c2 cc 6 12", "c2 cc 38 0", "c2 cc 101 127", "c2 cc 100 127"}))
        << "both guitars' channels, patch 0 (nylon)";

    // Guitar mode: the A string's third fret (sample 10, note 48) at full
    // volume, bent a whole step, let go.
    const int v = performer.playOnString(0, 1, 10);
    performer.fullBend(v);
    performer.fullBend(v); // the same bend again sends nothing
    performer.release(v);
    EXPECT_EQ(ports.take(), (Lines{"c1 bend 8192", "c1 on 48 127", "c1 bend 16383", "c1 off 48 0"}))
        << "a bend beyond the two-semitone range is held at the top of the wheel";
    performer.stopBend(v); // a released note is not bent any more
    engine.setWahForGuitar(1, 0.05f);
    engine.setWhammyForGuitar(1, -0.5f);
    EXPECT_EQ(ports.take(), (Lines{"c2 cc 74 0", "c2 bend 0"}));

    // Channel per string: the same pitch named on the G string goes to
    // channel 4; a song's note (no string) takes the string with the lowest
    // fret that is free; guitar 2 starts at channel 7.
    mode(true, true);
    performer.playOnString(0, 3, 17, 0.5f);
    engine.play({12, 1.0, 0.0, 0, -1, NoteListener::Source::Song}, 5);
    engine.play({12, 1.0, 0.0, 0, -1, NoteListener::Source::Song}, 6);
    const int g2 = performer.playOnString(1, 5, 30);
    performer.halfBend(g2);
    EXPECT_EQ(ports.take(),
              (Lines{"c4 bend 8192", "c4 on 55 64", "c3 bend 8192", "c3 on 50 127", "c2 bend 8192",
                     "c2 on 50 127", "c12 bend 0", "c12 on 68 127", "c12 bend 1375"}))
        << "each string's wheel is centred before its first note; guitar 2's whammy (-0.5, 12 "
           "semitones down) holds under the half bend";
}

// What the player asked not to send stays home: a song's playback (unless
// chosen), a guitar switched off, and notes that came in over MIDI. A voice
// taken for a new note ends the old one first.
TEST_F(MidiTest, SongsSilencedGuitarsAndMidiEchoesAreNotSent) {
    mode(false);
    for (int k = 0; k < SoundEngine::kNumVoices + 1; ++k)
        performer.play(0, k);
    int sounding = 0;
    for (const std::string& line : ports.take())
        sounding += line.starts_with("c1 on ") ? 1 : line.starts_with("c1 off ") ? -1 : 0;
    EXPECT_EQ(sounding, SoundEngine::kNumVoices) << "the stolen voice's note ends";
    engine.stopAllSoundsImmediately();
    out.allNotesOff();
    ports.take();
    engine.play({3, 1.0, 0.0, 0, -1, NoteListener::Source::Song}, 1);
    engine.setWhammyForGuitar(0, 0.2f, NoteListener::Source::Song);
    performer.playFromMidi(0, -1, 4, 1.0f);
    EXPECT_EQ(ports.take(), Lines{});
    out.setSettings({.sendGuitar = {false, true}});
    performer.play(0, 5);
    EXPECT_EQ(ports.take(), Lines{});
}

// A keyboard plays the guitars: the note names the sample, velocity the
// volume, note-off releases (unless the pedal holds it), the wheel bends or
// moves the whammy, controller 74 the wah, a program the patch; and a take
// keeps it all as it would a player's touches.
TEST_F(MidiTest, IncomingMessagesPlayAndRecordTheGuitars) {
    mode(false);
    recorder.record();
    const auto voiceOf = [&](int slot) {
        for (int v = 0; v < SoundEngine::kNumVoices; ++v)
            if (engine.voicePlaying(v) && engine.voiceState(v).sampleNo == slot &&
                !engine.voiceState(v).wantToStop)
                return v;
        return -1;
    };
    in.handle(msg(MidiMessage::kNoteOn, 0, 50, 127)); // guitar 1, sample 12
    in.handle(msg(MidiMessage::kNoteOn, 1, 45, 64));  // guitar 2, sample 7 = slot 55
    in.handle(msg(MidiMessage::kNoteOn, 0, 37, 100)); // below the patch
    in.handle(msg(MidiMessage::kNoteOn, 0, 86, 100)); // above it
    in.handle(msg(MidiMessage::kNoteOn, 5, 50, 100)); // a channel no guitar listens on
    EXPECT_EQ(in.ignoredNotes(), 2);
    const int a = voiceOf(12), b = voiceOf(55);
    ASSERT_TRUE(a >= 0 && b >= 0);
    EXPECT_NEAR(engine.voiceState(b).requiredVolume, 64.0 / 127.0, 1e-6);
    EXPECT_EQ(std::pair(in.soundingSamples(0), in.soundingSamples(1)),
              std::pair(uint64_t{1} << 12, uint64_t{1} << 7));

    in.handle(msg(MidiMessage::kPitchBend, 0, 0x7f, 0x7f)); // top of a 2-semitone wheel
    EXPECT_NEAR(engine.voiceState(a).requiredPitch, std::exp2(2.0 * 8191 / 8192 / 12.0), 1e-5);
    engine.setWhammyBarAttached(1, true);
    in.handle(msg(MidiMessage::kPitchBend, 1, 0, 0x60)); // 12288: half way up 12 semitones
    EXPECT_NEAR(engine.whammy(1), std::exp2(0.5) - 1.0, 1e-5);
    engine.setWahOn(0, true);
    in.handle(msg(MidiMessage::kController, 0, 74, 0));
    EXPECT_NEAR(engine.wahForGuitar(0), 0.05f, 1e-6);

    in.handle(msg(MidiMessage::kController, 0, 64, 127)); // sustain
    in.handle(msg(MidiMessage::kNoteOff, 0, 50, 0));
    EXPECT_EQ(voiceOf(12), a) << "held by the pedal";
    in.handle(msg(MidiMessage::kController, 0, 64, 0));
    EXPECT_EQ(voiceOf(12), -1);
    in.handle(msg(MidiMessage::kNoteOn, 1, 45, 0)); // note-on at velocity 0 is a note-off
    EXPECT_EQ(voiceOf(55), -1);
    EXPECT_EQ(in.soundingSamples(0) | in.soundingSamples(1), 0u);

    std::string notes; // "+slot" for a start, "-" and its identifier for a stop
    for (const Note& n : recorder.currentOverdubNotesToAdd())
        notes += n.keyDown() ? " +" + std::to_string(n.sampleNo()) : " -" + std::to_string(n.noteID());
    EXPECT_EQ(notes, " +12 +55 -0 -1");
    EXPECT_EQ(recorder.currentPitchBendsToAdd().size(), 1u);

    in.handle(msg(MidiMessage::kProgramChange, 1, 30, -1));
    parent.mainThreadQueue().runPending();
    EXPECT_EQ(engine.patchNo(1), 3) << "distortion";

    // Channel per string: channel 8 is guitar 2's A string.
    mode(true);
    in.handle(msg(MidiMessage::kNoteOn, 7, 45, 127));
    EXPECT_GE(voiceOf(55), 0);
    in.handle(msg(MidiMessage::kController, 7, 123, 0));
    EXPECT_EQ(voiceOf(55), -1);
}

// The MIDI thread plays what a port's thread pushes while the player plays
// on the UI thread: every note of both is recorded, the player's go out and
// MIDI's do not, and stopping the link releases what MIDI still held.
TEST_F(MidiTest, ThreadedPortMidiThreadAndPlayerShareTheGuitars) {
    {
        MidiLink link(performer, engine, nullptr);
        ASSERT_EQ(link.start(&ports), "");
        ports.take();
        recorder.record();
        std::thread port([&] {
            for (int k = 0; k < 200; ++k) {
                while (!ports.inbox->push(msg(MidiMessage::kNoteOn, 0, 40 + k % 40, 100)))
                    std::this_thread::yield();
                while (k % 2 == 1 && !ports.inbox->push(msg(MidiMessage::kNoteOff, 0, 40 + k % 40, 0)))
                    std::this_thread::yield();
            }
        });
        for (int k = 0; k < 100; ++k)
            performer.release(performer.play(1, k % 48));
        port.join();
        // Every note-on reached the recorder; counting all notes would stop
        // early, as a held note played again is also released then.
        for (int tries = 0;
             tries < 5000 && std::ranges::count_if(recorder.currentOverdubNotesToAdd(), &Note::keyDown) < 300;
             ++tries)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        link.stop();
        EXPECT_EQ(link.droppedMessages(), 0u);
    }
    const std::vector<Note> notes = recorder.currentOverdubNotesToAdd();
    EXPECT_EQ(std::ranges::count_if(notes, &Note::keyDown), 300);
    EXPECT_EQ(notes.size(), 600u) << "the notes MIDI still held are released when the link stops";
    EXPECT_EQ(std::ranges::count_if(ports.sent,
                                    [](const std::string& l) { return l.find(" on ") != std::string::npos; }),
              100);
}

// A MIDI note keeps its frame: its sound starts that far into the buffer
// that first mixes it, and is otherwise the sound of a note started at the
// buffer's start, on both guitars, bent or not, across guitar 2's chunks.
TEST_F(MidiTest, ANoteSoundsFromItsFrameExactlyAsFromTheBuffersStart) {
    engine.addSineWaveAtSlot(12);
    engine.addSineWaveAtSlot(60);
    engine.start();
    // Two buffers of the note sent on guitar g's channel at `frame`.
    const auto twoBuffers = [&](int channel, int frame, int buffer) {
        MidiMessage m = MidiMessage::make(MidiMessage::kNoteOn, channel, 50, 127);
        m.frame = static_cast<uint32_t>(frame);
        in.handle(m);
        std::vector<int16_t> out(size_t(buffer) * 4);
        SoundEngine::callbackProcStereo(engine.callbackUserData(), out.data(), buffer);
        SoundEngine::callbackProcStereo(engine.callbackUserData(), out.data() + buffer * 2, buffer);
        in.handle(MidiMessage::make(MidiMessage::kNoteOff, channel, 50, 0));
        engine.stopAllSoundsImmediately();
        return out;
    };
    struct Case {
        int channel, frame, buffer;
        bool bend;
    };
    for (const Case c : {Case{0, 37, 128, false}, Case{1, 127, 128, false}, Case{0, 64, 256, true},
                         Case{1, 1500, 2048, true}, Case{1, 300, 128, false}}) {
        SCOPED_TRACE(testing::Message() << "guitar " << c.channel + 1 << " frame " << c.frame << " of "
                                        << c.buffer << (c.bend ? " bent" : ""));
        engine.setPitchBendOn(c.channel, c.bend);
        const std::vector<int16_t> plain = twoBuffers(c.channel, 0, c.buffer);
        const std::vector<int16_t> placed = twoBuffers(c.channel, c.frame, c.buffer);
        const int shift = std::min(c.frame, c.buffer - 1); // a frame past the buffer: its last
        ASSERT_NE(plain[200], 0);
        EXPECT_EQ(std::vector<int16_t>(placed.begin(), placed.begin() + shift * 2),
                  std::vector<int16_t>(size_t(shift) * 2, 0));
        EXPECT_EQ(std::vector<int16_t>(placed.begin() + shift * 2, placed.end()),
                  std::vector<int16_t>(plain.begin(), plain.end() - shift * 2));
    }
}

} // namespace
