#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// The song held in a recorder section, read into plain records without a
// Recorder (so that `strumwell dump` needs no engine, no thread and no
// samples). It reads exactly what the recorder's own restore reads, with the
// same checks and failure codes; the recorder's restore stays the one that
// loads songs, this one only shows them.
//
// Threads: any (pure parsing).
class RecorderSectionContents {
public:
    struct NoteRecord {
        double time = 0.0;
        bool keyDown = false;
        int32_t sampleNo = 0;
        int32_t noteID = 0;
        float volume = 0.0f;
        double releaseDelta = 0.0;
    };
    struct PitchRecord {
        double time = 0.0;
        int32_t noteID = 0;
        float pitch = 0.0f;
        int32_t overdubNo = 0;
    };
    struct ChangeRecord {
        double time = 0.0;
        float pitch = 0.0f;
        int32_t overdubNo = 0;
    };

    // True when `version` is one the recorder reads (0, 1, 2); a section of
    // any other version is ignored by the recorder and so is not parsed.
    static bool knowsVersion(int32_t version) { return version >= 0 && version <= 2; }

    // Parses a section of a known version. Throws StrumwellFailure
    // "RecorderFailure-1" (shorter than 8 bytes) or "RecorderFailure-2" (the
    // size does not match the counts). A note-up is shown as loaded: its
    // sample number, volume and release rate are 0. Version 1 sections lack
    // the last 8 bytes of their last record; that record is dropped, as the
    // recorder does.
    static RecorderSectionContents parse(const uint8_t* data, size_t size, int32_t version);

    int32_t currentNoteID = 0;
    std::vector<NoteRecord> notes;
    std::vector<PitchRecord> pitchChanges;
    std::array<std::vector<ChangeRecord>, 2> whammy;
    std::array<std::vector<ChangeRecord>, 2> wah;
};
