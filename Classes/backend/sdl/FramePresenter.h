#pragma once
#include <SDL.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class Graphics;
class Image;
class View;

// Draws the 320 x 480 portrait picture into a texture, turns it a quarter
// turn into the 480 x 320 landscape one, pixel for pixel, and shows that
// scaled and letterboxed in the window. Software renderers turn the picture
// on the CPU (their own rotation is slow). In software every pass is cut
// into slices (each view, bands of rows) with input handled in between.
// Keeps the last picture, to show again when the window is exposed, to read
// back for screenshots and to cut snapshots of views from.
//
// Threads: UI thread only.
class FramePresenter {
public:
    // betweenPasses: handles the input that came while drawing; called
    // between the passes of a frame.
    explicit FramePresenter(std::function<void()> betweenPasses);
    ~FramePresenter();
    FramePresenter(const FramePresenter&) = delete;
    FramePresenter& operator=(const FramePresenter&) = delete;

    // Draws with this renderer from now on (not owned).
    void attach(SDL_Renderer* renderer, bool software);
    // (Re)makes the drawing textures for the window's current size; false
    // when they cannot be made.
    bool createTargets();
    void destroyTargets();
    // The device was reset: its textures went with it.
    void deviceReset();

    // Whether a frame is due: nothing drawn yet, a view changed since the
    // last frame began, or an animation runs.
    bool needsFrame() const;
    // Draws a frame: paint draws the views into the portrait picture.
    void draw(const std::function<void(Graphics&)>& paint);
    // Shows the last picture again (the window was exposed).
    void setPresentPending() { presentPending_ = true; }
    bool isPresentPending() const { return presentPending_; }
    void presentLastFrame();

    // The last frame as the user sees it: width x height RGBA pixels.
    std::vector<std::uint8_t> captureLandscape(int* width, int* height);
    // That picture as a PNG file; false when it could not be written.
    bool saveLandscapePng(const std::string& path);
    // A picture of the view as it was last drawn, or null.
    std::shared_ptr<Image> snapshot(const View& view);

    // Picture pixels per view point.
    int scale() const { return scale_; }
    long frameCount() const { return frames_; }

private:
    void turnInSoftware();
    // Copies and shows the picture in stripes with input between them;
    // false when the window does not allow it (nothing done then).
    bool presentInStripes();

    std::function<void()> betweenPasses_;
    SDL_Renderer* renderer_ = nullptr;
    bool software_ = false;
    SDL_Texture* viewTarget_ = nullptr;      // 320 x 480 times scale
    SDL_Texture* landscapeTarget_ = nullptr; // 480 x 320 times scale
    // In software the landscape texture is a streaming one fed from these
    // pixels (ARGB8888).
    std::vector<Uint32> portraitPixels_;
    std::vector<Uint32> landscapePixels_;
    int scale_ = 0;
    bool drewFrame_ = false;
    long frames_ = 0;
    // View::displayGeneration() when the last frame began.
    std::uint64_t drawnGeneration_ = 0;
    bool presentPending_ = false;
};
