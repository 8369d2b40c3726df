#include "backend/sdl/FramePresenter.h"

#include <SDL_image.h>

#include <algorithm>
#include <cmath>

#include "system/ViewGeometry.h"
#include "toolkit/GraphicsImpl.h"
#include "toolkit/View.h"

FramePresenter::FramePresenter(std::function<void()> betweenPasses)
    : betweenPasses_(std::move(betweenPasses)) {}

FramePresenter::~FramePresenter() {
    destroyTargets();
}

void FramePresenter::attach(SDL_Renderer* renderer, bool software) {
    renderer_ = renderer;
    software_ = software;
}

bool FramePresenter::createTargets() {
    int ow = 0, oh = 0;
    SDL_GetRendererOutputSize(renderer_, &ow, &oh);
    if ((ow <= 0 || oh <= 0) && viewTarget_ && landscapeTarget_)
        return true; // minimised: keep what there is
    int s = ViewGeometry::renderScale(ow, oh);
    if (s == scale_ && viewTarget_ && landscapeTarget_)
        return true;
    destroyTargets();
    scale_ = s;
    viewTarget_ =
        SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, 320 * s, 480 * s);
    landscapeTarget_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888,
                                         software_ ? SDL_TEXTUREACCESS_STREAMING : SDL_TEXTUREACCESS_TARGET,
                                         480 * s, 320 * s);
    if (!viewTarget_ || !landscapeTarget_)
        return false;
    // Blended text would otherwise leave the targets' alpha below opaque.
    SDL_SetTextureBlendMode(viewTarget_, SDL_BLENDMODE_NONE);
    SDL_SetTextureBlendMode(landscapeTarget_, SDL_BLENDMODE_NONE);
    SDL_SetTextureScaleMode(landscapeTarget_, SDL_ScaleModeLinear);
    drewFrame_ = false;
    return true;
}

void FramePresenter::destroyTargets() {
    if (viewTarget_)
        SDL_DestroyTexture(viewTarget_);
    if (landscapeTarget_)
        SDL_DestroyTexture(landscapeTarget_);
    viewTarget_ = landscapeTarget_ = nullptr;
}

void FramePresenter::deviceReset() {
    viewTarget_ = landscapeTarget_ = nullptr; // gone with the device
    scale_ = 0;
    createTargets();
}

bool FramePresenter::needsFrame() const {
    return !drewFrame_ || View::displayGeneration() != drawnGeneration_ || View::runningAnimationCount() > 0;
}

void FramePresenter::draw(const std::function<void(Graphics&)>& paint) {
    if (!renderer_)
        return;
    if (!createTargets())
        return;
    ++frames_;
    // Changes made from here on (input handled between the passes) ask for
    // the next frame.
    drawnGeneration_ = View::displayGeneration();
    SDL_SetRenderTarget(renderer_, viewTarget_);
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    bool complete = true;
    {
        Graphics::Impl gi(renderer_, static_cast<float>(scale_), static_cast<int>(frames_));
        Graphics g(gi);
        // A software renderer does its work when its batch of commands is
        // flushed, and a whole picture at once held input up for several
        // ms. So each view's part is rasterised after it is drawn and the
        // input that came meanwhile is handled, then drawing goes on where
        // it was (or stops, when the input changed the tree of views: the
        // change asked for the next frame already).
        if (software_)
            View::beginSlicedDrawing([&] {
                SDL_RenderFlush(renderer_);
                betweenPasses_();
                SDL_SetRenderTarget(renderer_, viewTarget_);
                gi.applyClip();
            });
        paint(g);
        complete = View::endSlicedDrawing();
        gi.endFrame();
    }
    if (!complete) {
        --frames_; // not shown: the next turn draws the new tree whole
        return;
    }
    betweenPasses_();
    // Turn the portrait picture a quarter turn into the landscape one, one
    // pixel to one pixel, then show that scaled into the window.
    if (software_) {
        turnInSoftware();
    } else {
        SDL_SetRenderTarget(renderer_, landscapeTarget_);
        SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
        SDL_RenderClear(renderer_);
        SDL_Rect dst{80 * scale_, -80 * scale_, 320 * scale_, 480 * scale_};
        SDL_RenderCopyEx(renderer_, viewTarget_, nullptr, &dst, -90.0, nullptr, SDL_FLIP_NONE);
    }
    betweenPasses_();
    drewFrame_ = true;
    presentLastFrame();
    betweenPasses_();
}

