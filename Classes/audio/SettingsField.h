#pragma once
#include <cstdint>
#include <type_traits>
#include <variant>

#include "core/GuitarId.h"

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

// The values a setting can take in the program: what its knob or slider
// reaches. A file may hold anything (another program, damage), so a value
// read from one is held to [low, high] and one that is not a number becomes
// the guitar's default, fallback[guitar] (fallback[0] for a setting saved once
// per engine). Values within the range are kept exactly as stored.
struct FieldRange {
    double low = 0.0;
    double high = 0.0;
    double fallback[kGuitars] = {};
    bool held = false; // false: no range, every value is kept

    template <class T> constexpr T hold(T value, int guitar) const {
        if (!held || std::is_same_v<T, bool>)
            return value;
        if (!(value == value))
            return static_cast<T>(fallback[guitar]);
        if (value < low)
            return static_cast<T>(low);
        if (value > high)
            return static_cast<T>(high);
        return value;
    }
};

// A range held on read (see FieldRange), with each guitar's default.
constexpr FieldRange heldTo(double low, double high, double fallback0, double fallback1) {
    return {low, high, {fallback0, fallback1}, true};
}

// One saved setting of a parameter struct P: the name `dump` prints, how it
// is stored, the member it fills and, for a number with one, the range a
// read holds it to. Whole-number fields narrower than 32 bits are kept
// widened in P and narrowed (truncated) when written.
template <class P> struct SettingsField {
    using Member = std::variant<bool P::*, int32_t P::*, float P::*, double P::*>;
    const char* name;
    FieldType type;
    Member member;
    FieldRange range = {};
};
