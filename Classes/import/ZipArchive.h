#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

struct zip;

// A zip archive read from memory (a .mxl or .gp file), one entry at a time,
// with limits that refuse a zip bomb: no entry is inflated beyond
// kMaxEntryBytes nor beyond kMaxRatio times its compressed size, whatever
// its header claims. The bytes must outlive the archive.
//
// Threads: any; one archive per thread.
class ZipArchive {
public:
    static constexpr std::size_t kMaxEntryBytes = 32u << 20;
    static constexpr std::size_t kMaxRatio = 200;

    ~ZipArchive();
    ZipArchive(ZipArchive&&) noexcept;
    ZipArchive& operator=(ZipArchive&&) noexcept;

    // Null with `error` in words when the bytes are not a zip archive.
    static std::unique_ptr<ZipArchive> open(std::span<const uint8_t> bytes, std::string& error);
    // The entry's names, in the archive's order.
    std::vector<std::string> names() const;
    // The entry called `name` inflated into `out`; false with `error` when
    // there is none, it is damaged, or it breaks a limit.
    bool read(const std::string& name, std::vector<uint8_t>& out, std::string& error) const;

private:
    explicit ZipArchive(zip* archive) : archive_(archive) {}
    zip* archive_ = nullptr;
};
