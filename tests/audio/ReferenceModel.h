#pragma once
#include <cstdint>
#include <vector>

// A plain, literal model of the engine's mix, written frame by frame from the
// stated arithmetic with none of the engine's code: whole buffers, 64-bit
// products, no chunks, no vector loops. The engine must match it sample for
// sample on in-range input.
class ReferenceModel {
public:
    struct Voice {
        int noteID = -1;
        bool playing = false;
        int sampleNo = 0;
        float playPosition = 0;
        double requiredVolume = 0, ADSRVolume = 0, ADSRVolumeDelta = 0, releaseDelta = 0;
        int phase = 0;
        bool atLeastOneBufferFilled = false, wantToStop = false;
        double created = 0;
        float pitch = 1, requiredPitch = 1;
    };
    struct Delay {
        bool on = false, pingPong = false;
        std::vector<int16_t> ring = std::vector<int16_t>(88400, 0);
        int index = 0, time = 0;
        float feedback = 0, mix = 0;
    };

    std::vector<int16_t> slots[200];
    Voice voices[40];
    float guitarVolume[2] = {0.5f, 0.5f};
    float whammy[2] = {0, 0};
    bool whammyBarAttached[2] = {false, false}, pitchBendOn[2] = {false, false};
    Delay delay[2];
    bool fuzzOn[2] = {false, false};
    int16_t fuzzThreshold[2] = {5000, 5000};
    bool wahOn[2] = {false, false};
    float wahF[2] = {0.5f, 0.5f};
    int wahB0[2] = {0, 0}, wahB1[2] = {0, 0};

    int play(int sampleNo, double volume, double releaseDelta, int noteID, double now);
    void stop(int voice);
    void setDelayOn(int g, bool on);
    void setDelayTime(int g, int time);
    void render(int16_t* out, int frames);

private:
    void plainMixer(int16_t* buf, int frames, int selector);
    void bendMixer(int16_t* buf, int frames, int selector);
    void effects(int16_t* buf, int frames, int g);
};
