#include "MidiFile.h"

#include <algorithm>
#include <cmath>
#include <fstream>

namespace {
constexpr uint16_t kTicksPerQuarter = 500; // 120 bpm default tempo: 1 ms a tick

void appendBe32(std::vector<uint8_t>& out, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8)
        out.push_back(static_cast<uint8_t>(v >> s));
}
void appendBe16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}
uint8_t data7(int v) {
    return static_cast<uint8_t>(std::clamp(v, 0, 127));
}
uint8_t channel4(int c) {
    return static_cast<uint8_t>(std::clamp(c, 0, 15));
}
} // namespace

void MidiFile::add(double seconds, uint8_t status, uint8_t d1, int d2) {
    Event e{};
    e.tick = static_cast<uint32_t>(std::llround(std::max(0.0, seconds) * 1000.0));
    e.order = static_cast<uint32_t>(events_.size());
    e.data[0] = status;
    e.data[1] = d1;
    e.size = 2;
    if (d2 >= 0) {
        e.data[2] = data7(d2);
        e.size = 3;
    }
    events_.push_back(e);
}

void MidiFile::programChange(double seconds, int channel, int program) {
    add(seconds, static_cast<uint8_t>(0xC0 | channel4(channel)), data7(program), -1);
}

void MidiFile::controlChange(double seconds, int channel, int controller, int value) {
    add(seconds, static_cast<uint8_t>(0xB0 | channel4(channel)), data7(controller), value);
}

void MidiFile::noteOn(double seconds, int channel, int note, int velocity) {
    add(seconds, static_cast<uint8_t>(0x90 | channel4(channel)), data7(note), std::clamp(velocity, 1, 127));
}

void MidiFile::noteOff(double seconds, int channel, int note) {
    add(seconds, static_cast<uint8_t>(0x80 | channel4(channel)), data7(note), 0);
}

void MidiFile::allSoundOff(double seconds, int channel) {
    controlChange(seconds, channel, 120, 0);
}

void MidiFile::appendVarLen(std::vector<uint8_t>& out, uint32_t value) {
    uint8_t groups[5];
    int n = 0;
    do {
        groups[n++] = static_cast<uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (n > 1)
        out.push_back(static_cast<uint8_t>(groups[--n] | 0x80));
    out.push_back(groups[0]);
}

std::vector<uint8_t> MidiFile::bytes() const {
    std::vector<Event> sorted = events_;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const Event& a, const Event& b) { return a.tick < b.tick; });
    std::vector<uint8_t> track;
    uint32_t now = 0;
    for (const Event& e : sorted) {
        appendVarLen(track, e.tick - now);
        now = e.tick;
        track.insert(track.end(), e.data, e.data + e.size);
    }
    // End of track.
    track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});

    std::vector<uint8_t> out;
    out.insert(out.end(), {'M', 'T', 'h', 'd'});
    appendBe32(out, 6);
    appendBe16(out, 0); // format 0: one track
    appendBe16(out, 1);
    appendBe16(out, kTicksPerQuarter);
    out.insert(out.end(), {'M', 'T', 'r', 'k'});
    appendBe32(out, static_cast<uint32_t>(track.size()));
    out.insert(out.end(), track.begin(), track.end());
    return out;
}

bool MidiFile::write(const std::string& path) const {
    const std::vector<uint8_t> data = bytes();
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    return static_cast<bool>(f);
}
