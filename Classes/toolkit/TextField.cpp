#include "toolkit/TextField.h"

#include <algorithm>

#include "system/TextLineBreaker.h"
#include "toolkit/Graphics.h"

namespace {

TextField*& editing() {
    static TextField* field = nullptr;
    return field;
}

TextField::TextInputHook& hook() {
    static TextField::TextInputHook h = nullptr;
    return h;
}

constexpr float kInset = 5.0f;

} // namespace

TextField::TextField() = default;

TextField::TextField(const Rect& frame) : TextStyleView(frame) {}

TextField::~TextField() {
    if (editing() == this) {
        editing() = nullptr;
        if (hook())
            hook()(this, false);
    }
}

void TextField::setTextInputHook(TextInputHook h) {
    hook() = h;
}

TextField* TextField::editingField() {
    return editing();
}

bool TextField::isEditing() const {
    return editing() == this;
}

void TextField::setText(const std::string& utf8) {
    setNeedsDisplay();
    text_ = utf8;
    // Never keep a partial character at the limit.
    while (text_.size() > maxLength_)
        text_ = TextLineBreaker::dropLastCharacter(text_);
    caret_ = anchor_ = text_.size();
}

void TextField::placeCaret(std::size_t at) {
    setNeedsDisplay();
    caret_ = anchor_ = std::min(at, text_.size());
}

void TextField::selectAll() {
    setNeedsDisplay();
    anchor_ = 0;
    caret_ = text_.size();
}

bool TextField::deleteSelection() {
    if (!hasSelection())
        return false;
    const std::size_t start = std::min(selectionStart(), text_.size());
    text_.erase(start, std::min(selectionEnd(), text_.size()) - start);
    placeCaret(start);
    return true;
}

bool TextField::becomeFirstResponder() {
    setNeedsDisplay();
    if (editing() == this)
        return true;
    if (isHidden() || !superview())
        return false;
    if (editing() && !editing()->resignFirstResponder())
        return false;
    editing() = this;
    // A name already there is usually replaced, not added to.
    selectAll();
    if (hook())
        hook()(this, true);
    if (delegate_)
        delegate_->textFieldDidBeginEditing(*this);
    return true;
}

bool TextField::resignFirstResponder() {
    setNeedsDisplay();
    if (editing() != this || ending_)
        return true;
    ending_ = true;
    editing() = nullptr;
    anchor_ = caret_;
    if (hook())
        hook()(this, false);
    if (delegate_)
        delegate_->textFieldDidEndEditing(*this);
    ending_ = false;
    return true;
}

void TextField::insertText(const std::string& utf8) {
    setNeedsDisplay();
    if (!isEditing())
        return;
    deleteSelection();
    std::string add;
    // Line breaks and other control characters have no place in one line.
    for (std::size_t i = 0; i < utf8.size();) {
        std::size_t n = TextLineBreaker::utf8Length(utf8, i);
        auto c = static_cast<unsigned char>(utf8[i]);
        if (n > 1 || c >= 0x20)
            if (c != 0x7F)
                add.append(utf8, i, n);
        i += n;
    }
    if (inputFilter_)
        add = inputFilter_(add);
    // Only whole characters that fit are taken.
    std::size_t i = 0;
    while (i < add.size()) {
        std::size_t n = TextLineBreaker::utf8Length(add, i);
        if (text_.size() + i + n > maxLength_)
            break;
        i += n;
    }
    caret_ = std::min(caret_, text_.size());
    text_.insert(caret_, add, 0, i);
    placeCaret(caret_ + i);
}

namespace {

// The start of the character before byte offset i.
std::size_t previousBoundary(const std::string& s, std::size_t i) {
    if (i == 0)
        return 0;
    std::string head = TextLineBreaker::dropLastCharacter(s.substr(0, i));
    return head.size();
}

} // namespace

void TextField::deleteBackward() {
    setNeedsDisplay();
    if (!isEditing() || deleteSelection() || caret_ == 0)
        return;
    caret_ = std::min(caret_, text_.size());
    std::size_t start = previousBoundary(text_, caret_);
    text_.erase(start, caret_ - start);
    placeCaret(start);
}

void TextField::deleteForward() {
    setNeedsDisplay();
    if (!isEditing() || deleteSelection() || caret_ >= text_.size())
        return;
    text_.erase(caret_, TextLineBreaker::utf8Length(text_, caret_));
}

