// The manual's page texts, its buttons and its start pages, without a window.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "app/Strumwell.h"
#include "screens/ManualPages.h"
#include "screens/ManualView.h"

namespace {

const std::string kDashLine = "--------------------------------\n";

// Pages that open a topic (title and dashes) and their titles.
const std::map<int, std::string> kTitles = {
    {3, "INTRODUCTION"},
    {5, "MAIN MENU"},
    {6, "SETUP MENU"},
    {7, "EFFECTS SETUP"},
    {8, "DELAY EFFECT SETUP"},
    {9, "FUZZ EFFECT SETUP"},
    {10, "WAH-WAH EFFECT SETUP"},
    {12, "PATCH SETUP"},
    {14, "APPLICATION SETUP"},
    {15, "RECORDER"},
    {17, "GUITAR MENU"},
    {19, "THE 'MANUAL FRET' GUITAR"},
    {23, "THE 'HAMMER-ON' GUITAR"},
    {25, "THE 'TAB GUITAR'"},
    {30, "PROGRAMMING THE 'TAB GUITAR'"},
    {33, "LOADING AND SAVING TAB"},
    {34, "THE 'SCALE GUITAR'"},
    {36, "STRING BENDING"},
    {38, "WHAMMY BAR"},
    {40, "LATENCY"},
    {42, "CREDITS"},
};

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(ManualPages, FortyFivePagesWithAnEmptyTitlePage) {
    const auto pages = ManualPages::create();
    ASSERT_EQ(pages.size(), 45u);
    EXPECT_EQ(pages[0], "");
    for (size_t i = 1; i < pages.size(); ++i) {
        EXPECT_FALSE(pages[i].empty()) << "page " << i;
    }
}

TEST(ManualPages, ContentsPagesCharacterExact) {
    const auto pages = ManualPages::create();
    const std::string page1 = "TABLE OF CONTENTS\n"
                              "--------------------------------\n"
                              "Page   3 - Introduction\n"
                              "Page   5 - Main Menu\n"
                              "Page   6 - Setup Menu\n"
                              "Page   7 - Effects Setup\n"
                              "Page 8 - Delay Effect Setup\n"
                              "Page 9 - Fuzz Effect Setup\n"
                              "Page 10 - Wah-Wah Effect Setup\n"
                              "Page 12 - Patch Setup\n"
                              "Page 14 - Application Setup\n"
                              "Page 15 - Recorder\n"
                              "Page 17 - Guitar Menu\n"
                              "Page 19 - The 'Manual Fret' Guitar\n"
                              "\n\n\n\n\n\n";
    const std::string page2 = "TABLE OF CONTENTS\n"
                              "--------------------------------\n"
                              "Page 23 - The 'Hammer-On' Guitar\n"
                              "Page 25 - The 'Tab Guitar'\n"
                              "Page 30 - Programming the 'Tab Guitar'\n"
                              "Page 33 - Loading and Saving Tab\n"
                              "Page 34 - The 'Scale Guitar'\n"
                              "Page 36 - String Bending\n"
                              "Page 38 - Whammy Bar\n"
                              "Page 40 - Latency\n"
                              "Page 42 - Credits\n\n\n"
                              "\n\n\n\n\n\n\n\n\n\n";
    EXPECT_EQ(pages[1], page1);
    EXPECT_EQ(pages[2], page2);
    EXPECT_EQ(kDashLine.size(), 33u);
}

TEST(ManualPages, TitlesAndContinuations) {
    const auto pages = ManualPages::create();
    for (int i = 3; i < 45; ++i) {
        const std::string& page = pages[static_cast<size_t>(i)];
        auto title = kTitles.find(i);
        if (title != kTitles.end()) {
            EXPECT_EQ(page.substr(0, title->second.size() + 1 + kDashLine.size()),
                      title->second + "\n" + kDashLine)
                << "page " << i;
        } else {
            // A topic running on from the page before begins with a newline.
            EXPECT_EQ(page.front(), '\n') << "page " << i;
            EXPECT_NE(page.substr(1, 2), "--") << "page " << i;
        }
    }
}

TEST(ManualPages, EveryTitleIsInTheContents) {
    const auto pages = ManualPages::create();
    const std::string contents = pages[1] + pages[2];
    for (const auto& [page, title] : kTitles) {
        const std::string number = std::to_string(page);
        EXPECT_TRUE(contains(contents, " " + number + " - ")) << "page " << page;
    }
}

TEST(ManualPages, PagesTwentyTwoAndTwentyFourAreTheSame) {
    const auto pages = ManualPages::create();
    EXPECT_EQ(pages[22], pages[24]);
    EXPECT_TRUE(contains(pages[22], "Less Frets"));
    EXPECT_TRUE(contains(pages[22], "More Frets"));
    EXPECT_TRUE(contains(pages[22], "three to ten"));
}

TEST(ManualPages, TextsEndWithRunsOfNewlines) {
    const auto pages = ManualPages::create();
    for (size_t i = 1; i < pages.size(); ++i) {
        const std::string& page = pages[i];
        ASSERT_GE(page.size(), 3u);
        EXPECT_EQ(page.substr(page.size() - 3), "\n\n\n") << "page " << i;
    }
}

TEST(ManualPages, PlainTextOnly) {
    // The label draws printable ASCII and newlines; no tabs or stray bytes.
    const auto pages = ManualPages::create();
    for (size_t i = 0; i < pages.size(); ++i) {
        for (char c : pages[i]) {
            EXPECT_TRUE(c == '\n' || (c >= 32 && c < 127)) << "page " << i << " char " << int(c);
        }
    }
}

TEST(ManualPages, DesktopDifferencesAreMentioned) {
    const auto pages = ManualPages::create();
    const std::string tiltKeys = ManualPages::kDesktopTiltKeys;
    EXPECT_TRUE(contains(pages[4], "mouse"));
    EXPECT_TRUE(contains(pages[4], "F11"));
    EXPECT_TRUE(contains(pages[4], "Return"));
    EXPECT_TRUE(contains(pages[19], ManualPages::kManualFretKeys));
    EXPECT_TRUE(contains(pages[23], ManualPages::kHammerOnKeys));
    EXPECT_TRUE(contains(pages[29], ManualPages::kTabGuitarKeys));
    EXPECT_TRUE(contains(pages[35], ManualPages::kScaleGuitarKeys));
    // The manual explains the keys itself rather than sending the reader elsewhere.
    for (const std::string& page : pages)
        EXPECT_FALSE(contains(page, "README")) << page;
    EXPECT_TRUE(contains(pages[10], tiltKeys));  // wah
    EXPECT_TRUE(contains(pages[14], tiltKeys));  // application setup
    EXPECT_TRUE(contains(pages[38], tiltKeys));  // whammy bar
    EXPECT_TRUE(contains(pages[12], "desktop")); // no system volume slider there
}

TEST(ManualPages, CreditsNameTheSoftwareUsed) {
    const auto pages = ManualPages::create();
    EXPECT_TRUE(contains(pages[42], "Strumwell"));
    EXPECT_TRUE(contains(pages[42], "FluidSynth"));
    EXPECT_TRUE(contains(pages[42], "FluidR3 GM SoundFont"));
    EXPECT_TRUE(contains(pages[42], "SDL"));
    EXPECT_TRUE(contains(pages[42], "Liberation"));
}
