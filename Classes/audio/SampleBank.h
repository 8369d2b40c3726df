#pragma once
#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "audio/CallbackUserData.h"
#include "audio/WavReader.h"

class AudioOutput;

// The engine's 200 sample slots: reading the bundle's sample files into them,
// once, and swapping the blocks in while the audio output excludes the
// render callback. Missing, damaged and cut files are reported once each.
//
// Threads: the UI thread, except sampleData and sampleSize (not while a
// reload runs) and patchName (any thread).
class SampleBank {
public:
    static constexpr int kFirstFretNoiseSlot = 100;
    static constexpr int kFirstTapNoiseSlot = 110;
    static constexpr int kSamplesPerPatch = 48;

    // Any thread. The guitar a recorded slot was played on. A song keeps only
    // the slot, so its replay derives the guitar from the layout: guitar 1's
    // patch from slot 0, guitar 2's from slot 48 (with slot 96, as songs have
    // always been mixed), no guitar for the fret and tap noises and the rest.
    static constexpr GuitarId guitarOfSlot(int slot) {
        return slot < 0 ? kNoGuitar : slot <= 47 ? 0 : slot <= 96 ? 1 : kNoGuitar;
    }

    // cb and output (may be null) outlive the bank. bundleFolder holds the
    // sample files; empty means the working folder.
    SampleBank(CallbackUserData& cb, AudioOutput* output, std::string bundleFolder);
    // Frees every slot's block; the render thread must be stopped.
    ~SampleBank();
    SampleBank(const SampleBank&) = delete;
    SampleBank& operator=(const SampleBank&) = delete;

    // One file into a slot; a missing or damaged file leaves it as it was.
    void loadSampleAtSlot(int slot, const std::string& fileName);
    // The 48 samples of guitar g's patch (cb.patchNo[g]); sets its name and
    // acoustic flag. While the gate says the patch's files are still on their
    // way, its slots keep what they had and the guitar waits for them.
    void reloadGuitarSamples(int guitar);
    // Whether guitar g's patch was held back by the gate at its last reload.
    bool samplesWaiting(int guitar) const;

    // Any thread, before the first reload. Where sample files arrive after
    // the program starts (the browser fetches each patch when it is first
    // wanted), the gate tells whether a patch's files (named PREFIX1.wav to
    // PREFIX48.wav) are all there yet; asking is also what sends for them.
    // Null (the default): every file is there from the start.
    using PatchGate = bool (*)(const char* prefix);
    static void setPatchGate(PatchGate gate);
    // The 22 fret and tap noises into slots 100 to 121.
    void loadGenericSamples();
    // A four-second test tone into the slot.
    void addSineWaveAtSlot(int slot);
    std::string patchName(int guitar) const;
    const int16_t* sampleData(int slot) const;
    int32_t sampleSize(int slot) const;

private:
    struct LoadedSample {
        int slot = 0;
        WavReader::Sample sample;
    };
    // Hands the blocks to their slots and frees the ones they replace.
    void swapSlots(std::vector<LoadedSample>& loaded);
    // Under loadMutex_. False (the slot is left as it was) for a missing or
    // refused file; either is reported once, as is a file cut short.
    bool readSampleFile(const std::string& fileName, WavReader::Sample& sample);

    CallbackUserData& cb_;
    AudioOutput* output_;
    std::string bundleFolder_;
    mutable std::mutex loadMutex_;        // sample loading and patch names
    std::set<std::string> reportedFiles_; // under loadMutex_
    bool waiting_[kGuitars] = {};         // under loadMutex_
};
