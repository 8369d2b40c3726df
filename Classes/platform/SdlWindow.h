#pragma once
#include <SDL.h>

#include "platform/Geometry.h"

// The window "Strumwell" and its renderer: opening them, fullscreen and
// back, and where the input method shows its popup.
//
// Threads: UI thread only.
class SdlWindow {
public:
    SdlWindow() = default;
    ~SdlWindow();
    SdlWindow(const SdlWindow&) = delete;
    SdlWindow& operator=(const SdlWindow&) = delete;

    // A resizable window of scale times 480 x 320 points, hidden when asked.
    bool openWindow(int scale, bool hidden);
    // A renderer drawing into it: the hardware's when asked and to be had,
    // else the software one. false when none can be made.
    bool openRenderer(bool accelerated);
    void close();

    SDL_Window* window() const { return window_; }
    SDL_Renderer* renderer() const { return renderer_; }
    // The renderer draws in software (also when a hint swapped the driver).
    bool isSoftware() const { return software_; }

    bool isFullscreen() const;
    // false when it already was as asked.
    bool setFullscreen(bool fullscreen);

    // Starts text input with the input method's popup over viewRect (in the
    // root view's coordinates).
    void startTextInput(Rect viewRect);

private:
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    bool software_ = false;
    // The window's place before fullscreen, to go back to.
    SDL_Rect windowed_{0, 0, 0, 0};
    bool haveWindowed_ = false;
    // Fullscreen made by sizing the window to the screen (no window manager).
    bool handFullscreen_ = false;
};
