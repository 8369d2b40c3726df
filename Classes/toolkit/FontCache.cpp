#include "toolkit/FontCache.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

#include "core/BoundedFile.h"

#include "toolkit/Image.h"

namespace {

// A font file that can be read: a regular file of a font's size. Opening
// never waits (a FIFO in a font folder is passed over).
bool fileExists(const std::string& path) {
    return BoundedFile(path, BoundedFile::Limit::kFont).failure().empty();
}

// The bytes of each font file opened, by path: a face reads its file as it
// draws, so the bytes stay until the faces are closed. Never destroyed: the
// cache that closes the faces is itself destroyed at exit.
std::map<std::string, std::vector<std::uint8_t>>& fontFiles() {
    static auto* files = new std::map<std::string, std::vector<std::uint8_t>>;
    return *files;
}

TTF_Font* openFont(const std::string& path, int pixels) {
    auto it = fontFiles().find(path);
    if (it == fontFiles().end()) {
        std::vector<std::uint8_t> bytes;
        if (!BoundedFile::read(path, BoundedFile::Limit::kFont, bytes).empty() || bytes.empty())
            return nullptr;
        it = fontFiles().emplace(path, std::move(bytes)).first;
    }
    SDL_RWops* rw = SDL_RWFromConstMem(it->second.data(), static_cast<int>(it->second.size()));
    return rw ? TTF_OpenFontRW(rw, 1, pixels) : nullptr;
}

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

} // namespace

FontCache& FontCache::shared() {
    static FontCache cache;
    return cache;
}

FontCache::~FontCache() {
    clear();
}

void FontCache::clear() {
    if (TTF_WasInit())
        for (auto& [key, f] : fonts_)
            if (f)
                TTF_CloseFont(f);
    fonts_.clear();
    fontFiles().clear();
}

std::string FontCache::fontPath(const std::string& family, bool bold) {
    std::string f = lower(family);
    if (f.find("bold") != std::string::npos)
        bold = true;
    std::string face = "LiberationSans";
    if (f.find("courier") != std::string::npos || f.find("mono") != std::string::npos)
        face = "LiberationMono";
    else if (f.find("times") != std::string::npos || f.find("georgia") != std::string::npos ||
             f.find("serif") == 0)
        face = "LiberationSerif";
    std::string file = face + (bold ? "-Bold.ttf" : "-Regular.ttf");
    std::vector<std::string> dirs;
    if (const char* env = std::getenv("STRUMWELL_FONT_DIR"))
        dirs.emplace_back(env);
    if (!Image::bundleFolder().empty())
        dirs.push_back(Image::bundleFolder() + "/fonts");
    dirs.emplace_back("/usr/share/fonts/truetype/liberation");
    dirs.emplace_back("/usr/share/fonts/truetype/liberation2");
    dirs.emplace_back("/usr/share/fonts/liberation");
    dirs.emplace_back("/usr/share/fonts/liberation-sans");
    dirs.emplace_back("/usr/local/share/fonts");
    for (const auto& d : dirs) {
        std::string path = d + "/" + file;
        if (fileExists(path))
            return path;
    }
    return {};
}

TTF_Font* FontCache::font(const Font& font, float pixelsPerPoint) {
    if (!TTF_WasInit() && TTF_Init() != 0) {
        if (!warned_)
            std::fprintf(stderr, "Cannot start the font renderer: %s\n", TTF_GetError());
        warned_ = true;
        return nullptr;
    }
    int pixels = std::max(1, static_cast<int>(std::lround(font.size * pixelsPerPoint)));
    bool bold = font.bold || lower(font.family).find("bold") != std::string::npos;
    std::string path = fontPath(font.family, bold);
    auto key = std::make_tuple(path, pixels);
    auto it = fonts_.find(key);
    if (it != fonts_.end())
        return it->second;
    TTF_Font* f = path.empty() ? nullptr : openFont(path, pixels);
    if (!f && !warned_) {
        std::fprintf(stderr, "Cannot open the font for \"%s\" (install fonts-liberation)\n",
                     font.family.c_str());
        warned_ = true;
    }
    if (f)
        TTF_SetFontHinting(f, TTF_HINTING_LIGHT);
    fonts_[key] = f;
    return f;
}
