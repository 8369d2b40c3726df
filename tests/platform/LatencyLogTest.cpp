#include "PlatformTestSupport.h"
#include "platform/LatencyLog.h"
#include "platform/core/LatencyProbe.h"
#include "support/Files.h"

static double gNow = 100.0;
static double probeNow() { return gNow; }

TEST(LatencyLog, EveryStampIsTurnedIntoTheProbesClockAndAVoiceNeverMixedIsMinusOne) {
    testsupport::TempFolder folder;
    LatencyLog log(&probeNow);
    ASSERT_TRUE(log.open(folder.file("latency.log")));
    // SDL's stamp 20 ms before SDL_GetTicks now: 20 ms before now.
    EXPECT_DOUBLE_EQ(log.begin("key", 5000, 5020).event, 99.98);
    // The window system's clock starts anywhere (here near its wrap): its first press, read at once, sets the
    // offset; later ones read late keep it. Each: its time, the SDL stamp that read it, now, the event logged.
    const std::uint32_t x = 0xFFFFFF00u;
    const std::tuple<std::uint32_t, std::uint32_t, double, double> presses[] = {
        {x, 5020, 100.0, 100.0}, {x + 990, 6020, 101.0, 100.99}, {x + 2000, 7030, 102.03, 102.0}};
    for (const auto& [pressed, stamp, now, event] : presses) {
        gNow = now;
        log.notePressTime(pressed, stamp, stamp);
        EXPECT_NEAR(log.begin("touch", stamp, stamp).event, event, 1e-9);
    }
    const LatencyLog::Input input = log.begin("key", 7030, 7030); // no press told: SDL's stamp
    EXPECT_DOUBLE_EQ(input.event, 102.03);
    LatencyProbe::voiceStartRequested(); // never mixed: no sound output runs
    log.end(input);
    log.close();
    const std::string text = testsupport::readText(folder.file("latency.log"));
    EXPECT_NE(text.find("key 102.030000 102.030000 "), std::string::npos) << text;
    EXPECT_NE(text.find(" -1.000000 "), std::string::npos) << text; // the first buffer's time
}
