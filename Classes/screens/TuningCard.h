#pragma once
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "recorder/SongOptions.h"
#include "toolkit/View.h"

class Label;

// The "Tuning" page of the patch setup screen: a card laid over the knobs'
// panel with, for one guitar at a time, its preset tuning, each string's
// note and the capo, each stepped by a − / + pair, and a line that answers
// every press: the tuning now, or in words why a change was refused (a
// string taken outside the patch's samples, a capo past fret 12), in which
// case nothing changed.
//
// The view is 320 x 480, read sideways like the rest of the screen: rows lie
// across x (the top row at the largest x), a row's controls along y.
//
// Threads: UI thread only.
class TuningCard : public View {
public:
    enum class Control { None, Guitar, Preset, String, Capo };
    struct Press {
        Control control = Control::None;
        int string = -1; // for Control::String, 0 (low E) ... 5
        int step = 0;    // -1 or +1
    };
    // What a point on the card asks for (view points).
    static Press pressAt(Point p);
    // Where the card lies on the screen.
    static constexpr Rect kFrame{0, 4, 214, 472};

    // options: where tunings are kept (not owned); null keeps them on the card.
    explicit TuningCard(SongOptions* options);
    ~TuningCard() override;

    // Shows the guitar's tuning, with an empty answer line.
    void showGuitar(int guitar);
    // Acts on a press; returns the answer line's new text.
    std::string press(const Press& press);
    void setOptions(SongOptions* options) { options_ = options; }

    int guitar() const { return guitar_; }
    const Label& presetLabel() const { return *preset_; }
    const Label& stringLabel(int string) const { return *strings_[static_cast<std::size_t>(string)]; }
    const Label& capoLabel() const { return *capo_; }
    const Label& guitarLabel() const { return *guitarName_; }
    const Label& answerLabel() const { return *answer_; }

private:
    SongOptions& options();
    void redraw();
    // Applies a tuning; the answer is the refusal, or the tuning now.
    std::string apply(const GuitarTuning& tuning);
    Label* addLabel(Point centre, float along, float across, float size, int alignment,
                    const std::string& text);

    SongOptions* options_;
    SongOptions ownOptions_;
    int guitar_ = 0;
    std::vector<std::unique_ptr<View>> views_;
    Label* guitarName_ = nullptr;
    Label* preset_ = nullptr;
    std::array<Label*, GuitarTuning::kNumStrings> strings_{};
    Label* capo_ = nullptr;
    Label* answer_ = nullptr;
};
