#include "midi/MidiOut.h"

#include "recorder/SongOptions.h"
#include "storage/MidiExport.h"
#include "system/MidiPorts.h"

MidiOut::MidiOut(const SoundEngine& engine) : engine_(engine) {
    program_.fill(-1);
    range_.fill(-1);
    bend_.fill(-1);
    wah_.fill(-1);
}

void MidiOut::setPorts(MidiPorts* ports) {
    std::lock_guard<std::mutex> lock(mutex_);
    ports_ = ports;
    program_.fill(-1);
    range_.fill(-1);
    bend_.fill(-1);
    wah_.fill(-1);
    setUpChannelsLocked();
}

void MidiOut::setSettings(const MidiSettings& settings) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (settings == settings_)
        return;
    for (int v = 0; v < SoundEngine::kNumVoices; ++v)
        endNoteLocked(v);
    settings_ = settings;
    setUpChannelsLocked();
}

MidiSettings MidiOut::settings() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return settings_;
}

void MidiOut::allNotesOff() {
    std::lock_guard<std::mutex> lock(mutex_);
    for (int v = 0; v < SoundEngine::kNumVoices; ++v)
        endNoteLocked(v);
}

bool MidiOut::sends(GuitarId guitar, Source source) const {
    if (!validGuitar(guitar) || !settings_.sendGuitar[static_cast<std::size_t>(guitar)])
        return false;
    return source == Source::Player || (source == Source::Song && settings_.sendSongPlayback);
}

void MidiOut::send(const MidiMessage& message) {
    if (ports_ != nullptr)
        ports_->send(message);
}

void MidiOut::setUpChannelsLocked() {
    for (GuitarId g = 0; g < kGuitars; ++g) {
        if (!settings_.sendGuitar[static_cast<std::size_t>(g)])
            continue;
        for (int s = 0; s < settings_.numChannels(); ++s)
            setUpChannelLocked(settings_.firstChannel(g) + s, g);
    }
}

void MidiOut::setUpChannelLocked(int channel, GuitarId guitar) {
    const int program = MidiExport::gmProgramForPatch(engine_.patchNo(guitar));
    if (program_[static_cast<std::size_t>(channel)] != program) {
        program_[static_cast<std::size_t>(channel)] = program;
        send(MidiMessage::make(MidiMessage::kProgramChange, channel, program));
    }
    const int range = MidiExport::liveBendRange(engine_.whammyBarAttached(guitar));
    if (range_[static_cast<std::size_t>(channel)] != range) {
        range_[static_cast<std::size_t>(channel)] = range;
        // Registered parameter 0 (pitch-bend sensitivity), then the null
        // parameter so that a stray data entry changes nothing.
        for (const auto& [controller, value] :
             {std::pair{101, 0}, {100, 0}, {6, range}, {38, 0}, {101, 127}, std::pair{100, 127}})
            send(MidiMessage::make(MidiMessage::kController, channel, controller, value));
        bend_[static_cast<std::size_t>(channel)] = -1; // the same value means another pitch now
    }
}

void MidiOut::endNoteLocked(int voice) {
    Sounding& s = voices_[static_cast<std::size_t>(voice)];
    if (s.channel < 0)
        return;
    send(MidiMessage::make(MidiMessage::kNoteOff, s.channel, s.note, 0));
    s.channel = -1;
}

void MidiOut::setSongOptions(const SongOptions* options) {
    std::lock_guard<std::mutex> lock(mutex_);
    options_ = options;
}

int MidiOut::stringFor(GuitarId guitar, int sampleNo) const {
    // The lowest a string sounds is at the capo of the guitar's tuning.
    const GuitarTuning tuning = options_ ? options_->tuning(guitar) : GuitarTuning();
    int best = 0;
    for (int s = MidiSettings::kStringsPerGuitar - 1; s >= 0; --s) {
        if (tuning.sampleAtFret(s, 0) >= 0 && tuning.sampleAtFret(s, 0) <= sampleNo) {
            best = s;
            break;
        }
    }
    // A string already sounding would be cut short by a synth that plays
    // one note per channel: the next string down takes the note if it can.
    for (int s = best; s >= 0; --s) {
        const int channel = settings_.channelFor(guitar, s);
        bool busy = false;
        for (const Sounding& v : voices_)
            busy = busy || v.channel == channel;
        if (!busy)
            return s;
    }
    return best;
}

