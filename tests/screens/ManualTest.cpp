// The manual: its pages as plain text that fits the label from the top, the
// page each screen opens it at, turning pages, the contents entries, and
// each page shown below its title with every word.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "app/ScreenRegistry.h"
#include "platform/Graphics.h"
#include "platform/Label.h"
#include "screens/ManualPages.h"
#include "screens/ManualView.h"
#include "ui/ScreenHost.h"

namespace {

using Button = ManualView::Button;

bool titled(const std::string& page) {
    return page.find(std::string("\n") + ManualPages::kDashes) != std::string::npos;
}

// A manual that records its back and web site buttons.
class RecordingManual : public ManualView {
public:
    RecordingManual() : ManualView(nullptr) {}
    int backs = 0;
    int websites = 0;
    void press(Button b) {
        for (const auto& area : buttonAreas())
            if (area.action == b)
                return pressAt(area.rect.center());
        ADD_FAILURE() << "no such button";
    }

protected:
    void goBack() override { ++backs; }
    void openWebsite() override { ++websites; }
};

} // namespace

TEST(ManualPages, PlainTextTitledOrRunningOnAndListedInTheContents) {
    const auto pages = ManualPages::create();
    ASSERT_EQ(pages.size(), static_cast<size_t>(ManualPages::kNumPages));
    EXPECT_EQ(pages[0], "");
    const std::string contents = pages[1] + pages[2];
    for (size_t i = 1; i < pages.size(); ++i) {
        SCOPED_TRACE("page " + std::to_string(i));
        const std::string& page = pages[i];
        ASSERT_GE(page.size(), 3u);
        // Ends in newlines, so that a label centring its text starts it at the top.
        EXPECT_EQ(page.substr(page.size() - 3), "\n\n\n");
        EXPECT_TRUE(
            std::all_of(page.begin(), page.end(), [](char c) { return c == '\n' || (c >= 32 && c < 127); }));
        if (i < 3)
            continue;
        EXPECT_EQ(titled(page), page.front() != '\n') << "a page running on begins with a newline";
        EXPECT_EQ(titled(page), contents.find(" " + std::to_string(i) + " - ") != std::string::npos);
    }
}

TEST(ManualPages, EveryPageFitsItsLabelFromTheTop) {
    // The label wraps the text at its width and drops the lines that do not
    // fit; the block is centred, so a page that fills every line starts at
    // the top. No line with words may be dropped.
    const auto pages = ManualPages::create();
    const Font arial{"Arial", 13, false};
    const int fit = static_cast<int>((285 + 0.5f) / Graphics::lineHeight(arial));
    EXPECT_GE(fit, 18);
    for (size_t i = 1; i < pages.size(); ++i) {
        Label full(Rect{0, 0, 428, 100000});
        full.setFont(arial);
        full.setNumberOfLines(0);
        full.setText(pages[i]);
        const auto all = full.layoutLines();
        int lastWords = 0;
        for (size_t k = 0; k < all.size(); ++k) {
            if (!all[k].empty())
                lastWords = static_cast<int>(k) + 1;
            EXPECT_LE(Graphics::measureText(all[k], arial).width, 428.0f) << "page " << i;
        }
        EXPECT_LE(lastWords, fit) << "page " << i << " has words on line " << lastWords;
        Label shown(Rect{0, 0, 428, 285});
        shown.setFont(arial);
        shown.setNumberOfLines(0);
        shown.setText(pages[i]);
        EXPECT_EQ(static_cast<int>(shown.layoutLines().size()), fit)
            << "page " << i << " does not fill the label";
    }
}

// Every page a screen opens exists and is titled for that screen.
TEST(ManualPages, EachScreenOpensThePageTitledForIt) {
    const struct {
        int screen;
        const char* title; // null: the title page
    } screens[] = {
        {ScreenHost::kTabGuitar, "'TAB GUITAR'"},
        {ScreenHost::kTabGuitarSetup, "PROGRAMMING THE 'TAB GUITAR'"},
        {ScreenHost::kDelayEffectSetup, "DELAY"},
        {ScreenHost::kManualFretGuitar, "MANUAL FRET"},
        {ScreenHost::kHammerOnGuitar, "HAMMER-ON"},
        {ScreenHost::kMainMenu, nullptr},
        {ScreenHost::kChooseGuitar, "GUITAR MENU"},
        {ScreenHost::kSetupMenu, "SETUP MENU"},
        {ScreenHost::kEffectsSetupMenu, "EFFECTS SETUP"},
        {ScreenHost::kGuitarPatchMenu, "PATCH SETUP"},
        {ScreenHost::kFuzzEffectSetup, "FUZZ"},
        {ScreenHost::kScaleGuitar, "SCALE GUITAR"},
        {ScreenHost::kTabGuitarLoadSave, "LOADING AND SAVING TAB"},
        {ScreenHost::kRecorder, "RECORDER"},
        {ScreenHost::kManual, nullptr},
        {ScreenHost::kAppSetup, "APPLICATION SETUP"},
        {ScreenHost::kWahEffectSetup, "WAH-WAH"},
    };
    ManualView manual(nullptr);
    for (const auto& s : screens) {
        SCOPED_TRACE(s.screen);
        const ScreenEntry* entry = findScreenEntry(s.screen);
        ASSERT_NE(entry, nullptr);
        manual.setStartPage(entry->manualPage);
        EXPECT_EQ(manual.currentPage(), entry->manualPage);
        if (!s.title) {
            EXPECT_EQ(manual.currentPage(), 0);
            EXPECT_FLOAT_EQ(manual.titlePageLabel().alpha(), 0.8f);
            continue;
        }
        EXPECT_NE(manual.headingLabel().text().find(s.title), std::string::npos)
            << manual.headingLabel().text();
        EXPECT_FALSE(manual.headingLabel().isHidden());
        EXPECT_FLOAT_EQ(manual.titlePageLabel().alpha(), 0);
    }
    // A page the manual does not have keeps the page where the reader left it.
    const int left = manual.currentPage();
    for (int page : {ScreenEntry::kKeepManualPage, manual.numberOfPages()}) {
        manual.setStartPage(page);
        EXPECT_EQ(manual.currentPage(), left);
    }
}

