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
    field.insertText("a\nb\tc\x7f");
    EXPECT_EQ(field.text(), "abc"); // control characters never enter one line
    field.setMaxLength(5);
    field.insertText("d€"); // "€" (3 bytes) would pass the limit: not taken, nor cut
    EXPECT_EQ(field.text(), "abcd");
    for (int i = 0; i < 5; ++i)
        field.deleteBackward();
    EXPECT_EQ(field.text(), "");
    field.setText("abcdefgh");
    EXPECT_EQ(field.text(), "abcde");
    field.setMaxLength(255);
    field.setText("Riff€");
    field.moveCaret(-1); // before "€" (three bytes): the insertion shows where the caret went
    field.insertText("s ");
    EXPECT_EQ(field.text(), "Riffs €");
    field.moveCaretToStart();
    field.deleteForward();
    EXPECT_EQ(std::tuple(field.text(), field.caret()), std::tuple("iffs €", 0u));
    field.deleteBackward(); // nothing before the caret
    field.moveCaretToEnd();
    field.deleteBackward(); // "iffs ", seen below
    field.moveCaret(-100);
    EXPECT_EQ(field.caret(), 0u);
    field.moveCaret(100);
    EXPECT_EQ(field.caret(), 5u);
    // Inserting respects the byte limit across several characters.
    field.setMaxLength(8);
    field.insertText("abcdef");
    EXPECT_EQ(field.text(), "iffs abc");
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
