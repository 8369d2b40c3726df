#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

// The engine settings held in an engine section, read into plain values
// without a SoundEngine (so that `strumwell dump` loads no sample and needs
// no bundle). Same layout, minimum sizes and failure code as the engine's
// own restore; the engine's restore stays the one that loads settings.
//
// Threads: any (pure parsing).
class EngineSectionContents {
public:
    // Versions whose engine section the engine reads; any other is ignored.
    static bool knowsVersion(int32_t version) { return version >= 0 && version <= 2; }

    // Versions 1 and 2 need 72 bytes, version 0 the first 60 (its wah,
    // whammy-bar and bend switches read as off and the frets shown as 5).
    // Longer sections are accepted, their tail ignored. Throws
    // StrumwellFailure("SoundEngineFailure-1") when the section is shorter.
    static EngineSectionContents parse(const uint8_t* data, size_t size, int32_t version);

    std::array<float, 2> guitarVolume{};
    std::array<double, 2> guitarReleaseDelta{};
    std::array<int32_t, 2> patchNo{};
    std::array<bool, 2> delayOn{};
    std::array<bool, 2> pingPong{};
    std::array<int32_t, 2> delayTime{};
    std::array<float, 2> delayFeedback{};
    std::array<float, 2> delayMix{};
    std::array<bool, 2> fuzzOn{};
    std::array<int32_t, 2> fuzzThreshold{};
    std::array<bool, 2> wahOn{};
    int32_t numFretsToShow = 5;
    std::array<bool, 2> whammyBarAttached{};
    std::array<bool, 2> pitchBendOn{};
};
