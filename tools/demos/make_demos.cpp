// make_demos: builds the demo songs ("NAME.SAV") and tabs ("NAME.TAB") that
// ship in the bundle, from a small text description (demos.txt).
//
//   make_demos DEMOS.txt OUTPUT_FOLDER
//
// The files are written through the real model: tab columns go into a Tab,
// songs are played note by note into a Recorder through a SoundEngine driven
// by a manual clock, and FileManager writes both. Every file is then loaded
// back and checked before the tool reports success, so a file in the bundle
// always loads. Exit status 0 on success, 1 on any error (with one line on
// standard error naming the source line).
#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "audio/SoundEngine.h"
#include "performer/Performer.h"
#include "recorder/Recorder.h"
#include "song/Tab.h"
#include "storage/FileManager.h"
#include "system/Clock.h"

namespace {

constexpr std::array<int, 6> kStandardTuningOffsets = {2, 7, 12, 17, 21, 26};
// Gap between the strings of a strummed column.
constexpr double kStrumGap = 0.012;
// Share of its length a note sounds before the next one (a little air).
constexpr double kArticulation = 0.9;
// Silence before the first note and after the last.
constexpr double kLeadIn = 0.25;
constexpr double kTail = 0.5;

struct Column {
    std::array<int, 6> frets{}; // -1 = string not played
    int units = 1;
    bool rest = false;
};

struct Demo {
    bool isSong = false;
    std::string name;
    int line = 0;
    int guitar = 0;
    double tempo = 120.0;
    int unitsPerBeat = 2;
    int ring = 0;
    int volumePercent = 100;
    std::vector<Column> columns;
};

struct SourceError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void fail(int line, const std::string& what) {
    throw SourceError("line " + std::to_string(line) + ": " + what);
}

int parsePositive(const std::string& text, int line, const char* what) {
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos)
        fail(line, std::string("bad ") + what + " \"" + text + "\"");
    const int value = std::stoi(text);
    if (value <= 0)
        fail(line, std::string(what) + " must be positive");
    return value;
}

Column parseColumn(const std::string& token, bool isSong, int line) {
    Column column;
    std::string frets = token;
    const size_t slash = token.find('/');
    if (slash != std::string::npos) {
        if (!isSong)
            fail(line, "tab columns have no length: \"" + token + "\"");
        column.units = parsePositive(token.substr(slash + 1), line, "length");
        frets = token.substr(0, slash);
    }
    if (frets == "-") {
        if (!isSong)
            fail(line, "tabs have no rests");
        column.rest = true;
        column.frets.fill(-1);
        return column;
    }
    if (frets.size() != 6)
        fail(line, "a column needs six strings: \"" + token + "\"");
    bool any = false;
    for (size_t s = 0; s < 6; ++s) {
        const char c = frets[s];
        if (c == 'x' || c == 'X') {
            column.frets[s] = -1;
        } else if (c >= '0' && c <= '9') {
            column.frets[s] = c - '0';
            any = true;
        } else {
            fail(line, "bad fret '" + std::string(1, c) + "' in \"" + token + "\"");
        }
    }
    if (!any)
        fail(line, "no string played in \"" + token + "\" (use - for a rest)");
    return column;
}

