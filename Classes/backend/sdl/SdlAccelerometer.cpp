#include "backend/sdl/SdlAccelerometer.h"

#include <SDL.h>

#include <algorithm>
#include <map>

#include "system/Clock.h"
#include "system/TiltReading.h"
#include "system/VirtualTilt.h"
#include "toolkit/Key.h"

namespace {

// A controller's readings count while they keep coming.
constexpr double kControllerStale = 0.5;

// The virtual tilt's readings keep coming this long after it last moved (or
// a delegate was set), so that smoothing filters reach the resting value;
// after that a resting tilt has nothing new to tell and the main loop may
// sleep.
constexpr double kSettleSeconds = 3.0;

} // namespace

struct SdlAccelerometer::Impl {
    Impl(const Clock& c, bool virtualTilt) : clock(c), allowVirtualTilt(virtualTilt) {}

    const Clock& clock;
    bool allowVirtualTilt;
    AccelerometerDelegate* delegate = nullptr;
    double interval = 0.02;
    double nextDue = 0;
    double lastAdvance = -1;
    double activeUntil = 0;
    double lastReading[3] = {0, 0, 0};
    bool opened = false;

    SDL_Sensor* sensor = nullptr;
    // Readings handed in by the platform rather than read through SDL.
    bool platformSensor = false;
    bool sensorHasData = false;
    double sensorReading[3] = {0, 0, -1};

    std::map<SDL_JoystickID, SDL_GameController*> controllers;
    double controllerReading[3] = {0, 0, -1};
    double controllerTime = -1e9;

    VirtualTilt tilt;
    // The keys holding each direction, so either of two keys can hold it.
    std::map<Key, VirtualTilt::Direction> heldKeys;

    void openController(int deviceIndex);
    bool resting(double now) const;
    void refreshHeld();
};

SdlAccelerometer::SdlAccelerometer(const Clock& clock, bool allowVirtualTilt)
    : impl_(std::make_unique<Impl>(clock, allowVirtualTilt)) {}

SdlAccelerometer::~SdlAccelerometer() {
    close();
}

void SdlAccelerometer::setDelegate(AccelerometerDelegate* delegate) {
    impl_->delegate = delegate;
    impl_->nextDue = impl_->clock.now() + impl_->interval;
    impl_->activeUntil = impl_->clock.now() + kSettleSeconds;
}

void SdlAccelerometer::setUpdateInterval(double seconds) {
    impl_->interval = std::clamp(seconds, 0.001, 10.0);
    impl_->nextDue = impl_->clock.now() + impl_->interval;
    impl_->activeUntil = impl_->clock.now() + kSettleSeconds;
}

bool SdlAccelerometer::Impl::resting(double now) const {
    for (int d = 0; d < VirtualTilt::kDirections; ++d)
        if (tilt.isHeld(static_cast<VirtualTilt::Direction>(d)))
            return false;
    return now > activeUntil;
}

double SdlAccelerometer::secondsUntilNextReading() const {
    const Impl& m = *impl_;
    const double now = m.clock.now();
    const Source s = source();
    if (!m.delegate || s == Source::None || (s == Source::VirtualTilt && m.resting(now)))
        return 1e9;
    return std::max(0.0, m.nextDue - now);
}

void SdlAccelerometer::Impl::openController(int deviceIndex) {
    if (!SDL_IsGameController(deviceIndex))
        return;
    SDL_GameController* gc = SDL_GameControllerOpen(deviceIndex);
    if (!gc)
        return;
    if (!SDL_GameControllerHasSensor(gc, SDL_SENSOR_ACCEL)) {
        SDL_GameControllerClose(gc);
        return;
    }
    SDL_GameControllerSetSensorEnabled(gc, SDL_SENSOR_ACCEL, SDL_TRUE);
    SDL_JoystickID id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(gc));
    controllers[id] = gc;
}

void SdlAccelerometer::open() {
    Impl& m = *impl_;
    if (m.opened)
        return;
    m.opened = true;
    if (SDL_WasInit(SDL_INIT_SENSOR)) {
        for (int i = 0; i < SDL_NumSensors(); ++i) {
            if (SDL_SensorGetDeviceType(i) == SDL_SENSOR_ACCEL) {
                m.sensor = SDL_SensorOpen(i);
                if (m.sensor)
                    break;
            }
        }
    }
    if (SDL_WasInit(SDL_INIT_GAMECONTROLLER))
        for (int i = 0; i < SDL_NumJoysticks(); ++i)
            m.openController(i);
}

void SdlAccelerometer::close() {
    Impl& m = *impl_;
    if (m.sensor && SDL_WasInit(SDL_INIT_SENSOR))
        SDL_SensorClose(m.sensor);
    m.sensor = nullptr;
    if (SDL_WasInit(SDL_INIT_GAMECONTROLLER))
        for (auto& [id, gc] : m.controllers)
            SDL_GameControllerClose(gc);
    m.controllers.clear();
    m.opened = false;
}

