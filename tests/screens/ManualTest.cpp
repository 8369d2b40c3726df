// The manual: the page each screen opens it at, turning pages, the contents
// entries, and each page shown below its title.

#include <cmath>

#include "screens/LibraryTestSupport.h"
#include "screens/ManualPages.h"
#include "screens/ManualView.h"
#include "toolkit/Label.h"
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
    void press(Button b) { pressAt(library_test::inside<Button>(buttonAreas(), b)); }

protected:
    void goBack() override { ++backs; }
    void openWebsite() override { ++websites; }
};

} // namespace

// The page each screen names (checked with the shell's table) opens below
// its heading; the title page has none, and a page the manual does not have
// keeps the page where the reader left it. The texts read sideways. Then,
// turning through every page: the page number, the arrows and the text on
// show; each page titled or running on from the page before with a newline,
// shown below its title and rule; and no page before the first or after the
// last.
TEST(ManualView, OpensAtAPageTurnsThroughPagesShownBelowATitleAndRuleAndFromTheContents) {
    RecordingManual manual;
    for (const Label* label :
         {&manual.pageNumberLabel(), &manual.titlePageLabel(), &manual.manualTextLabel()})
        EXPECT_NEAR(std::fabs(label->rotation()), M_PI / 2, 1e-5);
    const int recorder = ManualPages::helpPage(ScreenHost::kRecorder);
    manual.setStartPage(recorder);
    EXPECT_EQ(manual.currentPage(), recorder);
    EXPECT_FLOAT_EQ(manual.titlePageLabel().alpha(), 0);
    for (int page : {ManualPages::kKeepPage, manual.numberOfPages(), -2}) {
        manual.setStartPage(page);
        EXPECT_EQ(manual.currentPage(), recorder);
    }
    manual.setStartPage(ManualPages::helpPage(ScreenHost::kMainMenu));
    EXPECT_EQ(manual.currentPage(), 0);
    EXPECT_GT(manual.titlePageLabel().alpha(), 0);
    const auto pages = ManualPages::create();
    const auto shown = [&] {
        return manual.pageNumberLabel().text() + (manual.leftArrow().alpha() == 1 ? " <" : "") +
               (manual.rightArrow().alpha() == 1 ? " >" : "") +
               (manual.manualTextLabel().alpha() == 1 ? " text" : "");
    };
    const int last = manual.numberOfPages() - 1;
    const std::string of = " / " + std::to_string(last);
    manual.press(Button::PreviousPage);
    EXPECT_EQ(shown(), "0" + of + " >");
    for (int i = 1; i < manual.numberOfPages(); ++i) {
        SCOPED_TRACE("page " + std::to_string(i));
        manual.press(Button::NextPage);
        ASSERT_EQ(manual.currentPage(), i);
        EXPECT_EQ(shown(), std::to_string(i) + of + " <" + (i < last ? " >" : "") + " text");
        const std::string& page = pages[static_cast<size_t>(i)];
        EXPECT_TRUE(i < 3 || titled(page) == (page.front() != '\n'));
        const std::string heading = manual.headingLabel().text() + "\n" + ManualPages::kDashes;
        EXPECT_TRUE(!titled(page) || page.substr(0, heading.size()) == heading);
        EXPECT_EQ(manual.manualTextLabel().text().find("---"), std::string::npos);
    }
    manual.press(Button::NextPage);
    manual.press(Button::PreviousPage);
    EXPECT_EQ(shown(), std::to_string(last - 1) + of + " < > text");
    manual.press(Button::NextPage);
    // Only a finger coming down acts; Back and Website leave the page alone.
    const Point p = manual.buttonAreas()[0].rect.center();
    manual.touchesMoved({testsupport::move(1, p, p)});
    manual.touchesEnded({testsupport::up(1, p)});
    manual.touchesCancelled({testsupport::touch(1, TouchPhase::Stationary, p, p)});
    manual.press(Button::Back);
    manual.press(Button::Website);
    EXPECT_EQ(manual.currentPage(), last);
    EXPECT_EQ(manual.backs * 10 + manual.websites, 11);
    manual.press(Button::About); // the gold "S": the title page
    EXPECT_EQ(manual.currentPage(), 0);
    // Every contents entry opens its titled page, one entry for every titled page.
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
            // The middle of the entry's title, where a finger would touch it.
            const int target = entry.page;
            manual.pressAt(entry.title->convertPointTo(
                {entry.title->bounds().width / 2, entry.title->bounds().height / 2}, &manual));
            EXPECT_EQ(manual.currentPage(), target);
            EXPECT_TRUE(titled(manual.pages()[static_cast<size_t>(target)]));
        }
    }
    // One entry for every titled page.
    EXPECT_EQ(entries, std::count_if(manual.pages().begin() + 3, manual.pages().end(), titled));
}
