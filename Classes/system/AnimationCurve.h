#pragma once

// Timing curves for view animations.
//
// Threads: any (pure functions).
class AnimationCurve {
public:
    // The cubic Bezier (0.42, 0) (0.58, 1): 0 at 0, 1 at 1, slow at both
    // ends. t outside 0..1 is clamped.
    static double easeInEaseOut(double t);
    // The progress of an animation started at `start` lasting `duration`
    // at time `now`, eased (1 when duration <= 0).
    static double progress(double start, double duration, double now);
    static float lerp(float from, float to, double fraction) {
        return static_cast<float>(from + (to - from) * fraction);
    }
};
