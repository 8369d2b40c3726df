// The Left-Handed bar of the application setup: it keeps the setting in the
// app's settings file (read back, a line it cannot read left alone) and the fretboards, drawn with the real
// pictures, come up as the right-handed ones mirrored along the neck.

#include <cstdlib>

#include "app/AppSettings.h"
#include "screens/InAppSupport.h"
#include "screens/MenuAppSetupView.h"
#include "support/Files.h"
#include "support/Picture.h"
#include "toolkit/Label.h"

#ifdef STRUMWELL_TEST_BUNDLE_DIR

namespace {

using testsupport::Picture;

// Pixels of the board's middle (along the neck 100 <= y < 380, clear of the
// numbers' plates and the menu's plectrum; across it x < 280, clear of the
// fret numbers, and off the tilt gauge) where `left` is not `right` turned end to
// end; and where it is not `right` as it stands.
std::pair<int, int> mismatches(const Picture& right, const Picture& left) {
    const int s = right.w / 480;
    int mirroredDiffer = 0, sameDiffer = 0;
    for (int row = (320 - 280) * s; row < right.h; row += 2)
        for (int column = 100 * s; column < 380 * s; column += 2) {
            const int x = 320 - row / s, y = column / s;
            if (x >= 30 && x < 70)
                continue; // the tilt gauge, a reading that both hands read alike
            if (x >= 205 && x < 224 && (std::abs(y - 113) < 15 || std::abs(y - 367) < 15))
                continue; // the nut's word OPEN, kept readable rather than mirrored
            mirroredDiffer += left.pixel(right.w - 1 - column, row) != right.pixel(column, row);
            sameDiffer += left.pixel(column, row) != right.pixel(column, row);
        }
    return {mirroredDiffer, sameDiffer};
}

} // namespace

TEST(LeftHandedLook, TheSetupBarMirrorsTheFretboardsAsDrawnAndKeepsTheSetting) {
    using S = Strumwell;
    screens_test::InAppRun run(STRUMWELL_TEST_BUNDLE_DIR);
    const auto shot = [&](int screen) {
        run.go(screen);
        return Picture(run.app(), run.clock, 0);
    };
    const std::string file = run.folders.docs() + "/" + AppSettings::kFileName;
    const Picture right[] = {shot(S::kManualFretGuitar), shot(S::kHammerOnGuitar)};
    for (const char* expected : {"On", "Off"}) {
        run.go(S::kAppSetup);
        run.tap(MenuAppSetupView::areas().back().rect.center()); // the Left-Handed bar
        const auto* setup = dynamic_cast<MenuAppSetupView*>(run.run.shownScreen());
        ASSERT_NE(setup, nullptr);
        EXPECT_EQ(setup->leftHandedSettingLabel().text(), expected);
        const bool on = std::string(expected) == "On";
        // Kept as a line of the settings file, which reads back.
        const std::string text = testsupport::readText(file);
        EXPECT_NE(text.find(on ? "\nleftHanded 1\n" : "\nleftHanded 0\n"), std::string::npos) << text;
        AppSettings::setLeftHanded(!on);
        AppSettings::apply(text + "leftHanded 2\n");
        EXPECT_EQ(AppSettings::leftHanded(), on);
        const Picture now[] = {shot(S::kManualFretGuitar), shot(S::kHammerOnGuitar)};
        for (int i = 0; i < 2; ++i) {
            SCOPED_TRACE(i == 0 ? "manual fret" : "hammer-on");
            const auto [mirroredDiffer, sameDiffer] = mismatches(right[i], now[i]);
            EXPECT_EQ(on ? mirroredDiffer : sameDiffer, 0);
            EXPECT_GT(on ? sameDiffer : mirroredDiffer, 1000);
        }
    }
}

#endif
