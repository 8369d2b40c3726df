#include "import/ZipArchive.h"

#include <zip.h>

#include <utility>

ZipArchive::~ZipArchive() {
    if (archive_ != nullptr)
        zip_discard(archive_);
}

ZipArchive::ZipArchive(ZipArchive&& other) noexcept : archive_(std::exchange(other.archive_, nullptr)) {}

ZipArchive& ZipArchive::operator=(ZipArchive&& other) noexcept {
    if (this != &other) {
        if (archive_ != nullptr)
            zip_discard(archive_);
        archive_ = std::exchange(other.archive_, nullptr);
    }
    return *this;
}

std::unique_ptr<ZipArchive> ZipArchive::open(std::span<const uint8_t> bytes, std::string& error) {
    zip_error_t zerror;
    zip_error_init(&zerror);
    // freep 0: the bytes stay the caller's.
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &zerror);
    zip_t* archive = source != nullptr ? zip_open_from_source(source, ZIP_RDONLY, &zerror) : nullptr;
    if (archive == nullptr) {
        error = std::string("not a readable zip archive: ") + zip_error_strerror(&zerror);
        if (source != nullptr)
            zip_source_free(source);
        zip_error_fini(&zerror);
        return nullptr;
    }
    zip_error_fini(&zerror);
    return std::unique_ptr<ZipArchive>(new ZipArchive(archive));
}

std::vector<std::string> ZipArchive::names() const {
    std::vector<std::string> out;
    const zip_int64_t count = zip_get_num_entries(archive_, 0);
    for (zip_int64_t i = 0; i < count; ++i)
        if (const char* name = zip_get_name(archive_, static_cast<zip_uint64_t>(i), 0))
            out.emplace_back(name);
    return out;
}

bool ZipArchive::read(const std::string& name, std::vector<uint8_t>& out, std::string& error) const {
    out.clear();
    const zip_int64_t index = zip_name_locate(archive_, name.c_str(), 0);
    zip_stat_t st;
    if (index < 0 || zip_stat_index(archive_, static_cast<zip_uint64_t>(index), 0, &st) != 0) {
        error = "the archive has no '" + name + "'";
        return false;
    }
    // The header's sizes only help to refuse early; the loop below holds the
    // limits against what really comes out.
    const std::size_t compressed =
        (st.valid & ZIP_STAT_COMP_SIZE) ? static_cast<std::size_t>(st.comp_size) : 0;
    const std::size_t limit = std::min(kMaxEntryBytes, std::max<std::size_t>(compressed, 1024) * kMaxRatio);
    if ((st.valid & ZIP_STAT_SIZE) && st.size > limit) {
        error = "'" + name + "' would inflate to " + std::to_string(st.size) + " bytes, more than " +
                std::to_string(limit) + " (a zip bomb?)";
        return false;
    }
    zip_file_t* file = zip_fopen_index(archive_, static_cast<zip_uint64_t>(index), 0);
    if (file == nullptr) {
        error = "cannot open '" + name + "' in the archive: " + zip_strerror(archive_);
        return false;
    }
    uint8_t chunk[16384];
    bool ok = true;
    for (;;) {
        const zip_int64_t n = zip_fread(file, chunk, sizeof chunk);
        if (n < 0) {
            error = "'" + name + "' is damaged: " + zip_file_strerror(file);
            ok = false;
            break;
        }
        if (n == 0)
            break;
        if (out.size() + static_cast<std::size_t>(n) > limit) {
            error = "'" + name + "' inflates to more than " + std::to_string(limit) + " bytes (a zip bomb?)";
            ok = false;
            break;
        }
        out.insert(out.end(), chunk, chunk + n);
    }
    zip_fclose(file);
    if (!ok)
        out.clear();
    return ok;
}
