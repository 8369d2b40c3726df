#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "PlatformTestSupport.h"
#include "platform/KeyRouter.h"
#include "platform/SdlAccelerometer.h"
#include "platform/TextField.h"
#include "platform/View.h"
#include "platform/core/Clock.h"

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

KeyEvent key(Key k, bool shift = false, bool alt = false, bool repeat = false) {
    KeyEvent e{k, ""};
    e.shift = shift;
    e.alt = alt;
    e.repeat = repeat;
    return e;
}

} // namespace

TEST(KeyRouter, EachKeyGoesWhereThePolicySays) {
    using enum State;
    using enum Outcome;
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
    const bool shift = true, alt = true, held = true;
    const Case cases[] = {
        {"F11", Playing, key(Key::F11), Fullscreen, 1, 0, 0},
        {"Alt+Enter", Playing, key(Key::Return, !shift, alt), Fullscreen, 1, 0, 0},
        {"Alt+keypad Enter", Playing, key(Key::KeypadEnter, !shift, alt), Fullscreen, 1, 0, 0},
        {"F11 over an alert", AlertUp, key(Key::F11), Fullscreen, 1, 0, 0},
        {"a held F11 does not flicker", Playing, key(Key::F11, !shift, !alt, held), Listener, 0, 0, 1},
        {"Return answers the alert", AlertUp, key(Key::Return), Alert, 0, 1, 0},
        {"keypad Enter answers", AlertUp, key(Key::KeypadEnter), Alert, 0, 1, 0},
        {"Escape answers", AlertUp, key(Key::Escape), Alert, 0, 1, 0},
        {"Space answers", AlertUp, key(Key::Space), Alert, 0, 1, 0},
        {"a held Return does not", AlertUp, key(Key::Return, !shift, !alt, held), Alert, 0, 0, 0},
        {"other keys die at the alert", AlertUp, key(Key::G), Alert, 0, 0, 0},
        {"tilt keys too", AlertUp, key(Key::Left, shift), Alert, 0, 0, 0},
        {"Backspace deletes", Editing, key(Key::Backspace), TextField, 0, 0, 0, "Rif", 3},
        {"Left moves the caret", Editing, key(Key::Left), TextField, 0, 0, 0, "Riff", 3},
        {"Home goes to the start", Editing, key(Key::Home), TextField, 0, 0, 0, "Riff", 0},
        {"Delete at the end does nothing", Editing, key(Key::Delete), TextField, 0, 0, 0},
        {"Return ends editing", Editing, key(Key::Return), TextField, 0, 0, 0, "Riff", 4, false},
        {"Escape ends editing", Editing, key(Key::Escape), TextField, 0, 0, 0, "Riff", 4, false},
        {"letters stay in the field", Editing, key(Key::G), TextField, 0, 0, 0},
        {"so do tilt keys", Editing, key(Key::Left, shift), TextField, 0, 0, 0, "Riff", 3},
        {"Shift+Left tilts", Playing, key(Key::Left, shift), Tilt, 0, 0, 0},
        {"keypad 8 tilts", Playing, key(Key::Keypad8), Tilt, 0, 0, 0},
        {"a plain arrow is the screen's", Playing, key(Key::Left), Listener, 0, 0, 1},
        {"a key no listener takes", Unheard, key(Key::G), Unclaimed, 0, 0, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Desk d;
        d.alert = c.state == State::AlertUp;
        d.takes = c.state != State::Unheard;
        if (c.state == State::Editing) {
            d.field.setText("Riff");
            ASSERT_TRUE(d.field.becomeFirstResponder());
        }
        EXPECT_EQ(d.router.keyDown(c.event), c.outcome);
        EXPECT_EQ(d.toggles, c.toggles);
        EXPECT_EQ(d.answers, c.answers);
        EXPECT_EQ(static_cast<int>(d.downs.size()), c.listenerDowns);
        if (c.state == State::Editing) {
            EXPECT_EQ(std::tuple(d.field.text(), d.field.caret(), d.field.isEditing()),
                      std::tuple(std::string(c.text), c.caret, c.editing));
        }
    }
}

TEST(KeyRouter, ReleasesAlwaysArriveAndFocusLossLetsHeldKeysGoOnce) {
    Desk d;
    d.router.keyDown(key(Key::J));
    d.router.keyDown(key(Key::K));
    d.alert = true; // whatever takes the presses now, releases still reach the screen
    EXPECT_EQ(d.router.keyUp(key(Key::K)), Outcome::Listener);
    EXPECT_EQ(d.ups, (std::vector<Key>{Key::K}));
    d.router.releaseAll();
    EXPECT_EQ(d.ups, (std::vector<Key>{Key::K, Key::J}));
    d.router.releaseAll();
    EXPECT_EQ(d.ups.size(), 2u);
    d.router.removeListener(&d);
    EXPECT_EQ(d.router.keyUp(key(Key::J)), Outcome::Unclaimed);
}
