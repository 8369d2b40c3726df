#pragma once
#include <string>
#include <vector>

// The fixed texts of the instruction manual's 50 pages. Page 0 is the title
// page (its text is empty: the manual shows a title label instead), pages 1
// and 2 are the table of contents (every screen's topic from ui/ScreenCatalog
// and a few topics of the manual's own, in page order), and every other page
// covers one screen or topic, under its topic in capitals. A page whose
// topic runs on from the page before begins with a newline instead of a
// title. Each text ends with a run of newlines so that, in a
// label that centres its text vertically, the words start at the top.
//
// Threads: any (pure functions of constant data).
class ManualPages {
public:
    static constexpr int kNumPages = 50;

    // The keys that steer the desktop's virtual tilt, which drives the whammy
    // bar and the wah pedal there. A sentence fragment, read as
    // "hold <kDesktopTiltKeys> to tilt".
    static const char* const kDesktopTiltKeys;

    // All 50 page texts, page 0 first.
    static std::vector<std::string> create();

    // The page the manual opens at when called from screen screenNo: the
    // page of its topic, or the title page; kKeepPage for a number that names
    // no screen (the manual then stays where it was).
    static int helpPage(int screenNo);
    static constexpr int kKeepPage = -1;

    // The line of dashes that underlines every title.
    static const char* const kDashes;
};
