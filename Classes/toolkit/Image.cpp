#include "toolkit/Image.h"

#include <SDL_image.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <vector>

#include "core/BoundedFile.h"
#include "core/FailureText.h"
#include "toolkit/GraphicsImpl.h"

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

// Whether no pixel of the RGBA32 surface lets anything through.
bool everyPixelOpaque(SDL_Surface* rgba) {
    if (SDL_MUSTLOCK(rgba) && SDL_LockSurface(rgba) != 0)
        return false;
    bool opaque = true;
    for (int y = 0; y < rgba->h && opaque; ++y) {
        const auto* row =
            static_cast<const std::uint8_t*>(rgba->pixels) + static_cast<std::ptrdiff_t>(y) * rgba->pitch;
        for (int x = 0; x < rgba->w; ++x)
            if (row[x * 4 + 3] != 255) {
                opaque = false;
                break;
            }
    }
    if (SDL_MUSTLOCK(rgba))
        SDL_UnlockSurface(rgba);
    return opaque;
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
    impl->opaque = everyPixelOpaque(rgba);
    impl->width = rgba->w;
    impl->height = rgba->h;
    impl->scale = scale > 0 ? scale : 1.0f;
    return std::make_shared<Image>(std::move(impl));
}

} // namespace

namespace {

// Names already reported (missing or damaged): each is told once, and a
// missing picture is not looked for again on every frame.
std::set<std::string>& reported() {
    static std::set<std::string> names;
    return names;
}

bool looksWhole(const std::vector<std::uint8_t>& b);

std::uint32_t bigEndian(const std::uint8_t* p, int bytes) {
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = v << 8 | p[i];
    return v;
}

// The width times the height a PNG (its IHDR chunk) or JPEG (its first
// frame header) says it has, read before anything is decoded; 0 for any
// other format or a header that cannot be found.
std::uint64_t headerPixels(const std::vector<std::uint8_t>& b) {
    static const std::uint8_t pngHeader[16] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n',
                                               0,    0,   0,   13,  'I',  'H',  'D',  'R'};
    if (b.size() >= 24 && std::memcmp(b.data(), pngHeader, 16) == 0)
        return std::uint64_t{bigEndian(&b[16], 4)} * bigEndian(&b[20], 4);
    if (b.size() < 4 || b[0] != 0xff || b[1] != 0xd8)
        return 0;
    // JPEG segments: FF, marker, two-byte length (standalone markers have none).
    for (std::size_t i = 2; i + 4 <= b.size();) {
        if (b[i] != 0xff)
            return 0;
        const std::uint8_t marker = b[i + 1];
        if (marker == 0xff || marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7)) {
            i += marker == 0xff ? 1 : 2;
            continue;
        }
        const bool frame =
            marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc;
        if (frame && i + 9 <= b.size())
            return std::uint64_t{bigEndian(&b[i + 5], 2)} * bigEndian(&b[i + 7], 2);
        if (frame || marker == 0xda || marker == 0xd9)
            return 0;
        i += 2 + bigEndian(&b[i + 2], 2);
    }
    return 0;
}

// Reads a picture whole and decodes it, unless it is one the program could
// never use: too large a file, or more pixels than Limit::kPicturePixels (a
// small file can claim a picture of gigabytes, and the decoder would build
// it). `failure` names why there is no picture; "FileNotFound" when there is no file.
std::shared_ptr<Image> decodeFile(const std::string& path, float scale, std::vector<std::uint8_t>& bytes,
                                  std::string& failure) {
    failure = BoundedFile::read(path, BoundedFile::Limit::kPicture, bytes);
    if (failure.empty() && bytes.empty())
        failure = "Empty file";
    if (!failure.empty())
        return nullptr;
    const std::uint64_t pixels = headerPixels(bytes);
    if (pixels == 0 || pixels > BoundedFile::Limit::kPicturePixels) {
        failure = pixels == 0 ? "PictureUnknown" : "PictureTooLarge";
        return nullptr;
    }
    // A PNG cut short cannot be shown at all, and its decoder would add lines
    // of its own to the report.
    if (bytes[0] == 0x89 && !looksWhole(bytes))
        return nullptr;
    SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    return rw ? fromSurface(IMG_Load_RW(rw, 1), scale) : nullptr;
}