void FramePresenter::presentLastFrame() {
    presentPending_ = false;
    if (!renderer_ || !landscapeTarget_ || !drewFrame_)
        return;
    SDL_SetRenderTarget(renderer_, nullptr);
    if (software_ && presentInStripes())
        return;
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, landscapeTarget_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
}

bool FramePresenter::presentInStripes() {
    // When the picture fills the window pixel for pixel, copying it in and
    // handing it to the window system (about 1 ms together at 960 x 640) go
    // in stripes of rows with input handled between them. The software
    // renderer draws straight into the window's surface, and its present is
    // that surface's update; here each stripe updates its own rows. Scaled
    // or letterboxed pictures go whole: a stretched stripe's edges would
    // sample other rows than the whole picture's.
    SDL_Window* window = SDL_RenderGetWindow(renderer_);
    if (!window || (SDL_GetWindowFlags(window) & (SDL_WINDOW_HIDDEN | SDL_WINDOW_MINIMIZED)) != 0)
        return false;
    int ow = 0, oh = 0, ww = 0, wh = 0;
    SDL_GetRendererOutputSize(renderer_, &ow, &oh);
    SDL_GetWindowSizeInPixels(window, &ww, &wh);
    if (ow != 480 * scale_ || oh != 320 * scale_ || ww != ow || wh != oh)
        return false;
    // Rows of the 480 x 320 logical picture per stripe: about 250 rows of
    // the window, some 0.15 ms.
    const int rows = std::max(8, 250 / scale_);
    for (int y = 0; y < 320; y += rows) {
        const int h = std::min(rows, 320 - y);
        SDL_SetRenderTarget(renderer_, nullptr);
        int nowWidth = 0, nowHeight = 0;
        SDL_GetRendererOutputSize(renderer_, &nowWidth, &nowHeight);
        if (nowWidth != ow || nowHeight != oh) {
            // The input between stripes resized the window (a key for full
            // screen): the next turn draws for the new size and shows that.
            presentPending_ = true;
            return true;
        }
        SDL_Rect src{0, y * scale_, 480 * scale_, h * scale_};
        SDL_Rect dst{0, y, 480, h};
        SDL_RenderCopy(renderer_, landscapeTarget_, &src, &dst);
        SDL_RenderFlush(renderer_);
        if (SDL_UpdateWindowSurfaceRects(window, &src, 1) != 0) {
            // The surface went (the window changed): the whole picture the
            // ordinary way.
            SDL_RenderClear(renderer_);
            SDL_RenderCopy(renderer_, landscapeTarget_, nullptr, nullptr);
            SDL_RenderPresent(renderer_);
            return true;
        }
        if (y + h < 320)
            betweenPasses_();
    }
    return true;
}

void FramePresenter::turnInSoftware() {
    const int pw = 320 * scale_, ph = 480 * scale_; // portrait
    const int lw = ph, lh = pw;                     // landscape
    portraitPixels_.resize(static_cast<std::size_t>(pw) * static_cast<std::size_t>(ph));
    landscapePixels_.resize(portraitPixels_.size());
    // View pixel (px, py) is landscape pixel (py, lh - 1 - px). The picture
    // goes in bands of portrait rows (landscape columns), each read back,
    // turned and handed to the landscape texture on its own with input
    // handled between them: about 80,000 pixels, some 0.2 ms, a band.
    // Within a band it is turned in square tiles, which keeps both
    // pictures' rows in the cache.
    constexpr int kTile = 32;
    const int bandRows = std::max(kTile, (80 * 1024 / pw) / kTile * kTile);
    for (int band = 0; band < ph; band += bandRows) {
        const int bandEnd = std::min(band + bandRows, ph);
        SDL_SetRenderTarget(renderer_, viewTarget_);
        SDL_Rect rows{0, band, pw, bandEnd - band};
        SDL_RenderReadPixels(
            renderer_, &rows, SDL_PIXELFORMAT_ARGB8888,
            portraitPixels_.data() + static_cast<std::size_t>(band) * static_cast<std::size_t>(pw), pw * 4);
        for (int ty = band; ty < bandEnd; ty += kTile) {
            for (int tx = 0; tx < pw; tx += kTile) {
                const int yEnd = std::min(ty + kTile, bandEnd), xEnd = std::min(tx + kTile, pw);
                for (int py = ty; py < yEnd; ++py) {
                    const Uint32* row =
                        portraitPixels_.data() + static_cast<std::size_t>(py) * static_cast<std::size_t>(pw);
                    Uint32* column = landscapePixels_.data() + py;
                    for (int px = tx; px < xEnd; ++px)
                        column[static_cast<std::size_t>(lh - 1 - px) * static_cast<std::size_t>(lw)] =
                            row[px] | 0xFF000000u;
                }
            }
        }
        SDL_Rect columns{band, 0, bandEnd - band, lh};
        SDL_UpdateTexture(landscapeTarget_, &columns, landscapePixels_.data() + band, lw * 4);
        if (bandEnd < ph)
            betweenPasses_();
    }
}

