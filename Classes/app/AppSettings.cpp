#include "app/AppSettings.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/core/OutputVolume.h"

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

bool AppSettings::load(const std::string& folder) {
    std::ifstream in(pathIn(folder, kFileName));
    if (!in)
        return true; // not written yet: the defaults stand
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad())
        return false;
    apply(text.str());
    return true;
}

bool AppSettings::save(const std::string& folder) {
    const std::string path = pathIn(folder, kFileName);
    const std::string temporary = path + ".new";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << text();
        out.flush();
        if (!out) {
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}
