#include "app/AppSettings.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "core/BoundedFile.h"
#include "core/WholeFileWriter.h"

#include "system/OutputVolume.h"

namespace {

constexpr const char* kOutputVolume = "outputVolume";

std::string pathIn(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + "/" + name;
}

} // namespace

std::string AppSettings::text() {
    char line[64];
    std::snprintf(line, sizeof line, "%s %.4f\n", kOutputVolume, static_cast<double>(OutputVolume::get()));
    return line;
}

void AppSettings::apply(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string name, value;
        if (!(words >> name >> value))
            continue;
        if (name != kOutputVolume)
            continue; // a setting of a later version
        char* end = nullptr;
        errno = 0;
        const float v = std::strtof(value.c_str(), &end);
        if (errno == 0 && end != value.c_str() && *end == '\0' && v >= 0 && v <= 1)
            OutputVolume::set(v);
    }
}

std::string AppSettings::load(const std::string& folder) {
    std::vector<std::uint8_t> bytes;
    const std::string failure =
        BoundedFile::read(pathIn(folder, kFileName), BoundedFile::Limit::kSettings, bytes);
    if (failure == "FileNotFound")
        return {}; // not written yet: the defaults stand
    if (failure.empty())
        apply(std::string(bytes.begin(), bytes.end()));
    return failure;
}

bool AppSettings::save(const std::string& folder) {
    const std::string line = text();
    return WholeFileWriter::write(pathIn(folder, kFileName),
                                  reinterpret_cast<const std::uint8_t*>(line.data()), line.size());
}