// Whether a PNG or JPEG file ends as a whole one does. A file cut short may
// still decode (a JPEG decoder fills the missing rows with grey), so the
// decoder's word alone does not tell.
bool looksWhole(const std::vector<std::uint8_t>& b) {
    static const std::uint8_t pngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    static const std::uint8_t pngEnd[8] = {'I', 'E', 'N', 'D', 0xae, 0x42, 0x60, 0x82};
    if (b.size() >= 8 && std::memcmp(b.data(), pngSignature, 8) == 0)
        return b.size() >= 20 && std::memcmp(b.data() + b.size() - 8, pngEnd, 8) == 0;
    if (b.size() >= 2 && b[0] == 0xff && b[1] == 0xd8) {
        // The end-of-image marker, allowing for a little padding after it.
        const std::size_t from = b.size() > 32 ? b.size() - 32 : 2;
        for (std::size_t i = b.size() - 1; i > from; --i)
            if (b[i - 1] == 0xff && b[i] == 0xd9)
                return true;
        return false;
    }
    return true; // another format: the decoder decides
}

struct Attempt {
    std::shared_ptr<Image> image;
    bool exists = false;
    bool whole = false;
    std::string problem;
};

Attempt tryBundleFile(const std::string& path, float scale) {
    Attempt a;
    std::vector<std::uint8_t> bytes;
    std::string failure;
    a.image = decodeFile(path, scale, bytes, failure);
    if (failure == "FileNotFound")
        return a;
    a.exists = true;
    if (!failure.empty()) {
        a.problem = FailureText::describe(failure) + " (" + failure + ")";
        return a;
    }
    a.whole = looksWhole(bytes);
    if (!a.image) {
        a.whole = false;
        a.problem = bytes[0] == 0x89 && !looksWhole(bytes)
                        ? "is cut short"
                        : std::string("cannot be decoded (") + IMG_GetError() + ")";
        return a;
    }
    if (!a.whole)
        a.problem = "is cut short";
    return a;
}

void reportOnce(const std::string& fileName, const std::string& text) {
    if (reported().insert(fileName).second)
        std::fprintf(stderr, "%s\n", text.c_str());
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
    if (opaque) {
        // In the drawing targets' own format an opaque picture's copy is
        // a copy of rows, not a conversion of every pixel.
        SDL_Surface* argb = SDL_ConvertSurfaceFormat(surface, SDL_PIXELFORMAT_ARGB8888, 0);
        if (argb) {
            texture = SDL_CreateTextureFromSurface(renderer, argb);
            SDL_FreeSurface(argb);
        }
    }
    if (!texture)
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
    if (folder != bundle()) {
        cache().clear();
        reported().clear();
    }
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
    const std::string base = bundle().empty() ? std::string(".") : bundle();
    // A double-density version beside the picture wins; a damaged one is
    // reported and the plain one used instead. A damaged picture that still
    // decodes shows what it has, if nothing better is there.
    Attempt hi;
    const auto dot = fileName.rfind('.');
    const std::string hiName =
        dot == std::string::npos ? std::string() : fileName.substr(0, dot) + "@2x" + fileName.substr(dot);
    if (!hiName.empty() && reported().count(hiName) == 0) {
        hi = tryBundleFile(base + "/" + hiName, 2.0f);
        if (!hi.problem.empty())
            reportOnce(hiName, "Damaged picture \"" + hiName + "\" in " + base + ": " + hi.problem);
    }
    std::shared_ptr<Image> image = hi.whole ? hi.image : nullptr;
    if (!image && reported().count(fileName) == 0) {
        Attempt plain = tryBundleFile(base + "/" + fileName, 1.0f);
        if (!plain.problem.empty())
            reportOnce(fileName, "Damaged picture \"" + fileName + "\" in " + base + ": " + plain.problem);
        else if (!plain.exists && !hi.exists)
            reportOnce(fileName, "Missing picture \"" + fileName + "\" in " + base);
        image = plain.whole ? plain.image : (hi.image ? hi.image : plain.image);
    } else if (!image) {
        image = hi.image;
    }
    if (image)
        cache()[fileName] = image;
    else
        reported().insert(fileName); // told already, or told through its @2x
    return image;
}

std::shared_ptr<Image> Image::fromFile(const std::string& path, float scale) {
    std::vector<std::uint8_t> bytes;
    std::string failure;
    return decodeFile(path, scale, bytes, failure);
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
