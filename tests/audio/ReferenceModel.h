#pragma once
#include <algorithm>
#include <cstdint>
#include <vector>

// A plain, literal model of the engine's mix, written frame by frame from the
// stated arithmetic with none of the engine's code: whole buffers, 64-bit
// products, no chunks, no vector loops. The engine must match it sample for
// sample on in-range input.
class ReferenceModel {
public:
    static int64_t clip(int64_t v, int64_t hi = 32767) { return v > hi ? hi : (v < -32767 ? -32767 : v); }
    // Guitar 1 plays slots 0 ... 47, guitar 2 slots 48 ... 96, the noises the rest.
    static bool selected(int n, int selector) {
        return selector == 2 ? n > 96 : n >= 48 * selector && n <= 47 + 49 * selector;
    }
    struct Voice {
        int noteID = -1, sampleNo = 0, phase = 0;
        bool playing = false, atLeastOneBufferFilled = false, wantToStop = false, silent = false;
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
    Delay delay[2];
    bool whammyBarAttached[2] = {}, pitchBendOn[2] = {}, fuzzOn[2] = {}, wahOn[2] = {};
    int16_t fuzzThreshold[2] = {5000, 5000};
    float whammy[2] = {}, wahF[2] = {0.5f, 0.5f};
    int wahB0[2] = {}, wahB1[2] = {};

    // A free voice, else the oldest (lowest index first).
    int play(int sampleNo, double volume, double releaseDelta, int noteID, double now) {
        Voice* x = std::find_if(voices, voices + 40, [](const Voice& y) { return !y.playing; });
        if (x == voices + 40)
            x = std::min_element(voices, voices + 40,
                                 [](const Voice& a, const Voice& b) { return a.created < b.created; });
        *x = {.noteID = noteID,
              .sampleNo = sampleNo,
              .playing = true,
              .requiredVolume = volume,
              .releaseDelta = releaseDelta,
              .created = now};
        return int(x - voices);
    }

    int sounding() const {
        return int(std::count_if(voices, voices + 40, [](const Voice& x) { return x.playing && !x.silent; }));
    }

    // Switching the delay or changing its time empties the ring.
    void clearRing(int g) { std::fill(delay[g].ring.begin(), delay[g].ring.end(), 0); }

    // The plain mixer steps one value a frame; the bend mixer glides the pitch
    // once a buffer and interpolates between neighbouring values.
    void mixer(int16_t* buf, int frames, int selector, bool bend) {
        for (Voice& x : voices) {
            if (!x.playing || !selected(x.sampleNo, selector))
                continue;
            if (bend && x.pitch < x.requiredPitch)
                x.pitch = std::min(float(double(x.pitch) + 0.008), x.requiredPitch);
            else if (bend && x.pitch > x.requiredPitch)
                x.pitch = std::max(float(double(x.pitch) - 0.03), x.requiredPitch);
            if (x.wantToStop && x.atLeastOneBufferFilled) {
                x.wantToStop = false;
                x.phase = 2;
                x.ADSRVolumeDelta = x.releaseDelta;
            }
            x.atLeastOneBufferFilled = true;
            int vol = int(float(x.ADSRVolume) * 65536.0f);
            int delta = int(float(x.ADSRVolumeDelta) * 65536.0f);
            const int target = int(float(x.requiredVolume) * 65536.0f);
            const std::vector<int16_t>& data = slots[x.sampleNo];
            const int size = int(data.size());
            const int n = std::min(frames, int(float(size) - x.playPosition));
            for (int j = 0; j < n; ++j) {
                const double pos = x.playPosition;
                const int i = int(pos);
                if (bend && i + 1 >= size)
                    break;
                vol += delta;
                if (vol >= target && x.phase == 0) {
                    x.phase = 1;
                    x.ADSRVolumeDelta = 0;
                    delta = 0;
                    vol = target;
                } else if (vol <= 0 && x.phase == 2) {
                    x.playing = false;
                    vol = 0;
                    break;
                }
                const double phi = pos - i;
                const int64_t s = bend ? int64_t(phi * data[size_t(i + 1)] + (1.0 - phi) * data[size_t(i)])
                                       : data[size_t(i)];
                const int64_t v = (s * vol) >> 16;
                buf[2 * j] = int16_t(clip(buf[2 * j] + v));
                buf[2 * j + 1] = int16_t(clip(buf[2 * j + 1] + v));
                x.playPosition = bend ? x.playPosition + (whammy[selector] + x.pitch) : x.playPosition + 1.0f;
            }
            x.ADSRVolume = float(vol) * (1.0f / 65536.0f);
            // A voice that can add nothing more still plays, but no longer sounds.
            x.silent = int(float(size) - x.playPosition) <= 0 || (bend && int(x.playPosition) + 1 >= size);
        }
    }

    void effects(int16_t* buf, int frames, int g) {
        const int count = 2 * frames;
        if (wahOn[g]) {
            const float f = wahF[g];
            const float q = float(0.47 / (1.0 - f) + 0.47);
            int &b0 = wahB0[g], &b1 = wahB1[g];
            for (int k = 0; k < count; ++k) {
                const int x = buf[k];
                const int d = b0 - b1;
                b1 = int(b1 + f * d);
                buf[k] = int16_t(clip(b1, 32766));
                b0 = int(b0 + f * ((x - b0) + d * q));
            }
        }
        for (int k = 0; k < count && fuzzOn[g]; ++k)
            buf[k] = int16_t(std::clamp<int>(buf[k], -fuzzThreshold[g], fuzzThreshold[g]));
        Delay& dl = delay[g];
        if (!dl.on)
            return;
        const int64_t fb = int(dl.feedback * 65536.0f), mix = int(dl.mix * 65536.0f);
        auto wrap = [](int i) { return i >= 88400 ? i - 88400 : i; };
        // Adds the echo `d` to `value` and feeds it back into the ring at `to`.
        auto echo = [&](int16_t& value, int64_t d, int to) {
            const int64_t x = value;
            dl.ring[size_t(to)] = int16_t(clip(x + ((fb * d) >> 16), 32766));
            value = int16_t(clip(x + ((mix * d) >> 16), 32766));
        };
        int w = dl.index;
        int r = w - dl.time < 0 ? w - dl.time + 88400 : w - dl.time;
        if (!dl.pingPong) {
            for (int k = 0; k < count; ++k, r = wrap(r + 1), w = wrap(w + 1))
                echo(buf[k], dl.ring[size_t(r)], w);
        } else {
            int s = wrap(r + dl.time / 2);
            for (int k = 0; k < frames; ++k, r = wrap(r + 2), s = wrap(s + 2), w = wrap(w + 2)) {
                const int16_t a = dl.ring[size_t(r)], b = dl.ring[size_t(s)];
                echo(buf[2 * k], a, w);
                echo(buf[2 * k + 1], b, wrap(w + 1));
            }
        }
        dl.index = w;
    }

    void render(int16_t* out, int frames) {
        std::vector<int16_t> scratch(size_t(frames) * 2, 0);
        std::fill(out, out + 2 * frames, 0);
        mixer(out, frames, 0, pitchBendOn[0] || whammyBarAttached[0]);
        mixer(scratch.data(), frames, 1, pitchBendOn[1] || whammyBarAttached[1]);
        effects(out, frames, 0);
        effects(scratch.data(), frames, 1);
        mixer(scratch.data(), frames, 2, false);
        for (int k = 0; k < 2 * frames; ++k)
            out[k] = int16_t(clip(int64_t(scratch[size_t(k)]) + out[k]));
    }
};
