#include "storage/TabTextImport.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <utility>

#include "song/Tab.h"

namespace {

constexpr int kStrings = 6;
constexpr int kTabStop = 8;

struct Line {
    int number = 0;          // 1-based
    std::string text;        // tabs expanded
    std::vector<int> column; // 1-based byte column in the file of each character
};

struct StringLine {
    const Line* line = nullptr;
    char name = 0;       // the string name, 0 when none
    char accidental = 0; // '#' or 'b' after the name, 0 when none
    size_t bodyStart = 0;
    size_t bodyEnd = 0;
};

struct Failure {
    int line;
    int column;
    std::string message;
};

struct Mark {
    int string;
    int start; // character position from the start of the line's body
    int end;
    int fret; // -1 for a muted string
};

bool isTechnique(char c) {
    switch (c) {
    case 'h':
    case 'p':
    case 'b':
    case 'r':
    case '/':
    case '\\':
    case '~':
    case 's':
    case 'v':
    case 't':
    case '(':
    case ')':
    case '<':
    case '>':
    case '^':
    case '*':
    case '.':
    case '=':
    case '+':
    case '[':
    case ']':
        return true;
    default:
        return false;
    }
}

const char* techniqueName(char c) {
    switch (c) {
    case 'h':
        return "hammer-on";
    case 'p':
        return "pull-off";
    case 'b':
        return "bend";
    case 'r':
        return "release";
    case '/':
    case '\\':
    case 's':
        return "slide";
    case '~':
    case 'v':
        return "vibrato";
    case 't':
        return "tap";
    default:
        return "mark";
    }
}

bool isSpacing(char c) {
    return c == '-' || c == ' ' || c == '|' || c == ':';
}

bool isStringName(char c) {
    const char u = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return u >= 'A' && u <= 'G';
}

// Recognises a string line: an optional name, then a body that is mostly
// dashes, frets and bars, with no words in it.
std::optional<StringLine> stringLine(const Line& line) {
    const std::string& t = line.text;
    size_t p = 0;
    while (p < t.size() && t[p] == ' ')
        ++p;
    if (p >= t.size())
        return std::nullopt;
    StringLine s;
    s.line = &line;
    size_t body = p;
    if (isStringName(t[p])) {
        size_t q = p + 1;
        if (q + 1 < t.size() && (t[q] == '#' || t[q] == 'b') &&
            (t[q + 1] == '|' || t[q + 1] == ':' || t[q + 1] == ' '))
            s.accidental = t[q++];
        while (q < t.size() && t[q] == ' ')
            ++q;
        if (q >= t.size())
            return std::nullopt;
        if (t[q] == '|' || t[q] == ':' || t[q] == ')' || t[q] == ']') {
            body = q + 1;
            if (body < t.size() && t[body] == '|')
                ++body;
        } else if (t[q] == '-') {
            body = q;
        } else {
            return std::nullopt;
        }
        s.name = t[p];
    } else if (t[p] >= '1' && t[p] <= '6' && p + 1 < t.size() && (t[p + 1] == '|' || t[p + 1] == ':')) {
        // Strings numbered 1 (high e) to 6 instead of named.
        s.name = t[p];
        body = p + 2;
    } else if (t[p] == '|') {
        body = p + 1;
    }
    size_t end = t.size();
    while (end > body && t[end - 1] == ' ')
        --end;
    // Text after the last bar with no dash in it is a remark ("x4", "repeat").
    const size_t lastBar = t.find_last_of('|', end == 0 ? 0 : end - 1);
    if (lastBar != std::string::npos && lastBar >= body) {
        const std::string tail = t.substr(lastBar + 1, end - lastBar - 1);
        const bool remark =
            tail.find('-') == std::string::npos && std::any_of(tail.begin(), tail.end(), [](char c) {
                return c == ' ' || std::isalpha(static_cast<unsigned char>(c));
            });
        if (remark)
            end = lastBar + 1;
    }
    int dashes = 0, foreign = 0, letterRun = 0;
    for (size_t i = body; i < end; ++i) {
        const char c = t[i];
        const bool letter = std::isalpha(static_cast<unsigned char>(c)) && c != 'x' && c != 'X';
        letterRun = letter ? letterRun + 1 : 0;
        if (letterRun >= 3)
            return std::nullopt; // a word: lyrics or a heading
        if (c == '-')
            ++dashes;
        else if (!isSpacing(c) && !std::isdigit(static_cast<unsigned char>(c)) && c != 'x' && c != 'X' &&
                 !isTechnique(c))
            ++foreign;
    }
    if (dashes < 2 || foreign > 2)
        return std::nullopt;
    s.bodyStart = body;
    s.bodyEnd = end;
    return s;
}

class Reader {
public:
    Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    TabTextImport::Result run() {
        TabTextImport::Result r;
        try {
            splitLines();
            findSystems();
            if (systems_ == 0)
                throw Failure{0, 0,
                              "no tab found: no six string lines (e|, B|, G|, D|, A|, E|) in " +
                                  std::to_string(lines_.size()) + " lines"};
        } catch (const Failure& f) {
            r.errorLine = f.line;
            r.errorColumn = f.column;
            if (f.line > 0 && f.column > 0)
                r.error = "line " + std::to_string(f.line) + ", column " + std::to_string(f.column) + ": ";
            else if (f.line > 0)
                r.error = "line " + std::to_string(f.line) + ": ";
            r.error += f.message;
            return r;
        }
        r.ok = true;
        r.columns = std::move(columns_);
        r.tuning = tuning_;
        r.tuning.capo = capo_;
        r.systems = systems_;
        // One warning per kind of mark, at its first place, in reading order.
        std::vector<std::pair<std::pair<int, int>, std::string>> marks;
        for (const auto& [c, w] : skipped_) {
            std::string text = "line " + std::to_string(w.line) + ", column " + std::to_string(w.column) +
                               ": '" + std::string(1, c) + "' (" + techniqueName(c) + ") skipped";
            if (w.count > 1)
                text += " (" + std::to_string(w.count) + " in all)";
            marks.push_back({{w.line, w.column}, text});
        }
        for (const auto& [c, w] : foreign_) {
            char code[8];
            std::snprintf(code, sizeof code, "0x%02X", static_cast<unsigned>(static_cast<unsigned char>(c)));
            std::string text = "line " + std::to_string(w.line) + ", column " + std::to_string(w.column) +
                               ": unknown character " + code + " in a string line skipped";
            if (w.count > 1)
                text += " (" + std::to_string(w.count) + " in all)";
            marks.push_back({{w.line, w.column}, text});
        }
        std::sort(marks.begin(), marks.end());
        for (auto& m : marks)
            r.warnings.push_back(std::move(m.second));
        r.warnings.insert(r.warnings.end(), notes_.begin(), notes_.end());
        if (r.columns.empty())
            r.warnings.push_back("the tab has no notes");
        return r;
    }

private:
    struct Count {
        int line = 0;
        int column = 0;
        int count = 0;
    };

