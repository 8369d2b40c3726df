#include "backend/sdl/SdlFingerTranslator.h"

#include <algorithm>
#include <cstring>

long SdlFingerTranslator::touchId(SDL_TouchID device, SDL_FingerID finger, TouchPhase phase) {
    auto key = std::make_pair(device, finger);
    long id = 0;
    auto it = ids_.find(key);
    if (phase == TouchPhase::Began || it == ids_.end()) {
        if (phase != TouchPhase::Began)
            return 0;
        id = nextId_++;
        ids_[key] = id;
    } else {
        id = it->second;
    }
    if (phase == TouchPhase::Ended || phase == TouchPhase::Cancelled)
        ids_.erase(key);
    return id;
}

SDL_Event SdlFingerTranslator::postedEvent(Uint32 type, long id, TouchPhase phase, float normalizedX,
                                           float normalizedY) {
    SDL_Event e{};
    e.type = type;
    e.user.code = static_cast<Sint32>(phase);
    e.user.windowID = static_cast<Uint32>(id);
    float x = std::clamp(normalizedX, 0.0f, 1.0f), y = std::clamp(normalizedY, 0.0f, 1.0f);
    std::memcpy(&e.user.data1, &x, sizeof x);
    std::memcpy(&e.user.data2, &y, sizeof y);
    return e;
}

SdlFingerTranslator::Posted SdlFingerTranslator::readPosted(const SDL_Event& e) {
    Posted p{static_cast<SDL_FingerID>(e.user.windowID), static_cast<TouchPhase>(e.user.code), 0, 0};
    std::memcpy(&p.x, &e.user.data1, sizeof p.x);
    std::memcpy(&p.y, &e.user.data2, sizeof p.y);
    return p;
}
