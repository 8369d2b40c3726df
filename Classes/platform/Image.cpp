#include "platform/Image.h"

#include <SDL_image.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <set>

#include "platform/GraphicsImpl.h"

int& rendererGeneration() {
    static int generation = 0;
    return generation;
}

namespace {

std::string& bundle() {
    static std::string folder;
    return folder;
}

std::map<std::string, std::shared_ptr<Image>>& cache() {
    static std::map<std::string, std::shared_ptr<Image>> images;
    return images;
}

bool fileExists(const std::string& path) {
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        std::fclose(f);
        return true;
    }
    return false;
}

std::shared_ptr<Image> fromSurface(SDL_Surface* loaded, float scale) {
    if (!loaded)
        return nullptr;
    SDL_Surface* rgba = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGBA32, 0);
    SDL_FreeSurface(loaded);
    if (!rgba)
        return nullptr;
    auto impl = std::make_unique<Image::Impl>();
    impl->surface = rgba;
    impl->width = rgba->w;
    impl->height = rgba->h;
    impl->scale = scale > 0 ? scale : 1.0f;
    return std::make_shared<Image>(std::move(impl));
}

} // namespace

Image::Impl::~Impl() {
    if (texture && textureGeneration == rendererGeneration())
        SDL_DestroyTexture(texture);
    if (surface)
        SDL_FreeSurface(surface);
}

SDL_Texture* Image::Impl::textureFor(SDL_Renderer* renderer) {
    if (texture && textureRenderer == renderer && textureGeneration == rendererGeneration())
        return texture;
    if (texture && textureGeneration == rendererGeneration())
        SDL_DestroyTexture(texture);
    texture = nullptr;
    if (!surface)
        return nullptr; // a snapshot of a renderer that is gone
    texture = SDL_CreateTextureFromSurface(renderer, surface);
    textureRenderer = renderer;
    textureGeneration = rendererGeneration();
    if (texture) {
        SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
        SDL_SetTextureScaleMode(texture, SDL_ScaleModeLinear);
    }
    return texture;
}

Image::Image(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

Image::~Image() = default;

void Image::setBundleFolder(const std::string& folder) {
    if (folder != bundle())
        cache().clear();
    bundle() = folder;
}

const std::string& Image::bundleFolder() {
    return bundle();
}

void Image::clearCache() {
    cache().clear();
}

std::shared_ptr<Image> Image::named(const std::string& fileName) {
    auto it = cache().find(fileName);
    if (it != cache().end())
        return it->second;
    static std::set<std::string> reported;
    std::string base = bundle().empty() ? std::string(".") : bundle();
    std::shared_ptr<Image> image;
    // A double-density version beside the picture wins.
    auto dot = fileName.rfind('.');
    if (dot != std::string::npos) {
        std::string hi = base + "/" + fileName.substr(0, dot) + "@2x" + fileName.substr(dot);
        if (fileExists(hi))
            image = fromFile(hi, 2.0f);
    }
    if (!image)
        image = fromFile(base + "/" + fileName, 1.0f);
    if (!image) {
        if (reported.insert(fileName).second)
            std::fprintf(stderr, "Missing picture \"%s\" in %s\n", fileName.c_str(), base.c_str());
        return nullptr;
    }
    cache()[fileName] = image;
    return image;
}

std::shared_ptr<Image> Image::fromFile(const std::string& path, float scale) {
    if (!fileExists(path))
        return nullptr;
    return fromSurface(IMG_Load(path.c_str()), scale);
}

std::shared_ptr<Image> Image::fromPixels(int width, int height, const std::vector<std::uint8_t>& rgba,
                                         float scale) {
    if (width <= 0 || height <= 0 ||
        rgba.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4)
        return nullptr;
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_RGBA32);
    if (!s)
        return nullptr;
    SDL_LockSurface(s);
    for (int y = 0; y < height; ++y)
        std::memcpy(static_cast<std::uint8_t*>(s->pixels) + static_cast<std::ptrdiff_t>(y) * s->pitch,
                    rgba.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 4,
                    static_cast<std::size_t>(width) * 4);
    SDL_UnlockSurface(s);
    return fromSurface(s, scale);
}

Size Image::size() const {
    return {impl_->width / impl_->scale, impl_->height / impl_->scale};
}
int Image::pixelWidth() const {
    return impl_->width;
}
int Image::pixelHeight() const {
    return impl_->height;
}
float Image::scale() const {
    return impl_->scale;
}

Color Image::pixel(int x, int y) const {
    SDL_Surface* s = impl_->surface;
    if (!s || x < 0 || y < 0 || x >= s->w || y >= s->h)
        return {};
    const auto* p =
        static_cast<const std::uint8_t*>(s->pixels) + static_cast<std::ptrdiff_t>(y) * s->pitch + x * 4;
    return {p[0], p[1], p[2], p[3]};
}
