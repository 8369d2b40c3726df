#pragma once
#include <memory>

#include "system/Accelerometer.h"

class Clock;
struct KeyEvent;
union SDL_Event;

// The accelerometer on this machine, from the first source that has one:
// - a phone's accelerometer (SDL's sensors);
// - a game controller's accelerometer, while one delivers;
// - otherwise the virtual tilt, steered from the keyboard: Shift+arrow keys
//   or the keypad's 8/2/4/6 tilt the phone while held and let it return to
//   level when released; keypad 5 levels it at once.
// Readings (in g, gravity pulling negative) go to the delegate on the UI
// thread at the update interval, and only while a delegate is set.
//
// Threads: UI thread only.
class SdlAccelerometer : public Accelerometer {
public:
    enum class Source { None, Sensor, Controller, VirtualTilt };

    // allowVirtualTilt false: deliver only from real sensors.
    explicit SdlAccelerometer(const Clock& clock, bool allowVirtualTilt = true);
    ~SdlAccelerometer() override;

    void setDelegate(AccelerometerDelegate* delegate) override;
    void setUpdateInterval(double seconds) override;

    // Opens the sensors and controllers there are (after SDL_Init).
    void open();
    void close();
    // Sensor and controller events; true when the event was used.
    bool handleEvent(const SDL_Event& event);
    // A phone sensor's reading that the platform got by other means than SDL
    // (a web page's devicemotion), in m/s² along the device's axes as SDL's
    // sensors give it. From then on the sensor is the source.
    void deliverSensorReading(const float data[3]);
    // Tilt keys; true when the key was used.
    bool handleKey(const KeyEvent& event, bool down);
    // Once per main-loop turn: delivers the readings that are due. A virtual
    // tilt that has rested for a few seconds delivers nothing more until it
    // moves again (its readings would all be the same).
    void poll();
    // Seconds until poll() has a reading to deliver (a very large number when
    // none will come until an event arrives).
    double secondsUntilNextReading() const;

    Source source() const;
    // The reading that the next delivery would give.
    void currentReading(double* x, double* y, double* z) const;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};
