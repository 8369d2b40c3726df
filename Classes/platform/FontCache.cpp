#include "platform/FontCache.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/Image.h"

namespace {

bool fileExists(const std::string& path) {
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        std::fclose(f);
        return true;
    }
    return false;
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
    TTF_Font* f = path.empty() ? nullptr : TTF_OpenFont(path.c_str(), pixels);
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
