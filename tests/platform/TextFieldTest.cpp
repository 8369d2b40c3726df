#include "PlatformTestSupport.h"

namespace {

// Behaves as the library screens' delegate: Return ends editing, the end of
// editing makes the name safe for a file.
struct SafeNameDelegate : TextFieldDelegate {
    int began = 0, returned = 0, ended = 0;
    void textFieldDidBeginEditing(TextField&) override { ++began; }
    bool textFieldShouldReturn(TextField& f) override {
        ++returned;
        f.resignFirstResponder();
        return true;
    }
    void textFieldDidEndEditing(TextField& f) override {
        ++ended;
        f.resignFirstResponder(); // ending again from inside must be harmless
        std::string s = f.text();
        std::ranges::replace_if(
            s, [](char c) { return c == '.' || c == '/' || c == '\\'; }, '_');
        f.setText(s);
    }
};

} // namespace

TEST(TextField, TypingBackspaceAndReturnThroughTheApplication) {
    HeadlessApp h;
    TextField field(Rect{0, 0, 200, 30});
    field.setCenter({60, 240});
    field.setRotation(kQuarterTurn);
    field.setPlaceholder("Enter Save Filename Here");
    field.setClearButtonMode(TextField::ClearButtonMode::WhileEditing);
    SafeNameDelegate d;
    field.setDelegate(&d);
    h.app.rootView().addSubview(&field);
    h.app.injectText("x"); // before the field has focus: goes nowhere
    h.app.runFrames(1);
    h.touch(1, {60, 200}); // a touch on the field starts editing
    ASSERT_TRUE(field.isEditing());
    EXPECT_EQ(std::tuple(field.text(), TextField::editingField(), d.began), std::tuple("", &field, 1));
    h.app.injectText("my.song");
    h.app.injectText("é€");
    h.app.injectKey(KeyEvent{Key::Backspace, ""}, true);
    h.app.injectKey(KeyEvent{Key::Backspace, ""}, false);
    h.app.runFrames(1);
    EXPECT_EQ(std::tuple(field.text(), field.isClearButtonShown()),
              std::tuple("my.songé", true)); // "€" went whole
    h.app.injectKey(KeyEvent{Key::Return, ""}, true);
    h.app.runFrames(1);
    EXPECT_EQ(std::tuple(d.returned, d.ended, field.isEditing()), std::tuple(1, 1, false));
    EXPECT_EQ(std::tuple(field.text(), field.isClearButtonShown()), std::tuple("my_songé", false));
    ASSERT_TRUE(field.becomeFirstResponder());
    h.touch(4, field.convertPointTo(field.clearButtonRect().center(), nullptr));
    EXPECT_EQ(std::tuple(field.text(), field.isEditing()), std::tuple("", true));
    field.resignFirstResponder();
}

