#pragma once

// A screen that changed a guitar's patch switches its touch input off and is
// told, once the first buffer after the change has been rendered, to switch
// it back on.
//
// Threads: turnTouchscreenBackOn() is called on the UI thread (the render
// thread queues it through MainThreadQueue::postFromRealtime).
class PatchChangeListener {
public:
    virtual ~PatchChangeListener() = default;
    virtual void turnTouchscreenBackOn() = 0;
};
