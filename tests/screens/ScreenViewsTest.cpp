// The menu and manual views themselves (no application delegate): touch
// dispatch, the manual's labels, arrows, page buttons and redraw, and that
// every page fits its label.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "app/Strumwell.h"
#include "platform/Graphics.h"
#include "platform/Label.h"
#include "screens/ChooseGuitarView.h"
#include "screens/ManualPages.h"
#include "screens/ManualView.h"
#include "screens/MenuEffectsSetupView.h"
#include "screens/MenuMainView.h"
#include "screens/MenuSetupView.h"

namespace {

using Choice = MenuScreenView::Choice;

// A menu that records what it was asked to do instead of asking a delegate.
template <typename Menu> class RecordingMenu : public Menu {
public:
    RecordingMenu() : Menu(nullptr) {}
    std::vector<Choice> performed;

protected:
    void perform(const Choice& choice) override { performed.push_back(choice); }
};

Touch touch(long id, TouchPhase phase, Point at, Point previous = {}) {
    Touch t;
    t.id = id;
    t.phase = phase;
    t.location = at;
    t.previousLocation = previous;
    return t;
}

class RecordingManual : public ManualView {
public:
    RecordingManual() : ManualView(nullptr) {}
    int backs = 0;
    int websites = 0;

protected:
    void goBack() override { ++backs; }
    void openWebsite() override { ++websites; }
};

void expectNear(Point a, Point b) {
    EXPECT_NEAR(a.x, b.x, 0.01);
    EXPECT_NEAR(a.y, b.y, 0.01);
}

} // namespace

TEST(MenuViews, FullScreenTakingSeveralTouches) {
    MenuMainView main(nullptr);
    ChooseGuitarView chooser(nullptr);
    MenuSetupView setup(nullptr);
    MenuEffectsSetupView effects(nullptr);
    for (MenuScreenView* menu : std::vector<MenuScreenView*>{&main, &chooser, &setup, &effects}) {
        EXPECT_EQ(menu->frame(), (Rect{0, 0, 320, 480}));
        EXPECT_TRUE(menu->isUserInteractionEnabled());
        EXPECT_TRUE(menu->isMultipleTouchEnabled());
        EXPECT_EQ(menu->parent(), nullptr);
        // Without a parent a touch asks nobody for anything (and does not crash).
        menu->processTouches({touch(1, TouchPhase::Began, {200, 200})});
    }
}

TEST(ManualViewLayout, LabelsArrowsAndFrames) {
    ManualView manual(nullptr);
    EXPECT_EQ(manual.frame(), (Rect{0, 0, 320, 480}));
    EXPECT_TRUE(manual.isUserInteractionEnabled());
    EXPECT_FALSE(manual.isMultipleTouchEnabled());
    EXPECT_EQ(manual.numberOfPages(), 45);

    // The page's title, rule and text keep below the page tabs at both ends
    // of the bar of buttons (view x > 270).
    manual.pressAt({300, 450});
    manual.pressAt({300, 450});
    manual.pressAt({300, 450});
    ASSERT_EQ(manual.currentPage(), 3);
    const Label& text = manual.manualTextLabel();
    EXPECT_EQ(text.numberOfLines(), 0);
    EXPECT_FLOAT_EQ(text.rotation(), kQuarterTurn);
    for (const View* v : {static_cast<const View*>(&text), static_cast<const View*>(&manual.headingLabel()),
                          &manual.headingRule()}) {
        const Rect f = v->frame();
        EXPECT_LE(f.maxX(), 270);
        EXPECT_GT(f.y, 0);
        EXPECT_LT(f.maxY(), 480);
    }

    const Label& number = manual.pageNumberLabel();
    EXPECT_EQ(number.font(), (Font{"Arial", 13, false}));
    EXPECT_FLOAT_EQ(number.rotation(), kQuarterTurn);
    EXPECT_EQ(number.bounds().size(), (Size{50, 20}));
    expectNear(number.center(), {276 + 25, 70 + 10});

    const Label& title = manual.titlePageLabel();
    EXPECT_EQ(title.text(), "'Strumwell'\n\nInstruction Manual\n\n\n\n");
    EXPECT_EQ(title.font(), (Font{"Helvetica", 25, false}));
    EXPECT_EQ(title.textColor(), Color::black());
    EXPECT_EQ(title.numberOfLines(), 0);
    EXPECT_FLOAT_EQ(title.rotation(), kQuarterTurn);
    EXPECT_EQ(title.bounds().size(), (Size{395, 260}));
    expectNear(title.center(), {-40 + 197.5f, 130 + 130});

    expectNear(manual.leftArrow().center(), {160, 53});
    expectNear(manual.rightArrow().center(), {282, 445.5f});

    // Drawn bottom to top: arrows, title, page number, text, then the
    // page's title and the contents entries.
    const auto& subviews = manual.subviews();
    ASSERT_GE(subviews.size(), 5u);
    EXPECT_EQ(subviews[0], &manual.leftArrow());
    EXPECT_EQ(subviews[1], &manual.rightArrow());
    EXPECT_EQ(subviews[2], &manual.titlePageLabel());
    EXPECT_EQ(subviews[3], &manual.pageNumberLabel());
    EXPECT_EQ(subviews[4], &manual.manualTextLabel());
}

