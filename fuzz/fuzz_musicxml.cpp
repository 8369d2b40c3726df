// MusicXML scores (plain and .mxl) to tracks and tabs. Rules: a refused file
// says why; a read file has notes that start at a time, end no earlier and
// play a MIDI pitch on a string 0 ... 5 or none; and the tab laid out from
// it, written as MusicXML, reads back as the same columns. (The arranger's
// own rules are fuzz_midi_import's.)
#include <cmath>

#include "FuzzSupport.h"
#include "import/MusicXmlReader.h"
#include "import/TabArranger.h"
#include "storage/MusicXmlWriter.h"

using namespace fuzz;

// The first track's columns with notes (64 at most: the round trip's cost grows with them).
static std::vector<TabArranger::Column> arranged(std::span<const uint8_t> bytes, bool mustRead) {
    Score score;
    std::string error;
    if (!MusicXmlReader::read(bytes, score, error)) {
        require(!error.empty() && !mustRead, "a refused file says why; a written tab reads back", error);
        return {};
    }
    for (const ScoreTrack& t : score.tracks)
        for (const ScoreNote& n : t.notes)
            require(std::isfinite(n.seconds) && n.seconds >= 0 && n.duration >= 0 && n.pitch >= 0 &&
                        n.pitch < 128 && n.string >= -1 && n.string < 6 && (n.string < 0) == (n.fret < 0),
                    "a note starts at a time, ends no earlier and plays a MIDI pitch on a string or none");
    std::vector<TabArranger::Column> columns;
    for (const TabArranger::Column& c : TabArranger::arrange(score.tracks.at(0)).columns)
        if (columns.size() < 64 && c != TabArranger::Column{-1, -1, -1, -1, -1, -1})
            columns.push_back(c); // a column whose notes were all dropped comes back as none
    return columns;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<TabArranger::Column> columns = arranged(exact(data, size), false);
    Tab tab;
    for (const TabArranger::Column& c : columns)
        tab.addNotesToTab(-1, c.data());
    const std::string xml = MusicXmlWriter().write(tab);
    require(arranged(Bytes(xml.begin(), xml.end()), true) == columns,
            "the tab written as MusicXML reads back", xml);
    return 0;
}
