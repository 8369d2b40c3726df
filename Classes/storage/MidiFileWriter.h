#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A Standard MIDI File of type 1 built in memory: a header and any number of
// tracks, each a list of events at absolute tick times. Every event is
// written with its full status byte (no running status), so that the
// simplest reader can follow it. Each track ends with an end-of-track event
// at its last event's tick or at the tick given to setTrackEnd, whichever is
// later.
//
// Threads: any; an instance belongs to one thread at a time.
class MidiFileWriter {
public:
    explicit MidiFileWriter(uint16_t ticksPerQuarter) : ticksPerQuarter_(ticksPerQuarter) {}

    // A new empty track; returns its index (0 for the first).
    int addTrack();

    // Channel messages (channel 0 ... 15). Events of one track that share a
    // tick keep the order in which they were added.
    void noteOn(int track, uint32_t tick, int channel, int note, int velocity);
    void noteOff(int track, uint32_t tick, int channel, int note);
    void controlChange(int track, uint32_t tick, int channel, int controller, int value);
    void programChange(int track, uint32_t tick, int channel, int program);
    // value 0 ... 16383, 8192 is the centre (no bend).
    void pitchBend(int track, uint32_t tick, int channel, int value);
    // Registered parameter 0 (pitch-bend sensitivity): the bend range in
    // semitones and cents, followed by the null parameter so that a later
    // data entry changes nothing by mistake.
    void pitchBendRange(int track, uint32_t tick, int channel, int semitones, int cents);

    // Meta events.
    void tempo(int track, uint32_t tick, uint32_t microsecondsPerQuarter);
    void timeSignature(int track, uint32_t tick, int numerator, int denominatorPower);
    void trackName(int track, uint32_t tick, const std::string& name);
    void setTrackEnd(int track, uint32_t tick);

    int trackCount() const { return static_cast<int>(tracks_.size()); }
    // Delta times are variable-length quantities of at most 28 bits: the
    // largest tick a file can reach.
    static constexpr uint32_t kMaxTick = 0x0FFFFFFF;

    // The whole file. Ticks above kMaxTick are clamped to it.
    std::vector<uint8_t> bytes() const;

    // Variable-length quantity (7 bits a byte, most significant first, the
    // high bit set on every byte but the last); values above kMaxTick are
    // clamped.
    static void appendVarLen(std::vector<uint8_t>& out, uint32_t value);

private:
    struct Event {
        uint32_t tick;
        std::vector<uint8_t> data;
    };
    struct Track {
        std::vector<Event> events;
        uint32_t end = 0;
    };
    void add(int track, uint32_t tick, std::vector<uint8_t> data);
    static uint8_t status(uint8_t kind, int channel);

    uint16_t ticksPerQuarter_;
    std::vector<Track> tracks_;
};
