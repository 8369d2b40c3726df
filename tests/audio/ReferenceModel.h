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
        int noteID = -1, sampleNo = 0, phase = 0;
        bool playing = false, atLeastOneBufferFilled = false, wantToStop = false;
        float playPosition = 0, pitch = 1, requiredPitch = 1;
        double requiredVolume = 0, ADSRVolume = 1, ADSRVolumeDelta = 1, releaseDelta = 0, created = 0;
    };
    struct Delay {
        bool on = false, pingPong = false;
        std::vector<int16_t> ring = std::vector<int16_t>(88400, 0);
        int index = 0, time = 0;
        float feedback = 0, mix = 0;
    };

    std::vector<int16_t> slots[200];
    Voice voices[40];
    float whammy[2] = {0, 0};
    bool whammyBarAttached[2] = {false, false}, pitchBendOn[2] = {false, false};
    Delay delay[2];
    bool fuzzOn[2] = {false, false}, wahOn[2] = {false, false};
    int16_t fuzzThreshold[2] = {5000, 5000};
    float wahF[2] = {0.5f, 0.5f};
    int wahB0[2] = {0, 0}, wahB1[2] = {0, 0};

    int play(int sampleNo, double volume, double releaseDelta, int noteID, double now);
    void setDelayOn(int g, bool on);
    void setDelayTime(int g, int time);
    void render(int16_t* out, int frames);

private:
    void mixer(int16_t* buf, int frames, int selector, bool bend);
    void effects(int16_t* buf, int frames, int g);
};