bool SdlAccelerometer::handleEvent(const SDL_Event& e) {
    Impl& m = *impl_;
    switch (e.type) {
    case SDL_SENSORUPDATE:
        if (m.sensor && e.sensor.which == SDL_SensorGetInstanceID(m.sensor)) {
            TiltReading::fromPhoneSensor(e.sensor.data, &m.sensorReading[0], &m.sensorReading[1],
                                         &m.sensorReading[2]);
            m.sensorHasData = true;
            return true;
        }
        return false;
    case SDL_CONTROLLERDEVICEADDED:
        if (m.opened)
            m.openController(e.cdevice.which);
        return true;
    case SDL_CONTROLLERDEVICEREMOVED: {
        auto it = m.controllers.find(e.cdevice.which);
        if (it != m.controllers.end()) {
            SDL_GameControllerClose(it->second);
            m.controllers.erase(it);
            m.controllerTime = -1e9;
        }
        return true;
    }
    case SDL_CONTROLLERSENSORUPDATE:
        if (e.csensor.sensor == SDL_SENSOR_ACCEL && m.controllers.count(e.csensor.which)) {
            TiltReading::fromController(e.csensor.data, &m.controllerReading[0], &m.controllerReading[1],
                                        &m.controllerReading[2]);
            m.controllerTime = m.clock.now();
            return true;
        }
        return false;
    default:
        return false;
    }
}

void SdlAccelerometer::Impl::refreshHeld() {
    bool held[VirtualTilt::kDirections] = {};
    for (const auto& [key, dir] : heldKeys)
        held[dir] = true;
    for (int d = 0; d < VirtualTilt::kDirections; ++d)
        tilt.setHeld(static_cast<VirtualTilt::Direction>(d), held[d]);
}

bool SdlAccelerometer::handleKey(const KeyEvent& e, bool down) {
    Impl& m = *impl_;
    if (!down) {
        if (e.key == Key::Unknown) {
            // Focus lost: every key counts as let go.
            m.heldKeys.clear();
            m.refreshHeld();
            return false;
        }
        bool used = m.heldKeys.erase(e.key) > 0;
        m.refreshHeld();
        return used;
    }
    if (!m.allowVirtualTilt)
        return false;
    if (e.key == Key::Keypad5) {
        m.heldKeys.clear();
        m.tilt.level();
        return true;
    }
    // The keypad steers alone; the arrows only with Shift (alone they are
    // the screens').
    struct TiltKey {
        Key key;
        bool needsShift;
        VirtualTilt::Direction direction;
    };
    static const TiltKey kTiltKeys[] = {
        {Key::Keypad4, false, VirtualTilt::TiltLeft}, {Key::Keypad6, false, VirtualTilt::TiltRight},
        {Key::Keypad8, false, VirtualTilt::TiltAway}, {Key::Keypad2, false, VirtualTilt::TiltToward},
        {Key::Left, true, VirtualTilt::TiltLeft},     {Key::Right, true, VirtualTilt::TiltRight},
        {Key::Up, true, VirtualTilt::TiltAway},       {Key::Down, true, VirtualTilt::TiltToward},
    };
    VirtualTilt::Direction dir = VirtualTilt::kDirections;
    for (const TiltKey& t : kTiltKeys)
        if (t.key == e.key && (e.shift || !t.needsShift))
            dir = t.direction;
    if (dir == VirtualTilt::kDirections)
        return false;
    m.heldKeys[e.key] = dir;
    m.refreshHeld();
    return true;
}

void SdlAccelerometer::deliverSensorReading(const float data[3]) {
    Impl& m = *impl_;
    m.platformSensor = true;
    TiltReading::fromPhoneSensor(data, &m.sensorReading[0], &m.sensorReading[1], &m.sensorReading[2]);
    m.sensorHasData = true;
}

SdlAccelerometer::Source SdlAccelerometer::source() const {
    const Impl& m = *impl_;
    if ((m.sensor || m.platformSensor) && m.sensorHasData)
        return Source::Sensor;
    if (!m.controllers.empty() && m.clock.now() - m.controllerTime < kControllerStale)
        return Source::Controller;
    if (m.allowVirtualTilt)
        return Source::VirtualTilt;
    return Source::None;
}

void SdlAccelerometer::currentReading(double* x, double* y, double* z) const {
    const Impl& m = *impl_;
    switch (source()) {
    case Source::Sensor:
        *x = m.sensorReading[0];
        *y = m.sensorReading[1];
        *z = m.sensorReading[2];
        return;
    case Source::Controller:
        *x = m.controllerReading[0];
        *y = m.controllerReading[1];
        *z = m.controllerReading[2];
        return;
    case Source::VirtualTilt:
        m.tilt.reading(x, y, z);
        return;
    case Source::None:
        *x = *y = *z = 0;
        return;
    }
}

void SdlAccelerometer::poll() {
    Impl& m = *impl_;
    double now = m.clock.now();
    if (m.lastAdvance >= 0)
        m.tilt.advance(std::min(now - m.lastAdvance, 0.25));
    m.lastAdvance = now;
    if (!m.delegate)
        return;
    {
        double r[3] = {0, 0, 0};
        currentReading(&r[0], &r[1], &r[2]);
        if (r[0] != m.lastReading[0] || r[1] != m.lastReading[1] || r[2] != m.lastReading[2]) {
            std::copy(r, r + 3, m.lastReading);
            m.activeUntil = now + kSettleSeconds;
        }
    }
    if (now < m.nextDue)
        return;
    if (source() == Source::VirtualTilt && m.resting(now)) {
        m.nextDue = now + m.interval;
        return;
    }
    // Readings keep their rate when a turn of the main loop comes late (a
    // slow frame): the few that fell due are delivered together. After a
    // real stall, start afresh rather than firing a burst of stale readings.
    int due = 0;
    while (m.nextDue <= now && due < 4) {
        m.nextDue += m.interval;
        ++due;
    }
    if (m.nextDue <= now) {
        due = 1;
        m.nextDue = now + m.interval;
    }
    if (source() == Source::None)
        return;
    double x = 0, y = 0, z = 0;
    currentReading(&x, &y, &z);
    for (int i = 0; i < due && m.delegate; ++i)
        m.delegate->accelerometerDidAccelerate(x, y, z);
}
