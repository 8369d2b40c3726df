#include "storage/EngineSectionContents.h"

#include <ostream>
#include <string>

#include "storage/JsonNumber.h"

namespace {

std::string text(const EngineSettings::Value& v) {
    if (const bool* b = std::get_if<bool>(&v))
        return *b ? "true" : "false";
    if (const int32_t* i = std::get_if<int32_t>(&v))
        return std::to_string(*i);
    if (const float* f = std::get_if<float>(&v))
        return JsonNumber::f32(*f);
    return JsonNumber::f64(std::get<double>(v));
}

} // namespace

void EngineSectionContents::printJson(std::ostream& out, const EngineSettings& settings) {
    out << "{";
    const char* separator = "\n    ";
    settings.forEachField([&](const char* name, const EngineSettings::Value* values, int count) {
        out << separator << "\"" << name << "\": ";
        if (count == 1)
            out << text(values[0]);
        else
            out << "[" << text(values[0]) << ", " << text(values[1]) << "]";
        separator = ",\n    ";
    });
    out << "\n  }";
}
