#include "ReferenceModel.h"

#include <algorithm>
#include <cstring>

namespace {
int64_t clip(int64_t v) {
    return v > 32767 ? 32767 : (v < -32767 ? -32767 : v);
}
int64_t clipFx(int64_t v) {
    return v > 32766 ? 32766 : (v < -32767 ? -32767 : v);
}
bool selected(int sampleNo, int selector) {
    if (selector == 0)
        return sampleNo >= 0 && sampleNo <= 47;
    if (selector == 1)
        return sampleNo >= 48 && sampleNo <= 96;
    return sampleNo > 96;
}
} // namespace

int ReferenceModel::play(int sampleNo, double volume, double releaseDelta, int noteID, double now) {
    int v = -1;
    for (int k = 0; k < 40 && v < 0; ++k)
        if (!voices[k].playing)
            v = k;
    if (v < 0) {
        double oldest = 0;
        for (int k = 0; k < 40; ++k) {
            if (v < 0 || voices[k].created < oldest) {
                v = k;
                oldest = voices[k].created;
            }
        }
    }
    Voice& x = voices[v];
    x = Voice();
    x.sampleNo = sampleNo;
    x.requiredVolume = volume;
    x.releaseDelta = releaseDelta;
    x.noteID = noteID;
    x.playPosition = 0;
    x.ADSRVolume = 1.0;
    x.ADSRVolumeDelta = 1.0;
    x.phase = 0;
    x.pitch = x.requiredPitch = 1.0f;
    x.created = now;
    x.playing = true;
    return v;
}

void ReferenceModel::stop(int voice) {
    if (voices[voice].playing)
        voices[voice].wantToStop = true;
}

void ReferenceModel::setDelayOn(int g, bool on) {
    std::fill(delay[g].ring.begin(), delay[g].ring.end(), 0);
    delay[g].on = on;
}

void ReferenceModel::setDelayTime(int g, int time) {
    std::fill(delay[g].ring.begin(), delay[g].ring.end(), 0);
    delay[g].time = time;
}

void ReferenceModel::plainMixer(int16_t* buf, int frames, int selector) {
    for (Voice& x : voices) {
        if (!x.playing || !selected(x.sampleNo, selector))
            continue;
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
        int n = int(float(data.size()) - x.playPosition);
        n = std::min(frames, n);
        for (int j = 0; j < n; ++j) {
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
            const int64_t s = data[size_t(int(x.playPosition))];
            const int64_t v = (s * vol) >> 16;
            buf[2 * j] = int16_t(clip(buf[2 * j] + v));
            buf[2 * j + 1] = int16_t(clip(buf[2 * j + 1] + v));
            x.playPosition += 1.0f;
        }
        x.ADSRVolume = float(vol) * (1.0f / 65536.0f);
    }
}

void ReferenceModel::bendMixer(int16_t* buf, int frames, int selector) {
    const float w = whammy[selector];
    for (Voice& x : voices) {
        if (!x.playing || !selected(x.sampleNo, selector))
            continue;
        if (x.pitch < x.requiredPitch) {
            x.pitch = float(double(x.pitch) + 0.008);
            if (x.pitch > x.requiredPitch)
                x.pitch = x.requiredPitch;
        } else if (x.pitch > x.requiredPitch) {
            x.pitch = float(double(x.pitch) - 0.03);
            if (x.pitch < x.requiredPitch)
                x.pitch = x.requiredPitch;
        }
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
        int n = int(float(size) - x.playPosition);
        n = std::min(frames, n);
        for (int j = 0; j < n; ++j) {
            const double pos = x.playPosition;
            const int i = int(pos);
            if (i + 1 >= size)
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
            const int64_t s = int64_t(phi * data[size_t(i + 1)] + (1.0 - phi) * data[size_t(i)]);
            const int64_t v = (s * vol) >> 16;
            buf[2 * j] = int16_t(clip(buf[2 * j] + v));
            buf[2 * j + 1] = int16_t(clip(buf[2 * j + 1] + v));
            x.playPosition = x.playPosition + (w + x.pitch);
        }
        x.ADSRVolume = float(vol) * (1.0f / 65536.0f);
    }
}

void ReferenceModel::effects(int16_t* buf, int frames, int g) {
    const int count = 2 * frames;
    if (wahOn[g]) {
        const float f = wahF[g];
        const float q = float(0.47 / (1.0 - f) + 0.47);
        int b0 = wahB0[g], b1 = wahB1[g];
        for (int k = 0; k < count; ++k) {
            const int x = buf[k];
            const int d = b0 - b1;
            b1 = int(b1 + f * d);
            buf[k] = int16_t(clipFx(b1));
            b0 = int(b0 + f * ((x - b0) + d * q));
        }
        wahB0[g] = b0;
        wahB1[g] = b1;
    }
    if (fuzzOn[g]) {
        const int t = fuzzThreshold[g];
        for (int k = 0; k < count; ++k) {
            if (buf[k] > t)
                buf[k] = int16_t(t);
            else if (buf[k] < -t)
                buf[k] = int16_t(-t);
        }
    }
    Delay& dl = delay[g];
    if (dl.on) {
        const int64_t fb = int(dl.feedback * 65536.0f);
        const int64_t mix = int(dl.mix * 65536.0f);
        int w = dl.index;
        int r = w - dl.time;
        if (r < 0)
            r += 88400;
        if (!dl.pingPong) {
            for (int k = 0; k < count; ++k) {
                const int64_t x = buf[k];
                const int64_t d = dl.ring[size_t(r)];
                dl.ring[size_t(w)] = int16_t(clipFx(x + ((fb * d) >> 16)));
                buf[k] = int16_t(clipFx(x + ((mix * d) >> 16)));
                if (++r == 88400)
                    r = 0;
                if (++w == 88400)
                    w = 0;
            }
        } else {
            int s = r + dl.time / 2;
            if (s >= 88400)
                s -= 88400;
            for (int k = 0; k < frames; ++k) {
                const int64_t xL = buf[2 * k], xR = buf[2 * k + 1];
                const int64_t a = dl.ring[size_t(r)], b = dl.ring[size_t(s)];
                dl.ring[size_t(w)] = int16_t(clipFx(xL + ((fb * a) >> 16)));
                buf[2 * k] = int16_t(clipFx(xL + ((mix * a) >> 16)));
                int w1 = w + 1 == 88400 ? 0 : w + 1;
                dl.ring[size_t(w1)] = int16_t(clipFx(xR + ((fb * b) >> 16)));
                buf[2 * k + 1] = int16_t(clipFx(xR + ((mix * b) >> 16)));
                r += 2;
                if (r >= 88400)
                    r -= 88400;
                s += 2;
                if (s >= 88400)
                    s -= 88400;
                w += 2;
                if (w >= 88400)
                    w -= 88400;
            }
        }
        dl.index = w;
    }
}

void ReferenceModel::render(int16_t* out, int frames) {
    std::vector<int16_t> scratch(size_t(frames) * 2, 0);
    std::fill(out, out + 2 * frames, 0);
    if (pitchBendOn[0] || whammyBarAttached[0])
        bendMixer(out, frames, 0);
    else
        plainMixer(out, frames, 0);
    if (pitchBendOn[1] || whammyBarAttached[1])
        bendMixer(scratch.data(), frames, 1);
    else
        plainMixer(scratch.data(), frames, 1);
    effects(out, frames, 0);
    effects(scratch.data(), frames, 1);
    plainMixer(scratch.data(), frames, 2);
    for (int k = 0; k < 2 * frames; ++k)
        out[k] = int16_t(clip(int64_t(scratch[size_t(k)]) + out[k]));
}
