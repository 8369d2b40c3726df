#pragma once
#include <cstdint>
#include <variant>

// How one saved setting is stored in the engine section (little-endian).
enum class FieldType { Bool8, Int8, Int16, Int32, Float32, Float64 };

constexpr int fieldSize(FieldType type) {
    switch (type) {
    case FieldType::Bool8:
    case FieldType::Int8:
        return 1;
    case FieldType::Int16:
        return 2;
    case FieldType::Int32:
    case FieldType::Float32:
        return 4;
    case FieldType::Float64:
        return 8;
    }
    return 0;
}

// One saved setting of a parameter struct P: the name `dump` prints, how it
// is stored, and the member it fills. Whole-number fields narrower than 32
// bits are kept widened in P and narrowed (truncated) when written.
template <class P> struct SettingsField {
    using Member = std::variant<bool P::*, int32_t P::*, float P::*, double P::*>;
    const char* name;
    FieldType type;
    Member member;
};
