#pragma once

// Receives tilt readings in g (gravity pulls negative: a device lying face up
// reads z = -1, held upright y = -1).
//
// Threads: called on the UI thread only.
class AccelerometerDelegate {
public:
    virtual ~AccelerometerDelegate() = default;
    virtual void accelerometerDidAccelerate(double x, double y, double z) = 0;
};

// The shared accelerometer: a phone's sensor, a game controller's, or the
// desktop's keyboard-steered virtual tilt. Readings arrive on the UI thread
// at the update interval while a delegate is set; a source that has nothing
// to deliver simply never calls.
//
// Threads: UI thread only.
class Accelerometer {
public:
    virtual ~Accelerometer() = default;
    virtual void setDelegate(AccelerometerDelegate* delegate) = 0;
    virtual void setUpdateInterval(double seconds) = 0;
};
