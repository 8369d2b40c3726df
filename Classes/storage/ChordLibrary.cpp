#include "storage/ChordLibrary.h"

namespace {

// Rows are chord types, in type order; within a row, keys A to G#.
constexpr std::array<std::string_view, ChordLibrary::kNumChords> kChordData = {
    // maj
    "x02220",
    "x10331",
    "x24442",
    "x32010",
    "x43121",
    "xx0232",
    "xx1343",
    "022100",
    "133211",
    "244322",
    "320003",
    "431114",
    // 7
    "x02020",
    "x13131",
    "x21202",
    "x32313",
    "x43424",
    "xx0212",
    "xx1323",
    "020100",
    "101211",
    "212322",
    "323031",
    "434142",
    // 9
    "x02423",
    "x10111",
    "x21222",
    "x32333",
    "x43444",
    "x54555",
    "xx1021",
    "022132",
    "133243",
    "212120",
    "323233",
    "434344",
    // 11
    "x00000",
    "x11111",
    "x22222",
    "x33333",
    "x44444",
    "x55555",
    "x66666",
    "000202",
    "111011",
    "222122",
    "333233",
    "444344",
    // 13
    "x02022",
    "x13133",
    "x24244",
    "x35355",
    "x43304",
    "x54505",
    "x68688",
    "020120",
    "131231",
    "211320",
    "322031",
    "434141",
    // 5
    "x022xx",
    "x133xx",
    "x244xx",
    "x355xx",
    "x466xx",
    "x577xx",
    "x688xx",
    "022xxx",
    "133xxx",
    "244xxx",
    "355xxx",
    "466xxx",
    // m
    "x02210",
    "x13321",
    "x24432",
    "x31043",
    "x42120",
    "xx0231",
    "xx1342",
    "022003",
    "133114",
    "244222",
    "310333",
    "421144",
    // m7
    "x02010",
    "x13121",
    "x20202",
    "x31313",
    "x42100",
    "xx0211",
    "xx1322",
    "020000",
    "131111",
    "202220",
    "310031",
    "421442",
    // m9
    "5x5557",
    "686669",
    "x20222",
    "x31333",
    "x42444",
    "x53555",
    "x64666",
    "022032",
    "131113",
    "202120",
    "300331",
    "424344",
    // m11
    "x00010",
    "x11121",
    "x22232",
    "x33343",
    "x44454",
    "x55565",
    "x66676",
    "000000",
    "111111",
    "222222",
    "333333",
    "444444",
    // m13
    "x02012",
    "x1x123",
    "x2x234",
    "x3x345",
    "x1x123",
    "xx0411",
    "x1x123",
    "020022",
    "131131",
    "242242",
    "353353",
    "4x446x",
    // aug
    "x03221",
    "x10332",
    "x21003",
    "x3211x",
    "x4322x",
    "xx0332",
    "xx1003",
    "xx2110",
    "xx3221",
    "xx0332",
    "321003",
    "032110",
    // maj9
    "x02424",
    "x10211",
    "x21322",
    "x35430",
    "x41111",
    "x52222",
    "xx1031",
    "024444",
    "10201x",
    "2x33x4",
    "3x0202",
    "43534x",
    // sus2
    "x02200",
    "x13311",
    "x24422",
    "x30013",
    "xx112x",
    "xx0230",
    "xx1341",
    "xx2452",
    "xx3011",
    "2xx122",
    "300233",
    "x11144",
    // sus4
    "x02230",
    "x11341",
    "x24452",
    "x3301x",
    "x46674",
    "xx0233",
    "xx1344",
    "022200",
    "133311",
    "244422",
    "355533",
    "xx1124",
    // 7sus4
    "x02030",
    "x13141",
    "x24252",
    "3x331x",
    "4x442x",
    "xx0213",
    "xx112x",
    "x2223x",
    "131311",
    "242422",
    "353533",
    "xx1122",
    // 6
    "x02222",
    "x13333",
    "22110x",
    "3x221x",
    "xx3324",
    "xx0202",
    "xx1313",
    "022120",
    "13x23x",
    "2x132x",
    "320000",
    "xx1111",
    // 6/9
    "x04420",
    "x10011",
    "x21122",
    "x32233",
    "x11121",
    "x54200",
    "x33343",
    "02x122",
    "13x233",
    "211122",
    "322233",
    "43334x",
};

constexpr std::array<std::string_view, ChordLibrary::kNumKeys> kKeyNames = {
    "A", "A#", "B", "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#"};

constexpr std::array<std::string_view, ChordLibrary::kNumTypes> kTypeNames = {
    "maj", "7",   "9",   "11",   "13",   "5",    "m",     "m7", "m9",
    "m11", "m13", "aug", "maj9", "sus2", "sus4", "7sus4", "6",  "6/9"};

constexpr bool tableIsWellFormed() {
    for (std::string_view s : kChordData) {
        if (s.size() != ChordLibrary::kNumStrings)
            return false;
        for (char c : s)
            if (c != 'x' && (c < '0' || c > '9'))
                return false;
    }
    return true;
}
static_assert(tableIsWellFormed(), "every chord shape is six characters of 'x' or a digit");

} // namespace

