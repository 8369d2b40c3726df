#include "storage/AsciiTabWriter.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <vector>

#include "song/Tab.h"

namespace {

constexpr int kGap = 2; // dashes before each column
constexpr std::size_t kLines = 6;

int widthOf(const TablatureEntry& e) {
    int w = 1;
    for (int s = 0; s < TablatureEntry::kNumStrings; ++s)
        if (e.fret(s) >= 10)
            w = 2;
    return w;
}

// The lines' names, top line first: the open strings' notes, the top one in
// lower case, all as wide as the widest.
std::array<std::string, kLines> lineNames(const GuitarTuning& tuning) {
    std::array<std::string, kLines> names;
    std::size_t width = 1;
    for (std::size_t row = 0; row < kLines; ++row) {
        std::string n = GuitarTuning::pitchName(tuning.openPitch(static_cast<int>(kLines - 1 - row)));
        while (!n.empty() && (std::isdigit(static_cast<unsigned char>(n.back())) || n.back() == '-'))
            n.pop_back();
        if (row == 0)
            n[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(n[0])));
        width = std::max(width, n.size());
        names[row] = n;
    }
    for (std::string& n : names)
        n.insert(0, width - n.size(), ' ');
    return names;
}

} // namespace

std::string AsciiTabWriter::write(const Tab& tab, const GuitarTuning& tuning) {
    const std::array<std::string, kLines> names = lineNames(tuning);
    const std::vector<TablatureEntry>& columns = tab.tab();
    emptyColumns_ = 0;
    for (const TablatureEntry& e : columns) {
        bool any = false;
        for (int s = 0; s < TablatureEntry::kNumStrings; ++s)
            any = any || e.fret(s) >= 0;
        if (!any)
            ++emptyColumns_;
    }

    // Split into bars, then fill systems with whole bars while they fit.
    // A line is "e|" + cells + ("--|" closing each bar).
    struct Cell {
        size_t column;
        bool barEnd;
    };
    std::vector<std::vector<Cell>> systems(1);
    const int perBar = barColumns_ > 0 ? barColumns_ : static_cast<int>(columns.size());
    const int lead = static_cast<int>(names[0].size()) + 1;
    int lineWidth = lead;
    size_t i = 0;
    while (i < columns.size()) {
        const size_t barEnd = std::min(columns.size(), i + static_cast<size_t>(perBar));
        int barWidth = kGap + 1;
        for (size_t c = i; c < barEnd; ++c)
            barWidth += kGap + widthOf(columns[c]);
        if (lineWidth + barWidth > kLineWidth && !systems.back().empty()) {
            systems.emplace_back();
            lineWidth = lead;
        }
        if (lineWidth + barWidth <= kLineWidth) {
            for (size_t c = i; c < barEnd; ++c)
                systems.back().push_back({c, c + 1 == barEnd});
            lineWidth += barWidth;
            i = barEnd;
            continue;
        }
        // A bar wider than a whole line: as many columns as fit, then the
        // rest of the bar on the next system.
        while (i < barEnd) {
            const int w = kGap + widthOf(columns[i]);
            if (lineWidth + w + kGap + 1 > kLineWidth && !systems.back().empty())
                break;
            systems.back().push_back({i, i + 1 == barEnd});
            lineWidth += w;
            ++i;
        }
        systems.emplace_back();
        lineWidth = lead;
    }
    if (systems.size() > 1 && systems.back().empty())
        systems.pop_back();

    std::string text;
    if (!tuning.isStandard()) {
        GuitarTuning open = tuning;
        open.capo = 0;
        text += "Tuning: " + tuning.name() + " (" + open.noteNames() + ")\n";
    }
    if (tuning.capo > 0)
        text += "Capo " + std::to_string(tuning.capo) + "\n";
    if (!text.empty())
        text += '\n';
    for (size_t sys = 0; sys < systems.size(); ++sys) {
        if (sys > 0)
            text += '\n';
        for (size_t row = 0; row < kLines; ++row) {
            const int string = static_cast<int>(kLines - 1 - row);
            std::string line = names[row] + '|';
            for (const Cell& cell : systems[sys]) {
                const TablatureEntry& e = columns[cell.column];
                line.append(kGap, '-');
                const int fret = e.fret(string);
                std::string mark = fret >= 0 ? std::to_string(fret) : std::string();
                mark.resize(static_cast<size_t>(widthOf(e)), '-');
                line += mark;
                if (cell.barEnd)
                    line += std::string(kGap, '-') + "|";
            }
            if (systems[sys].empty() || !systems[sys].back().barEnd)
                line += std::string(kGap, '-') + (systems[sys].empty() ? "|" : "");
            text += line;
            text += '\n';
        }
    }
    return text;
}
