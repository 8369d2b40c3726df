#include "PlatformTestSupport.h"

// Key events below name only the fields that matter to the case (designated
// initializers); the rest keep their defaults on purpose.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using Outcome = KeyRouter::Outcome;

// A router wired to counters, a real text field, the real virtual tilt and
// itself as the screen listening to keys; no window system at all.
struct Desk : KeyLog {
    ManualClock clock{0.0};
    SdlAccelerometer tilt{clock};
    int toggles = 0, answers = 0;
    bool alert = false;
    View root{Rect{0, 0, 320, 480}};
    TextField field{Rect{0, 0, 200, 30}};
    KeyRouter router{{[this] { ++toggles; }, [this] { return alert; }, [this] { ++answers; },
                      [this](const KeyEvent& e, bool down) { return tilt.handleKey(e, down); }}};
    Desk() {
        root.addSubview(&field);
        router.addListener(this);
        router.addListener(this); // once only
    }
    ~Desk() { field.resignFirstResponder(); }
};

enum class State { Playing, AlertUp, Editing, Unheard };

// The virtual tilt polled by a frame loop on a manual clock, its readings kept.
struct Tilt : ::testing::Test, AccelerometerDelegate {
    using R = std::array<double, 3>; // x, y, z
    std::vector<R> got;
    ManualClock clock{10.0};
    SdlAccelerometer acc{clock};
    void accelerometerDidAccelerate(double x, double y, double z) override { got.push_back({x, y, z}); }
    void SetUp() override {
        acc.setUpdateInterval(0.02);
        acc.setDelegate(this);
    }
    // Frames at `fps` for `seconds`; returns the readings they delivered.
    std::size_t run(double seconds, int fps = 60) {
        const std::size_t before = got.size();
        for (int i = 0; i < static_cast<int>(seconds * fps + 0.5); ++i) {
            clock.advance(1.0 / fps);
            acc.poll();
        }
        return got.size() - before;
    }
    R now() {
        R r{};
        acc.currentReading(&r[0], &r[1], &r[2]);
        return r;
    }
};

} // namespace