TEST(ManualViewPages, TitlePageAtCreation) {
    ManualView manual(nullptr);
    EXPECT_EQ(manual.currentPage(), 0);
    EXPECT_EQ(manual.pageNumberLabel().text(), "0 / 44");
    EXPECT_FLOAT_EQ(manual.pageNumberLabel().alpha(), 0);
    EXPECT_FLOAT_EQ(manual.leftArrow().alpha(), 0);
    EXPECT_FLOAT_EQ(manual.titlePageLabel().alpha(), 0.8f);
    EXPECT_FLOAT_EQ(manual.manualTextLabel().alpha(), 0);
    EXPECT_FLOAT_EQ(manual.rightArrow().alpha(), 1);
    EXPECT_EQ(manual.manualTextLabel().text(), "");
}

TEST(ManualViewPages, OpensAtTheGivenPageAndKeepsItsPlaceForNone) {
    ManualView manual(nullptr);
    manual.setStartPage(19);
    EXPECT_EQ(manual.currentPage(), 19);
    EXPECT_EQ(manual.pageNumberLabel().text(), "19 / 44");
    EXPECT_EQ(manual.headingLabel().text(), "THE 'MANUAL FRET' GUITAR");
    EXPECT_EQ(manual.pages()[19].find(manual.manualTextLabel().text()), manual.pages()[19].find("The low E"));
    EXPECT_FLOAT_EQ(manual.pageNumberLabel().alpha(), 0.8f);
    EXPECT_FLOAT_EQ(manual.leftArrow().alpha(), 1);
    EXPECT_FLOAT_EQ(manual.titlePageLabel().alpha(), 0);
    EXPECT_FLOAT_EQ(manual.manualTextLabel().alpha(), 1);
    EXPECT_FLOAT_EQ(manual.rightArrow().alpha(), 1);

    // A page the manual does not have keeps the page where the user left it.
    manual.setStartPage(-1);
    EXPECT_EQ(manual.currentPage(), 19);
    manual.setStartPage(manual.numberOfPages());
    EXPECT_EQ(manual.currentPage(), 19);
    manual.setStartPage(0);
    EXPECT_FLOAT_EQ(manual.titlePageLabel().alpha(), 0.8f);
}

TEST(ManualViewPages, TurningPages) {
    RecordingManual manual;
    const Point next{300, 450};
    const Point previous{300, 30};
    const Point contents{300, 150};

    // Page 0: the previous-page button does nothing.
    manual.pressAt(previous);
    EXPECT_EQ(manual.currentPage(), 0);
    manual.pressAt(next);
    EXPECT_EQ(manual.currentPage(), 1);
    EXPECT_EQ(manual.pageNumberLabel().text(), "1 / 44");
    manual.pressAt(previous);
    EXPECT_EQ(manual.currentPage(), 0);

    // To the last page: the right arrow hides and next does nothing more.
    for (int i = 0; i < 60; ++i) {
        manual.pressAt(next);
    }
    EXPECT_EQ(manual.currentPage(), 44);
    EXPECT_EQ(manual.pageNumberLabel().text(), "44 / 44");
    EXPECT_FLOAT_EQ(manual.rightArrow().alpha(), 0);
    manual.pressAt(previous);
    EXPECT_EQ(manual.currentPage(), 43);
    EXPECT_FLOAT_EQ(manual.rightArrow().alpha(), 1);

    // Contents from any page, the title page included.
    manual.pressAt(contents);
    EXPECT_EQ(manual.currentPage(), 1);
    EXPECT_EQ(manual.contentsEntry(0).page, 3);
    EXPECT_EQ(manual.contentsEntry(0).title->text(), "Introduction");
    manual.setStartPage(0);
    manual.pressAt(contents);
    EXPECT_EQ(manual.currentPage(), 1);

    EXPECT_EQ(manual.backs, 0);
    EXPECT_EQ(manual.websites, 0);
    manual.pressAt({300, 200});
    manual.pressAt({300, 340});
    EXPECT_EQ(manual.backs, 1);
    EXPECT_EQ(manual.websites, 1);
    EXPECT_EQ(manual.currentPage(), 1);
}

