#include "toolkit/Graphics.h"

#include <SDL_ttf.h>

#include <algorithm>
#include <cmath>

#include "system/TextLineBreaker.h"
#include "toolkit/FontCache.h"
#include "toolkit/GraphicsImpl.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

SDL_Color toSdl(Color c, float alpha) {
    return {c.r, c.g, c.b, static_cast<Uint8>(std::clamp(c.a * alpha, 0.0f, 255.0f) + 0.5f)};
}

// Whether the angle is a whole number of quarter turns.
bool isQuarterTurn(double radians) {
    double q = radians / (kPi / 2);
    return std::fabs(q - std::round(q)) < 1e-4;
}

} // namespace

// ---- Impl

std::map<std::tuple<std::string, std::string, int, int>, Graphics::Impl::CachedText>&
Graphics::Impl::textCache() {
    static std::map<std::tuple<std::string, std::string, int, int>, CachedText> cache;
    return cache;
}

void Graphics::Impl::clearTextCache() {
    for (auto& [key, t] : textCache())
        if (t.texture && t.generation == rendererGeneration())
            SDL_DestroyTexture(t.texture);
    textCache().clear();
}

Graphics::Impl::Impl(SDL_Renderer* r, float ppp, int f) : renderer(r), pixelsPerPoint(ppp), frame(f) {
    state.a = state.d = ppp;
    SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_BLEND);
    SDL_RenderSetClipRect(renderer, nullptr);
}

Graphics::Impl::~Impl() {
    SDL_RenderSetClipRect(renderer, nullptr);
}

SDL_FPoint Graphics::Impl::map(Point p) const {
    return {static_cast<float>(state.a * p.x + state.c * p.y + state.tx),
            static_cast<float>(state.b * p.x + state.d * p.y + state.ty)};
}

void Graphics::Impl::applyClip() {
    if (state.clipping)
        SDL_RenderSetClipRect(renderer, &state.clip);
    else
        SDL_RenderSetClipRect(renderer, nullptr);
}

SDL_Texture* Graphics::Impl::textTexture(const std::string& utf8, const Font& font, int* w, int* h) {
    int pixels = std::max(1, static_cast<int>(std::lround(font.size * pixelsPerPoint)));
    auto key = std::make_tuple(utf8, font.family + (font.bold ? "|b" : ""), pixels, 0);
    auto& cache = textCache();
    auto it = cache.find(key);
    if (it != cache.end() && it->second.generation == rendererGeneration()) {
        it->second.lastFrame = frame;
        *w = it->second.width;
        *h = it->second.height;
        return it->second.texture;
    }
    TTF_Font* f = FontCache::shared().font(font, pixelsPerPoint);
    if (!f || utf8.empty())
        return nullptr;
    SDL_Surface* s = TTF_RenderUTF8_Blended(f, utf8.c_str(), SDL_Color{255, 255, 255, 255});
    if (!s)
        return nullptr;
    SDL_Texture* t = SDL_CreateTextureFromSurface(renderer, s);
    CachedText c;
    c.texture = t;
    c.width = s->w;
    c.height = s->h;
    c.lastFrame = frame;
    c.generation = rendererGeneration();
    SDL_FreeSurface(s);
    if (!t)
        return nullptr;
    SDL_SetTextureBlendMode(t, SDL_BLENDMODE_BLEND);
    SDL_SetTextureScaleMode(t, SDL_ScaleModeLinear);
    cache[key] = c;
    *w = c.width;
    *h = c.height;
    return t;
}

void Graphics::Impl::endFrame() {
    // Text not drawn for ten seconds at 60 frames per second is let go.
    auto& cache = textCache();
    for (auto it = cache.begin(); it != cache.end();) {
        bool stale = it->second.generation != rendererGeneration();
        if (stale || frame - it->second.lastFrame > 600) {
            if (!stale && it->second.texture)
                SDL_DestroyTexture(it->second.texture);
            it = cache.erase(it);
        } else {
            ++it;
        }
    }
}

// ---- Graphics