void MidiOut::noteStarted(int voice, GuitarId guitar, int sampleNo, int string, float volume, Source source) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (voice < 0 || voice >= SoundEngine::kNumVoices)
        return;
    endNoteLocked(voice);
    if (!sends(guitar, source))
        return;
    if (settings_.channelPerString && (string < 0 || string >= MidiSettings::kStringsPerGuitar))
        string = stringFor(guitar, sampleNo);
    const int channel = settings_.channelFor(guitar, settings_.channelPerString ? string : 0);
    setUpChannelLocked(channel, guitar);
    Sounding& s = voices_[static_cast<std::size_t>(voice)];
    s = {channel, MidiExport::kFirstSampleNote + sampleNo, guitar, 1.0f};
    // A note starts at the channel's current whammy, unbent.
    sendBendLocked(channel, guitar, 1.0f);
    send(MidiMessage::make(MidiMessage::kNoteOn, channel, s.note, MidiExport::velocityForVolume(volume)));
}

void MidiOut::noteReleased(int voice) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (voice >= 0 && voice < SoundEngine::kNumVoices)
        endNoteLocked(voice);
}

void MidiOut::sendBendLocked(int channel, GuitarId guitar, float pitch) {
    const int range =
        range_[static_cast<std::size_t>(channel)] > 0 ? range_[static_cast<std::size_t>(channel)] : 2;
    const double semitones = MidiExport::semitonesOf(pitch, whammy_[static_cast<std::size_t>(guitar)]);
    const int value = MidiExport::pitchBendValue(semitones, range);
    if (bend_[static_cast<std::size_t>(channel)] == value)
        return;
    bend_[static_cast<std::size_t>(channel)] = value;
    send(MidiMessage::make(MidiMessage::kPitchBend, channel, value & 0x7f, value >> 7));
}

void MidiOut::noteBent(int voice, float pitch) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (voice < 0 || voice >= SoundEngine::kNumVoices)
        return;
    Sounding& s = voices_[static_cast<std::size_t>(voice)];
    if (s.channel < 0)
        return;
    s.pitch = pitch;
    sendBendLocked(s.channel, s.guitar, pitch);
}

void MidiOut::whammyMoved(GuitarId guitar, float pitch, Source source) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!validGuitar(guitar))
        return;
    whammy_[static_cast<std::size_t>(guitar)] = pitch;
    if (!sends(guitar, source))
        return;
    // Every channel of the guitar moves with the bar; in the guitar mode
    // the channel keeps the bend of its note bent last.
    for (int c = 0; c < settings_.numChannels(); ++c) {
        const int channel = settings_.firstChannel(guitar) + c;
        float bent = 1.0f;
        for (const Sounding& v : voices_)
            if (v.channel == channel && v.pitch != 1.0f)
                bent = v.pitch;
        setUpChannelLocked(channel, guitar);
        sendBendLocked(channel, guitar, bent);
    }
}

void MidiOut::wahMoved(GuitarId guitar, float coefficient, Source source) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!sends(guitar, source))
        return;
    const int value = MidiExport::wahControllerValue(coefficient);
    for (int c = 0; c < settings_.numChannels(); ++c) {
        const int channel = settings_.firstChannel(guitar) + c;
        if (wah_[static_cast<std::size_t>(channel)] == value)
            continue;
        wah_[static_cast<std::size_t>(channel)] = value;
        send(MidiMessage::make(MidiMessage::kController, channel, MidiExport::kWahController, value));
    }
}

void MidiOut::patchChanged(GuitarId guitar, int /*patchNo*/) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!validGuitar(guitar) || !settings_.sendGuitar[static_cast<std::size_t>(guitar)])
        return;
    for (int c = 0; c < settings_.numChannels(); ++c)
        setUpChannelLocked(settings_.firstChannel(guitar) + c, guitar);
}
