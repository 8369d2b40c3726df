#pragma once

// Turns motion-sensor data into accelerometer readings: gravity in the
// phone's portrait axes, in g, pulling negative (lying face up: 0, 0, -1;
// held upright: 0, -1, 0). Sensors report the reaction to gravity in m/s^2.
//
// Threads: any (pure functions).
class TiltReading {
public:
    static constexpr double kStandardGravity = 9.80665;

    // A phone's own accelerometer, axes fixed to the portrait device (+x
    // right, +y up, +z toward the user).
    static void fromPhoneSensor(const float data[3], double* x, double* y, double* z);
    // A game controller held flat in both hands, as the phone lying sideways
    // face up with its top edge on the user's left: the controller's right
    // (+X) is the phone's -y, its top face (+Y) the phone's +z, toward the
    // player (+Z) the phone's -x.
    static void fromController(const float data[3], double* x, double* y, double* z);
};
