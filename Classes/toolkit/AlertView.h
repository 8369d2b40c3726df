#pragma once
#include <functional>
#include <string>

#include "toolkit/FingerView.h"

// A message box drawn inside the window above everything else, turned to
// read for a user holding the phone sideways. While one shows, nothing under
// it gets touches. With a button ("OK", drawn filled as the default) a touch
// on the button, Return, Escape or Space dismisses it; with no button it stays for the rest of the run.
//
// Show one with Application::showAlert, which owns it.
//
// Threads: UI thread only.
class AlertView : public FingerView {
public:
    AlertView(const std::string& title, const std::string& message, const std::string& buttonTitle,
              std::function<void()> onDismiss = {});

    const std::string& title() const { return title_; }
    const std::string& message() const { return message_; }
    const std::string& buttonTitle() const { return buttonTitle_; }
    bool hasButton() const { return !buttonTitle_.empty(); }
    bool isDismissed() const { return dismissed_; }

    // Dismisses it as if its button was pressed (nothing when it has none).
    void pressButton();
    // The button's rectangle in the alert's coordinates (it takes touches),
    // and the filled face inside it, centred, that marks it as the default.
    Rect buttonRect() const;
    Rect defaultButtonRect() const;

    void draw(Graphics& g) override;

protected:
    void fingerDown(const Touch& touch) override;
    void fingerMove(const Touch& touch) override;
    void fingerUp(const Touch& touch) override;

private:
    void layout();

    std::string title_;
    std::string message_;
    std::string buttonTitle_;
    std::function<void()> onDismiss_;
    bool dismissed_ = false;
    bool buttonHeld_ = false;
    float titleHeight_ = 0;
    float messageHeight_ = 0;
};
