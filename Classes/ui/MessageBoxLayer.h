#pragma once
#include <functional>
#include <memory>

#include "toolkit/DefaultButtonMark.h"
#include "toolkit/FingerView.h"
#include "toolkit/HitTable.h"
#include "toolkit/ImageView.h"
#include "toolkit/Label.h"

class MessageBoxKeys;

// A screen's message box: a black veil over the screen, the box picture in the
// middle with the screen's text, and, for a question, OK and Cancel buttons.
// While shown it is the screen's top modal layer and takes every finger; a
// finger down on OK or Cancel answers, and so do the keys (as for the
// application's alerts): Return the default, OK, which is ringed; Escape and
// Space the safe Cancel. A notice without buttons ("please
// wait") only holds the fingers until the screen hides it.
//
// Threads: UI thread only.
class MessageBoxLayer : public FingerView::FingerTarget {
public:
    // What the buttons do; a box made without answers has no buttons.
    struct Answers {
        std::function<void()> ok;
        std::function<void()> cancel;
    };
    enum class Button { Ok, Cancel };
    // The buttons' touch areas, in the screen's coordinates.
    static std::span<const HitArea<Button>> buttonAreas();

    explicit MessageBoxLayer(FingerView& screen, std::optional<Answers> answers = std::nullopt);
    ~MessageBoxLayer() override;

    // Whether the veil itself takes touches while shown (passing them on to
    // the screen), so that no control under it sees them.
    void setVeilTakesTouches(bool takes) { veil_.setUserInteractionEnabled(takes); }
    // How dark the veil is while shown (0.8 unless set).
    void setVeilAlpha(float alpha);
    // Adds the veil and the box on top of the views added so far.
    void addViews();

    void show();
    void hide();
    bool isShown() const { return shown_; }

    // The text, a subview of the box picture: place it in the box's
    // coordinates.
    Label& text() { return text_; }
    const Label& text() const { return text_; }
    const View& veil() const { return veil_; }
    const ImageView& box() const { return box_; }
    const ImageView& okButton() const { return okButton_; }
    const ImageView& cancelButton() const { return cancelButton_; }
    const DefaultButtonMark& defaultMark() const { return defaultMark_; }

    void fingerDown(const Touch& touch) override;

private:
    void redraw();

    FingerView& screen_;
    std::optional<Answers> answers_;
    bool shown_ = false;
    float veilAlpha_ = 0.8f;
    View veil_;
    ImageView box_;
    Label text_;
    DefaultButtonMark defaultMark_;
    ImageView okButton_;
    ImageView cancelButton_;
    std::unique_ptr<MessageBoxKeys> keys_;
};
