#include "screens/ManualView.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "screens/ManualPages.h"
#include "toolkit/Graphics.h"
#include "toolkit/Label.h"
#include "ui/ScreenHost.h"

namespace {

// The page's writing area as the user sees it (landscape X along the
// page, Y down it): below the bar of buttons and the page tabs, which reach
// down to Y 50 at both ends. Contents entries have the page number
// right-aligned in a column of its own.
struct PageLayout {
    float textLeft, textRight, headingTop, headingHeight, ruleY, titledTextTop, textTop, textBottom;
    float entryNumberLeft, entryNumberRight, entryTitleLeft, entryHeight;
};
constexpr PageLayout kPage{28, 470, 50, 22, 72.5f, 77, 50, 319, 50, 90, 104, 19.5f};

const Color kInk{30, 24, 18, 255};

// A label in black on clear, turned a quarter, in `frame`; `lines` 0 lets
// the text wrap onto as many lines as it needs.
std::unique_ptr<Label> turnedLabel(const Rect& frame, const char* family, float size, TextAlignment alignment,
                                   int lines) {
    auto label = std::make_unique<Label>(frame);
    label->setFont(family, size);
    label->setTextColor(Color::black());
    label->setBackgroundColor(Color::clear());
    label->setTextAlignment(alignment);
    label->setNumberOfLines(lines);
    label->setRotation(kQuarterTurn);
    return label;
}

// Places a turned label over landscape X x0..x1, Y y0..y1.
void placeOnPage(View& view, float x0, float x1, float y0, float y1) {
    view.setRotation(0);
    view.setBounds({0, 0, x1 - x0, y1 - y0});
    view.setCenter({320 - (y0 + y1) / 2, (x0 + x1) / 2});
    view.setRotation(kQuarterTurn);
}

// A page's title: its first line when the line of dashes follows it.
bool splitTitle(const std::string& page, std::string* title, std::string* rest) {
    const size_t end = page.find('\n');
    const size_t dashes = std::char_traits<char>::length(ManualPages::kDashes);
    if (end == std::string::npos || page.compare(end + 1, dashes, ManualPages::kDashes) != 0)
        return false;
    *title = page.substr(0, end);
    *rest = page.substr(end + 1 + std::char_traits<char>::length(ManualPages::kDashes));
    return true;
}

// A running-on page's heading: "\nHEADING IN CAPITALS\n\n" at its start.
bool splitSubtitle(const std::string& page, std::string* title, std::string* rest) {
    if (page.empty() || page[0] != '\n')
        return false;
    const size_t end = page.find("\n\n", 1);
    if (end == std::string::npos || end == 1)
        return false;
    const std::string line = page.substr(1, end - 1);
    bool letters = false;
    for (char c : line) {
        if (c == '\n' || (c >= 'a' && c <= 'z'))
            return false;
        letters = letters || (c >= 'A' && c <= 'Z');
    }
    if (!letters)
        return false;
    *title = line;
    *rest = page.substr(end + 2);
    return true;
}

// The text without the newlines that pad it to the foot of a page.
std::string withoutTrailingNewlines(std::string text) {
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

// "Page  12 - Patch Setup": the page number and the topic, or page -1.
int parseContentsLine(const std::string& line, std::string* topic) {
    if (line.rfind("Page", 0) != 0)
        return -1;
    const size_t dash = line.find(" - ");
    if (dash == std::string::npos)
        return -1;
    const int page = std::atoi(line.substr(4, dash - 4).c_str());
    *topic = line.substr(dash + 3);
    return page > 0 ? page : -1;
}

} // namespace

namespace {

constexpr HitArea<ManualView::Button> kButtonAreas[] = {
    {{284, 175, 37, 125}, ManualView::Button::Back},       {{284, 300, 37, 76}, ManualView::Button::Website},
    {{284, 100, 37, 75}, ManualView::Button::Contents},    {{270, 424, 51, 57}, ManualView::Button::NextPage},
    {{270, -1, 51, 57}, ManualView::Button::PreviousPage}, {{284, 380, 37, 42}, ManualView::Button::About},
};

} // namespace

std::span<const HitArea<ManualView::Button>> ManualView::buttonAreas() {
    return kButtonAreas;
}

ManualView::Button ManualView::buttonForPoint(Point p) {
    return hitActionInside(buttonAreas(), p).value_or(Button::None);
}

ManualView::ManualView(ScreenHost* parent) : parent_(parent) {
    setBackgroundImage("InstructionManualBack.jpg");
    setFrame(parent_ ? parent_->frame() : Rect{0, 0, 320, 480});
    setUserInteractionEnabled(true);
    setMultipleTouchEnabled(false);

    createPageTexts();

    leftArrow_ = std::make_unique<ImageView>("InstructionManualPageLeft.jpg");
    leftArrow_->setCenter({160, 53});
    addSubview(leftArrow_.get());

    rightArrow_ = std::make_unique<ImageView>("ManualRightArrow.png");
    rightArrow_->setCenter({282, 445.5f});
    addSubview(rightArrow_.get());

    titlePageLabel_ = turnedLabel(Rect{-40, 130, 395, 260}, "Helvetica", 25, TextAlignment::Center, 0);
    titlePageLabel_->setText(kTitleText);
    addSubview(titlePageLabel_.get());

    pageNumberLabel_ = turnedLabel(Rect{276, 70, 50, 20}, "Arial", 13, TextAlignment::Center, 1);
    addSubview(pageNumberLabel_.get());

    manualTextLabel_ = turnedLabel(Rect{-71, 110, 428, 285}, "Arial", 13, TextAlignment::Left, 0);
    addSubview(manualTextLabel_.get());

    headingLabel_ = std::make_unique<Label>();
    headingLabel_->setFont("Helvetica-Bold", 16);
    headingLabel_->setTextColor(kInk);
    placeOnPage(*headingLabel_, kPage.textLeft, kPage.textRight, kPage.headingTop,
                kPage.headingTop + kPage.headingHeight);
    addSubview(headingLabel_.get());
    headingRule_ = std::make_unique<View>();
    headingRule_->setBackgroundColor(Color{120, 92, 56, 255});
    headingRule_->setUserInteractionEnabled(false);
    placeOnPage(*headingRule_, kPage.textLeft, kPage.textRight, kPage.ruleY, kPage.ruleY + 1.5f);
    addSubview(headingRule_.get());
    manualTextLabel_->setFont("Arial", 12);
    manualTextLabel_->setTextColor(kInk);

    for (int row = 0; row < kMaxContentsEntries; ++row) {
        ContentsEntry& entry = contentsEntries_[row];
        const float top = kPage.titledTextTop + kPage.entryHeight * static_cast<float>(row);
        entry.number = std::make_unique<Label>();
        entry.number->setFont("Arial", 14);
        entry.number->setTextColor(kInk);
        entry.number->setTextAlignment(TextAlignment::Right);
        placeOnPage(*entry.number, kPage.entryNumberLeft, kPage.entryNumberRight, top,
                    top + kPage.entryHeight);
        entry.title = std::make_unique<Label>();
        entry.title->setFont("Arial", 14);
        entry.title->setTextColor(kInk);
        placeOnPage(*entry.title, kPage.entryTitleLeft, kPage.textRight, top, top + kPage.entryHeight);
        addSubview(entry.number.get());
        addSubview(entry.title.get());
    }

    manualTextLabel_->setText(pages_[0]);
    redraw();
}

int ManualView::contentsEntryAt(Point p) const {
    if (currentPage_ != 1 && currentPage_ != 2)
        return -1;
    // Landscape position of the view point.
    const float across = p.y;
    const float down = 320 - p.x;
    if (across < kPage.entryNumberLeft - 10 || across > kPage.textRight)
        return -1;
    const float row = (down - kPage.titledTextTop) / kPage.entryHeight;
    if (row < 0 || row >= kMaxContentsEntries)
        return -1;
    return contentsEntries_[static_cast<size_t>(row)].page;
}

void ManualView::layOutPage() {
    const std::string& page = pages_[static_cast<size_t>(currentPage_)];
    std::string title;
    std::string rest;
    const bool titled = splitTitle(page, &title, &rest);
    // A page running on from the one before may open with a heading of its
    // own: shown like a title, without the rule.
    const bool subtitled = !titled && splitSubtitle(page, &title, &rest);
    const bool contents = currentPage_ == 1 || currentPage_ == 2;
    headingLabel_->setText(titled || subtitled ? title : std::string());
    headingLabel_->setHidden(!titled && !subtitled);
    headingRule_->setHidden(!titled);

    // The contents: one tappable entry per topic.
    int row = 0;
    if (contents) {
        size_t start = 0;
        while (start < rest.size() && row < kMaxContentsEntries) {
            const size_t end = rest.find('\n', start);
            const std::string line =
                rest.substr(start, end == std::string::npos ? std::string::npos : end - start);
            start = end == std::string::npos ? rest.size() : end + 1;
            std::string topic;
            const int target = parseContentsLine(line, &topic);
            if (target < 0)
                continue;
            ContentsEntry& entry = contentsEntries_[static_cast<size_t>(row++)];
            entry.page = target;
            entry.number->setText(std::to_string(target));
            entry.title->setText(topic);
        }
    }
    for (int r = 0; r < kMaxContentsEntries; ++r) {
        ContentsEntry& entry = contentsEntries_[static_cast<size_t>(r)];
        const bool used = contents && r < row;
        if (!used)
            entry.page = -1;
        entry.number->setHidden(!used || currentPage_ == 0);
        entry.title->setHidden(!used || currentPage_ == 0);
    }

    // The text from the top of its area: the label centres its lines, so it
    // is made just as tall as they need.
    std::string text = contents ? std::string() : withoutTrailingNewlines(titled || subtitled ? rest : page);
    text.erase(0, text.find_first_not_of('\n')); // the blank line that marks a page running on
    manualTextLabel_->setText(text);
    const float top = titled || subtitled ? kPage.titledTextTop : kPage.textTop;
    placeOnPage(*manualTextLabel_, kPage.textLeft, kPage.textRight, top, kPage.textBottom);
    const float lines = static_cast<float>(manualTextLabel_->layoutLines().size());
    const float height =
        std::min(kPage.textBottom - top, lines * Graphics::lineHeight(manualTextLabel_->font()) + 2);
    placeOnPage(*manualTextLabel_, kPage.textLeft, kPage.textRight, top, top + std::max(height, 1.0f));
}

ManualView::~ManualView() = default;

void ManualView::createPageTexts() {
    pages_ = ManualPages::create();
}

void ManualView::setStartPage(int page) {
    if (page >= 0 && page < numberOfPages())
        currentPage_ = page;
    redraw();
}

void ManualView::redraw() {
    const int lastPage = numberOfPages() - 1;
    char number[32];
    std::snprintf(number, sizeof number, "%d / %d", currentPage_, lastPage);
    pageNumberLabel_->setText(number);
    layOutPage();
    if (currentPage_ == 0) {
        pageNumberLabel_->setAlpha(0);
        leftArrow_->setAlpha(0);
        titlePageLabel_->setAlpha(0.8f);
        manualTextLabel_->setAlpha(0);
        headingLabel_->setHidden(true);
        headingRule_->setHidden(true);
    } else {
        pageNumberLabel_->setAlpha(0.8f);
        leftArrow_->setAlpha(1);
        titlePageLabel_->setAlpha(0);
        manualTextLabel_->setAlpha(1);
    }
    rightArrow_->setAlpha(currentPage_ == lastPage ? 0 : 1);
}

void ManualView::fingerDown(const Touch& touch) {
    pressAt(touch.location);
}

void ManualView::goBack() {
    if (parent_) {
        parent_->transitionBack(this);
    }
}

void ManualView::openWebsite() {
    if (parent_) {
        parent_->visitWebsite();
    }
}

void ManualView::pressAt(Point p) {
    switch (buttonForPoint(p)) {
    case Button::Back:
        goBack();
        break;
    case Button::Website:
        openWebsite();
        break;
    case Button::Contents:
        currentPage_ = 1;
        redraw();
        break;
    case Button::About:
        currentPage_ = 0;
        redraw();
        break;
    case Button::NextPage:
        if (currentPage_ < numberOfPages() - 1) {
            ++currentPage_;
            redraw();
        }
        break;
    case Button::PreviousPage:
        if (currentPage_ >= 1) {
            --currentPage_;
            redraw();
        }
        break;
    case Button::None:
        if (const int target = contentsEntryAt(p); target >= 0 && target < numberOfPages()) {
            currentPage_ = target;
            redraw();
        }
        break;
    }
}

void ManualView::willAppear(int previousScreen, int) {
    setStartPage(parent_ ? parent_->manualStartPage(previousScreen) : -1);
}
