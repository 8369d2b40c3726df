#pragma once
#include <memory>
#include <string>
#include <vector>

#include <span>

#include "toolkit/BackKeys.h"
#include "toolkit/FingerView.h"
#include "toolkit/HitTable.h"
#include "toolkit/ImageView.h"
#include "ui/HostedScreen.h"

class Label;
class ScreenHost;

// The built-in instruction manual (screen 16): 45 pages of fixed text, a
// title page, two contents pages, and one or more pages per screen. It opens
// at the page of the screen the user came from; buttons along the side turn
// the pages, jump to the contents, go back and open the maker's web site.
//
// Threads: UI thread only.
class ManualView : public FingerView, public HostedScreen {
public:
    // The manual's buttons, as a finger coming down finds them.
    // About: the gold "S" pick by the web site button opens the title page.
    enum class Button { None, Back, Website, Contents, NextPage, PreviousPage, About };

    static constexpr const char* kTitleText = "'Strumwell'\n\nInstruction Manual\n\n\n\n";

    // The buttons' areas, and the button under p.
    static std::span<const HitArea<Button>> buttonAreas();
    static Button buttonForPoint(Point p);

    // parent may be null (the view then has the default 320 x 480 frame and
    // the back and web site buttons do nothing), which tests use.
    explicit ManualView(ScreenHost* parent);
    ~ManualView() override;

    // Opens the manual at `page`, then redraws; a page the manual does not
    // have (-1: the screen has none) keeps the page where the reader left it.
    void setStartPage(int page);
    // Opens at the page the application names for the screen it was called
    // from.
    void willAppear(int previousScreen, int currentGuitar) override;
    // Shows currentPage.
    void redraw();

    // Carries out the button under p.
    void pressAt(Point p);

    // The contents entry (its page number) under p on a contents page, else
    // -1.
    int contentsEntryAt(Point p) const;

    int currentPage() const { return currentPage_; }
    int numberOfPages() const { return static_cast<int>(pages_.size()); }
    const std::vector<std::string>& pages() const { return pages_; }

    // The page as shown: its title (above a drawn rule), its text, and on
    // the contents pages one entry per topic instead of the text.
    const Label& headingLabel() const { return *headingLabel_; }
    const View& headingRule() const { return *headingRule_; }
    const Label& manualTextLabel() const { return *manualTextLabel_; }
    struct ContentsEntry {
        int page = -1; // -1: unused row
        std::unique_ptr<Label> number;
        std::unique_ptr<Label> title;
    };
    static constexpr int kMaxContentsEntries = 12;
    const ContentsEntry& contentsEntry(int row) const { return contentsEntries_[static_cast<size_t>(row)]; }
    const Label& pageNumberLabel() const { return *pageNumberLabel_; }
    const Label& titlePageLabel() const { return *titlePageLabel_; }
    const ImageView& leftArrow() const { return *leftArrow_; }
    const ImageView& rightArrow() const { return *rightArrow_; }

protected:
    // One finger at a time (the view takes no second finger while one is
    // down): a page turns once per finger coming down.
    void fingerDown(const Touch& touch) override;
    // The back and web site buttons: the application delegate's
    // transitionBack and visitWebsite (nothing without a parent).
    virtual void goBack();
    virtual void openWebsite();

private:
    void createPageTexts();
    void layOutPage();

    ScreenHost* parent_;
    int currentPage_ = 0;
    std::vector<std::string> pages_;
    std::unique_ptr<Label> manualTextLabel_;
    std::unique_ptr<Label> pageNumberLabel_;
    std::unique_ptr<ImageView> leftArrow_;
    std::unique_ptr<ImageView> rightArrow_;
    std::unique_ptr<Label> titlePageLabel_;
    std::unique_ptr<Label> headingLabel_;
    std::unique_ptr<View> headingRule_;
    ContentsEntry contentsEntries_[kMaxContentsEntries];
    BackKeys backKeys_{*this, [this] {
                           goBack();
                           return true;
                       }};
};
