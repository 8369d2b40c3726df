#include "import/TabArranger.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// What a column is laid out on: each string's pitch at tab fret 0 (the
// capo's, if any) and the highest tab fret.
struct Neck {
    std::array<int, 6> open;
    int maxFret;
};
// Fingerings kept per column for the path: the cheapest ones.
constexpr size_t kKeptFingerings = 48;
// A column's notes are tried in at most this many fingerings before the
// cheapest are kept.
constexpr int kMaxTried = 4000;

struct ColumnNote {
    int pitch;
    int string = -1; // given by the file (already on standard tuning), -1 free
    int fret = -1;
};

struct Fingering {
    TabArranger::Column frets;
    double cost = 0.0;
    double position = -1.0; // the mean fretted fret, -1 when every string is open
};

// The stretch of the hand within a column and the frets it presses.
Fingering scored(const TabArranger::Column& frets) {
    Fingering f{frets, 0.0, -1.0};
    int low = std::numeric_limits<int>::max(), high = 0, count = 0, sum = 0;
    for (int fret : frets)
        if (fret > 0) {
            low = std::min(low, fret);
            high = std::max(high, fret);
            sum += fret;
            ++count;
        }
    if (count == 0)
        return f;
    const int span = high - low;
    f.cost = span + (span > 3 ? 6.0 * (span - 3) : 0.0) + 0.15 * sum + 0.3 * count;
    f.position = static_cast<double>(sum) / count;
    return f;
}

double moveCost(const Fingering& from, const Fingering& to) {
    if (from.position < 0.0 || to.position < 0.0)
        return 0.0;
    return std::fabs(from.position - to.position);
}

void enumerate(const Neck& neck, const std::vector<ColumnNote>& notes, size_t i, TabArranger::Column& frets,
               std::vector<Fingering>& out, int& tried) {
    if (tried >= kMaxTried)
        return;
    if (i == notes.size()) {
        ++tried;
        out.push_back(scored(frets));
        return;
    }
    const ColumnNote& n = notes[i];
    for (int s = 0; s < 6; ++s) {
        const size_t si = static_cast<size_t>(s);
        const int fret = n.string >= 0 ? (s == n.string ? n.fret : -1) : n.pitch - neck.open[si];
        if (frets[si] != -1 || fret < 0 || fret > neck.maxFret)
            continue;
        frets[si] = fret;
        enumerate(neck, notes, i + 1, frets, out, tried);
        frets[si] = -1;
    }
}

// The column's notes in the order they are kept: the top note, the bass,
// then the inner voices from the top down.
void orderByPriority(std::vector<ColumnNote>& notes) {
    std::sort(notes.begin(), notes.end(),
              [](const ColumnNote& a, const ColumnNote& b) { return a.pitch > b.pitch; });
    if (notes.size() > 2)
        std::rotate(notes.begin() + 1, notes.end() - 1, notes.end());
}

} // namespace

TabArranger::Result TabArranger::arrange(const ScoreTrack& track) {
    return arrange(track, GuitarTuning());
}

GuitarTuning TabArranger::playableTuning(const ScoreTrack& track) {
    GuitarTuning t;
    for (int s = 0; s < 6; ++s)
        t.openSample[static_cast<size_t>(s)] =
            track.tuning[static_cast<size_t>(s)] - GuitarTuning::kFirstPitch;
    t.capo = track.capo;
    return t.problem().empty() ? t : GuitarTuning();
}

