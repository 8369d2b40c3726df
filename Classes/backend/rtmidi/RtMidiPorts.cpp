#include "backend/rtmidi/RtMidiPorts.h"

#include <RtMidi.h>
#include <jack/jack.h>
#include <sys/stat.h>

#include <vector>

#include "system/MidiInbox.h"

namespace {

void silent(const char*) {}

// RtMidi prints its warnings itself unless told where to put them; the
// program says once, in its own words, why MIDI is off.
void ignoreError(RtMidiError::Type, const std::string&, void*) {}

void incoming(double /*timeStamp*/, std::vector<unsigned char>* message, void* userData) {
    if (message == nullptr || message->empty())
        return;
    const int length = MidiMessage::lengthOf((*message)[0]);
    if (length == 0 || static_cast<int>(message->size()) < length)
        return;
    MidiMessage m;
    for (int i = 0; i < length; ++i)
        m.bytes[i] = (*message)[static_cast<std::size_t>(i)];
    m.size = static_cast<uint8_t>(length);
    static_cast<MidiInbox*>(userData)->push(m);
}

bool haveAlsaSequencer() {
    struct stat st {};
    return ::stat("/dev/snd/seq", &st) == 0 && S_ISCHR(st.st_mode);
}

} // namespace

RtMidiPorts::RtMidiPorts() = default;

RtMidiPorts::~RtMidiPorts() {
    close();
}

bool RtMidiPorts::jackServerRunning() {
    jack_set_error_function(silent);
    jack_set_info_function(silent);
    jack_status_t status{};
    jack_client_t* client = jack_client_open("Strumwell probe", JackNoStartServer, &status);
    if (client == nullptr)
        return false;
    jack_client_close(client);
    return true;
}

std::string RtMidiPorts::open(MidiInbox& inbox) {
    close();
    RtMidi::Api api;
    if (haveAlsaSequencer()) {
        api = RtMidi::LINUX_ALSA;
        describe_ = "ALSA sequencer";
    } else if (jackServerRunning()) {
        api = RtMidi::UNIX_JACK;
        describe_ = "JACK";
    } else {
        describe_.clear();
        return "no ALSA sequencer (/dev/snd/seq) and no JACK server";
    }
    try {
        in_ = std::make_unique<RtMidiIn>(api, MidiPorts::kPortName);
        in_->setErrorCallback(ignoreError, nullptr);
        inbox_ = &inbox;
        in_->setCallback(incoming, inbox_);
        in_->ignoreTypes(true, true, true);
        in_->openVirtualPort(MidiPorts::kPortName);
        out_ = std::make_unique<RtMidiOut>(api, MidiPorts::kPortName);
        out_->setErrorCallback(ignoreError, nullptr);
        out_->openVirtualPort(MidiPorts::kPortName);
    } catch (const RtMidiError& e) {
        close();
        return "cannot open the " + describe_ + " ports: " + e.getMessage();
    }
    return {};
}

void RtMidiPorts::close() {
    if (in_) {
        in_->cancelCallback();
        in_->closePort();
    }
    in_.reset();
    out_.reset();
    inbox_ = nullptr;
}

void RtMidiPorts::send(const MidiMessage& message) {
    if (out_ && message.size > 0)
        out_->sendMessage(message.bytes, message.size);
}
