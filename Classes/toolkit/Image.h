#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "system/Geometry.h"

// A picture. Pictures of the bundle are loaded by file name (PNG or JPEG),
// once, and shared. A picture "Name.png" with a "Name@2x.png" beside it is
// loaded from the larger file at twice the density, so it stays crisp on a
// window shown at twice the logical size; its size in points is the same.
//
// Threads: UI thread only.
class Image {
public:
    struct Impl;

    // The bundle picture of that file name, or null (and one line on stderr)
    // when it is missing or unreadable.
    static std::shared_ptr<Image> named(const std::string& fileName);
    // A picture from a file anywhere.
    static std::shared_ptr<Image> fromFile(const std::string& path, float scale = 1.0f);
    // A picture of width x height pixels of 8-bit RGBA, row by row.
    static std::shared_ptr<Image> fromPixels(int width, int height, const std::vector<std::uint8_t>& rgba,
                                             float scale = 1.0f);

    // The folder `named` reads from (the bundle). Set by the application.
    static void setBundleFolder(const std::string& folder);
    static const std::string& bundleFolder();
    // Forgets every cached bundle picture (a memory warning).
    static void clearCache();

    explicit Image(std::unique_ptr<Impl> impl);
    ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    // Size in points (pixels divided by the density).
    Size size() const;
    int pixelWidth() const;
    int pixelHeight() const;
    float scale() const;
    // RGBA of one pixel (for tests), clear outside the picture.
    Color pixel(int x, int y) const;

    Impl& impl() const { return *impl_; }

private:
    std::unique_ptr<Impl> impl_;
};
