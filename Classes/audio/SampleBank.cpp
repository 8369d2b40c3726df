#include "audio/SampleBank.h"

#include <atomic>
#include <cmath>
#include <cstdio>

#include "core/GuitarId.h"
#include "system/AudioOutput.h"

namespace {

constexpr int kPatchSize = 48;

struct PatchInfo {
    const char* name;
    const char* prefix;
    bool acoustic;
};

PatchInfo patchInfo(int patchNo) {
    switch (patchNo) {
    case 0:
        return {"Acoustic 1", "A1-", true};
    case 1:
        return {"Acoustic 2", "A2-", true};
    case 2:
        return {"Electric 1", "E3-", false};
    case 3:
        return {"Electric 2", "E2-", false};
    case 4:
        return {"Clean Electric", "CE-", false};
    default:
        return {"Acoustic Fingerpick", "A1-", true};
    }
}

} // namespace

SampleBank::SampleBank(CallbackUserData& cb, AudioOutput* output, std::string bundleFolder)
    : cb_(cb), output_(output), bundleFolder_(std::move(bundleFolder)) {}

SampleBank::~SampleBank() {
    for (SampleSlot& slot : cb_.sampleList)
        delete[] slot.rawData.load();
}

bool SampleBank::readSampleFile(const std::string& fileName, WavReader::Sample& sample) {
    std::string error;
    bool missing = false;
    const std::string path = bundleFolder_.empty() ? fileName : bundleFolder_ + "/" + fileName;
    const bool read = WavReader::readFile(path, sample, error, missing);
    // Each damaged or missing file is reported once, however often it is
    // asked for again (every patch change reloads the same files).
    std::string line;
    if (missing)
        line = "Sample file missing: " + fileName;
    else if (!read)
        line = "Error loading file " + fileName + ": " + error;
    else if (sample.cutShort)
        line = "Sample file cut short: " + fileName + " (playing the " + std::to_string(sample.count) +
               " values it holds)";
    if (!line.empty() && reportedFiles_.insert(fileName).second)
        std::printf("%s\n", line.c_str());
    return read;
}

void SampleBank::swapSlots(std::vector<LoadedSample>& loaded) {
    std::vector<int16_t*> old(loaded.size(), nullptr);
    {
        // The callback is not running while the output is locked, so it never
        // reads a block after it has been freed below.
        AudioOutputLock lock(output_);
        for (size_t k = 0; k < loaded.size(); ++k) {
            SampleSlot& slot = cb_.sampleList[loaded[k].slot];
            old[k] = slot.rawData.load(std::memory_order_relaxed);
            slot.rawData.store(loaded[k].sample.values.release(), std::memory_order_relaxed);
            slot.rawDataSize.store(int32_t(loaded[k].sample.count), std::memory_order_relaxed);
            slot.cannotBeCulledOnTooManyNotes.store(false, std::memory_order_relaxed);
        }
    }
    for (int16_t* block : old)
        delete[] block;
    cb_.numSampleListEntries.fetch_add(int32_t(loaded.size()), std::memory_order_relaxed);
}

void SampleBank::loadSampleAtSlot(int slot, const std::string& fileName) {
    if (slot < 0 || slot >= kNumSampleSlots)
        return;
    std::lock_guard<std::mutex> lock(loadMutex_);
    std::vector<LoadedSample> loaded(1);
    loaded[0].slot = slot;
    if (readSampleFile(fileName, loaded[0].sample))
        swapSlots(loaded);
}

namespace {
std::atomic<SampleBank::PatchGate> gPatchGate{nullptr};
} // namespace

void SampleBank::setPatchGate(PatchGate gate) {
    gPatchGate.store(gate);
}

bool SampleBank::samplesWaiting(int guitar) const {
    if (!validGuitar(guitar))
        return false;
    std::lock_guard<std::mutex> lock(loadMutex_);
    return waiting_[guitar];
}

void SampleBank::reloadGuitarSamples(int guitar) {
    if (!validGuitar(guitar))
        return;
    std::lock_guard<std::mutex> lock(loadMutex_);
    const PatchInfo info = patchInfo(cb_.patchNo[guitar].load());
    cb_.patchNames[guitar] = info.name;
    cb_.isAcoustic[guitar].store(info.acoustic, std::memory_order_relaxed);
    const PatchGate gate = gPatchGate.load();
    waiting_[guitar] = gate && !gate(info.prefix);
    if (waiting_[guitar])
        return;
    // Every file is read before the render thread is held off, and only then
    // are the new blocks swapped in.
    std::vector<LoadedSample> loaded;
    loaded.reserve(kPatchSize);
    for (int k = 0; k < kPatchSize; ++k) {
        char name[64];
        std::snprintf(name, sizeof(name), "%s%d%s", info.prefix, k + 1, ".wav");
        LoadedSample entry;
        entry.slot = cb_.guitarSampleStartNo[guitar] + k;
        if (readSampleFile(name, entry.sample))
            loaded.push_back(std::move(entry));
    }
    if (!loaded.empty())
        swapSlots(loaded);
}

void SampleBank::loadGenericSamples() {
    std::lock_guard<std::mutex> lock(loadMutex_);
    std::vector<LoadedSample> loaded;
    loaded.reserve(22);
    for (int n = 1; n <= 22; ++n) {
        char name[32];
        if (n <= 10)
            std::snprintf(name, sizeof(name), "fret%d.wav", n);
        else
            std::snprintf(name, sizeof(name), "tap%d.wav", n - 10);
        LoadedSample entry;
        entry.slot = (n <= 10) ? kFirstFretNoiseSlot + n - 1 : kFirstTapNoiseSlot + n - 11;
        if (readSampleFile(name, entry.sample))
            loaded.push_back(std::move(entry));
    }
    if (!loaded.empty())
        swapSlots(loaded);
}

std::string SampleBank::patchName(int guitar) const {
    if (!validGuitar(guitar))
        return std::string();
    std::lock_guard<std::mutex> lock(loadMutex_);
    return cb_.patchNames[guitar];
}

void SampleBank::addSineWaveAtSlot(int slot) {
    if (slot < 0 || slot >= kNumSampleSlots)
        return;
    std::lock_guard<std::mutex> lock(loadMutex_);
    std::vector<LoadedSample> loaded(1);
    loaded[0].slot = slot;
    WavReader::Sample& tone = loaded[0].sample;
    tone.count = 176400;
    tone.values.reset(new int16_t[tone.count]);
    tone.values[0] = 0;
    double angle = 0.0;
    for (size_t i = 1; i < tone.count; ++i) {
        angle += 0.07;
        tone.values[i] = int16_t(std::sin(angle) * 32767.0);
    }
    // Unlike the first version of this tone, the old data is freed.
    swapSlots(loaded);
}

const int16_t* SampleBank::sampleData(int slot) const {
    if (slot < 0 || slot >= kNumSampleSlots)
        return nullptr;
    return cb_.sampleList[slot].rawDataSize.load() > 0 ? cb_.sampleList[slot].rawData.load() : nullptr;
}

int32_t SampleBank::sampleSize(int slot) const {
    if (slot < 0 || slot >= kNumSampleSlots)
        return 0;
    return cb_.sampleList[slot].rawDataSize.load();
}
