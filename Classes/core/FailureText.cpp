#include "core/FailureText.h"

#include <cctype>
#include <string_view>

namespace {

struct Reason {
    std::string_view code;
    std::string_view words;
};

constexpr Reason kReasons[] = {
    {"FileNotFound", "there is no such file"},
    {"Empty file", "the file is empty"},
    {"Error loading file", "the file is damaged: its sections do not fit its length"},
    {"NotARegularFile", "it is not a regular file"},
    {"FileTooLarge", "the file is larger than any file of its kind can be"},
    {"Unreadable", "the file could not be read"},
    {"TabFailure-1", "the tab section is cut short"},
    {"TabFailure-2", "the tab section is damaged: it is shorter than its column count says"},
    {"TabFailure-3", "the tab section is damaged: a fret is out of range"},
    {"RecorderFailure-1", "the recorder section is cut short"},
    {"RecorderFailure-2", "the recorder section is damaged"},
    {"SoundEngineFailure-1", "the sound settings section is cut short"},
    {"TuningFailure-1", "the tuning section is cut short"},
    {"PictureTooLarge", "the picture is larger than any picture the program uses"},
    {"PictureUnknown", "it is not a PNG or JPEG picture"},
};

const Reason* find(const std::string& code) {
    for (const Reason& r : kReasons)
        if (r.code == code)
            return &r;
    return nullptr;
}

} // namespace

namespace FailureText {

std::string describe(const std::string& code) {
    const Reason* r = find(code);
    return r ? std::string(r->words) : code;
}

std::string cannotRead(const std::string& path, const std::string& code) {
    std::string line = "cannot read '" + path + "': " + describe(code);
    if (find(code) != nullptr)
        line += " (" + code + ")";
    return line;
}

std::string sentence(std::string text) {
    if (!text.empty())
        text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    if (text.empty() || text.back() != '.')
        text += '.';
    return text;
}

std::string toolLine(const std::string& path, const std::string& code) {
    return "strumwell: " + cannotRead(path, code);
}

} // namespace FailureText
