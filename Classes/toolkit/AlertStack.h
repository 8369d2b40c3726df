#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/View.h"

class AlertView;
class Graphics;

// The application's alerts, newest on top, in an overlay over the screen:
// while one shows, the screen underneath is dimmed and takes no touches or
// keys.
//
// Threads: UI thread only.
class AlertStack {
public:
    AlertStack();
    ~AlertStack();

    AlertView* show(const std::string& title, const std::string& message, const std::string& buttonTitle,
                    std::function<void()> onDismiss);
    // The newest alert not yet dismissed, or null.
    AlertView* current() const;
    // Some alert is still in the stack (dismissed ones stay until prune()).
    bool isShowing() const { return !alerts_.empty(); }
    // Presses the button of the newest alert.
    void answer();
    // Takes the dismissed alerts away.
    void prune();
    void clear();

    // The view that takes the touches while an alert shows, or null.
    View* modalView() { return alerts_.empty() ? nullptr : &overlay_; }
    // Dims the screen and draws the alerts, when there are any.
    void draw(Graphics& g);

private:
    View overlay_;
    std::vector<std::unique_ptr<AlertView>> alerts_;
};
