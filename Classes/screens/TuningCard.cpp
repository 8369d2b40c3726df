#include "screens/TuningCard.h"
#include "screens/CardBar.h"

#include <algorithm>

#include "screens/MenuScreenView.h"
#include "toolkit/Graphics.h"
#include "toolkit/Label.h"

namespace {

using Control = TuningCard::Control;

// Rows across x (view points), the top row as the user reads it first.
struct Row {
    float x, width;
};
constexpr Row kGuitarRow{178, 28}, kPresetRow{146, 28}, kStringRows[2] = {{114, 28}, {82, 28}},
                                                        kCapoRow{50, 28}, kAnswerRow{12, 36};
// A single control's row: its caption, then − value +, along y.
constexpr float kCaptionY = 20, kMinusY = 130, kValueY = 180, kPlusY = 384, kButtonLength = 50;
constexpr float kValueLength = kPlusY - kValueY;
// The string rows: three cells of − note +.
constexpr float kCellY = 16, kCellLength = 150, kCellButton = 34, kCellGap = 4;

constexpr Color kCardColor{226, 214, 187, 255};

bool inRow(const Row& row, float x) {
    return x > row.x && x < row.x + row.width;
}

int presetIndex(const GuitarTuning& t) {
    const auto& presets = GuitarTuning::presets();
    for (int i = 0; i < GuitarTuning::kNumPresets; ++i)
        if (presets[static_cast<std::size_t>(i)].offsets == t.offsets())
            return i;
    return -1;
}

} // namespace

TuningCard::Press TuningCard::pressAt(Point p) {
    const auto step = [&](float minusY, float plusY, float length) {
        if (p.y > minusY && p.y < minusY + length)
            return -1;
        if (p.y > plusY && p.y < plusY + length)
            return 1;
        return 0;
    };
    Press press;
    if (inRow(kGuitarRow, p.x))
        press = {Control::Guitar, -1, step(kMinusY, kPlusY, kButtonLength)};
    else if (inRow(kPresetRow, p.x))
        press = {Control::Preset, -1, step(kMinusY, kPlusY, kButtonLength)};
    else if (inRow(kCapoRow, p.x))
        press = {Control::Capo, -1, step(kMinusY, kPlusY, kButtonLength)};
    for (int r = 0; r < 2; ++r) {
        if (!inRow(kStringRows[r], p.x))
            continue;
        const int cell = static_cast<int>((p.y - kCellY) / kCellLength);
        if (p.y <= kCellY || cell > 2)
            break;
        const float y0 = kCellY + kCellLength * static_cast<float>(cell);
        press = {Control::String, r * 3 + cell,
                 step(y0 + kCellGap, y0 + kCellLength - kCellButton - kCellGap, kCellButton)};
    }
    return press.step == 0 ? Press{} : press;
}

TuningCard::TuningCard(SongOptions* options) : options_(options) {
    setFrame(kFrame);
    setBackgroundColor(kCardColor);
    setUserInteractionEnabled(false);
    const auto stepper = [this](const Row& row, const char* caption, float minusY, float plusY,
                                float length) {
        if (caption)
            addLabel({row.x + row.width / 2, kCaptionY + (kMinusY - kCaptionY) / 2}, kMinusY - kCaptionY - 8,
                     row.width, 14, 0, caption);
        for (const auto& [y, sign] : {std::pair{minusY, "\u2212"}, std::pair{plusY, "+"}}) {
            views_.push_back(
                std::make_unique<CardBar>(Rect{row.x - kFrame.x, y - kFrame.y, row.width, length}));
            addSubview(views_.back().get());
            addLabel({row.x + row.width / 2, y + length / 2}, length, row.width, 18, 1, sign);
        }
    };
    const auto valueLabel = [this](const Row& row) {
        return addLabel({row.x + row.width / 2, kValueY + kValueLength / 2}, kValueLength - 8, row.width, 15,
                        1, "");
    };
    stepper(kGuitarRow, "Guitar", kMinusY, kPlusY, kButtonLength);
    guitarName_ = valueLabel(kGuitarRow);
    stepper(kPresetRow, "Tuning", kMinusY, kPlusY, kButtonLength);
    preset_ = valueLabel(kPresetRow);
    for (int s = 0; s < GuitarTuning::kNumStrings; ++s) {
        const Row& row = kStringRows[s / 3];
        const float y0 = kCellY + kCellLength * static_cast<float>(s % 3);
        stepper(row, nullptr, y0 + kCellGap, y0 + kCellLength - kCellButton - kCellGap, kCellButton);
        strings_[static_cast<std::size_t>(s)] =
            addLabel({row.x + row.width / 2, y0 + kCellLength / 2}, kCellLength - 2 * kCellButton - 4,
                     row.width, 14, 1, "");
    }
    stepper(kCapoRow, "Capo", kMinusY, kPlusY, kButtonLength);
    capo_ = valueLabel(kCapoRow);
    answer_ = addLabel({kAnswerRow.x + kAnswerRow.width / 2, 240}, 440, kAnswerRow.width, 11, 0, "");
    answer_->setNumberOfLines(2);
    redraw();
}

