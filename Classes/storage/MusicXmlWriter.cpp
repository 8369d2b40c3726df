#include "storage/MusicXmlWriter.h"

#include <array>

#include "song/Tab.h"

namespace {

// A MIDI pitch spelled with sharps.
const char* stepOf(int pitch) {
    static const char* kSteps[] = {"C", "C", "D", "D", "E", "F", "F", "G", "G", "A", "A", "B"};
    return kSteps[pitch % 12];
}

bool isSharp(int pitch) {
    static const bool kSharp[] = {false, true,  false, true,  false, false,
                                  true,  false, true,  false, true,  false};
    return kSharp[pitch % 12];
}

std::string pitchXml(int pitch) {
    return std::string("<pitch><step>") + stepOf(pitch) + "</step>" +
           (isSharp(pitch) ? "<alter>1</alter>" : "") + "<octave>" + std::to_string(pitch / 12 - 1) +
           "</octave></pitch>";
}

const char* kRest = "      <note><rest/><duration>1</duration><voice>1</voice><type>quarter</type></note>\n";

} // namespace

std::string MusicXmlWriter::write(const Tab& tab, const GuitarTuning& tuning) {
    emptyColumns_ = 0;
    std::array<int, 6> open{}; // low string first
    for (int s = 0; s < 6; ++s)
        open[static_cast<size_t>(s)] = tuning.openPitch(s);
    std::string x = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
                    "<!DOCTYPE score-partwise PUBLIC \"-//Recordare//DTD MusicXML 4.0 Partwise//EN\" "
                    "\"http://www.musicxml.org/dtds/partwise.dtd\">\n"
                    "<score-partwise version=\"4.0\">\n"
                    "  <part-list>\n"
                    "    <score-part id=\"P1\">\n"
                    "      <part-name>Guitar</part-name>\n"
                    "      <score-instrument id=\"P1-I1\"><instrument-name>Acoustic Guitar</instrument-name>"
                    "</score-instrument>\n"
                    "      <midi-instrument id=\"P1-I1\"><midi-channel>1</midi-channel>"
                    "<midi-program>26</midi-program></midi-instrument>\n"
                    "    </score-part>\n"
                    "  </part-list>\n"
                    "  <part id=\"P1\">\n";
    const std::vector<TablatureEntry>& columns = tab.tab();
    const size_t measures = std::max<size_t>(1, (columns.size() + kBeatsPerMeasure - 1) / kBeatsPerMeasure);
    for (size_t m = 0; m < measures; ++m) {
        x += "    <measure number=\"" + std::to_string(m + 1) + "\">\n";
        if (m == 0) {
            x += "      <attributes>\n"
                 "        <divisions>1</divisions>\n"
                 "        <key><fifths>0</fifths></key>\n"
                 "        <time><beats>4</beats><beat-type>4</beat-type></time>\n"
                 "        <clef><sign>TAB</sign><line>5</line></clef>\n"
                 "        <staff-details>\n"
                 "          <staff-lines>6</staff-lines>\n";
            for (size_t s = 0; s < open.size(); ++s)
                x += "          <staff-tuning line=\"" + std::to_string(s + 1) + "\"><tuning-step>" +
                     stepOf(open[s]) + "</tuning-step>" +
                     (isSharp(open[s]) ? "<tuning-alter>1</tuning-alter>" : "") + "<tuning-octave>" +
                     std::to_string(open[s] / 12 - 1) + "</tuning-octave></staff-tuning>\n";
            if (tuning.capo > 0)
                x += "          <capo>" + std::to_string(tuning.capo) + "</capo>\n";
            x += "        </staff-details>\n"
                 "      </attributes>\n"
                 "      <sound tempo=\"120\"/>\n";
        }
        for (size_t c = m * kBeatsPerMeasure; c < (m + 1) * kBeatsPerMeasure; ++c) {
            bool first = true;
            for (int s = 0; c < columns.size() && s < TablatureEntry::kNumStrings; ++s) {
                const int fret = columns[c].fret(s);
                if (fret < 0)
                    continue;
                x += std::string("      <note>") + (first ? "" : "<chord/>") +
                     pitchXml(open[static_cast<size_t>(s)] + tuning.capo + fret) +
                     "<duration>1</duration><voice>1</voice><type>quarter</type>"
                     "<notations><technical><string>" +
                     std::to_string(TablatureEntry::kNumStrings - s) + "</string><fret>" +
                     std::to_string(fret) + "</fret></technical></notations></note>\n";
                first = false;
            }
            if (first)
                x += kRest;
            emptyColumns_ += first && c < columns.size();
        }
        x += "    </measure>\n";
    }
    return x + "  </part>\n</score-partwise>\n";
}
