#pragma once
#include <algorithm>
#include <functional>
#include <string>

#include "toolkit/TextStyleView.h"

class TextField;

// Told about a text field's editing.
//
// Threads: UI thread.
class TextFieldDelegate {
public:
    virtual ~TextFieldDelegate() = default;
    virtual void textFieldDidBeginEditing(TextField& field) { (void)field; }
    // Return (or the Done key) was pressed. The delegate usually calls
    // field.resignFirstResponder(); the result says whether it handled it.
    virtual bool textFieldShouldReturn(TextField& field) {
        (void)field;
        return true;
    }
    virtual void textFieldDidEndEditing(TextField& field) { (void)field; }
};

// A one-line text entry box. Touching it starts editing with all its text
// selected (drawn highlighted), so typing replaces a name already there; the
// keyboard's text goes in at the caret or over the selection (typed UTF-8
// inserted, Backspace and Delete remove the selection or the character before
// or after the caret, Left/Right/Home/End move it, Ctrl+A selects all, Return
// calls textFieldShouldReturn, Escape ends editing) and the platform's text
// input runs only while one field is editing. An input filter may change
// what is typed as it comes in (a file name's forbidden characters). The
// clear button at its right end empties it, as its mode says.
//
// Threads: UI thread only.
class TextField : public TextStyleView {
public:
    enum class BorderStyle { None, Line, RoundedRect };
    enum class ClearButtonMode { Never, WhileEditing, Always };

    TextField();
    explicit TextField(const Rect& frame);
    ~TextField() override;

    const std::string& text() const { return text_; }
    void setText(const std::string& utf8);
    const std::string& placeholder() const { return placeholder_; }
    void setPlaceholder(const std::string& utf8) { redrawWith(placeholder_, utf8); }
    BorderStyle borderStyle() const { return borderStyle_; }
    void setBorderStyle(BorderStyle style) { redrawWith(borderStyle_, style); }
    ClearButtonMode clearButtonMode() const { return clearButtonMode_; }
    void setClearButtonMode(ClearButtonMode mode) { redrawWith(clearButtonMode_, mode); }
    // The longest text in bytes the field accepts (UTF-8 is never cut inside a character).
    void setMaxLength(std::size_t bytes) { maxLength_ = bytes; }
    // Typed text passes through this before it goes in (none: as typed).
    void setInputFilter(std::function<std::string(const std::string&)> filter) {
        inputFilter_ = std::move(filter);
    }
    TextFieldDelegate* delegate() const { return delegate_; }
    void setDelegate(TextFieldDelegate* delegate) { delegate_ = delegate; }

    bool isEditing() const;
    // Starts editing (ending any other field's); false if hidden or detached.
    bool becomeFirstResponder();
    // Ends editing; textFieldDidEndEditing follows. Safe to call from the
    // delegate's own calls.
    bool resignFirstResponder();
    // The field being edited, or null.
    static TextField* editingField();

    // Keyboard input while editing (the application calls these; tests may).
    void insertText(const std::string& utf8);
    void deleteBackward();
    void deleteForward();
    // Moves the caret by whole characters (negative: toward the start).
    void moveCaret(int characters);
    void moveCaretToStart() { placeCaret(0); }
    void moveCaretToEnd() { placeCaret(text_.size()); }
    void selectAll();
    // The caret as a byte offset into text(), always between characters.
    std::size_t caret() const { return caret_; }
    // The selected bytes [selectionStart, selectionEnd); empty when none.
    std::size_t selectionStart() const { return std::min(anchor_, caret_); }
    std::size_t selectionEnd() const { return std::max(anchor_, caret_); }
    bool hasSelection() const { return anchor_ != caret_; }
    void returnPressed();
    void clear();

    // Where the clear button is drawn and touched, in the field's coordinates.
    Rect clearButtonRect() const;
    bool isClearButtonShown() const;

    void draw(Graphics& g) override;
    void touchesBegan(const TouchSet& touches) override;
    void touchesMoved(const TouchSet& touches) override;
    void touchesEnded(const TouchSet& touches) override;
    void touchesCancelled(const TouchSet& touches) override;

    // Installed by the application: called with true when a field starts
    // editing (start text input over that field) and false when it ends.
    using TextInputHook = void (*)(TextField* field, bool active);
    static void setTextInputHook(TextInputHook hook);

private:
    void placeCaret(std::size_t at);
    // Removes the selection; false when there was none.
    bool deleteSelection();

    std::string text_;
    std::size_t caret_ = 0;
    std::size_t anchor_ = 0; // the selection's other end (== caret_: none)
    std::function<std::string(const std::string&)> inputFilter_;
    std::string placeholder_;
    BorderStyle borderStyle_ = BorderStyle::None;
    ClearButtonMode clearButtonMode_ = ClearButtonMode::Never;
    std::size_t maxLength_ = 255;
    TextFieldDelegate* delegate_ = nullptr;
    bool ending_ = false;
};
