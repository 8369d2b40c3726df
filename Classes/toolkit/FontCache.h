#pragma once
#include <map>
#include <string>
#include <tuple>

#include "toolkit/Font.h"

typedef struct _TTF_Font TTF_Font;

// The open TrueType fonts, by face and pixel size. "Arial" and "Helvetica"
// are Liberation Sans, "Courier" Liberation Mono, "Times" Liberation Serif.
//
// Threads: UI thread only.
class FontCache {
public:
    static FontCache& shared();
    ~FontCache();

    // The face of `font` at its size times pixelsPerPoint, or null when no
    // font file could be opened (one line on stderr, once).
    TTF_Font* font(const Font& font, float pixelsPerPoint = 1.0f);
    // The font file for a family, or empty.
    static std::string fontPath(const std::string& family, bool bold);
    void clear();

private:
    FontCache() = default;
    std::map<std::tuple<std::string, int>, TTF_Font*> fonts_;
    bool warned_ = false;
};