TEST(ManualView, ButtonsTurnPagesWithinTheManual) {
    RecordingManual manual;
    EXPECT_EQ(manual.pageNumberLabel().text(), "0 / 44");
    EXPECT_FLOAT_EQ(manual.leftArrow().alpha(), 0);
    EXPECT_FLOAT_EQ(manual.manualTextLabel().alpha(), 0);
    manual.press(Button::PreviousPage); // nothing before the title page
    EXPECT_EQ(manual.currentPage(), 0);
    manual.press(Button::NextPage);
    EXPECT_EQ(manual.pageNumberLabel().text(), "1 / 44");
    EXPECT_FLOAT_EQ(manual.leftArrow().alpha(), 1);
    EXPECT_FLOAT_EQ(manual.manualTextLabel().alpha(), 1);
    manual.press(Button::PreviousPage);
    EXPECT_EQ(manual.currentPage(), 0);
    for (int i = 0; i < 60; ++i)
        manual.press(Button::NextPage);
    EXPECT_EQ(manual.currentPage(), 44);
    EXPECT_FLOAT_EQ(manual.rightArrow().alpha(), 0);
    manual.press(Button::PreviousPage);
    EXPECT_EQ(manual.currentPage(), 43);
    EXPECT_FLOAT_EQ(manual.rightArrow().alpha(), 1);
    manual.press(Button::Contents);
    EXPECT_EQ(manual.currentPage(), 1);
    manual.press(Button::Back);
    manual.press(Button::Website);
    EXPECT_EQ(manual.backs, 1);
    EXPECT_EQ(manual.websites, 1);
    EXPECT_EQ(manual.currentPage(), 1);
    // Only a finger coming down acts.
    Touch t;
    t.location = manual.buttonAreas()[0].rect.center();
    for (TouchPhase phase : {TouchPhase::Moved, TouchPhase::Ended, TouchPhase::Stationary}) {
        t.phase = phase;
        manual.touchesBegan({t});
        manual.touchesMoved({t});
        manual.touchesEnded({t});
        manual.touchesCancelled({t});
    }
    EXPECT_EQ(manual.currentPage(), 1);
    EXPECT_EQ(manual.backs + manual.websites, 2);
}

TEST(ManualView, ShownBelowATitleAndRuleWithEveryWord) {
    RecordingManual manual;
    const auto pages = ManualPages::create();
    float buttons = 320;
    for (const auto& area : ManualView::buttonAreas())
        buttons = std::min(buttons, area.rect.x);
    for (int i = 1; i < manual.numberOfPages(); ++i) {
        SCOPED_TRACE("page " + std::to_string(i));
        manual.press(Button::NextPage);
        ASSERT_EQ(manual.currentPage(), i);
        const std::string& page = pages[static_cast<size_t>(i)];
        EXPECT_EQ(manual.headingRule().isHidden(), !titled(page));
        if (titled(page)) {
            EXPECT_EQ(
                manual.headingLabel().text() + "\n" + ManualPages::kDashes,
                page.substr(0, manual.headingLabel().text().size() + 1 + std::strlen(ManualPages::kDashes)));
        }
        // Clear of the buttons, no dashes on show, and no line of the text dropped.
        const Label& text = manual.manualTextLabel();
        for (const View* v : {static_cast<const View*>(&text), &manual.headingRule()})
            EXPECT_LE(v->frame().maxX(), buttons);
        EXPECT_EQ(text.text().find("---"), std::string::npos);
        Label unbounded(Rect{0, 0, text.bounds().width, 100000});
        unbounded.setFont(text.font());
        unbounded.setNumberOfLines(0);
        unbounded.setText(text.text());
        EXPECT_EQ(text.layoutLines().size(), text.text().empty() ? 0u : unbounded.layoutLines().size());
    }
}

TEST(ManualView, ContentsEntriesOpenTheirPages) {
    RecordingManual manual;
    int entries = 0;
    for (int contentsPage : {1, 2}) {
        for (int row = 0; row < ManualView::kMaxContentsEntries; ++row) {
            manual.press(Button::Contents);
            if (contentsPage == 2)
                manual.press(Button::NextPage);
            ASSERT_EQ(manual.currentPage(), contentsPage);
            const ManualView::ContentsEntry& entry = manual.contentsEntry(row);
            if (entry.page < 0)
                continue;
            ++entries;
            SCOPED_TRACE(entry.title->text());
            EXPECT_FALSE(entry.title->isHidden());
            // The middle of the entry's title, where a finger would touch it.
            const Point middle = entry.title->convertPointTo(
                {entry.title->bounds().width / 2, entry.title->bounds().height / 2}, &manual);
            const int target = entry.page;
            manual.pressAt(middle);
            EXPECT_EQ(manual.currentPage(), target);
            EXPECT_TRUE(titled(manual.pages()[static_cast<size_t>(target)]));
        }
    }
    // One entry for every titled page.
    EXPECT_EQ(entries, std::count_if(manual.pages().begin() + 3, manual.pages().end(), titled));
}