std::vector<Demo> parseDemos(std::istream& in) {
    std::vector<Demo> demos;
    std::string raw;
    int line = 0;
    while (std::getline(in, raw)) {
        ++line;
        const size_t hash = raw.find('#');
        std::string text = raw.substr(0, hash);
        while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
            text.pop_back();
        const size_t first = text.find_first_not_of(" \t");
        if (first == std::string::npos)
            continue;
        text = text.substr(first);

        if (text.front() == '[') {
            if (text.back() != ']')
                fail(line, "unclosed section header");
            std::istringstream header(text.substr(1, text.size() - 2));
            std::string kind;
            header >> kind;
            std::string name;
            std::getline(header, name);
            name.erase(0, std::min(name.find_first_not_of(" \t"), name.size()));
            if (kind != "tab" && kind != "song")
                fail(line, "section must be [tab NAME] or [song NAME]");
            // The library screens turn these characters into "_" in names
            // they save, so a demo named with them could never be overwritten.
            if (name.empty() || name.find_first_of("./\\") != std::string::npos)
                fail(line, "bad name \"" + name + "\"");
            for (const Demo& d : demos)
                if (d.name == name && d.isSong == (kind == "song"))
                    fail(line, "\"" + name + "\" given twice");
            Demo demo;
            demo.isSong = kind == "song";
            demo.name = name;
            demo.line = line;
            demos.push_back(demo);
            continue;
        }
        if (demos.empty())
            fail(line, "text before the first section");
        Demo& demo = demos.back();

        std::istringstream words(text);
        std::string word;
        words >> word;
        if (word == "guitar" || word == "tempo" || word == "unit" || word == "ring" || word == "volume") {
            if (!demo.isSong)
                fail(line, "\"" + word + "\" is a song setting");
            std::string value, extra;
            words >> value;
            if (words >> extra)
                fail(line, "one value expected after \"" + word + "\"");
            const int v = parsePositive(value, line, word.c_str());
            if (word == "guitar") {
                if (v > 2)
                    fail(line, "guitar is 1 or 2");
                demo.guitar = v - 1;
            } else if (word == "tempo") {
                if (v < 20 || v > 400)
                    fail(line, "tempo outside 20 ... 400");
                demo.tempo = v;
            } else if (word == "unit") {
                if (v > 16)
                    fail(line, "unit outside 1 ... 16");
                demo.unitsPerBeat = v;
            } else if (word == "volume") {
                if (v > 100)
                    fail(line, "volume outside 1 ... 100");
                demo.volumePercent = v;
            } else {
                demo.ring = v;
            }
            continue;
        }

        int repeat = 1;
        // Columns are six characters long, so a short "Kx" is never one.
        if (word.size() >= 2 && word.size() <= 3 && word.back() == 'x' &&
            word.find_first_not_of("0123456789") == word.size() - 1) {
            repeat = parsePositive(word.substr(0, word.size() - 1), line, "repeat count");
            if (repeat > 64)
                fail(line, "repeat count above 64");
            if (!(words >> word))
                fail(line, "nothing to repeat");
        }
        std::vector<Column> columns;
        do {
            columns.push_back(parseColumn(word, demo.isSong, line));
        } while (words >> word);
        for (int r = 0; r < repeat; ++r)
            demo.columns.insert(demo.columns.end(), columns.begin(), columns.end());
    }
    for (const Demo& demo : demos) {
        const bool anyNote =
            std::any_of(demo.columns.begin(), demo.columns.end(), [](const Column& c) { return !c.rest; });
        if (!anyNote)
            fail(demo.line, "\"" + demo.name + "\" has no notes");
    }
    return demos;
}

// One note of a song, in seconds from the start of the recording.
struct TimedNote {
    double start = 0.0;
    double end = 0.0;
    int sampleNo = 0;
};

std::vector<TimedNote> scheduleSong(const Demo& demo) {
    const double unitSeconds = 60.0 / demo.tempo / demo.unitsPerBeat;
    std::vector<TimedNote> notes;
    double t = kLeadIn;
    for (const Column& column : demo.columns) {
        const double length = column.units * unitSeconds;
        if (!column.rest) {
            const int sounding = std::max(column.units, demo.ring);
            int strummed = 0;
            for (int s = 0; s < 6; ++s) {
                if (column.frets[static_cast<size_t>(s)] < 0)
                    continue;
                TimedNote note;
                note.start = t + kStrumGap * strummed++;
                note.end = t + sounding * unitSeconds * kArticulation;
                note.sampleNo =
                    kStandardTuningOffsets[static_cast<size_t>(s)] + column.frets[static_cast<size_t>(s)];
                notes.push_back(note);
            }
        }
        t += length;
    }
    return notes;
}

