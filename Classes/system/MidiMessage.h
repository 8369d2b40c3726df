#pragma once
#include <cstdint>

// One short MIDI message (a channel message: note on/off, controller,
// program change, pitch bend) as it travels between the ports and the
// performer. System exclusive and other long messages are not carried.
struct MidiMessage {
    uint8_t bytes[3] = {0, 0, 0};
    uint8_t size = 0;
    // Where the message falls within the audio period it arrived in (JACK),
    // in frames from the period's start; 0 where the port has no periods.
    uint32_t frame = 0;

    uint8_t status() const { return static_cast<uint8_t>(bytes[0] & 0xf0); }
    int channel() const { return bytes[0] & 0x0f; }

    static MidiMessage make(uint8_t status, int channel, int data1, int data2 = -1) {
        MidiMessage m;
        m.bytes[0] = static_cast<uint8_t>((status & 0xf0) | (channel & 0x0f));
        m.bytes[1] = static_cast<uint8_t>(data1 & 0x7f);
        m.size = 2;
        if (data2 >= 0) {
            m.bytes[2] = static_cast<uint8_t>(data2 & 0x7f);
            m.size = 3;
        }
        return m;
    }

    static constexpr uint8_t kNoteOff = 0x80;
    static constexpr uint8_t kNoteOn = 0x90;
    static constexpr uint8_t kController = 0xb0;
    static constexpr uint8_t kProgramChange = 0xc0;
    static constexpr uint8_t kPitchBend = 0xe0;
    // The length of a channel message with this status byte, 0 for others.
    static int lengthOf(uint8_t status) {
        switch (status & 0xf0) {
        case 0x80:
        case 0x90:
        case 0xa0:
        case 0xb0:
        case 0xe0:
            return 3;
        case 0xc0:
        case 0xd0:
            return 2;
        default:
            return 0;
        }
    }
};