    void splitLines() {
        size_t i = 0;
        if (size_ >= 3 && data_[0] == 0xEF && data_[1] == 0xBB && data_[2] == 0xBF)
            i = 3; // UTF-8 byte order mark
        int number = 1;
        Line line;
        line.number = number;
        int byteColumn = 0;
        auto finish = [&] {
            lines_.push_back(std::move(line));
            line = Line();
            line.number = ++number;
            byteColumn = 0;
        };
        for (; i < size_; ++i) {
            const uint8_t b = data_[i];
            if (b == '\n') {
                finish();
                continue;
            }
            if (b == '\r') {
                if (i + 1 < size_ && data_[i + 1] == '\n')
                    ++i;
                finish();
                continue;
            }
            ++byteColumn;
            if (b == '\t') {
                do {
                    line.text += ' ';
                    line.column.push_back(byteColumn);
                } while (line.text.size() % kTabStop != 0);
                continue;
            }
            if ((b < 0x20 && b != '\f') || b == 0x7F) {
                char text[96];
                std::snprintf(text, sizeof text, "not a text file (control byte 0x%02X)", b);
                throw Failure{line.number, byteColumn, text};
            }
            line.text += static_cast<char>(b == '\f' ? ' ' : b);
            line.column.push_back(byteColumn);
        }
        if (!line.text.empty())
            lines_.push_back(std::move(line));
    }