// Plays the song into the recorder, as a player on the Manual Fret guitar
// would: one voice per note, stopped when the note ends.
void recordSong(const Demo& demo, SoundEngine& engine, Recorder& recorder, ManualClock& clock) {
    const std::vector<TimedNote> notes = scheduleSong(demo);
    struct Action {
        double time;
        bool start;
        size_t note;
    };
    std::vector<Action> actions;
    for (size_t i = 0; i < notes.size(); ++i) {
        actions.push_back({notes[i].start, true, i});
        actions.push_back({notes[i].end, false, i});
    }
    // At equal times a note ends before the next one starts.
    std::stable_sort(actions.begin(), actions.end(), [](const Action& a, const Action& b) {
        if (a.time != b.time)
            return a.time < b.time;
        return !a.start && b.start;
    });

    // The demo is played as a player would: through a performer, which
    // records each note before the engine sounds it.
    Performer performer(engine, recorder, nullptr, nullptr);
    const double base = clock.now();
    recorder.record();
    std::vector<int> voices(notes.size(), -1);
    std::vector<size_t> startedAt(notes.size(), 0);
    size_t starts = 0;
    for (const Action& action : actions) {
        clock.set(base + action.time);
        if (action.start) {
            voices[action.note] = performer.play(demo.guitar, notes[action.note].sampleNo,
                                                 static_cast<float>(demo.volumePercent) / 100.0f);
            startedAt[action.note] = starts++;
            if (voices[action.note] < 0)
                throw std::runtime_error("\"" + demo.name + "\": no voice for a note");
        } else {
            // Nothing renders here, so voices never fall free and each start
            // past the 40th takes the oldest voice: a note held over that many
            // later starts would be stopped on someone else's voice.
            if (starts - startedAt[action.note] >= static_cast<size_t>(SoundEngine::kNumVoices))
                throw std::runtime_error("\"" + demo.name + "\": a note rings over too many others");
            performer.release(voices[action.note]);
        }
    }
    clock.set(base + (actions.empty() ? 0.0 : actions.back().time) + kTail);
    recorder.stop();
    // The pass is merged into the song on the next pass of the playback loop.
    recorder.runPlaybackPass();
    engine.stopAllSoundsImmediately();

    const int expected = static_cast<int>(notes.size()) * 2;
    if (recorder.getNumNotes() != expected)
        throw std::runtime_error("\"" + demo.name + "\": recorded " + std::to_string(recorder.getNumNotes()) +
                                 " events, expected " + std::to_string(expected));
}

void makeDemo(const Demo& demo, FileManager& files, Tab& tab, SoundEngine& engine, Recorder& recorder,
              ManualClock& clock) {
    files.resetState();
    if (demo.isSong) {
        recordSong(demo, engine, recorder, clock);
        const std::string file = demo.name + ".SAV";
        const int events = recorder.getNumNotes();
        if (!files.saveState(file))
            throw std::runtime_error("could not write \"" + file + "\"");
        files.resetState();
        if (!files.loadState(file) || recorder.getNumNotes() != events)
            throw std::runtime_error("\"" + file + "\" does not load back: " + files.lastFailure());
        std::cout << "make_demos: " << file << ": " << events / 2 << " notes\n";
    } else {
        for (const Column& column : demo.columns)
            tab.addNotesToTab(tab.tabSize(), column.frets.data());
        const std::string file = demo.name + ".TAB";
        const int32_t size = tab.tabSize();
        if (!files.saveTab(file))
            throw std::runtime_error("could not write \"" + file + "\"");
        tab.clearTab();
        if (!files.loadTab(file) || tab.tabSize() != size)
            throw std::runtime_error("\"" + file + "\" does not load back: " + files.lastFailure());
        std::cout << "make_demos: " << file << ": " << size << " columns\n";
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make_demos DEMOS.txt OUTPUT_FOLDER\n";
        return 2;
    }
    const std::string sourcePath = argv[1];
    const std::string outFolder = argv[2];
    try {
        std::ifstream in(sourcePath);
        if (!in)
            throw std::runtime_error("cannot read " + sourcePath);
        const std::vector<Demo> demos = parseDemos(in);

        ManualClock clock(0.0);
        // No samples are needed to record a song: point the engine at a
        // folder that holds none, so nothing is loaded.
        SoundEngine engine(nullptr, nullptr, outFolder + "/.no-samples", clock);
        {
            Recorder recorder(nullptr, &engine, clock, false);
            Tab tab;
            FileManager files(&tab, &recorder, &engine, outFolder);
            // Keep the model's own diagnostics out of the build log.
            std::ostringstream quiet;
            files.setDiagnosticStream(quiet);
            for (const Demo& demo : demos)
                makeDemo(demo, files, tab, engine, recorder, clock);
        }
        return 0;
    } catch (const SourceError& e) {
        std::cerr << "make_demos: " << sourcePath << ": " << e.what() << "\n";
    } catch (const std::exception& e) {
        std::cerr << "make_demos: " << e.what() << "\n";
    }
    return 1;
}