Graphics::Graphics(Impl& impl) : impl_(impl) {}

void Graphics::save() {
    impl_.stack.push_back(impl_.state);
}

void Graphics::restore() {
    if (impl_.stack.empty())
        return;
    bool clipChanged = impl_.stack.back().clipping != impl_.state.clipping ||
                       !SDL_RectEquals(&impl_.stack.back().clip, &impl_.state.clip);
    impl_.state = impl_.stack.back();
    impl_.stack.pop_back();
    if (clipChanged)
        impl_.applyClip();
}

void Graphics::translate(float dx, float dy) {
    auto& s = impl_.state;
    s.tx += s.a * dx + s.c * dy;
    s.ty += s.b * dx + s.d * dy;
}

void Graphics::rotate(float radians) {
    auto& s = impl_.state;
    double co = std::cos(static_cast<double>(radians)), si = std::sin(static_cast<double>(radians));
    if (isQuarterTurn(radians)) {
        co = std::round(co);
        si = std::round(si);
    }
    double a = s.a * co + s.c * si;
    double b = s.b * co + s.d * si;
    double c = -s.a * si + s.c * co;
    double d = -s.b * si + s.d * co;
    s.a = a;
    s.b = b;
    s.c = c;
    s.d = d;
    s.angle += radians;
}

void Graphics::multiplyAlpha(float alpha) {
    impl_.state.alpha *= std::clamp(alpha, 0.0f, 1.0f);
}

float Graphics::alpha() const {
    return impl_.state.alpha;
}

void Graphics::clipToRect(const Rect& rect) {
    SDL_FPoint p[4] = {impl_.map({rect.x, rect.y}), impl_.map({rect.maxX(), rect.y}),
                       impl_.map({rect.maxX(), rect.maxY()}), impl_.map({rect.x, rect.maxY()})};
    float minX = p[0].x, maxX = p[0].x, minY = p[0].y, maxY = p[0].y;
    for (auto& q : p) {
        minX = std::min(minX, q.x);
        maxX = std::max(maxX, q.x);
        minY = std::min(minY, q.y);
        maxY = std::max(maxY, q.y);
    }
    SDL_Rect r{static_cast<int>(std::lround(minX)), static_cast<int>(std::lround(minY)), 0, 0};
    r.w = std::max(0, static_cast<int>(std::lround(maxX)) - r.x);
    r.h = std::max(0, static_cast<int>(std::lround(maxY)) - r.y);
    auto& s = impl_.state;
    if (s.clipping) {
        SDL_Rect out;
        if (!SDL_IntersectRect(&s.clip, &r, &out))
            out = {r.x, r.y, 0, 0};
        r = out;
    }
    // A zero-size clip rect means "no clip" to SDL: keep one empty pixel off-target instead.
    if (r.w <= 0 || r.h <= 0)
        r = {-10, -10, 1, 1};
    s.clipping = true;
    s.clip = r;
    impl_.applyClip();
}

void Graphics::fillRect(const Rect& rect, Color color) {
    if (rect.isEmpty() || color.a == 0 || impl_.state.alpha <= 0)
        return;
    SDL_Color c = toSdl(color, impl_.state.alpha);
    SDL_FPoint p0 = impl_.map({rect.x, rect.y}), p1 = impl_.map({rect.maxX(), rect.y}),
               p2 = impl_.map({rect.maxX(), rect.maxY()}), p3 = impl_.map({rect.x, rect.maxY()});
    if (isQuarterTurn(impl_.state.angle)) {
        float minX = std::min({p0.x, p1.x, p2.x, p3.x}), maxX = std::max({p0.x, p1.x, p2.x, p3.x});
        float minY = std::min({p0.y, p1.y, p2.y, p3.y}), maxY = std::max({p0.y, p1.y, p2.y, p3.y});
        SDL_FRect r{minX, minY, maxX - minX, maxY - minY};
        SDL_SetRenderDrawColor(impl_.renderer, c.r, c.g, c.b, c.a);
        // Opaque: the same pixels as blending, and in software several
        // times faster (a whole-screen background took 2.5 ms blended).
        if (c.a == 255)
            SDL_SetRenderDrawBlendMode(impl_.renderer, SDL_BLENDMODE_NONE);
        SDL_RenderFillRectF(impl_.renderer, &r);
        SDL_SetRenderDrawBlendMode(impl_.renderer, SDL_BLENDMODE_BLEND);
        return;
    }
    SDL_Vertex v[4] = {{p0, c, {0, 0}}, {p1, c, {0, 0}}, {p2, c, {0, 0}}, {p3, c, {0, 0}}};
    int idx[6] = {0, 1, 2, 0, 2, 3};
    SDL_RenderGeometry(impl_.renderer, nullptr, v, 4, idx, 6);
}

