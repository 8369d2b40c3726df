#include "storage/DumpCommand.h"

#include <cctype>
#include <exception>
#include <optional>
#include <sstream>

#include "core/BoundedFile.h"
#include "core/FailureText.h"
#include "core/SongVersion.h"
#include "core/StrumwellFailure.h"
#include "song/Song.h"
#include "storage/EngineSectionContents.h"
#include "storage/JsonNumber.h"
#include "storage/SongCodec.h"

namespace {

std::string f32(float v) {
    return JsonNumber::f32(v);
}
std::string f64(double v) {
    return JsonNumber::f64(v);
}
const char* boolean(bool v) {
    return v ? "true" : "false";
}

void printTab(std::ostream& out, const Tab& tab) {
    out << "  \"tab\": {\"currentTabIndex\": " << tab.currentTabIndex() << ", \"columns\": [";
    bool first = true;
    for (const TablatureEntry& e : tab.tab()) {
        out << (first ? "" : ", ") << "[";
        for (int s = 0; s < TablatureEntry::kNumStrings; ++s)
            out << (s ? ", " : "") << e.fret(s);
        out << "]";
        first = false;
    }
    out << "]}";
}

template <typename Change> void printChanges(std::ostream& out, const std::vector<Change>& list) {
    out << "[";
    for (size_t i = 0; i < list.size(); ++i)
        out << (i ? ",\n      " : "\n      ") << "{\"time\": " << f64(list[i].time())
            << ", \"pitch\": " << f32(list[i].pitch()) << ", \"overdubNo\": " << list[i].overdubNo() << "}";
    out << (list.empty() ? "]" : "\n    ]");
}

void printRecorder(std::ostream& out, const std::optional<SongEvents>& events) {
    out << "  \"recorder\": ";
    if (!events) {
        out << "null";
        return;
    }
    out << "{\n    \"currentNoteID\": " << events->currentNoteID << ",\n    ";
    // Only a song that a load cut to the event limit says so; the notes
    // below are the ones kept.
    if (const int leftOut = events->eventsLeftOut; leftOut > 0)
        out << "\"eventsLeftOut\": " << leftOut << ",\n    ";
    out << "\"notes\": [";
    const std::vector<Note>& notes = events->notes;
    for (size_t i = 0; i < notes.size(); ++i) {
        const Note& n = notes[i];
        out << (i ? ",\n      " : "\n      ") << "{\"time\": " << f64(n.time())
            << ", \"keyDown\": " << boolean(n.keyDown()) << ", \"sampleNo\": " << n.sampleNo()
            << ", \"noteID\": " << n.noteID() << ", \"volume\": " << f32(n.volume())
            << ", \"releaseDelta\": " << f64(n.releaseDelta()) << "}";
    }
    out << (notes.empty() ? "]" : "\n    ]") << ",\n    \"pitchChanges\": [";
    const std::vector<PitchChange>& bends = events->pitchBends;
    for (size_t i = 0; i < bends.size(); ++i)
        out << (i ? ",\n      " : "\n      ") << "{\"time\": " << f64(bends[i].time())
            << ", \"noteID\": " << bends[i].noteID() << ", \"pitch\": " << f32(bends[i].pitch())
            << ", \"overdubNo\": " << bends[i].overdubNo() << "}";
    out << (bends.empty() ? "]" : "\n    ]") << ",\n    \"whammy\": [";
    printChanges(out, events->whammy[0]);
    out << ", ";
    printChanges(out, events->whammy[1]);
    out << "],\n    \"wah\": [";
    printChanges(out, events->wah[0]);
    out << ", ";
    printChanges(out, events->wah[1]);
    out << "]\n  }";
}

void printTuning(std::ostream& out, const GuitarTuning& t) {
    out << "{\"name\": \"" << t.name() << "\", \"openSamples\": [";
    for (size_t s = 0; s < t.openSample.size(); ++s)
        out << (s ? ", " : "") << t.openSample[s];
    out << "], \"capo\": " << t.capo << "}";
}

// Only files that keep them show the tunings and the beat, so the dump of an
// older file reads as it always did.
void printOptions(std::ostream& out, const Song& song, bool tabFile) {
    if (!SongVersion::optionsSectionKnown(song.version))
        return;
    if (tabFile) {
        out << ",\n  \"tuning\": ";
        printTuning(out, song.tunings[0]);
        return;
    }
    out << ",\n  \"tunings\": [";
    for (size_t g = 0; g < song.tunings.size(); ++g) {
        out << (g ? ",\n    " : "\n    ");
        printTuning(out, song.tunings[g]);
    }
    out << "\n  ],\n  \"beat\": {\"tempo\": " << song.timing.tempo
        << ", \"beatsPerBar\": " << song.timing.beatsPerBar << "}";
}

void printEngine(std::ostream& out, const std::optional<EngineSettings>& engine) {
    out << "  \"engine\": ";
    if (engine)
        EngineSectionContents::printJson(out, *engine);
    else
        out << "null";
}

bool endsWithTab(const std::string& path) {
    if (path.size() < 4)
        return false;
    std::string tail = path.substr(path.size() - 4);
    for (char& c : tail)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return tail == ".TAB";
}

} // namespace

