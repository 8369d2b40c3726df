#include "storage/AsciiTabWriter.h"

#include <array>
#include <vector>

#include "song/Tab.h"

namespace {

constexpr int kGap = 2;                                                // dashes before each column
constexpr std::array<char, 6> kNames = {'e', 'B', 'G', 'D', 'A', 'E'}; // top line first

int widthOf(const TablatureEntry& e) {
    int w = 1;
    for (int s = 0; s < TablatureEntry::kNumStrings; ++s)
        if (e.fret(s) >= 10)
            w = 2;
    return w;
}

} // namespace

std::string AsciiTabWriter::write(const Tab& tab) {
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
    int lineWidth = 2;
    size_t i = 0;
    while (i < columns.size()) {
        const size_t barEnd = std::min(columns.size(), i + static_cast<size_t>(perBar));
        int barWidth = kGap + 1;
        for (size_t c = i; c < barEnd; ++c)
            barWidth += kGap + widthOf(columns[c]);
        if (lineWidth + barWidth > kLineWidth && !systems.back().empty()) {
            systems.emplace_back();
            lineWidth = 2;
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
        lineWidth = 2;
    }
    if (systems.size() > 1 && systems.back().empty())
        systems.pop_back();

    std::string text;
    for (size_t sys = 0; sys < systems.size(); ++sys) {
        if (sys > 0)
            text += '\n';
        for (size_t row = 0; row < kNames.size(); ++row) {
            const int string = static_cast<int>(kNames.size() - 1 - row);
            std::string line;
            line += kNames[row];
            line += '|';
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