    void findSystems() {
        std::vector<StringLine> group;
        for (const Line& line : lines_) {
            if (std::optional<StringLine> s = stringLine(line)) {
                group.push_back(*s);
                continue;
            }
            takeGroup(group);
            group.clear();
            readCapo(line.text);
        }
        takeGroup(group);
    }

    // "Capo 3", "capo: 3rd fret": the first such line sets the capo.
    void readCapo(const std::string& t) {
        const size_t p = t.find_first_not_of(' ');
        if (capo_ > 0 || p == std::string::npos || t.size() - p < 4)
            return;
        std::string word = t.substr(p, 4);
        for (char& c : word)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const size_t digit = t.find_first_of("0123456789", p + 4);
        if (word != "capo" || digit == std::string::npos || digit > p + 8)
            return;
        const int n = std::atoi(t.substr(digit, 2).c_str());
        if (n >= 1 && n <= GuitarTuning::kMaxCapo)
            capo_ = n;
    }

    void takeGroup(std::vector<StringLine> group) {
        if (group.empty())
            return;
        // Palm-mute or rhythm lines stuck to a named system: keep the named.
        const auto named =
            std::count_if(group.begin(), group.end(), [](const StringLine& s) { return s.name; });
        if (named >= kStrings && named < static_cast<long>(group.size())) {
            std::vector<StringLine> kept;
            for (const StringLine& s : group)
                if (s.name)
                    kept.push_back(s);
            group.swap(kept);
        }
        // Dashed rules stuck to an unnamed system: lines of nothing but dashes
        // at either end of a group that is not whole systems.
        auto bareRule = [](const StringLine& s) {
            const std::string& t = s.line->text;
            return !s.name && t.find_first_not_of("- ", 0) == std::string::npos;
        };
        while (group.size() % kStrings != 0 && group.size() > kStrings && bareRule(group.front()))
            group.erase(group.begin());
        while (group.size() % kStrings != 0 && group.size() > kStrings && bareRule(group.back()))
            group.pop_back();
        const int first = group.front().line->number;
        if (named == 0 && group.size() <= 2) {
            notes_.push_back("line " + std::to_string(first) + ": a dashed line on its own, ignored");
            return;
        }
        if (group.size() % kStrings != 0)
            throw Failure{first, 0,
                          std::to_string(group.size()) + " string lines in a row (lines " +
                              std::to_string(first) + " to " + std::to_string(group.back().line->number) +
                              "), where a guitar tab has six"};
        for (size_t i = 0; i < group.size(); i += kStrings)
            readSystem(&group[i]);
    }

