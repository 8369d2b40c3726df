#include "toolkit/KeyListenerRegistration.h"

#include "toolkit/KeyRouter.h"

KeyListenerRegistration::KeyListenerRegistration(KeyListener* listener) {
    if (KeyRouter* keys = KeyRouter::active()) {
        keys->addListener(listener);
        listener_ = listener;
    }
}

KeyListenerRegistration::~KeyListenerRegistration() {
    if (listener_) {
        if (KeyRouter* keys = KeyRouter::active())
            keys->removeListener(listener_);
    }
}