void TextField::moveCaret(int characters) {
    setNeedsDisplay();
    caret_ = std::min(caret_, text_.size());
    for (; characters > 0 && caret_ < text_.size(); --characters)
        caret_ += TextLineBreaker::utf8Length(text_, caret_);
    for (; characters < 0 && caret_ > 0; ++characters)
        caret_ = previousBoundary(text_, caret_);
    anchor_ = caret_;
}

void TextField::returnPressed() {
    if (!isEditing())
        return;
    if (delegate_)
        delegate_->textFieldShouldReturn(*this);
    else
        resignFirstResponder();
}

void TextField::clear() {
    setNeedsDisplay();
    text_.clear();
    caret_ = anchor_ = 0;
}

Rect TextField::clearButtonRect() const {
    Rect b = bounds();
    float s = std::min(b.height, 30.0f);
    return {b.width - s, (b.height - s) / 2, s, s};
}

bool TextField::isClearButtonShown() const {
    if (text_.empty())
        return false;
    switch (clearButtonMode_) {
    case ClearButtonMode::Never:
        return false;
    case ClearButtonMode::WhileEditing:
        return isEditing();
    case ClearButtonMode::Always:
        return true;
    }
    return false;
}

void TextField::draw(Graphics& g) {
    Rect b = bounds();
    if (borderStyle_ == BorderStyle::RoundedRect) {
        g.fillRoundedRect(b, 6, Color{160, 160, 160, 255});
        Color fill = backgroundColor().isClear() ? Color::white() : backgroundColor();
        g.fillRoundedRect({1, 1, b.width - 2, b.height - 2}, 5, fill);
    } else if (!backgroundColor().isClear()) {
        g.fillRect(b, backgroundColor());
    }
    if (borderStyle_ == BorderStyle::Line)
        g.strokeRect(b, Color::black(), 1.0f);

    float right = isClearButtonShown() ? clearButtonRect().x : b.width - kInset;
    Rect textRect{kInset, 0, std::max(0.0f, right - kInset), b.height};
    g.save();
    g.clipToRect(textRect);
    bool showPlaceholder = text_.empty();
    const std::string& shown = showPlaceholder ? placeholder_ : text_;
    Size size = Graphics::measureText(shown, font());
    float lh = Graphics::lineHeight(font());
    float x = alignedX(textRect.x, textRect.width, size.width);
    // While typing, the caret stays in sight: a long text scrolls.
    float caretOffset =
        showPlaceholder
            ? 0
            : Graphics::measureText(text_.substr(0, std::min(caret_, text_.size())), font()).width;
    if (isEditing() && !showPlaceholder && size.width > textRect.width - 2) {
        x = std::min(textRect.x, textRect.maxX() - 2 - caretOffset);
        x = std::max(x, textRect.maxX() - 2 - size.width);
    }
    float y = (b.height - lh) / 2;
    if (isEditing() && hasSelection() && !showPlaceholder) {
        const float from = Graphics::measureText(text_.substr(0, selectionStart()), font()).width;
        const float to = Graphics::measureText(text_.substr(0, selectionEnd()), font()).width;
        g.fillRect({x + from, y + 1, to - from, lh - 2}, Color{170, 200, 250, 255});
    }
    if (!shown.empty())
        g.drawText(shown, font(), showPlaceholder ? Color{178, 178, 178, 255} : textColor(), {x, y});
    if (isEditing()) {
        float cx = showPlaceholder ? textRect.x : x + caretOffset;
        if (textAlignment() == TextAlignment::Center && showPlaceholder)
            cx = textRect.x + textRect.width / 2;
        g.fillRect({cx, y + 2, 2, lh - 4}, Color{40, 90, 220, 255});
    }
    g.restore();

    if (isClearButtonShown()) {
        Rect c = clearButtonRect();
        Point m = c.center();
        float r = c.width * 0.32f;
        g.fillCircle(m, r, Color{150, 150, 150, 255});
        float k = r * 0.45f;
        g.drawLine({m.x - k, m.y - k}, {m.x + k, m.y + k}, Color::white(), 2.0f);
        g.drawLine({m.x - k, m.y + k}, {m.x + k, m.y - k}, Color::white(), 2.0f);
    }
}

void TextField::touchesBegan(const TouchSet& touches) {
    if (touches.empty())
        return;
    const bool onClear = isClearButtonShown() && clearButtonRect().contains(touches.front().location);
    becomeFirstResponder();
    if (onClear)
        clear();
}

void TextField::touchesMoved(const TouchSet&) {}
void TextField::touchesEnded(const TouchSet&) {}
void TextField::touchesCancelled(const TouchSet&) {}
