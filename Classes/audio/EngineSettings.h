#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <tuple>
#include <variant>
#include <vector>

#include "audio/DelayEffect.h"
#include "audio/FuzzEffect.h"
#include "audio/SettingsField.h"
#include "audio/WahEffect.h"
#include "core/GuitarId.h"
#include "core/SongVersion.h"

// The parts of the engine section that are not effects. Each part is laid
// out as an effect unit lays out its saved parameters: Params, kSavedFields,
// kSavedSince; a part saved once for the whole engine says kOncePerEngine.
// The release slope per frame that a guitar's SUSTAIN knob (0 ... 1) sets,
// as SoundEngine::setGuitarSustain computes it.
constexpr double releaseForSustain(float sustain) {
    return -8.8e-5 + sustain * 7.3e-5;
}

// A reset turns guitar 1's SUSTAIN to 0.95 and guitar 2's to 0.7; the
// VOLUME knobs reach 0 ... 1, 0.5 after a reset.
struct GuitarPatch {
    struct Params {
        float volume = 0.0f;
        double releaseDelta = 0.0;
        int32_t patchNo = 0;
    };
    static constexpr std::array<SettingsField<Params>, 3> kSavedFields{
        {{"guitarVolume", FieldType::Float32, &Params::volume, heldTo(0.0, 1.0, 0.5, 0.5)},
         {"guitarReleaseDelta", FieldType::Float64, &Params::releaseDelta,
          heldTo(releaseForSustain(0.0f), releaseForSustain(1.0f), releaseForSustain(0.95f),
                 releaseForSustain(0.7f))},
         {"patchNo", FieldType::Int8, &Params::patchNo}}};
    static constexpr int kSavedSince = 0;
};

struct FretsShown {
    struct Params {
        int32_t count = 5;
    };
    static constexpr std::array<SettingsField<Params>, 1> kSavedFields{
        {{"numFretsToShow", FieldType::Int8, &Params::count}}};
    static constexpr int kSavedSince = 1;
    static constexpr bool kOncePerEngine = true;
};

struct WhammyBar {
    struct Params {
        bool attached = false;
    };
    static constexpr std::array<SettingsField<Params>, 1> kSavedFields{
        {{"whammyBarAttached", FieldType::Bool8, &Params::attached}}};
    static constexpr int kSavedSince = 1;
};

struct PitchBend {
    struct Params {
        bool on = false;
    };
    static constexpr std::array<SettingsField<Params>, 1> kSavedFields{
        {{"pitchBendOn", FieldType::Bool8, &Params::on}}};
    static constexpr int kSavedSince = 1;
};

template <class... Parts> struct SectionLayout { using Values = std::tuple<typename Parts::Params...>; };

// The engine section, part by part in the order of the file. Parts newer than
// a file's version are not in it and keep their Params' initial values. A
// new part goes at the end, with the version that first saves it.
using EngineSectionLayout =
    SectionLayout<GuitarPatch, DelayEffect, FuzzEffect, WahEffect, FretsShown, WhammyBar, PitchBend>;

// The engine's saved settings as plain values: every guitar's patch, volume,
// sustain, effect parameters and tilt switches, and the frets shown. This is
// the one reader and writer of the engine section. A read holds every field
// that declares a range to it (see FieldRange).
//
// Threads: any (a plain value).
struct EngineSettings {
    // A version's section holds the fields of every part saved since that
    // version or earlier, in the order of the layout, then (from version 1
    // on) five reserved bytes written as 0. Version 0 has 60 bytes, versions
    // 1 and 2 have 72.
    static constexpr size_t kReservedTail = 5;
    static constexpr int kReservedTailSince = 1;
    static constexpr size_t minimumSize(int32_t version);
    // The size written: the newest version's.
    static const size_t kSectionSize;
    static const size_t kSectionSizeVersion0;

    // The versions whose engine section is read; any other is ignored.
    static bool knowsVersion(int32_t version) { return SongVersion::engineSectionKnown(version); }

    // A known version's section. Longer sections are accepted, their tail
    // ignored. Values outside a field's range are held to it, NaN becomes
    // the field's default; every other value is read exactly. Throws StrumwellFailure("SoundEngineFailure-1")
    // when the section is missing or shorter than minimumSize(version).
    static EngineSettings read(const uint8_t* data, size_t size, int32_t version);
    // The newest layout, kSectionSize bytes. The section is read and written
    // with the core byte codec (core/ByteReader, core/ByteWriter).
    std::vector<uint8_t> write() const;

    // The values of one part for a guitar (0 or 1); a part saved once per
    // engine is read and written with guitar 0.
    template <class Part> typename Part::Params& of(int guitar = 0) {
        return std::get<typename Part::Params>(parts[static_cast<size_t>(guitar)]);
    }
    template <class Part> const typename Part::Params& of(int guitar = 0) const {
        return std::get<typename Part::Params>(parts[static_cast<size_t>(guitar)]);
    }

    // Every saved field in the order of the file: f(name, values, count),
    // count being kGuitars (one value per guitar) or 1 (once per engine).
    using Value = std::variant<bool, int32_t, float, double>;
    template <class F> void forEachField(F&& f) const;

    std::array<EngineSectionLayout::Values, kGuitars> parts;

private:
    template <class Part, class F> void visitPart(F& f) const;
    template <class... Parts, class F> void visitAll(SectionLayout<Parts...>*, F& f) const {
        (visitPart<Parts>(f), ...);
    }
};

template <class Part> constexpr bool oncePerEngine() {
    if constexpr (requires { Part::kOncePerEngine; })
        return Part::kOncePerEngine;
    else
        return false;
}

template <class Part, class F> void EngineSettings::visitPart(F& f) const {
    const int guitars = oncePerEngine<Part>() ? 1 : kGuitars;
    for (const auto& field : Part::kSavedFields) {
        Value values[kGuitars];
        for (int g = 0; g < guitars; ++g)
            std::visit([&](auto member) { values[g] = of<Part>(g).*member; }, field.member);
        f(field.name, values, guitars);
    }
}

template <class F> void EngineSettings::forEachField(F&& f) const {
    visitAll(static_cast<EngineSectionLayout*>(nullptr), f);
}

template <class Part> constexpr size_t savedPartSize() {
    size_t size = 0;
    for (const auto& field : Part::kSavedFields)
        size += static_cast<size_t>(fieldSize(field.type));
    return oncePerEngine<Part>() ? size : 2 * size;
}

template <class... Parts> constexpr size_t savedSectionSize(SectionLayout<Parts...>*, int32_t version) {
    return ((Parts::kSavedSince <= version ? savedPartSize<Parts>() : 0) + ...);
}

constexpr size_t EngineSettings::minimumSize(int32_t version) {
    return savedSectionSize(static_cast<EngineSectionLayout*>(nullptr), version) +
           (version >= kReservedTailSince ? kReservedTail : 0);
}

inline constexpr size_t EngineSettings::kSectionSize = EngineSettings::minimumSize(SongVersion::kCurrent);
inline constexpr size_t EngineSettings::kSectionSizeVersion0 = EngineSettings::minimumSize(0);
