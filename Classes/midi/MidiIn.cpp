#include "midi/MidiIn.h"

#include <algorithm>
#include <cmath>

#include "audio/SampleBank.h"
#include "audio/SoundEngine.h"
#include "performer/Performer.h"
#include "storage/MidiExport.h"
#include "system/MainThreadQueue.h"

MidiIn::MidiIn(Performer& performer, const SoundEngine& engine, MainThreadQueue* queue)
    : performer_(performer), engine_(engine), queue_(queue) {
    bend_.fill(1.0f);
}

void MidiIn::setSettings(const MidiSettings& settings) {
    std::lock_guard<std::mutex> lock(settingsMutex_);
    settings_ = settings;
}

uint64_t MidiIn::soundingSamples(GuitarId guitar) const {
    return validGuitar(guitar) ? sounding_[static_cast<std::size_t>(guitar)].load(std::memory_order_relaxed)
                               : 0;
}

void MidiIn::handle(const MidiMessage& m) {
    {
        std::lock_guard<std::mutex> lock(settingsMutex_);
        if (!(now_ == settings_)) {
            releaseAll(); // the channels mean other guitars or strings now
            now_ = settings_;
        }
    }
    if (m.size < 2)
        return;
    const int channel = m.channel();
    const int d1 = m.bytes[1] & 0x7f;
    const int d2 = m.size > 2 ? m.bytes[2] & 0x7f : 0;
    switch (m.status()) {
    case MidiMessage::kNoteOn:
        if (d2 > 0) {
            noteOn(channel, d1, d2, static_cast<int>(m.frame));
            break;
        }
        [[fallthrough]];
    case MidiMessage::kNoteOff:
        noteOff(channel, d1);
        break;
    case MidiMessage::kPitchBend:
        pitchBend(channel, d1 | (d2 << 7));
        break;
    case MidiMessage::kController:
        controller(channel, d1, d2);
        break;
    case MidiMessage::kProgramChange: {
        const GuitarId guitar = now_.guitarOfChannel(channel);
        const int patch = MidiExport::patchForGmProgram(d1);
        if (queue_ != nullptr && validGuitar(guitar) && patch >= 0) {
            Performer* performer = &performer_;
            queue_->post([performer, guitar, patch] { performer->setPatch(guitar, patch); });
        }
        break;
    }
    default:
        break;
    }
}

void MidiIn::noteOn(int channel, int note, int velocity, int frame) {
    const GuitarId guitar = now_.guitarOfChannel(channel);
    const int string = now_.stringOfChannel(channel);
    if (!validGuitar(guitar))
        return;
    const int sampleNo = note - MidiExport::kFirstSampleNote;
    if (sampleNo < 0 || sampleNo >= SampleBank::kSamplesPerPatch) {
        ignored_.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    // The same key again before its note-off: the old note ends first, or
    // nothing would ever release it.
    releaseHeld(channel, note);
    Held& held = held_[static_cast<std::size_t>(channel)][static_cast<std::size_t>(note)];
    held.voice =
        performer_.playFromMidi(guitar, string, sampleNo, static_cast<float>(velocity) / 127.0f, frame);
    held.sustained = false;
    if (held.voice < 0)
        return; // no voice (every one busy and none may be cut off): nothing sounds, nothing lights
    if (bend_[static_cast<std::size_t>(channel)] != 1.0f && !engine_.whammyBarAttached(guitar))
        performer_.bendTo(held.voice, bend_[static_cast<std::size_t>(channel)]);
    sounding_[static_cast<std::size_t>(guitar)].fetch_or(uint64_t{1} << sampleNo, std::memory_order_relaxed);
    changed();
}

void MidiIn::noteOff(int channel, int note) {
    Held& held = held_[static_cast<std::size_t>(channel)][static_cast<std::size_t>(note)];
    if (held.voice < 0)
        return;
    if (sustain_[static_cast<std::size_t>(channel)]) {
        held.sustained = true;
        return;
    }
    releaseHeld(channel, note);
    changed();
}

void MidiIn::releaseHeld(int channel, int note) {
    Held& held = held_[static_cast<std::size_t>(channel)][static_cast<std::size_t>(note)];
    if (held.voice < 0)
        return;
    performer_.release(held.voice);
    held = Held{};
    const GuitarId guitar = now_.guitarOfChannel(channel);
    const int sampleNo = note - MidiExport::kFirstSampleNote;
    if (!validGuitar(guitar) || sampleNo < 0 || sampleNo >= SampleBank::kSamplesPerPatch)
        return;
    // Lit while any channel of the guitar still holds the pitch.
    for (int c = 0; c < kChannels; ++c)
        if (held_[static_cast<std::size_t>(c)][static_cast<std::size_t>(note)].voice >= 0 &&
            now_.guitarOfChannel(c) == guitar)
            return;
    sounding_[static_cast<std::size_t>(guitar)].fetch_and(~(uint64_t{1} << sampleNo),
                                                          std::memory_order_relaxed);
}

void MidiIn::pitchBend(int channel, int value) {
    const GuitarId guitar = now_.guitarOfChannel(channel);
    if (!validGuitar(guitar))
        return;
    const bool whammy = engine_.whammyBarAttached(guitar);
    const double semitones = (value - 8192) / 8192.0 * MidiExport::liveBendRange(whammy);
    const auto pitch = static_cast<float>(std::exp2(semitones / 12.0));
    if (whammy) {
        performer_.moveWhammy(guitar, std::clamp(pitch - 1.0f, -0.5f, 1.0f));
        return;
    }
    bend_[static_cast<std::size_t>(channel)] = pitch;
    for (const Held& held : held_[static_cast<std::size_t>(channel)])
        if (held.voice >= 0)
            performer_.bendTo(held.voice, pitch);
}

void MidiIn::controller(int channel, int number, int value) {
    switch (number) {
    case 64: // sustain pedal
        sustain_[static_cast<std::size_t>(channel)] = value >= 64;
        if (value < 64) {
            for (int note = 0; note < 128; ++note)
                if (held_[static_cast<std::size_t>(channel)][static_cast<std::size_t>(note)].sustained)
                    releaseHeld(channel, note);
            changed();
        }
        break;
    case MidiExport::kWahController: {
        const GuitarId guitar = now_.guitarOfChannel(channel);
        if (validGuitar(guitar))
            performer_.moveWah(guitar, 0.05f + 0.45f * static_cast<float>(value) / 127.0f);
        break;
    }
    case 120: // all sound off
    case 123: // all notes off
        sustain_[static_cast<std::size_t>(channel)] = false;
        for (int note = 0; note < 128; ++note)
            releaseHeld(channel, note);
        changed();
        break;
    default:
        break;
    }
}

void MidiIn::releaseAll() {
    for (int c = 0; c < kChannels; ++c) {
        sustain_[static_cast<std::size_t>(c)] = false;
        for (int note = 0; note < 128; ++note)
            releaseHeld(c, note);
    }
    changed();
}

void MidiIn::changed() {
    if (observer_)
        observer_();
}
