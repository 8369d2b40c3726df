#include <gtest/gtest.h>

#include "platform/core/TiltReading.h"

namespace {

struct Reading {
    double x, y, z;
};

Reading phone(float a, float b, float c) {
    float d[3] = {a, b, c};
    Reading r{};
    TiltReading::fromPhoneSensor(d, &r.x, &r.y, &r.z);
    return r;
}

Reading controller(float a, float b, float c) {
    float d[3] = {a, b, c};
    Reading r{};
    TiltReading::fromController(d, &r.x, &r.y, &r.z);
    return r;
}

constexpr float g = 9.80665f;

} // namespace

TEST(TiltReading, PhoneSensorReadsGravityPullingNegative) {
    // Upright: the sensor reports +g on y; the reading is y = -1.
    Reading up = phone(0, g, 0);
    EXPECT_NEAR(up.y, -1.0, 1e-6);
    EXPECT_NEAR(up.x, 0.0, 1e-12);
    // Lying face up: z = -1.
    EXPECT_NEAR(phone(0, 0, g).z, -1.0, 1e-6);
    // Held sideways with the view's top on the left, the left edge down:
    // the device's +y axis points down, so y reads +1 (whammy bar down).
    EXPECT_NEAR(phone(0, -g, 0).y, 1.0, 1e-6);
}

TEST(TiltReading, ControllerHeldFlatIsThePhoneLyingFaceUp) {
    Reading flat = controller(0, g, 0);
    EXPECT_NEAR(flat.x, 0.0, 1e-12);
    EXPECT_NEAR(flat.y, 0.0, 1e-12);
    EXPECT_NEAR(flat.z, -1.0, 1e-6);
    // Right side down: world up leans toward the controller's left (-X);
    // the phone's right edge down reads y < 0.
    Reading right = controller(-0.5f * g, 0.866f * g, 0);
    EXPECT_NEAR(right.y, -0.5, 1e-6);
    // Far edge down: world up leans toward the player (+Z); the phone's top
    // edge (+x, away from the player) down reads x > 0.
    Reading away = controller(0, 0.866f * g, 0.5f * g);
    EXPECT_NEAR(away.x, 0.5, 1e-6);
}
