#include "screens/TrackChooser.h"

#include "screens/BoxText.h"
#include "screens/ScreenParts.h"
#include "toolkit/MessageBoxKeys.h"

namespace {

// Along x the sideways box runs from its top (centre + 110) down: the
// question, the rows, then Cancel at its foot. Along y the rows take the
// box's length.
constexpr float kQuestionOffset = 88, kQuestionThickness = 30;
constexpr float kFirstRowOffset = 60, kRowThickness = 25, kRowLength = 310;
constexpr float kCancelOffset = -82;
constexpr Rect kCancelSize{0, 0, 54, 96};

} // namespace

TrackChooser::TrackChooser(FingerView& screen, Point boxCentre) : screen_(screen), centre_(boxCentre) {
    box_ = picture("MessageBox.png", centre_, {0, 0, 220, 340});
    screen_.addSubview(box_.get());
    question_ = sidewaysLabel({centre_.x + kQuestionOffset, centre_.y}, kRowLength, kQuestionThickness, 17);
    question_->setTextColor(Color::black());
    screen_.addSubview(question_.get());
    for (int r = 0; r < kRows; ++r) {
        const Rect area = areaOf(static_cast<Control>(r));
        rows_[r] = sidewaysLabel(area.center(), kRowLength, kRowThickness, 15);
        rows_[r]->setTextAlignment(TextAlignment::Left);
        rows_[r]->setTextColor(Color::black());
        screen_.addSubview(rows_[r].get());
    }
    cancel_ = picture("MessageBoxCancelButton.png", areaOf(Control::Cancel).center(), kCancelSize);
    screen_.addSubview(cancel_.get());
    // Return takes no track: only a finger chooses one.
    keys_ = std::make_unique<MessageBoxKeys>(
        screen_, MessageBoxKeys::Box{[this] { return showing_ && screen_.isModalOnTop(layer_); },
                                     [] { return true; }, [] {}, [this] { answer(-1); }});
    draw();
}

TrackChooser::~TrackChooser() {
    screen_.popModal(layer_);
}

Rect TrackChooser::areaOf(Control control) const {
    if (control == Control::Cancel)
        return {centre_.x + kCancelOffset - kCancelSize.width / 2, centre_.y - kCancelSize.height / 2,
                kCancelSize.width, kCancelSize.height};
    const float x = centre_.x + kFirstRowOffset - static_cast<float>(control) * kRowThickness;
    return {x - kRowThickness / 2, centre_.y - kRowLength / 2, kRowThickness, kRowLength};
}

void TrackChooser::show(const std::string& question, std::vector<std::string> choices,
                        std::function<void(int)> answer) {
    choices_ = std::move(choices);
    answer_ = std::move(answer);
    page_ = 0;
    setBoxText(*question_, question);
    if (!showing_)
        screen_.pushModal(layer_);
    showing_ = true;
    draw();
}

int TrackChooser::perPage() const {
    return static_cast<int>(choices_.size()) <= kRows ? kRows : kRows - 1;
}

void TrackChooser::fingerDown(Point p) {
    if (areaOf(Control::Cancel).contains(p)) {
        answer(-1);
        return;
    }
    for (int r = 0; r < kRows; ++r) {
        if (!areaOf(static_cast<Control>(r)).contains(p))
            continue;
        const int index = page_ * perPage() + r;
        if (r == perPage()) { // "More...": the next page, after the last the first
            page_ = (page_ + 1) * perPage() < static_cast<int>(choices_.size()) ? page_ + 1 : 0;
            draw();
        } else if (index < static_cast<int>(choices_.size())) {
            answer(index);
        }
        return;
    }
}

void TrackChooser::answer(int choice) {
    if (!showing_)
        return;
    showing_ = false;
    screen_.popModal(layer_);
    draw();
    // The answer may show the chooser again: it is taken out first.
    const std::function<void(int)> done = std::move(answer_);
    answer_ = nullptr;
    if (done)
        done(choice);
}

void TrackChooser::draw() {
    for (View* v : {static_cast<View*>(box_.get()), static_cast<View*>(question_.get()),
                    static_cast<View*>(cancel_.get())})
        v->setHidden(!showing_);
    for (int r = 0; r < kRows; ++r) {
        const int index = page_ * perPage() + r;
        const bool more = r == perPage();
        rows_[r]->setHidden(!showing_);
        rows_[r]->setText(more                                        ? kMoreText
                          : index < static_cast<int>(choices_.size()) ? choices_[static_cast<size_t>(index)]
                                                                      : std::string());
    }
}