void Graphics::strokeRect(const Rect& rect, Color color, float w) {
    if (w <= 0)
        return;
    fillRect({rect.x, rect.y, rect.width, w}, color);
    fillRect({rect.x, rect.maxY() - w, rect.width, w}, color);
    fillRect({rect.x, rect.y + w, w, rect.height - 2 * w}, color);
    fillRect({rect.maxX() - w, rect.y + w, w, rect.height - 2 * w}, color);
}

void Graphics::fillRoundedRect(const Rect& rect, float radius, Color color) {
    if (rect.isEmpty() || color.a == 0 || impl_.state.alpha <= 0)
        return;
    radius = std::clamp(radius, 0.0f, std::min(rect.width, rect.height) / 2);
    if (radius <= 0) {
        fillRect(rect, color);
        return;
    }
    SDL_Color c = toSdl(color, impl_.state.alpha);
    int steps = std::clamp(static_cast<int>(radius * impl_.pixelsPerPoint / 2), 3, 24);
    // The outline, corner by corner, as a fan around the centre (the shape is convex).
    const Point centres[4] = {{rect.maxX() - radius, rect.y + radius},
                              {rect.maxX() - radius, rect.maxY() - radius},
                              {rect.x + radius, rect.maxY() - radius},
                              {rect.x + radius, rect.y + radius}};
    std::vector<SDL_Vertex> v;
    std::vector<int> idx;
    v.push_back({impl_.map(rect.center()), c, {0, 0}});
    for (int corner = 0; corner < 4; ++corner) {
        double start = -kPi / 2 + corner * kPi / 2;
        for (int i = 0; i <= steps; ++i) {
            double t = start + (kPi / 2) * i / steps;
            v.push_back({impl_.map({centres[corner].x + radius * static_cast<float>(std::cos(t)),
                                    centres[corner].y + radius * static_cast<float>(std::sin(t))}),
                         c,
                         {0, 0}});
        }
    }
    int n = static_cast<int>(v.size()) - 1;
    for (int i = 1; i <= n; ++i) {
        idx.push_back(0);
        idx.push_back(i);
        idx.push_back(i == n ? 1 : i + 1);
    }
    SDL_RenderGeometry(impl_.renderer, nullptr, v.data(), static_cast<int>(v.size()), idx.data(),
                       static_cast<int>(idx.size()));
}

void Graphics::drawLine(Point from, Point to, Color color, float lineWidth) {
    float dx = to.x - from.x, dy = to.y - from.y;
    float len = std::sqrt(dx * dx + dy * dy);
    if (len <= 0 || color.a == 0)
        return;
    // The line as a thin rectangle around its axis.
    float nx = -dy / len * lineWidth / 2, ny = dx / len * lineWidth / 2;
    SDL_Color c = toSdl(color, impl_.state.alpha);
    SDL_FPoint p[4] = {impl_.map({from.x + nx, from.y + ny}), impl_.map({to.x + nx, to.y + ny}),
                       impl_.map({to.x - nx, to.y - ny}), impl_.map({from.x - nx, from.y - ny})};
    SDL_Vertex v[4] = {{p[0], c, {0, 0}}, {p[1], c, {0, 0}}, {p[2], c, {0, 0}}, {p[3], c, {0, 0}}};
    int idx[6] = {0, 1, 2, 0, 2, 3};
    SDL_RenderGeometry(impl_.renderer, nullptr, v, 4, idx, 6);
}

