#include "guitars/KeyFingers.h"

#include <array>
#include <cmath>

namespace {

// Centres of the six strings' touch bands (string 0, the low E, first).
constexpr std::array<float, 6> kStringX = {27, 83, 139, 194, 248, 297};
// Over the pickup, below every fret; mirrored for a left-handed player it
// stays clear of the menu's plectrum (y < 45).
constexpr float kPickupY = 430;
// The MUTE button, in the control strip.
constexpr Point kMutePoint = {193, 30};
// The middle of the Scale Guitar's play strip.
constexpr float kScaleStripX = 167;

constexpr std::array<Key, 6> kPluckKeys = {Key::A, Key::S, Key::D, Key::F, Key::G, Key::H};

// The keyboard's four letter and number rows, bottom row first, each from
// the left.
const std::array<std::vector<Key>, 4>& keyboardRows() {
    static const std::array<std::vector<Key>, 4> rows = {
        std::vector<Key>{Key::Z, Key::X, Key::C, Key::V, Key::B, Key::N, Key::M, Key::Comma, Key::Period,
                         Key::Slash},
        std::vector<Key>{Key::A, Key::S, Key::D, Key::F, Key::G, Key::H, Key::J, Key::K, Key::L,
                         Key::Semicolon, Key::Apostrophe},
        std::vector<Key>{Key::Q, Key::W, Key::E, Key::R, Key::T, Key::Y, Key::U, Key::I, Key::O, Key::P,
                         Key::LeftBracket, Key::RightBracket},
        std::vector<Key>{Key::Num1, Key::Num2, Key::Num3, Key::Num4, Key::Num5, Key::Num6, Key::Num7,
                         Key::Num8, Key::Num9, Key::Num0, Key::Minus, Key::Equals},
    };
    return rows;
}

// Row (0 bottom .. 3 numbers) and column of a key, or {-1, -1}.
std::pair<int, int> rowAndColumn(Key key) {
    const auto& rows = keyboardRows();
    for (int r = 0; r < 4; ++r)
        for (std::size_t c = 0; c < rows[r].size(); ++c)
            if (rows[r][c] == key)
                return {r, static_cast<int>(c)};
    return {-1, -1};
}

constexpr int kHammerOnColumns = 10; // at most ten frets are shown

} // namespace

int KeyFingers::manualFretString(Key key) {
    for (int s = 0; s < 6; ++s)
        if (kPluckKeys[s] == key)
            return s;
    return -1;
}

std::optional<Point> KeyFingers::manualFretPoint(Key key) {
    if (key == Key::Space)
        return kMutePoint;
    const int s = manualFretString(key);
    if (s < 0)
        return std::nullopt;
    return Point{kStringX[s], kPickupY};
}

std::pair<int, int> KeyFingers::hammerOnStringAndRow(Key key, bool shift) {
    const auto [row, column] = rowAndColumn(key);
    if (row < 0 || column >= kHammerOnColumns)
        return {-1, -1};
    return {row + (shift ? 2 : 0), column};
}

std::optional<Point> KeyFingers::hammerOnPoint(Key key, bool shift, int numFretsToShow, int fretSpacing) {
    const auto [string, row] = hammerOnStringAndRow(key, shift);
    if (string < 0 || row >= numFretsToShow || fretSpacing <= 0)
        return std::nullopt;
    // The middle of the row: 57 is the first fret line.
    const float y = static_cast<float>(57 + row * fretSpacing + fretSpacing / 2);
    return Point{kStringX[string], y};
}

int KeyFingers::scaleBand(Key key) {
    const auto [row, column] = rowAndColumn(key);
    if (row < 0)
        return -1;
    int band = column;
    for (int r = 0; r < row; ++r)
        band += static_cast<int>(keyboardRows()[r].size());
    return band;
}

std::optional<Point> KeyFingers::scalePoint(Key key, int scaleNumNotes) {
    const int band = scaleBand(key);
    if (band < 0 || band >= scaleNumNotes || scaleNumNotes > 100)
        return std::nullopt;
    // The strip maps y to whole percent p = y * 100 / 480 and the band to
    // n * p / 100: take the first percent of the band and aim at its middle.
    int p = (band * 100 + scaleNumNotes - 1) / scaleNumNotes;
    while (p < 100 && (scaleNumNotes * p) / 100 < band)
        ++p;
    if (p >= 100 || (scaleNumNotes * p) / 100 != band)
        return std::nullopt;
    return Point{kScaleStripX, (static_cast<float>(p) + 0.5f) * 4.8f};
}

std::vector<KeyFingers::Binding> KeyFingers::bindings(Screen screen) {
    switch (screen) {
    case Screen::ManualFret:
        return {
            {"A S D F G H", "pluck the strings, low E to high E (hold to keep the finger down)"},
            {"Space", "MUTE"},
            {"mouse", "hold frets, drag sideways to bend, drag over the pickup to strum"},
        };
    case Screen::HammerOn:
        return {
            {"Z X C V B N M , . /", "frets of the low E string, from the nut end of the board"},
            {"A S D F G H J K L ;", "frets of the A string"},
            {"Q W E R T Y U I O P", "frets of the D string"},
            {"1 2 3 4 5 6 7 8 9 0", "frets of the G string"},
            {"Shift + those rows", "the D, G, B and high E strings"},
            {"mouse", "hold frets, drag sideways to bend"},
        };
    case Screen::Scale:
        return {
            {"Z X C V B N M , . /", "the first ten notes of the strip, lowest first"},
            {"A S D F G H J K L ; '", "the next eleven notes"},
            {"Q W E R T Y U I O P [ ]", "the next twelve notes"},
            {"1 2 3 4 5 6 7 8 9 0 - =", "the twelve notes after them"},
            {"mouse", "slide along the strip, pick the key and the scale"},
        };
    }
    return {};
}

bool KeyFingers::isReservedByPlatform(Key key, bool shift) {
    switch (key) {
    case Key::Left:
    case Key::Right:
    case Key::Up:
    case Key::Down:
        return shift;
    case Key::Keypad2:
    case Key::Keypad4:
    case Key::Keypad5:
    case Key::Keypad6:
    case Key::Keypad8:
    case Key::F11:
    case Key::Escape:
    case Key::Return:
    case Key::KeypadEnter:
        return true;
    default:
        return false;
    }
}

long KeyFingers::touchIdForKey(Key key) {
    return -1000 - static_cast<long>(key);
}

Touch KeyFingers::press(Key key, Point point) {
    held_[key] = point;
    Touch t;
    t.id = touchIdForKey(key);
    t.phase = TouchPhase::Began;
    t.location = point;
    t.previousLocation = point;
    return t;
}

std::optional<Touch> KeyFingers::release(Key key) {
    auto it = held_.find(key);
    if (it == held_.end())
        return std::nullopt;
    Touch t;
    t.id = touchIdForKey(key);
    t.phase = TouchPhase::Ended;
    t.location = it->second;
    t.previousLocation = it->second;
    held_.erase(it);
    return t;
}

std::vector<Touch> KeyFingers::releaseAll() {
    std::vector<Touch> touches;
    while (!held_.empty()) {
        const Key key = held_.begin()->first;
        touches.push_back(*release(key));
    }
    return touches;
}
