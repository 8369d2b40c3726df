#pragma once
#include <string>

#include "system/MidiMessage.h"

class MidiInbox;

// A MIDI input and output, both named "Strumwell", as a MIDI system offers
// them to other programs: the ALSA sequencer or JACK through RtMidi, or the
// MIDI ports of the JACK audio output (which place messages on the frames
// of its period).
//
// Threads: open and close on the UI thread; send from any thread but the
// render thread, one caller at a time (the caller serialises).
class MidiPorts {
public:
    static constexpr const char* kPortName = "Strumwell";

    virtual ~MidiPorts() = default;

    // Opens the ports. Incoming messages are pushed to `inbox` (from the
    // port's own thread, possibly a real-time one) until close(). Returns an
    // empty text when open, else one line saying why MIDI is off ("no ALSA
    // sequencer (/dev/snd/seq) and no JACK server", ...).
    virtual std::string open(MidiInbox& inbox) = 0;
    virtual void close() = 0;
    // Sends one message now (as soon as the port can: the JACK output puts
    // it at the start of its next period). Nothing when not open.
    virtual void send(const MidiMessage& message) = 0;
    // What the ports are, for the setup screen ("ALSA sequencer", "JACK").
    virtual std::string describe() const = 0;
};