void Graphics::fillCircle(Point center, float radius, Color color) {
    if (radius <= 0 || color.a == 0)
        return;
    SDL_Color c = toSdl(color, impl_.state.alpha);
    int n = std::clamp(static_cast<int>(radius * impl_.pixelsPerPoint), 12, 96);
    std::vector<SDL_Vertex> v;
    std::vector<int> idx;
    v.push_back({impl_.map(center), c, {0, 0}});
    for (int i = 0; i <= n; ++i) {
        double t = 2 * kPi * i / n;
        v.push_back({impl_.map({center.x + radius * static_cast<float>(std::cos(t)),
                                center.y + radius * static_cast<float>(std::sin(t))}),
                     c,
                     {0, 0}});
        if (i > 0) {
            idx.push_back(0);
            idx.push_back(i);
            idx.push_back(i + 1);
        }
    }
    SDL_RenderGeometry(impl_.renderer, nullptr, v.data(), static_cast<int>(v.size()), idx.data(),
                       static_cast<int>(idx.size()));
}

void Graphics::strokeCircle(Point center, float radius, Color color, float lineWidth) {
    if (radius <= 0 || color.a == 0)
        return;
    SDL_Color c = toSdl(color, impl_.state.alpha);
    int n = std::clamp(static_cast<int>(radius * impl_.pixelsPerPoint), 12, 96);
    float r0 = std::max(0.0f, radius - lineWidth / 2), r1 = radius + lineWidth / 2;
    std::vector<SDL_Vertex> v;
    std::vector<int> idx;
    for (int i = 0; i <= n; ++i) {
        double t = 2 * kPi * i / n;
        float co = static_cast<float>(std::cos(t)), si = static_cast<float>(std::sin(t));
        v.push_back({impl_.map({center.x + r0 * co, center.y + r0 * si}), c, {0, 0}});
        v.push_back({impl_.map({center.x + r1 * co, center.y + r1 * si}), c, {0, 0}});
        if (i > 0) {
            int k = 2 * i;
            idx.insert(idx.end(), {k - 2, k - 1, k + 1, k - 2, k + 1, k});
        }
    }
    SDL_RenderGeometry(impl_.renderer, nullptr, v.data(), static_cast<int>(v.size()), idx.data(),
                       static_cast<int>(idx.size()));
}

void Graphics::drawImage(const Image& image, const Rect& rect, float alpha) {
    float a = alpha * impl_.state.alpha;
    if (a <= 0 || rect.width == 0 || rect.height == 0)
        return;
    SDL_Texture* t = image.impl().textureFor(impl_.renderer);
    if (!t)
        return;
    const Uint8 alphaMod = static_cast<Uint8>(std::clamp(a, 0.0f, 1.0f) * 255.0f + 0.5f);
    SDL_SetTextureAlphaMod(t, alphaMod);
    SDL_SetTextureColorMod(t, 255, 255, 255);
    // The rect's centre maps to the target; its size scales with the
    // transform; the turn is the accumulated angle.
    SDL_FPoint c = impl_.map(rect.center());
    float w = std::fabs(rect.width) * impl_.pixelsPerPoint, h = std::fabs(rect.height) * impl_.pixelsPerPoint;
    SDL_FRect dst{c.x - w / 2, c.y - h / 2, w, h};
    int flip = SDL_FLIP_NONE;
    if (rect.width < 0)
        flip |= SDL_FLIP_HORIZONTAL;
    if (rect.height < 0)
        flip |= SDL_FLIP_VERTICAL;
    double degrees = impl_.state.angle * 180.0 / kPi;
    // An opaque picture drawn whole, pixel for pixel, unturned, is copied:
    // blending it gives the same pixels and, for a full-screen one in
    // software, took about 1 ms instead of a quarter of that. Anything
    // stretched, turned, flipped or faded blends as before.
    const bool plainCopy = image.impl().opaque && alphaMod == 255 && flip == SDL_FLIP_NONE &&
                           std::fabs(degrees) < 1e-6 && static_cast<int>(w) == image.impl().width &&
                           static_cast<int>(h) == image.impl().height;
    SDL_SetTextureBlendMode(t, plainCopy ? SDL_BLENDMODE_NONE : SDL_BLENDMODE_BLEND);
    if (std::fabs(degrees) < 1e-6)
        SDL_RenderCopyExF(impl_.renderer, t, nullptr, &dst, 0.0, nullptr,
                          static_cast<SDL_RendererFlip>(flip));
    else
        SDL_RenderCopyExF(impl_.renderer, t, nullptr, &dst, degrees, nullptr,
                          static_cast<SDL_RendererFlip>(flip));
}

