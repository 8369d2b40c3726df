#pragma once
// A MIDI port that keeps each message sent to it in words:
// "c<channel 1-16> on|off|at|cc|pc|cp|bend <data...>", a bend as one 14-bit
// value.
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "system/MidiPorts.h"

namespace testsupport {

class MidiLog : public MidiPorts {
public:
    std::string open(MidiInbox& in) override {
        inbox = &in;
        return {};
    }
    void close() override {}
    std::string describe() const override { return "log"; }
    void send(const MidiMessage& m) override {
        static const char* names[] = {"off", "on", "at", "cc", "pc", "cp", "bend"};
        const int kind = (m.bytes[0] >> 4) - 8, c = m.channel() + 1;
        char text[48];
        if (m.status() == MidiMessage::kPitchBend)
            std::snprintf(text, sizeof text, "c%d bend %d", c, m.bytes[1] | (m.bytes[2] << 7));
        else if (m.size == 2 || (kind < 2 && !velocities))
            std::snprintf(text, sizeof text, "c%d %s %d", c, names[kind], m.bytes[1]);
        else
            std::snprintf(text, sizeof text, "c%d %s %d %d", c, names[kind], m.bytes[1], m.bytes[2]);
        sent.push_back(text);
    }
    // What was sent since the last call.
    std::vector<std::string> take() { return std::exchange(sent, {}); }

    bool velocities = true; // false: notes as "c<channel> on|off <note>"
    MidiInbox* inbox = nullptr;
    std::vector<std::string> sent;
};

} // namespace testsupport
