#pragma once
#include <string>

#include "platform/TextStyleView.h"

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

// A one-line text entry box. Touching it starts editing: the keyboard's text
// goes into it at the caret (typed UTF-8 inserted, Backspace and Delete remove
// the character before or after the caret, Left/Right/Home/End move it,
// Return calls textFieldShouldReturn, Escape ends editing) and the platform's
// text input runs only while one field is editing. While editing and not
// empty it shows a clear button at its right end that empties it.
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
    void moveCaretToStart() {
        caret_ = 0;
        setNeedsDisplay();
    }
    void moveCaretToEnd() {
        caret_ = text_.size();
        setNeedsDisplay();
    }
    // The caret as a byte offset into text(), always between characters.
    std::size_t caret() const { return caret_; }
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
    std::string text_;
    std::size_t caret_ = 0;
    std::string placeholder_;
    BorderStyle borderStyle_ = BorderStyle::None;
    ClearButtonMode clearButtonMode_ = ClearButtonMode::Never;
    std::size_t maxLength_ = 255;
    TextFieldDelegate* delegate_ = nullptr;
    bool ending_ = false;
};