void Graphics::drawText(const std::string& utf8, const Font& font, Color color, Point origin) {
    if (utf8.empty() || color.a == 0 || impl_.state.alpha <= 0)
        return;
    int w = 0, h = 0;
    SDL_Texture* t = impl_.textTexture(utf8, font, &w, &h);
    if (!t)
        return;
    SDL_Color c = toSdl(color, impl_.state.alpha);
    SDL_SetTextureColorMod(t, c.r, c.g, c.b);
    SDL_SetTextureAlphaMod(t, c.a);
    float pw = w / impl_.pixelsPerPoint, ph = h / impl_.pixelsPerPoint;
    SDL_FPoint center = impl_.map({origin.x + pw / 2, origin.y + ph / 2});
    SDL_FRect dst{center.x - w / 2.0f, center.y - h / 2.0f, static_cast<float>(w), static_cast<float>(h)};
    double degrees = impl_.state.angle * 180.0 / kPi;
    if (isQuarterTurn(impl_.state.angle)) {
        // Whole pixels keep turned text sharp.
        dst.x = std::round(dst.x * 2) / 2;
        dst.y = std::round(dst.y * 2) / 2;
        degrees = std::round(degrees);
    }
    SDL_RenderCopyExF(impl_.renderer, t, nullptr, &dst, degrees, nullptr, SDL_FLIP_NONE);
}

void Graphics::drawTextInRect(const std::string& utf8, const Font& font, Color color, const Rect& rect,
                              TextAlignment alignment, int numberOfLines) {
    if (utf8.empty())
        return;
    float lh = lineHeight(font);
    int fit = lh > 0 ? std::max(1, static_cast<int>((rect.height + 0.5f) / lh)) : 1;
    int maxLines = numberOfLines > 0 ? std::min(numberOfLines, fit) : fit;
    auto lines = TextLineBreaker::breakLines(
        utf8, rect.width, [&](std::string_view s) { return measureText(std::string(s), font).width; },
        maxLines);
    float total = lh * static_cast<float>(lines.size());
    float y = rect.y + (rect.height - total) / 2;
    for (const auto& line : lines) {
        float w = measureText(line, font).width;
        float x = rect.x;
        if (alignment == TextAlignment::Center)
            x = rect.x + (rect.width - w) / 2;
        else if (alignment == TextAlignment::Right)
            x = rect.maxX() - w;
        drawText(line, font, color, {x, y});
        y += lh;
    }
}

Size Graphics::measureText(const std::string& utf8, const Font& font) {
    TTF_Font* f = FontCache::shared().font(font, 1.0f);
    if (!f)
        return {font.size * 0.5f * static_cast<float>(utf8.size()), font.size * 1.15f};
    int w = 0, h = 0;
    if (utf8.empty())
        return {0, static_cast<float>(TTF_FontHeight(f))};
    if (TTF_SizeUTF8(f, utf8.c_str(), &w, &h) != 0)
        return {};
    return {static_cast<float>(w), static_cast<float>(h)};
}

float Graphics::lineHeight(const Font& font) {
    TTF_Font* f = FontCache::shared().font(font, 1.0f);
    if (!f)
        return font.size * 1.15f;
    return static_cast<float>(TTF_FontLineSkip(f));
}
