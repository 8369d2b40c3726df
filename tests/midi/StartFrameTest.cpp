// A MIDI note keeps its frame: its sound starts that far into the buffer
// that first mixes it, and is otherwise the sound of a note started at the
// buffer's start, on both guitars, bent or not, across guitar 2's chunks.
#include <gtest/gtest.h>

#include <vector>

#include "audio/SoundEngine.h"
#include "midi/MidiIn.h"
#include "performer/Performer.h"
#include "recorder/Recorder.h"
#include "support/FakeParent.h"
#include "support/TempFolder.h"
#include "system/Clock.h"

namespace {

TEST(MidiStartFrame, ANoteSoundsFromItsFrameExactlyAsFromTheBuffersStart) {
    testsupport::TempFolder folder{"strumwell-startframe"};
    ManualClock clock{1000.0};
    FakeParent parent{clock};
    SoundEngine engine{&parent, nullptr, folder.str(), clock};
    Recorder recorder{&parent, &engine, clock, false};
    Performer performer{engine, recorder, &parent, nullptr};
    MidiIn in{performer, engine, nullptr};
    engine.addSineWaveAtSlot(12);
    engine.addSineWaveAtSlot(60);
    for (int g = 0; g < 2; ++g)
        engine.setGuitarVolume(g, 1.0f);
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