std::string DumpCommand::usage() {
    return "usage: strumwell dump [--song|--tab] FILE\n"
           "  Prints a song, state or tab file as JSON. Files named *.TAB are read as tab\n"
           "  files, all others as song or state files; --tab or --song says which.\n";
}

int DumpCommand::dumpBuffer(const uint8_t* bytes, size_t size, bool tabFile, std::ostream& out,
                            std::ostream& err) {
    std::string failure;
    const int code = dumpBytes(bytes, size, tabFile, out, failure);
    if (code != 0)
        err << failure << "\n";
    return code;
}

int DumpCommand::dumpBytes(const uint8_t* bytes, size_t size, bool tabFile, std::ostream& out,
                           std::string& failure) {
    if (size == 0) {
        failure = "Empty file";
        return 1;
    }
    Song song;
    try {
        song = tabFile ? SongCodec::readTab(bytes, size) : SongCodec::readSong(bytes, size);
    } catch (const StrumwellFailure& thrown) {
        failure = thrown.name();
        return 1;
    } catch (const std::exception& e) {
        failure = e.what();
        return 1;
    }

    // Built whole before printing, so a failure never leaves half a document.
    std::ostringstream json;
    json << "{\n  \"kind\": \"" << (tabFile ? "tab" : "song") << "\",\n  \"version\": " << song.version
         << ",\n";
    printTab(json, song.tab);
    if (!tabFile) {
        json << ",\n";
        printRecorder(json, song.events);
        json << ",\n";
        printEngine(json, song.engine);
    }
    printOptions(json, song, tabFile);
    json << "\n}\n";
    out << json.str();
    return 0;
}

int DumpCommand::run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::optional<bool> forceTab;
    std::string path;
    for (const std::string& a : args) {
        if (a == "-h" || a == "--help") {
            out << usage();
            return 0;
        } else if (a == "--tab") {
            forceTab = true;
        } else if (a == "--song") {
            forceTab = false;
        } else if (path.empty() && (a.empty() || a[0] != '-' || a == "-")) {
            path = a;
        } else {
            err << "strumwell dump: unexpected argument '" << a << "'\n" << usage();
            return 2;
        }
    }
    if (path.empty()) {
        err << usage();
        return 2;
    }
    const bool tabFile = forceTab.value_or(endsWithTab(path));
    // Read under the limit of the kind: /dev/zero, a FIFO or an endless pipe
    // is refused at once instead of filling the memory.
    const size_t limit = tabFile ? BoundedFile::Limit::kTab : BoundedFile::Limit::kSong;
    std::vector<uint8_t> bytes;
    std::string failure =
        path == "-" ? BoundedFile::readStandardInput(limit, bytes) : BoundedFile::read(path, limit, bytes);
    if (failure.empty() && dumpBytes(bytes.data(), bytes.size(), tabFile, out, failure) == 0)
        return 0;
    err << FailureText::toolLine(path, failure) << "\n";
    return 1;
}
