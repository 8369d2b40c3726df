#include "platform/KeyListenerRegistration.h"

#include "platform/Application.h"

KeyListenerRegistration::KeyListenerRegistration(KeyListener* listener) {
    if (Application* app = Application::shared()) {
        app->addKeyListener(listener);
        listener_ = listener;
    }
}

KeyListenerRegistration::~KeyListenerRegistration() {
    if (listener_) {
        if (Application* app = Application::shared())
            app->removeKeyListener(listener_);
    }
}