TEST(TextField, InputIsFilteredLimitedEditedByWholeCharactersAndOnlyOneFieldEdits) {
    View root(Rect{0, 0, 320, 480});
    TextField field(Rect{0, 0, 200, 30});
    root.addSubview(&field);
    field.insertText("ignored"); // not editing
    ASSERT_TRUE(field.becomeFirstResponder());
    TextField& f = field;
    // Each step, then the text and the caret (a byte offset, always between whole characters).
    const std::initializer_list<std::tuple<std::function<void()>, const char*, std::size_t>> steps = {
        {[&] { f.insertText("a\nb\tc\x7f"); }, "abc", 3}, // control characters never enter one line
        {[&] { f.setMaxLength(5); }, "abc", 3},
        {[&] { f.insertText("d€"); }, "abcd", 4}, // "€" (3 bytes) would pass the limit: not taken, nor cut
        {[&] { f.setText("abcdefgh"); }, "abcde", 5},
        {[&] { f.setMaxLength(255); }, "abcde", 5},
        {[&] { f.setText("Riff€"); }, "Riff€", 7},
        {[&] { f.moveCaret(-1); }, "Riff€", 4}, // before "€", not inside it
        {[&] { f.insertText("s "); }, "Riffs €", 6},
        {[&] { f.moveCaretToStart(); }, "Riffs €", 0},
        {[&] { f.deleteForward(); }, "iffs €", 0},
        {[&] { f.deleteBackward(); }, "iffs €", 0}, // nothing before the caret
        {[&] { f.moveCaretToEnd(); }, "iffs €", 8},
        {[&] { f.deleteBackward(); }, "iffs ", 5},
        {[&] { f.moveCaret(-100); }, "iffs ", 0},
        {[&] { f.moveCaret(100); }, "iffs ", 5},
        {[&] { f.setMaxLength(8); }, "iffs ", 5},
        {[&] { f.insertText("abcdef"); }, "iffs abc", 8}}; // the byte limit holds across several characters
    for (int i = 0; const auto& [apply, text, caret] : steps) {
        SCOPED_TRACE(i++);
        apply();
        EXPECT_EQ(std::tuple(f.text(), f.caret()), std::tuple(text, caret));
    }
    // Without a delegate Return ends editing.
    field.returnPressed();
    EXPECT_FALSE(field.isEditing());
    // Only one field edits at a time, and hidden, detached or destroyed ones do not.

    TextField a(Rect{0, 0, 100, 30}), b(Rect{0, 40, 100, 30}), detached(Rect{0, 0, 10, 10});
    root.addSubview(&a);
    root.addSubview(&b);
    SafeNameDelegate da;
    a.setDelegate(&da);
    ASSERT_TRUE(a.becomeFirstResponder());
    ASSERT_TRUE(b.becomeFirstResponder());
    EXPECT_EQ(std::tuple(a.isEditing(), da.ended), std::tuple(false, 1));
    b.setHidden(true);
    b.resignFirstResponder();
    EXPECT_FALSE(b.becomeFirstResponder());
    EXPECT_FALSE(detached.becomeFirstResponder());
    {
        TextField temporary(Rect{0, 0, 10, 10});
        root.addSubview(&temporary);
        temporary.becomeFirstResponder();
    }
    EXPECT_EQ(TextField::editingField(), nullptr); // a destroyed field lets go
}

TEST(TextField, APrefilledNameIsSelectedSoTypingReplacesItAndTheClearButtonShowsWithText) {
    HeadlessApp h;
    TextField field(Rect{0, 0, 200, 30});
    field.setCenter({60, 240});
    field.setRotation(kQuarterTurn);
    field.setBackgroundColor(Color::white());
    field.setClearButtonMode(TextField::ClearButtonMode::Always);
    field.setInputFilter([](std::string s) { return std::ranges::replace(s, '/', '_'), s; }); // file-safe
    h.app.rootView().addSubview(&field);
    field.setText("Demo - Blues Riff");
    // How many pixels show the selection's and the clear button's colours.
    const auto drawn = [&] {
        const Picture p = h.shot();
        std::pair<int, int> n;
        for (std::size_t i = 0; i + 3 < p.pixels.size(); i += 4) {
            const auto is = [&](int r, int g, int b) {
                return p.pixels[i] == r && p.pixels[i + 1] == g && p.pixels[i + 2] == b;
            };
            n.first += is(170, 200, 250);
            n.second += is(150, 150, 150);
        }
        return std::pair(n.first > 0, n.second > 0);
    };
    const auto press = [&](KeyEvent e, const char* typed = "") {
        h.app.injectKey(e, true);
        h.app.injectKey(e, false);
        h.app.injectText(typed);
        h.app.runFrames(1);
        return field.text();
    };
    EXPECT_EQ(drawn(), std::pair(false, true)); // text, not editing: the clear button shows
    h.touch(1, {60, 200});
    EXPECT_EQ(std::tuple(field.selectionStart(), field.selectionEnd(), drawn()),
              std::tuple(0, 17, std::pair(true, true)));
    EXPECT_EQ(press({}, "Long/Take"), "Long_Take"); // replaced, and "/" shown as the file will have it
    EXPECT_EQ(drawn(), std::pair(false, true));
    EXPECT_EQ(press({Key::A, "", false, false, true}, "X"), "X"); // Ctrl+A
    EXPECT_EQ(press({Key::Home, ""}, "a"), "aX");
    EXPECT_EQ(press({Key::End, ""}, "b"), "aXb");
    press({Key::Escape, ""});
    EXPECT_FALSE(field.isEditing());
    h.touch(2, field.convertPointTo(field.clearButtonRect().center(), nullptr));
    EXPECT_EQ(std::tuple(field.text(), drawn()), std::tuple("", std::pair(false, false)));
    field.resignFirstResponder();
}
