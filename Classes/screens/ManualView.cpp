#include "screens/ManualView.h"

#include <cstdio>

#include "app/Strumwell.h"
#include "platform/Label.h"
#include "screens/ManualPages.h"

ManualView::Button ManualView::buttonForPoint(Point p) {
    const float x = p.x;
    const float y = p.y;
    if (x > 284 && y > 175 && y < 300) {
        return Button::Back;
    }
    if (x > 284 && y > 300 && y < 376) {
        return Button::Website;
    }
    if (x > 284 && y > 100 && y < 175) {
        return Button::Contents;
    }
    if (x > 270 && y > 424) {
        return Button::NextPage;
    }
    if (x > 270 && y < 56) {
        return Button::PreviousPage;
    }
    return Button::None;
}

int ManualView::startPageForScreen(int screenNo, int currentPage) {
    switch (screenNo) {
    case Strumwell::kTabGuitar:
        return 25;
    case Strumwell::kTabGuitarSetup:
        return 30;
    case Strumwell::kDelayEffectSetup:
        return 8;
    case Strumwell::kManualFretGuitar:
        return 19;
    case Strumwell::kHammerOnGuitar:
        return 23;
    case Strumwell::kMainMenu:
        return 0;
    case Strumwell::kChooseGuitar:
        return 17;
    case Strumwell::kSetupMenu:
        return 6;
    case Strumwell::kEffectsSetupMenu:
        return 7;
    case Strumwell::kGuitarPatchMenu:
        return 12;
    case Strumwell::kFuzzEffectSetup:
        return 9;
    case Strumwell::kScaleGuitar:
        return 34;
    case Strumwell::kTabGuitarLoadSave:
        return 33;
    case Strumwell::kRecorder:
        return 15;
    case Strumwell::kManual:
        return 0;
    case Strumwell::kAppSetup:
        return 14;
    case Strumwell::kWahEffectSetup:
        return 10;
    default:
        return currentPage;
    }
}

ManualView::ManualView(Strumwell* parent) : ImageView("InstructionManualBack.jpg"), parent_(parent) {
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

    titlePageLabel_ = std::make_unique<Label>(Rect{-40, 130, 395, 260});
    titlePageLabel_->setText(kTitleText);
    titlePageLabel_->setFont("Helvetica", 25);
    titlePageLabel_->setTextColor(Color::black());
    titlePageLabel_->setBackgroundColor(Color::clear());
    titlePageLabel_->setTextAlignment(TextAlignment::Center);
    titlePageLabel_->setNumberOfLines(0);
    titlePageLabel_->setRotation(kQuarterTurn);
    addSubview(titlePageLabel_.get());

    pageNumberLabel_ = std::make_unique<Label>(Rect{276, 70, 50, 20});
    pageNumberLabel_->setFont("Arial", 13);
    pageNumberLabel_->setTextColor(Color::black());
    pageNumberLabel_->setBackgroundColor(Color::clear());
    pageNumberLabel_->setTextAlignment(TextAlignment::Center);
    pageNumberLabel_->setRotation(kQuarterTurn);
    addSubview(pageNumberLabel_.get());

    manualTextLabel_ = std::make_unique<Label>(Rect{-71, 110, 428, 285});
    manualTextLabel_->setFont("Arial", 13);
    manualTextLabel_->setTextColor(Color::black());
    manualTextLabel_->setBackgroundColor(Color::clear());
    manualTextLabel_->setTextAlignment(TextAlignment::Left);
    manualTextLabel_->setNumberOfLines(0);
    manualTextLabel_->setRotation(kQuarterTurn);
    addSubview(manualTextLabel_.get());

    manualTextLabel_->setText(pages_[0]);
    redraw();
}

ManualView::~ManualView() = default;

void ManualView::createPageTexts() {
    pages_ = ManualPages::create();
}

void ManualView::setStartPageForScreen(int screenNo) {
    currentPage_ = startPageForScreen(screenNo, currentPage_);
    redraw();
}

void ManualView::redraw() {
    const int lastPage = numberOfPages() - 1;
    char number[32];
    std::snprintf(number, sizeof number, "%d / %d", currentPage_, lastPage);
    pageNumberLabel_->setText(number);
    manualTextLabel_->setText(pages_[static_cast<size_t>(currentPage_)]);
    if (currentPage_ == 0) {
        pageNumberLabel_->setAlpha(0);
        leftArrow_->setAlpha(0);
        titlePageLabel_->setAlpha(0.8f);
        manualTextLabel_->setAlpha(0);
    } else {
        pageNumberLabel_->setAlpha(0.8f);
        leftArrow_->setAlpha(1);
        titlePageLabel_->setAlpha(0);
        manualTextLabel_->setAlpha(1);
    }
    rightArrow_->setAlpha(currentPage_ == lastPage ? 0 : 1);
}

void ManualView::touchesBegan(const TouchSet& touches) {
    if (touches.empty()) {
        return;
    }
    const Touch& touch = touches.front();
    if (touch.phase != TouchPhase::Began) {
        return;
    }
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

void ManualView::touchesMoved(const TouchSet&) {}
void ManualView::touchesEnded(const TouchSet&) {}
void ManualView::touchesCancelled(const TouchSet&) {}

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
        break;
    }
}