const std::array<std::string_view, ChordLibrary::kNumChords>& ChordLibrary::chordData() {
    return kChordData;
}

std::string_view ChordLibrary::keyName(int key) {
    return key >= 0 && key < kNumKeys ? kKeyNames[static_cast<std::size_t>(key)] : std::string_view{};
}

std::string_view ChordLibrary::typeName(int type) {
    return type >= 0 && type < kNumTypes ? kTypeNames[static_cast<std::size_t>(type)] : std::string_view{};
}

int ChordLibrary::chordIndex(int key, int type) {
    if (key < 0 || key >= kNumKeys || type < 0 || type >= kNumTypes)
        return -1;
    return key + kNumKeys * type;
}

std::string_view ChordLibrary::fretString(int key, int type) {
    const int index = chordIndex(key, type);
    return index < 0 ? std::string_view{} : kChordData[static_cast<std::size_t>(index)];
}

ChordLibrary::Frets ChordLibrary::fretsForChord(int key, int type) {
    Frets frets{-1, -1, -1, -1, -1, -1};
    parseFretString(fretString(key, type), frets);
    return frets;
}

ChordLibrary::TunedShape ChordLibrary::shapeFor(int key, int type, const GuitarTuning& tuning) {
    TunedShape shape{fretsForChord(key, type), true};
    const std::array<int, kNumStrings> offsets = tuning.offsets();
    const int highest = GuitarTuning::kHighestFret - tuning.capo;
    for (std::size_t s = 0; s < kNumStrings; ++s) {
        int32_t& fret = shape.frets[s];
        if (fret < 0)
            continue;
        fret -= offsets[s];
        if (fret < 0)
            fret += 12; // the same note an octave up the string
        if (fret < 0 || fret > highest) {
            fret = -1;
            shape.complete = false;
        }
    }
    return shape;
}

bool ChordLibrary::parseFretString(std::string_view text, Frets& out) {
    if (text.size() != kNumStrings)
        return false;
    Frets frets{};
    for (std::size_t s = 0; s < kNumStrings; ++s) {
        const char c = text[s];
        if (c == 'x')
            frets[s] = -1;
        else if (c >= '0' && c <= '9')
            frets[s] = c - '0';
        else
            return false;
    }
    out = frets;
    return true;
}

int ChordLibrary::columnBand(float x) {
    if (x < 126)
        return 0;
    if (x < 163)
        return 1;
    if (x < 201)
        return 2;
    if (x < 238)
        return 3;
    if (x < 274)
        return 4;
    return 5;
}

int ChordLibrary::keyAtPoint(float x, float y) {
    if (!(x > 91 && x < 310 && y > 108 && y < 226))
        return -1;
    const int band = columnBand(x);
    return y < 169 ? 5 - band : 6 + band;
}

int ChordLibrary::typeAtPoint(float x, float y) {
    if (!(x > 91 && x < 310 && y > 226 && y < 407))
        return -1;
    const int first = y < 289 ? 0 : (y < 345 ? 6 : 12);
    return first + 5 - columnBand(x);
}
