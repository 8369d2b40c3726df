// The left-handed switch in the app's settings text: written as a line of
// its own and read back, a line it cannot read leaving it as it was.

#include <gtest/gtest.h>

#include "app/AppSettings.h"

TEST(LeftHandedSetting, RoundTripsThroughTheSettingsText) {
    struct Case {
        const char* text;
        bool before, after;
    };
    const Case cases[] = {
        {"leftHanded 1\n", false, true},    {"leftHanded 0\n", true, false},
        {"leftHanded 2\n", true, true},     {"leftHanded\nleftHanded yes\n", false, false},
        {"outputVolume 0.5000\n", true, true}, // a file from before the switch
    };
    for (const Case& c : cases) {
        AppSettings::setLeftHanded(c.before);
        AppSettings::apply(c.text);
        EXPECT_EQ(AppSettings::leftHanded(), c.after) << c.text;
    }
    for (bool on : {true, false}) {
        AppSettings::setLeftHanded(on);
        const std::string text = AppSettings::text();
        EXPECT_NE(text.find(on ? "\nleftHanded 1\n" : "\nleftHanded 0\n"), std::string::npos) << text;
        AppSettings::setLeftHanded(!on);
        AppSettings::apply(text);
        EXPECT_EQ(AppSettings::leftHanded(), on);
    }
}
