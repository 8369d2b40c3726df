#include "midi/MidiLink.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>

#include "audio/SoundEngine.h"
#include "system/MidiPorts.h"

MidiLink::MidiLink(Performer& performer, SoundEngine& engine, MainThreadQueue* queue)
    : engine_(engine), in_(performer, engine, queue), out_(engine) {
    engine_.setNoteListener(&out_);
}

MidiLink::~MidiLink() {
    stop();
    engine_.setNoteListener(nullptr);
}

std::string MidiLink::start(MidiPorts* ports) {
    stop();
    if (ports == nullptr) {
        status_ = "MIDI is off: this build has no MIDI system";
        return status_;
    }
    if (std::string why = ports->open(inbox_); !why.empty()) {
        status_ = "MIDI is off: " + why;
        return status_;
    }
    ports_ = ports;
    status_ = ports->describe();
    out_.setPorts(ports_);
    quit_ = false;
    thread_ = std::thread([this] { run(); });
    return {};
}

void MidiLink::stop() {
    if (thread_.joinable()) {
        quit_ = true;
        inbox_.wake();
        thread_.join();
    }
    if (ports_ != nullptr) {
        out_.allNotesOff();
        out_.setPorts(nullptr);
        ports_->close();
        ports_ = nullptr;
    }
}

void MidiLink::setSettings(const MidiSettings& settings) {
    in_.setSettings(settings);
    out_.setSettings(settings);
}

void MidiLink::run() {
    // A note waits for this thread to wake: like the render thread, it asks
    // to be scheduled ahead of ordinary work (just below the render thread),
    // and plays on as an ordinary thread when refused.
    sched_param param{};
    param.sched_priority = std::max(1, sched_get_priority_min(SCHED_FIFO) + 1);
    (void)pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
    MidiMessage message;
    while (!quit_.load()) {
        if (inbox_.pop(message, 0.5))
            in_.handle(message);
    }
    in_.releaseAll();
}
