#include "audio/EffectsChain.h"

EffectsChain::EffectsChain() {
    int k = 0;
    forEach([&](EffectUnit& u) { order_[k++] = &u; });
}

void EffectsChain::beginBuffer() {
    for (EffectUnit* u : order_)
        u->beginBuffer();
}

void EffectsChain::process(int16_t* stereo, int frames) {
    for (EffectUnit* u : order_)
        u->process(stereo, frames);
}

void EffectsChain::endBuffer() {
    for (EffectUnit* u : order_)
        u->endBuffer();
}
