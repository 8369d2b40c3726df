#pragma once
// SDL-side state behind Graphics and Image; only the platform's own sources
// include this.
#include <SDL.h>

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "toolkit/Graphics.h"
#include "toolkit/Image.h"

// Bumped whenever a renderer is destroyed or reset: textures made for an
// older generation are gone and are made again.
int& rendererGeneration();

struct Image::Impl {
    SDL_Surface* surface = nullptr; // RGBA32, kept to remake the texture
    SDL_Texture* texture = nullptr;
    SDL_Renderer* textureRenderer = nullptr;
    int textureGeneration = -1;
    bool ownsTextureOnly = false; // a snapshot: no surface, texture of one generation
    bool opaque = false;          // every pixel's alpha is 255
    int width = 0;
    int height = 0;
    float scale = 1.0f;

    ~Impl();
    // The texture for this renderer, made on first use; null on failure.
    SDL_Texture* textureFor(SDL_Renderer* renderer);
};

struct Graphics::Impl {
    struct State {
        // Point (x, y) lands on target pixel (a*x + c*y + tx, b*x + d*y + ty).
        double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
        double angle = 0; // radians, clockwise
        float alpha = 1;
        bool clipping = false;
        SDL_Rect clip{0, 0, 0, 0};
    };

    Impl(SDL_Renderer* renderer, float pixelsPerPoint, int frame);
    ~Impl();

    SDL_FPoint map(Point p) const;
    void applyClip();
    // Text drawn before, by content, font and colour-less; forgotten when
    // unused for a while.
    SDL_Texture* textTexture(const std::string& utf8, const Font& font, int* w, int* h);
    void endFrame();

    SDL_Renderer* renderer;
    float pixelsPerPoint;
    int frame;
    State state;
    std::vector<State> stack;

    struct CachedText {
        SDL_Texture* texture = nullptr;
        int width = 0;
        int height = 0;
        int lastFrame = 0;
        int generation = 0;
    };
    // Shared between frames of one renderer.
    static std::map<std::tuple<std::string, std::string, int, int>, CachedText>& textCache();
    static void clearTextCache();
};
