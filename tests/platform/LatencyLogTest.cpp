#include "backend/sdl/LatencyLog.h"
#include "PlatformTestSupport.h"
#include "support/Files.h"
#include "system/LatencyProbe.h"

static double gNow = 100.0;

TEST(LatencyLog, EveryTimeIsOnTheProbesClockAndAVoiceNeverMixedIsMinusOne) {
    testsupport::TempFolder folder;
    LatencyLog log(+[] { return gNow; });
    ASSERT_TRUE(log.open(folder.file("latency.log")));
    // Queued 20.5 ms ago on the probe's clock (finer than SDL's milliseconds): that time; unknown: now.
    EXPECT_EQ(std::pair(log.begin("key", 99.9795).event, log.begin("key", -1).event),
              std::pair(99.9795, 100.0));
    // The window system's clock starts anywhere (here near its wrap): its first press, read at once, sets the
    // offset; one read 10 ms late is logged at its press; one read within its clock's millisecond, at the
    // read. Each: its time, when it was read, the event logged.
    const std::uint32_t x = 0xFFFFFF00u;
    const std::tuple<std::uint32_t, double, double> presses[] = {
        {x, 100.0, 100.0}, {x + 990, 101.0, 100.99}, {x + 2000, 102.0004, 102.0004}};
    for (const auto& [pressed, read, event] : presses) {
        gNow = read;
        log.notePressTime(pressed, read);
        EXPECT_NEAR(log.begin("touch", read).event, event, 1e-9);
    }
    const LatencyLog::Input input = log.begin("key", -1); // no press told, arrival unknown: now
    LatencyProbe::voiceStartRequested();                  // never mixed: no sound output runs
    log.end(input);
    log.close();
    const std::string text = testsupport::readText(folder.file("latency.log"));
    EXPECT_NE(text.find("key 102.000400 102.000400 "), std::string::npos) << text;
    EXPECT_NE(text.find(" -1.000000 "), std::string::npos) << text; // the first buffer's time
}