TEST(KeyRouter, EachKeyGoesWhereThePolicySaysAndReleasesAlwaysArrive) {
    using enum State;
    using enum Outcome;
    using enum Key;
    struct Case {
        const char* what;
        State state;
        KeyEvent event;
        Outcome outcome;
        int toggles, answers, listenerDowns;
        // While editing "Riff" with the caret at its end: what is left.
        const char* text = "Riff";
        std::size_t caret = 4;
        bool editing = true;
    };
    const Case cases[] = {
        {"F11", Playing, {.key = F11}, Fullscreen, 1, 0, 0},
        {"Alt+Enter", Playing, {.key = Return, .alt = true}, Fullscreen, 1, 0, 0},
        {"Alt+keypad Enter", Playing, {.key = KeypadEnter, .alt = true}, Fullscreen, 1, 0, 0},
        {"F11 over an alert", AlertUp, {.key = F11}, Fullscreen, 1, 0, 0},
        {"a held F11 does not flicker", Playing, {.key = F11, .repeat = true}, Listener, 0, 0, 1},
        {"Return answers the alert", AlertUp, {.key = Return}, Alert, 0, 1, 0},
        {"keypad Enter answers", AlertUp, {.key = KeypadEnter}, Alert, 0, 1, 0},
        {"Escape answers", AlertUp, {.key = Escape}, Alert, 0, 1, 0},
        {"Space answers", AlertUp, {.key = Space}, Alert, 0, 1, 0},
        {"a held Return does not", AlertUp, {.key = Return, .repeat = true}, Alert, 0, 0, 0},
        {"other keys die at the alert", AlertUp, {.key = G}, Alert, 0, 0, 0},
        {"tilt keys too", AlertUp, {.key = Left, .shift = true}, Alert, 0, 0, 0},
        {"Backspace deletes", Editing, {.key = Backspace}, TextField, 0, 0, 0, "Rif", 3},
        {"Left moves the caret", Editing, {.key = Left}, TextField, 0, 0, 0, "Riff", 3},
        {"Delete at the end does nothing", Editing, {.key = Delete}, TextField, 0, 0, 0},
        {"Return ends editing", Editing, {.key = Return}, TextField, 0, 0, 0, "Riff", 4, false},
        {"Escape ends editing", Editing, {.key = Escape}, TextField, 0, 0, 0, "Riff", 4, false},
        {"Home goes to the start", Editing, {.key = Home}, TextField, 0, 0, 0, "Riff", 0},
        {"Ctrl+A selects all", Editing, {.key = A, .ctrl = true}, TextField, 0, 0, 0, "Riff", 4},
        {"letters stay in the field", Editing, {.key = G}, TextField, 0, 0, 0},
        {"so do tilt keys", Editing, {.key = Left, .shift = true}, TextField, 0, 0, 0, "Riff", 3},
        {"Shift+Left tilts", Playing, {.key = Left, .shift = true}, Tilt, 0, 0, 0},
        {"keypad 8 tilts", Playing, {.key = Keypad8}, Tilt, 0, 0, 0},
        {"a plain arrow is the screen's", Playing, {.key = Left}, Listener, 0, 0, 1},
        {"a key no listener takes", Unheard, {.key = G}, Unclaimed, 0, 0, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Desk d;
        d.alert = c.state == AlertUp;
        d.takes = c.state != Unheard;
        if (c.state == Editing) {
            d.field.setText("Riff");
            ASSERT_TRUE(d.field.becomeFirstResponder()); // all selected: the caret goes to the end
            d.field.moveCaretToEnd();
        }
        EXPECT_EQ(d.router.keyDown(c.event), c.outcome);
        EXPECT_EQ(std::tuple(d.toggles, d.answers, d.downs.size()),
                  std::tuple(c.toggles, c.answers, c.listenerDowns));
        if (c.state == Editing) {
            EXPECT_EQ(std::tuple(d.field.text(), d.field.caret(), d.field.isEditing()),
                      std::tuple(std::string(c.text), c.caret, c.editing));
        }
    }
    // Whatever takes the presses, releases still reach the screen; focus loss lets held keys go once.
    Desk d;
    d.router.keyDown({.key = J});
    d.router.keyDown({.key = K});
    d.alert = true;
    EXPECT_EQ(d.router.keyUp({.key = K}), Listener);
    d.router.releaseAll();
    d.router.releaseAll();
    EXPECT_EQ(d.ups, (std::vector<Key>{K, J}));
    d.router.removeListener(&d);
    EXPECT_EQ(d.router.keyUp({.key = J}), Unclaimed);
}

TEST_F(Tilt, DeliversFiftyReadingsASecondToADelegateWhileKeysLean) {
    EXPECT_EQ(acc.source(), SdlAccelerometer::Source::VirtualTilt);
    const std::size_t n = run(1.0, 30); // fewer frames than readings: some frames deliver two
    EXPECT_TRUE(n == 49 || n == 50) << n;
    EXPECT_TRUE(std::ranges::all_of(got, [](const R& g) { return g == R{0, 0, -1}; }));
    acc.setDelegate(nullptr);
    EXPECT_EQ(run(1.0), 0u);
    acc.setDelegate(this);
    const std::size_t before = got.size();
    // Without the virtual tilt or any sensor nothing is delivered.
    SdlAccelerometer none(clock, false);
    none.open(); // no SDL: no sensors, no controllers
    none.setDelegate(this);
    clock.advance(1.0);
    none.poll();
    EXPECT_EQ(std::tuple(none.source(), none.handleKey({.key = Key::Left}, true), got.size()),
              std::tuple(SdlAccelerometer::Source::None, false, before));
    // Each key pressed or let go, whether the tilt took it, then the lean after some time: x and y as -1, 0
    // or 1 (exactly level, or past half of gravity), in the reading and in what the delegate last heard.
    const std::initializer_list<std::tuple<KeyEvent, bool, bool, double, int, int>> keys = {
        {{.key = Key::Left}, true, false, 1, 0, 0},               // plain arrows are the screens'
        {{.key = Key::Left, .shift = true}, true, true, 1, 0, 1}, // whammy down
        {{.key = Key::Left}, false, true, 1, 0, 0},               // released even without Shift
        {{.key = Key::Keypad8}, true, true, 0.5, 1, 0},           // top edge down
        {{.key = Key::Keypad5}, true, true, 0, 0, 0},             // levels at once
        {{.key = Key::Keypad2}, true, true, 0, 0, 0},
        {{}, false, false, 1, 0, 0}}; // losing focus lets every key go
    const auto sign = [](double v) { return v > 0.5 ? 1 : v < -0.5 ? -1 : v == 0 ? 0 : 9; };
    for (const auto& [event, down, taken, seconds, x, y] : keys) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(event.key) << down);
        EXPECT_EQ(acc.handleKey(event, down), taken);
        run(seconds);
        EXPECT_EQ(std::tuple(sign(now()[0]), sign(now()[1])), std::tuple(x, y));
        EXPECT_TRUE(seconds == 0 || std::tuple(sign(got.back()[0]), sign(got.back()[1])) == std::tuple(x, y));
    }
}
