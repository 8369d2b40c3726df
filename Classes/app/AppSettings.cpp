#include "app/AppSettings.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "core/BoundedFile.h"
#include "core/WholeFileWriter.h"

#include "system/MetronomeSettings.h"
#include "system/OutputVolume.h"

namespace {

constexpr const char* kOutputVolume = "outputVolume";

MidiSettings gMidi;
constexpr const char* kLeftHanded = "leftHanded";
bool gLeftHanded = false;

// The MIDI switches, each a line "name 0" or "name 1".
struct MidiSwitch {
    const char* name;
    bool MidiSettings::*flag;
    int guitar; // -1: not per guitar
};
constexpr MidiSwitch kMidiSwitches[] = {
    {"midiChannelPerString", &MidiSettings::channelPerString, -1},
    {"midiSendSongPlayback", &MidiSettings::sendSongPlayback, -1},
    {"midiSendGuitar1", nullptr, 0},
    {"midiSendGuitar2", nullptr, 1},
};

bool& switchIn(MidiSettings& s, const MidiSwitch& sw) {
    return sw.flag != nullptr ? s.*sw.flag : s.sendGuitar[static_cast<std::size_t>(sw.guitar)];
}

std::string pathIn(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + "/" + name;
}

} // namespace

std::string AppSettings::text() {
    char line[64];
    std::snprintf(line, sizeof line, "%s %.4f\n", kOutputVolume, static_cast<double>(OutputVolume::get()));
    std::string text = line;
    for (const MidiSwitch& sw : kMidiSwitches)
        text += std::string(sw.name) + (switchIn(gMidi, sw) ? " 1\n" : " 0\n");
    text += std::string(kLeftHanded) + (gLeftHanded ? " 1\n" : " 0\n");
    // The metronome: song playback takes them from MetronomeSettings.
    std::snprintf(line, sizeof line, "click %d\nclickVolume %.4f\n", MetronomeSettings::on() ? 1 : 0,
                  static_cast<double>(MetronomeSettings::volume()));
    return text + line;
}

MidiSettings AppSettings::midi() {
    return gMidi;
}

void AppSettings::setMidi(const MidiSettings& settings) {
    gMidi = settings;
}

bool AppSettings::leftHanded() {
    return gLeftHanded;
}

void AppSettings::setLeftHanded(bool on) {
    gLeftHanded = on;
}

void AppSettings::apply(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string name, value;
        if (!(words >> name >> value))
            continue;
        bool known = false;
        if (name == kLeftHanded && (value == "0" || value == "1")) {
            gLeftHanded = value == "1";
            known = true;
        }
        for (const MidiSwitch& sw : kMidiSwitches) {
            if (name == sw.name && (value == "0" || value == "1")) {
                switchIn(gMidi, sw) = value == "1";
                known = true;
            }
        }
        if (name == "click" && (value == "0" || value == "1"))
            MetronomeSettings::setOn(value == "1");
        if (known || (name != kOutputVolume && name != "clickVolume"))
            continue; // a MIDI switch, the click, or a setting of a later version
        char* end = nullptr;
        errno = 0;
        const float v = std::strtof(value.c_str(), &end);
        if (errno == 0 && end != value.c_str() && *end == '\0' && v >= 0 && v <= 1)
            name == kOutputVolume ? OutputVolume::set(v) : MetronomeSettings::setVolume(v);
    }
}

std::string AppSettings::load(const std::string& folder) {
    std::vector<std::uint8_t> bytes;
    const std::string failure =
        BoundedFile::read(pathIn(folder, kFileName), BoundedFile::Limit::kSettings, bytes);
    if (failure == "FileNotFound")
        return {}; // not written yet: the defaults stand
    if (failure.empty())
        apply(std::string(bytes.begin(), bytes.end()));
    return failure;
}

bool AppSettings::save(const std::string& folder) {
    const std::string line = text();
    return WholeFileWriter::write(pathIn(folder, kFileName),
                                  reinterpret_cast<const std::uint8_t*>(line.data()), line.size());
}
