#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A format-0 Standard MIDI File written from events placed in seconds. The
// time base is fixed at 1 ms per tick (500 ticks per quarter note at the
// default 120 beats per minute), so event times are exact to the millisecond.
class MidiFile {
public:
    void programChange(double seconds, int channel, int program);
    void controlChange(double seconds, int channel, int controller, int value);
    void noteOn(double seconds, int channel, int note, int velocity);
    void noteOff(double seconds, int channel, int note);
    // CC 120: every voice on the channel stops at once, release included.
    void allSoundOff(double seconds, int channel);

    // The whole file. Events at the same time keep the order they were added.
    std::vector<uint8_t> bytes() const;
    bool write(const std::string& path) const;

    // Variable-length quantity as stored in MIDI files (7 bits per byte,
    // most significant first, high bit set on all but the last).
    static void appendVarLen(std::vector<uint8_t>& out, uint32_t value);

private:
    struct Event {
        uint32_t tick;
        uint32_t order;
        uint8_t data[3];
        uint8_t size;
    };
    void add(double seconds, uint8_t status, uint8_t d1, int d2);

    std::vector<Event> events_;
};