TEST(ManualViewPages, OnlyABeganTouchActs) {
    RecordingManual manual;
    manual.touchesMoved({touch(1, TouchPhase::Moved, {300, 450})});
    manual.touchesEnded({touch(1, TouchPhase::Ended, {300, 450})});
    manual.touchesCancelled({touch(1, TouchPhase::Cancelled, {300, 450})});
    manual.touchesBegan({touch(1, TouchPhase::Stationary, {300, 450})});
    EXPECT_EQ(manual.currentPage(), 0);
    manual.touchesBegan({touch(2, TouchPhase::Began, {300, 450})});
    EXPECT_EQ(manual.currentPage(), 1);
    manual.touchesBegan({});
    EXPECT_EQ(manual.currentPage(), 1);
    manual.touchesBegan({touch(3, TouchPhase::Began, {160, 20})});
    EXPECT_EQ(manual.currentPage(), 1);
}

TEST(ManualViewPages, PagesTwentyTwoAndTwentyFourShowTheSameText) {
    ManualView manual(nullptr);
    manual.setStartPage(19);
    for (int i = 0; i < 3; ++i) {
        manual.pressAt({300, 450});
    }
    ASSERT_EQ(manual.currentPage(), 22);
    const std::string page22 = manual.manualTextLabel().text();
    manual.pressAt({300, 450});
    manual.pressAt({300, 450});
    ASSERT_EQ(manual.currentPage(), 24);
    EXPECT_EQ(manual.manualTextLabel().text(), page22);
}

TEST(ManualViewPages, EveryPageFitsItsLabelFromTheTop) {
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
            if (!all[k].empty()) {
                lastWords = static_cast<int>(k) + 1;
            }
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

TEST(ManualViewPages, ShownBelowATitleAndRuleWithEveryWord) {
    ManualView manual(nullptr);
    const auto pages = ManualPages::create();
    for (int i = 1; i < manual.numberOfPages(); ++i) {
        SCOPED_TRACE("page " + std::to_string(i));
        manual.pressAt({300, 450});
        ASSERT_EQ(manual.currentPage(), i);
        const std::string& page = pages[static_cast<size_t>(i)];
        const bool titled = page.find(ManualPages::kDashes) != std::string::npos;
        EXPECT_EQ(manual.headingRule().isHidden(), !titled);
        // A page running on shows its own capitalised heading, if any, as a title.
        const std::string firstLine = page.substr(1, page.find("\n\n", 1) - 1);
        const bool subtitled =
            !titled && page.rfind("\nTHE ", 0) == 0 &&
            std::none_of(firstLine.begin(), firstLine.end(), [](char c) { return c >= 'a' && c <= 'z'; });
        if (titled || subtitled) {
            EXPECT_FALSE(manual.headingLabel().isHidden());
        }
        if (titled) {
            EXPECT_EQ(
                manual.headingLabel().text() + "\n" + ManualPages::kDashes,
                page.substr(0, manual.headingLabel().text().size() + 1 + std::strlen(ManualPages::kDashes)));
        }
        // No dashes on show, and no line of the text dropped.
        const Label& text = manual.manualTextLabel();
        EXPECT_EQ(text.text().find("---"), std::string::npos);
        Label unbounded(Rect{0, 0, text.bounds().width, 100000});
        unbounded.setFont(text.font());
        unbounded.setNumberOfLines(0);
        unbounded.setText(text.text());
        EXPECT_EQ(text.layoutLines().size(), text.text().empty() ? 0u : unbounded.layoutLines().size());
    }
}

TEST(ManualViewPages, ContentsEntriesOpenTheirPages) {
    RecordingManual manual;
    for (int contentsPage : {1, 2}) {
        int entries = 0;
        for (int row = 0; row < ManualView::kMaxContentsEntries; ++row) {
            manual.pressAt({300, 150}); // contents
            if (contentsPage == 2)
                manual.pressAt({300, 450});
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
        }
        EXPECT_EQ(entries, contentsPage == 1 ? 12 : 9);
    }
}

TEST(ManualViewPages, TitleFitsItsLabel) {
    Label title(Rect{0, 0, 395, 260});
    title.setFont("Helvetica", 25);
    title.setNumberOfLines(0);
    title.setText(ManualView::kTitleText);
    const auto lines = title.layoutLines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "'Strumwell'");
    EXPECT_EQ(lines[2], "Instruction Manual");
}