std::vector<std::uint8_t> FramePresenter::captureLandscape(int* width, int* height) {
    *width = *height = 0;
    if (!renderer_ || !landscapeTarget_)
        return {};
    int w = 480 * scale_, h = 320 * scale_;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4);
    if (software_) {
        if (landscapePixels_.size() != static_cast<std::size_t>(w) * static_cast<std::size_t>(h))
            return {};
        // ARGB words to RGBA bytes.
        for (std::size_t i = 0; i < landscapePixels_.size(); ++i) {
            Uint32 p = landscapePixels_[i];
            pixels[i * 4] = static_cast<std::uint8_t>(p >> 16);
            pixels[i * 4 + 1] = static_cast<std::uint8_t>(p >> 8);
            pixels[i * 4 + 2] = static_cast<std::uint8_t>(p);
            pixels[i * 4 + 3] = 255;
        }
    } else {
        SDL_Texture* previous = SDL_GetRenderTarget(renderer_);
        SDL_SetRenderTarget(renderer_, landscapeTarget_);
        int rc = SDL_RenderReadPixels(renderer_, nullptr, SDL_PIXELFORMAT_RGBA32, pixels.data(), w * 4);
        SDL_SetRenderTarget(renderer_, previous);
        if (rc != 0)
            return {};
    }
    // The picture is opaque whatever the blending left in the alpha channel.
    for (std::size_t i = 3; i < pixels.size(); i += 4)
        pixels[i] = 255;
    *width = w;
    *height = h;
    return pixels;
}

bool FramePresenter::saveLandscapePng(const std::string& path) {
    int w = 0, h = 0;
    std::vector<std::uint8_t> pixels = captureLandscape(&w, &h);
    if (pixels.empty())
        return false;
    SDL_Surface* s =
        SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), w, h, 32, w * 4, SDL_PIXELFORMAT_RGBA32);
    if (!s)
        return false;
    int rc = IMG_SavePNG(s, path.c_str());
    SDL_FreeSurface(s);
    return rc == 0;
}

std::shared_ptr<Image> FramePresenter::snapshot(const View& view) {
    if (!renderer_ || !viewTarget_ || !drewFrame_)
        return nullptr;
    // The view's box in the root's coordinates, as it was last drawn.
    Point a = view.convertPointTo({0, 0}, nullptr);
    Point b = view.convertPointTo({view.bounds().width, view.bounds().height}, nullptr);
    SDL_Rect src{static_cast<int>(std::lround(std::min(a.x, b.x) * scale_)),
                 static_cast<int>(std::lround(std::min(a.y, b.y) * scale_)),
                 static_cast<int>(std::lround(std::fabs(b.x - a.x) * scale_)),
                 static_cast<int>(std::lround(std::fabs(b.y - a.y) * scale_))};
    if (src.w <= 0 || src.h <= 0)
        return nullptr;
    SDL_Texture* t =
        SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, src.w, src.h);
    if (!t)
        return nullptr;
    SDL_Texture* previous = SDL_GetRenderTarget(renderer_);
    SDL_SetRenderTarget(renderer_, t);
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 0);
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, viewTarget_, &src, nullptr);
    SDL_SetRenderTarget(renderer_, previous);
    SDL_SetTextureBlendMode(t, SDL_BLENDMODE_BLEND);
    auto impl = std::make_unique<Image::Impl>();
    impl->texture = t;
    impl->textureRenderer = renderer_;
    impl->textureGeneration = rendererGeneration();
    impl->ownsTextureOnly = true;
    impl->width = src.w;
    impl->height = src.h;
    impl->scale = static_cast<float>(scale_);
    return std::make_shared<Image>(std::move(impl));
}
