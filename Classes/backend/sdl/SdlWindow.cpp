#include "backend/sdl/SdlWindow.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "backend/sdl/WindowSystemEvent.h"
#include "system/ViewGeometry.h"
#include "toolkit/GraphicsImpl.h"

void SdlWindow::WindowCloser::operator()(SDL_Window* w) const {
    SDL_DestroyWindow(w);
}

void SdlWindow::RendererCloser::operator()(SDL_Renderer* r) const {
    SDL_DestroyRenderer(r);
    ++rendererGeneration();
}

bool SdlWindow::openWindow(int scale, bool hidden) {
    Uint32 flags = SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI;
    if (hidden)
        flags |= SDL_WINDOW_HIDDEN;
    window_.reset(SDL_CreateWindow("Strumwell", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                   static_cast<int>(ViewGeometry::kWindowWidth) * scale,
                                   static_cast<int>(ViewGeometry::kWindowHeight) * scale, flags));
    if (!window_)
        return false;
    SDL_SetWindowMinimumSize(window(), 240, 160);
    return true;
}

bool SdlWindow::hasGraphicsCard(const char* deviceFolder) {
    if (std::getenv("SDL_RENDER_DRIVER"))
        return true;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(deviceFolder, ec))
        if (entry.path().filename().string().rfind("renderD", 0) == 0)
            return true;
    return false;
}

bool SdlWindow::openRenderer(bool accelerated) {
    // The window's surface would otherwise be backed by an OpenGL renderer
    // too, loading the software rasteriser after all.
    if (!accelerated)
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // No vertical sync: a present that waits for the display would hold up
    // the input behind it; the loop paces the frames itself.
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
    if (accelerated)
        renderer_.reset(
            SDL_CreateRenderer(window(), -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_TARGETTEXTURE));
    if (!renderer_) {
        renderer_.reset(SDL_CreateRenderer(window(), -1, SDL_RENDERER_SOFTWARE | SDL_RENDERER_TARGETTEXTURE));
        software_ = true;
    }
    if (!renderer_)
        return false;
    // What was actually made (a hint can swap the driver).
    SDL_RendererInfo info;
    if (SDL_GetRendererInfo(renderer(), &info) == 0)
        software_ = (info.flags & SDL_RENDERER_SOFTWARE) != 0 || std::strcmp(info.name, "software") == 0;
    ++rendererGeneration();
    SDL_RenderSetLogicalSize(renderer(), static_cast<int>(ViewGeometry::kWindowWidth),
                             static_cast<int>(ViewGeometry::kWindowHeight));
    return true;
}

void SdlWindow::close() {
    renderer_.reset();
    window_.reset();
}

bool SdlWindow::isFullscreen() const {
    return window_ && (handFullscreen_ || (SDL_GetWindowFlags(window()) & SDL_WINDOW_FULLSCREEN) != 0);
}

bool SdlWindow::setFullscreen(bool fullscreen) {
    if (!window_ || isFullscreen() == fullscreen)
        return false;
    if (fullscreen) {
        // Where the window was, to go back there: without a window manager
        // nothing else remembers it.
        SDL_GetWindowPosition(window(), &windowed_.x, &windowed_.y);
        SDL_GetWindowSize(window(), &windowed_.w, &windowed_.h);
        haveWindowed_ = windowed_.w > 0 && windowed_.h > 0;
        SDL_Rect screen;
        if (!WindowSystemEvent::hasWindowManager(window()) &&
            SDL_GetDisplayBounds(std::max(0, SDL_GetWindowDisplayIndex(window())), &screen) == 0) {
            // No one to ask for fullscreen: cover the screen by hand. (Asking
            // SDL would leave the window as it was while SDL draws for the
            // whole screen, showing a corner of the picture, for good.)
            handFullscreen_ = true;
            SDL_SetWindowBordered(window(), SDL_FALSE);
            SDL_SetWindowPosition(window(), screen.x, screen.y);
            SDL_SetWindowSize(window(), screen.w, screen.h);
        } else {
            SDL_SetWindowFullscreen(window(), SDL_WINDOW_FULLSCREEN_DESKTOP);
        }
    } else {
        if (handFullscreen_) {
            handFullscreen_ = false;
            SDL_SetWindowBordered(window(), SDL_TRUE);
        } else {
            SDL_SetWindowFullscreen(window(), 0);
        }
        if (haveWindowed_) {
            SDL_SetWindowSize(window(), windowed_.w, windowed_.h);
            SDL_SetWindowPosition(window(), windowed_.x, windowed_.y);
        }
    }
    return true;
}

void SdlWindow::startTextInput(Rect viewRect) {
    Rect w = ViewGeometry::viewRectToWindow(viewRect);
    int ww = 0, wh = 0;
    SDL_GetWindowSize(window(), &ww, &wh);
    Rect box = ViewGeometry::letterbox(ww, wh);
    float k = box.width / ViewGeometry::kWindowWidth;
    SDL_Rect r{static_cast<int>(box.x + w.x * k), static_cast<int>(box.y + w.y * k),
               static_cast<int>(w.width * k), static_cast<int>(w.height * k)};
    SDL_SetTextInputRect(&r);
    SDL_StartTextInput();
}