TabArranger::Result TabArranger::arrange(const ScoreTrack& track, const GuitarTuning& target) {
    Result result;
    result.tuning = target;
    Neck neck{{}, kMaxFret - target.capo};
    for (int s = 0; s < 6; ++s)
        neck.open[static_cast<size_t>(s)] = target.openPitch(s) + target.capo;
    const int lowest = *std::min_element(neck.open.begin(), neck.open.end());
    const int highest = *std::max_element(neck.open.begin(), neck.open.end()) + neck.maxFret;
    std::vector<const ScoreNote*> onsets;
    for (const ScoreNote& n : track.notes)
        if (!n.tied && std::isfinite(n.seconds))
            onsets.push_back(&n);
    std::stable_sort(onsets.begin(), onsets.end(),
                     [](const ScoreNote* a, const ScoreNote* b) { return a->seconds < b->seconds; });
    bool same = track.capo == target.capo;
    for (int s = 0; s < 6; ++s)
        same = same && track.tuning[static_cast<size_t>(s)] == target.openPitch(s);

    std::vector<std::vector<Fingering>> choices;
    for (size_t i = 0; i < onsets.size();) {
        const double start = onsets[i]->seconds;
        std::vector<ColumnNote> notes;
        std::array<bool, 6> stringTaken{};
        for (; i < onsets.size() && onsets[i]->seconds - start <= kChordWindowSeconds; ++i) {
            const ScoreNote& n = *onsets[i];
            ColumnNote c{n.pitch};
            if (n.string >= 0 && n.string < 6 && n.fret >= 0) {
                const size_t s = static_cast<size_t>(n.string);
                const int fret = same ? n.fret : c.pitch - neck.open[s];
                if (fret >= 0 && fret <= neck.maxFret && !stringTaken[s]) {
                    c.string = n.string;
                    c.fret = fret;
                    c.pitch = neck.open[s] + fret;
                    stringTaken[s] = true;
                }
                result.refretted += c.fret != n.fret;
            }
            if (c.string < 0 && (c.pitch < lowest || c.pitch > highest)) {
                if (c.pitch < -1000 || c.pitch > 1000) {
                    ++result.dropped;
                    continue;
                }
                while (c.pitch < lowest)
                    c.pitch += 12;
                while (c.pitch > highest)
                    c.pitch -= 12;
                ++result.movedByOctave;
            }
            const bool again = std::any_of(notes.begin(), notes.end(),
                                           [&](const ColumnNote& o) { return o.pitch == c.pitch; });
            if (again) {
                ++result.dropped;
                continue;
            }
            notes.push_back(c);
        }
        orderByPriority(notes);
        std::vector<Fingering> fingerings;
        while (!notes.empty()) {
            if (notes.size() <= 6) {
                Column frets;
                frets.fill(-1);
                int tried = 0;
                enumerate(neck, notes, 0, frets, fingerings, tried);
                if (!fingerings.empty())
                    break;
            }
            notes.pop_back();
            ++result.dropped;
        }
        if (fingerings.empty())
            continue;
        result.notes += static_cast<int>(notes.size());
        std::sort(fingerings.begin(), fingerings.end(),
                  [](const Fingering& a, const Fingering& b) { return a.cost < b.cost; });
        if (fingerings.size() > kKeptFingerings)
            fingerings.resize(kKeptFingerings);
        choices.push_back(std::move(fingerings));
    }

    // The shortest path through one fingering a column.
    if (choices.empty())
        return result;
    std::vector<std::vector<double>> total(choices.size());
    std::vector<std::vector<size_t>> from(choices.size());
    for (size_t c = 0; c < choices.size(); ++c) {
        total[c].resize(choices[c].size());
        from[c].resize(choices[c].size(), 0);
        for (size_t k = 0; k < choices[c].size(); ++k) {
            double best = c == 0 ? 0.0 : std::numeric_limits<double>::infinity();
            for (size_t j = 0; c > 0 && j < choices[c - 1].size(); ++j) {
                const double cost = total[c - 1][j] + moveCost(choices[c - 1][j], choices[c][k]);
                if (cost < best) {
                    best = cost;
                    from[c][k] = j;
                }
            }
            total[c][k] = best + choices[c][k].cost;
        }
    }
    result.columns.resize(choices.size());
    size_t k = static_cast<size_t>(std::min_element(total.back().begin(), total.back().end()) -
                                   total.back().begin());
    for (size_t c = choices.size(); c-- > 0;) {
        result.columns[c] = choices[c][k].frets;
        k = from[c][k];
    }
    return result;
}
