#pragma once
#include <SDL.h>

#include <memory>

#include "system/Geometry.h"

// The window "Strumwell" and its renderer: opening them, fullscreen and
// back, and where the input method shows its popup.
//
// Threads: UI thread only.
class SdlWindow {
public:
    // A resizable window of scale times 480 x 320 points, hidden when asked.
    bool openWindow(int scale, bool hidden);
    // A renderer drawing into it: the hardware's when asked and to be had,
    // else the software one. false when none can be made.
    bool openRenderer(bool accelerated);
    // Whether a graphics card can draw for us: a render node under /dev/dri.
    // Without one, OpenGL is a software rasteriser that maps some 60 MB of
    // compiler into the process for no gain over SDL's own software renderer,
    // so the window is drawn in software instead. SDL_RENDER_DRIVER, when
    // set, still chooses.
    static bool hasGraphicsCard() { return hasGraphicsCard("/dev/dri"); }
    // The same, looking for the device nodes in `deviceFolder` (tests give their own).
    static bool hasGraphicsCard(const char* deviceFolder);
    void close();

    SDL_Window* window() const { return window_.get(); }
    SDL_Renderer* renderer() const { return renderer_.get(); }
    // The renderer draws in software (also when a hint swapped the driver).
    bool isSoftware() const { return software_; }

    bool isFullscreen() const;
    // false when it already was as asked.
    bool setFullscreen(bool fullscreen);

    // Starts text input with the input method's popup over viewRect (in the
    // root view's coordinates).
    void startTextInput(Rect viewRect);

private:
    struct WindowCloser {
        void operator()(SDL_Window* w) const;
    };
    // Textures made for a renderer are gone with it.
    struct RendererCloser {
        void operator()(SDL_Renderer* r) const;
    };
    // Declared in this order, so the renderer goes first.
    std::unique_ptr<SDL_Window, WindowCloser> window_;
    std::unique_ptr<SDL_Renderer, RendererCloser> renderer_;
    bool software_ = false;
    // The window's place before fullscreen, to go back to.
    SDL_Rect windowed_{0, 0, 0, 0};
    bool haveWindowed_ = false;
    // Fullscreen made by sizing the window to the screen (no window manager).
    bool handFullscreen_ = false;
};
