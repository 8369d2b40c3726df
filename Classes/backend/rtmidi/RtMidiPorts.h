#pragma once
#include <memory>
#include <mutex>
#include <string>

#include "system/MidiPorts.h"

class RtMidiIn;
class RtMidiOut;

// The MIDI ports through RtMidi: the ALSA sequencer where the system has one
// (/dev/snd/seq), else JACK MIDI when a JACK server runs. Each side is a
// virtual port called "Strumwell" that other programs connect to.
//
// Incoming messages are pushed to the inbox from RtMidi's thread (under
// JACK, its process callback): wait-free, channel messages only.
//
// Threads: open/close on the UI thread; send from any non-render thread,
// one at a time.
class RtMidiPorts : public MidiPorts {
public:
    RtMidiPorts();
    ~RtMidiPorts() override;

    std::string open(MidiInbox& inbox) override;
    void close() override;
    void send(const MidiMessage& message) override;
    std::string describe() const override { return describe_; }

    // Whether a JACK server answers, asked without starting one and without
    // libjack's complaints on stderr.
    static bool jackServerRunning();

private:
    std::unique_ptr<RtMidiIn> in_;
    std::unique_ptr<RtMidiOut> out_;
    MidiInbox* inbox_ = nullptr;
    std::string describe_;
};
