#include "storage/MidiFileWriter.h"

#include <algorithm>

namespace {

uint8_t data7(int value) {
    return static_cast<uint8_t>(std::clamp(value, 0, 127));
}

void append32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(v >> shift));
}

} // namespace

int MidiFileWriter::addTrack() {
    tracks_.emplace_back();
    return static_cast<int>(tracks_.size()) - 1;
}

uint8_t MidiFileWriter::status(uint8_t kind, int channel) {
    return static_cast<uint8_t>(kind | (std::clamp(channel, 0, 15) & 0x0F));
}

void MidiFileWriter::add(int track, uint32_t tick, std::vector<uint8_t> data) {
    Track& t = tracks_.at(static_cast<size_t>(track));
    t.events.push_back({std::min(tick, kMaxTick), std::move(data)});
}

void MidiFileWriter::noteOn(int track, uint32_t tick, int channel, int note, int velocity) {
    add(track, tick, {status(0x90, channel), data7(note), data7(std::max(velocity, 1))});
}

void MidiFileWriter::noteOff(int track, uint32_t tick, int channel, int note) {
    add(track, tick, {status(0x80, channel), data7(note), 0});
}

void MidiFileWriter::controlChange(int track, uint32_t tick, int channel, int controller, int value) {
    add(track, tick, {status(0xB0, channel), data7(controller), data7(value)});
}

void MidiFileWriter::programChange(int track, uint32_t tick, int channel, int program) {
    add(track, tick, {status(0xC0, channel), data7(program)});
}

void MidiFileWriter::pitchBend(int track, uint32_t tick, int channel, int value) {
    const int v = std::clamp(value, 0, 16383);
    add(track, tick, {status(0xE0, channel), static_cast<uint8_t>(v & 0x7F), static_cast<uint8_t>(v >> 7)});
}

void MidiFileWriter::pitchBendRange(int track, uint32_t tick, int channel, int semitones, int cents) {
    controlChange(track, tick, channel, 101, 0); // RPN MSB
    controlChange(track, tick, channel, 100, 0); // RPN LSB: pitch-bend sensitivity
    controlChange(track, tick, channel, 6, semitones);
    controlChange(track, tick, channel, 38, cents);
    controlChange(track, tick, channel, 101, 127); // null RPN
    controlChange(track, tick, channel, 100, 127);
}

void MidiFileWriter::tempo(int track, uint32_t tick, uint32_t microsecondsPerQuarter) {
    const uint32_t v = std::min<uint32_t>(microsecondsPerQuarter, 0xFFFFFF);
    add(track, tick,
        {0xFF, 0x51, 3, static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
         static_cast<uint8_t>(v)});
}

void MidiFileWriter::timeSignature(int track, uint32_t tick, int numerator, int denominatorPower) {
    add(track, tick, {0xFF, 0x58, 4, data7(numerator), data7(denominatorPower), 24, 8});
}

void MidiFileWriter::trackName(int track, uint32_t tick, const std::string& name) {
    std::vector<uint8_t> data = {0xFF, 0x03};
    appendVarLen(data, static_cast<uint32_t>(name.size()));
    data.insert(data.end(), name.begin(), name.end());
    add(track, tick, std::move(data));
}

void MidiFileWriter::setTrackEnd(int track, uint32_t tick) {
    Track& t = tracks_.at(static_cast<size_t>(track));
    t.end = std::max(t.end, std::min(tick, kMaxTick));
}

void MidiFileWriter::appendVarLen(std::vector<uint8_t>& out, uint32_t value) {
    value = std::min(value, kMaxTick);
    uint8_t groups[4];
    int n = 0;
    do {
        groups[n++] = static_cast<uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (n > 1)
        out.push_back(static_cast<uint8_t>(groups[--n] | 0x80));
    out.push_back(groups[0]);
}

std::vector<uint8_t> MidiFileWriter::bytes() const {
    std::vector<uint8_t> out = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1};
    out.push_back(static_cast<uint8_t>(tracks_.size() >> 8));
    out.push_back(static_cast<uint8_t>(tracks_.size()));
    out.push_back(static_cast<uint8_t>(ticksPerQuarter_ >> 8));
    out.push_back(static_cast<uint8_t>(ticksPerQuarter_));
    for (const Track& track : tracks_) {
        std::vector<const Event*> order;
        order.reserve(track.events.size());
        for (const Event& e : track.events)
            order.push_back(&e);
        std::stable_sort(order.begin(), order.end(),
                         [](const Event* a, const Event* b) { return a->tick < b->tick; });
        std::vector<uint8_t> body;
        uint32_t now = 0;
        for (const Event* e : order) {
            appendVarLen(body, e->tick - now);
            now = e->tick;
            body.insert(body.end(), e->data.begin(), e->data.end());
        }
        appendVarLen(body, std::max(track.end, now) - now);
        body.insert(body.end(), {0xFF, 0x2F, 0x00});
        out.insert(out.end(), {'M', 'T', 'r', 'k'});
        append32(out, static_cast<uint32_t>(body.size()));
        out.insert(out.end(), body.begin(), body.end());
    }
    return out;
}