    void readSystem(const StringLine* lines) {
        ++systems_;
        bool allNamed = true;
        std::string names;
        for (int i = 0; i < kStrings; ++i) {
            allNamed = allNamed && std::isalpha(static_cast<unsigned char>(lines[i].name));
            names += static_cast<char>(std::toupper(static_cast<unsigned char>(lines[i].name)));
        }
        bool lowFirst = false;
        if (allNamed && names == "EADGBE") {
            lowFirst = true;
            notes_.push_back("line " + std::to_string(lines[0].line->number) +
                             ": system written low E first, read the other way up");
        } else if (allNamed && names != "EBGDAE" && !warnedTuning_) {
            warnedTuning_ = true;
            std::string written;
            for (int i = 0; i < kStrings; ++i)
                written += std::string(1, lines[i].name) +
                           (lines[i].accidental ? std::string(1, lines[i].accidental) : "");
            // The names say the tuning the frets are for, each string taken
            // within half an octave of standard.
            GuitarTuning named;
            for (int i = 0; i < kStrings; ++i) {
                const int string = kStrings - 1 - i;
                const int diff = pitchClass(lines[i]) - GuitarTuning::kStandard[static_cast<size_t>(string)] -
                                 GuitarTuning::kFirstPitch;
                named.openSample[static_cast<size_t>(string)] += ((diff % 12) + 18) % 12 - 6;
            }
            const std::string problem = named.problem();
            if (problem.empty())
                tuning_ = named;
            notes_.push_back("line " + std::to_string(lines[0].line->number) + ": strings named " + written +
                             ", not standard tuning; " +
                             (problem.empty()
                                  ? "read as " + named.name() + " (" + named.noteNames() + ")"
                                  : problem + " Read as standard tuning, the frets kept as written"));
        }

        std::vector<Mark> marks;
        for (int i = 0; i < kStrings; ++i)
            readMarks(lines[i], lowFirst ? i : kStrings - 1 - i, marks);
        std::stable_sort(marks.begin(), marks.end(), [](const Mark& a, const Mark& b) {
            return a.start != b.start ? a.start < b.start : a.string < b.string;
        });

        // Marks whose character spans overlap, on different strings, are one
        // column (a chord, however its two-digit frets are aligned).
        std::array<int32_t, kStrings> frets{};
        frets.fill(-1);
        int used = 0, end = -1, mutedOnly = 0;
        bool open = false;
        auto close = [&] {
            if (!open)
                return;
            if (std::all_of(frets.begin(), frets.end(), [](int32_t f) { return f < 0; }))
                ++mutedOnly;
            else
                columns_.push_back(frets);
            frets.fill(-1);
            used = 0;
            open = false;
        };
        for (const Mark& m : marks) {
            if (open && (m.start > end || (used & (1 << m.string))))
                close();
            if (!open) {
                open = true;
                end = m.end;
            }
            frets[static_cast<size_t>(m.string)] = m.fret;
            used |= 1 << m.string;
            end = std::max(end, m.end);
        }
        close();
        if (mutedOnly > 0)
            notes_.push_back("line " + std::to_string(lines[0].line->number) + ": " +
                             std::to_string(mutedOnly) +
                             " column(s) of only muted strings left out (a tab column holds played strings)");
    }

    static int pitchClass(const StringLine& s) {
        static constexpr int kNatural[7] = {9, 11, 0, 2, 4, 5, 7}; // A B C D E F G
        const int letter = std::toupper(static_cast<unsigned char>(s.name)) - 'A';
        return kNatural[letter] + (s.accidental == '#' ? 1 : s.accidental == 'b' ? -1 : 0);
    }

    void readMarks(const StringLine& s, int string, std::vector<Mark>& marks) {
        const std::string& t = s.line->text;
        size_t i = s.bodyStart;
        while (i < s.bodyEnd) {
            const char c = t[i];
            const int pos = static_cast<int>(i - s.bodyStart);
            if (std::isdigit(static_cast<unsigned char>(c))) {
                size_t j = i;
                long value = 0;
                while (j < s.bodyEnd && std::isdigit(static_cast<unsigned char>(t[j]))) {
                    value = std::min(value * 10 + (t[j] - '0'), 1000000L);
                    ++j;
                }
                if (value > Tab::kHighestFret)
                    throw Failure{s.line->number, s.line->column[i],
                                  "fret " + t.substr(i, j - i) + " is above " +
                                      std::to_string(Tab::kHighestFret) + ", the highest fret a tab holds"};
                marks.push_back(
                    {string, pos, static_cast<int>(j - 1 - s.bodyStart), static_cast<int>(value)});
                i = j;
                continue;
            }
            if (c == 'x' || c == 'X') {
                marks.push_back({string, pos, pos, -1});
            } else if (!isSpacing(c)) {
                Count& w = isTechnique(c) ? skipped_[c] : foreign_[c];
                if (w.count++ == 0) {
                    w.line = s.line->number;
                    w.column = s.line->column[i];
                }
            }
            ++i;
        }
    }

    const uint8_t* data_;
    size_t size_;
    std::vector<Line> lines_;
    std::vector<std::array<int32_t, kStrings>> columns_;
    std::map<char, Count> skipped_;
    std::map<char, Count> foreign_;
    std::vector<std::string> notes_;
    int systems_ = 0;
    bool warnedTuning_ = false;
    GuitarTuning tuning_;
    int capo_ = 0;
};

} // namespace

TabTextImport::Result TabTextImport::read(const uint8_t* data, size_t size) {
    return Reader(data, size).run();
}

void TabTextImport::apply(const Result& result, Tab& tab) {
    tab.clearTab();
    for (const std::array<int32_t, 6>& frets : result.columns)
        tab.addNotesToTab(-1, frets.data());
}