TuningCard::~TuningCard() = default;

Label* TuningCard::addLabel(Point centre, float along, float across, float size, int alignment,
                            const std::string& text) {
    auto label =
        MenuScreenView::sidewaysLabel({centre.x - kFrame.x, centre.y - kFrame.y}, along, across, size,
                                      alignment == 0 ? TextAlignment::Left : TextAlignment::Center);
    label->setText(text);
    Label* raw = label.get();
    addSubview(raw);
    views_.push_back(std::move(label));
    return raw;
}

SongOptions& TuningCard::options() {
    return options_ ? *options_ : ownOptions_;
}

void TuningCard::showGuitar(int guitar) {
    guitar_ = validGuitar(guitar) ? guitar : 0;
    answer_->setText("");
    redraw();
}

void TuningCard::redraw() {
    const GuitarTuning t = options().tuning(guitar_);
    guitarName_->setText("Guitar " + std::to_string(guitar_ + 1));
    preset_->setText(t.name());
    for (int s = 0; s < GuitarTuning::kNumStrings; ++s)
        strings_[static_cast<std::size_t>(s)]->setText(std::to_string(GuitarTuning::kNumStrings - s) + ": " +
                                                       GuitarTuning::pitchName(t.openPitch(s)));
    capo_->setText(t.capo == 0 ? std::string("No capo") : "Fret " + std::to_string(t.capo));
}

std::string TuningCard::apply(const GuitarTuning& tuning) {
    std::string answer = options().setTuning(guitar_, tuning);
    if (answer.empty()) {
        const GuitarTuning now = options().tuning(guitar_);
        answer = "Guitar " + std::to_string(guitar_ + 1) + ": " + now.name() + " (" + now.noteNames() + ")";
    }
    return answer;
}

std::string TuningCard::press(const Press& press) {
    GuitarTuning t = options().tuning(guitar_);
    std::string answer;
    switch (press.control) {
    case Control::None:
        return answer_->text();
    case Control::Guitar:
        guitar_ = (guitar_ + 1) % kGuitars;
        t = options().tuning(guitar_);
        answer = "Guitar " + std::to_string(guitar_ + 1) + ": " + t.name() + " (" + t.noteNames() + ")";
        break;
    case Control::Preset: {
        // From a custom tuning, + goes to the first preset and − to the last.
        const int at = presetIndex(t);
        const int next = at < 0 ? (press.step > 0 ? 0 : GuitarTuning::kNumPresets - 1)
                                : (at + press.step + GuitarTuning::kNumPresets) % GuitarTuning::kNumPresets;
        answer = apply(GuitarTuning::fromPreset(next, t.capo));
        break;
    }
    case Control::String:
        t.openSample[static_cast<std::size_t>(press.string)] += press.step;
        answer = apply(t);
        break;
    case Control::Capo:
        t.capo += press.step;
        answer = apply(t);
        break;
    }
    answer_->setText(answer);
    redraw();
    return answer;
}
