#pragma once
#include <atomic>
#include <string>
#include <thread>

#include "midi/MidiIn.h"
#include "midi/MidiOut.h"
#include "system/MidiInbox.h"

class MainThreadQueue;
class MidiPorts;
class Performer;
class SoundEngine;

// Strumwell's MIDI: the ports, MIDI in played through the performer on a
// thread of its own (woken by each message, so a note starts within a
// buffer of its arrival), and the engine's sounds sent out.
//
// Threads: UI thread, except in() and out(), whose own functions say.
class MidiLink {
public:
    // The engine is told of MIDI out at once; performer and engine outlive
    // the link. queue: see MidiIn.
    MidiLink(Performer& performer, SoundEngine& engine, MainThreadQueue* queue);
    // Stops, and stops telling the engine.
    ~MidiLink();
    MidiLink(const MidiLink&) = delete;
    MidiLink& operator=(const MidiLink&) = delete;

    // Opens the ports (not owned; null: there are none) and starts the MIDI
    // thread. Returns an empty text when MIDI is on, else the one line that
    // says MIDI is off and why.
    std::string start(MidiPorts* ports);
    // Ends every note MIDI holds or sent, closes the ports, joins the thread.
    void stop();
    bool running() const { return ports_ != nullptr; }
    // What the setup screen shows: "JACK", "ALSA sequencer", or why off.
    std::string status() const { return status_; }

    void setSettings(const MidiSettings& settings);
    MidiSettings settings() const { return out_.settings(); }

    MidiIn& in() { return in_; }
    MidiOut& out() { return out_; }
    // Any thread: messages the inbox had no room for.
    uint64_t droppedMessages() const { return inbox_.dropped(); }

private:
    void run();

    SoundEngine& engine_;
    MidiInbox inbox_;
    MidiIn in_;
    MidiOut out_;
    MidiPorts* ports_ = nullptr;
    std::string status_;
    std::atomic<bool> quit_{false};
    std::thread thread_;
};
