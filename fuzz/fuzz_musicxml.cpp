// MusicXML scores (plain and .mxl) to tracks and tabs. Rules: a refused file
// says why; a read file has notes that start at a time, end no earlier and
// play a MIDI pitch on a string 0 ... 5 or none; the arrangement has frets
// 0 ... 22; and the tab written as MusicXML reads back as the same columns.
#include <cmath>

#include "FuzzSupport.h"
#include "import/MusicXmlReader.h"
#include "import/TabArranger.h"
#include "song/Tab.h"
#include "storage/MusicXmlWriter.h"

using namespace fuzz;

namespace {

std::vector<TabArranger::Column> arranged(std::span<const uint8_t> bytes, bool mustRead) {
    Score score;
    std::string error;
    if (!MusicXmlReader::read(bytes, score, error)) {
        require(!error.empty() && !mustRead, "a refused file says why; a written tab reads back", error);
        return {};
    }
    std::vector<TabArranger::Column> columns;
    for (const ScoreTrack& t : score.tracks) {
        for (const ScoreNote& n : t.notes)
            require(std::isfinite(n.seconds) && n.seconds >= 0 && n.duration >= 0 && n.pitch >= 0 &&
                        n.pitch < 128 && n.string >= -1 && n.string < 6 && (n.string < 0) == (n.fret < 0),
                    "a note starts at a time, ends no earlier and plays a MIDI pitch on a string or none");
        for (const TabArranger::Column& c : TabArranger::arrange(t).columns) {
            for (int f : c)
                require(f >= -1 && f <= TabArranger::kMaxFret, "frets 0 ... 22");
            // A column whose notes were all dropped is a rest, which comes back as none.
            if (columns.size() < 64 && c != TabArranger::Column{-1, -1, -1, -1, -1, -1})
                columns.push_back(c);
        }
        if (!columns.empty())
            break;
    }
    return columns;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Bytes input = exact(data, size);
    const std::vector<TabArranger::Column> columns = arranged(input, false);
    if (columns.empty())
        return 0;
    Tab tab;
    for (const TabArranger::Column& c : columns)
        tab.addNotesToTab(-1, c.data());
    const std::string xml = MusicXmlWriter().write(tab);
    require(arranged(Bytes(xml.begin(), xml.end()), true) == columns, "the tab written as MusicXML reads back",
            xml);
    return 0;
}
