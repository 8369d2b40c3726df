#include "screens/PracticeView.h"
#include "screens/CardBar.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "recorder/Practice.h"
#include "recorder/SongOptions.h"
#include "recorder/Transport.h"
#include "system/MainThreadQueue.h"
#include "system/MetronomeSettings.h"
#include "toolkit/Graphics.h"
#include "ui/ScreenHost.h"

namespace {

using Action = PracticeView::Action;
using Readout = PracticeView::Readout;

// Over the picture's card, title and all; the corner buttons stay clear.
constexpr Rect kCard{6, 8, 275, 464};
constexpr Color kCardColor{226, 214, 187, 255};
// Dimmed, yet every caption still reads clearly.
constexpr float kDisabledAlpha = 0.6f;

// Rows across x, the top row (the time line) at the largest x; each row's
// controls along y, the user's left to right.
constexpr HitArea<Action> kAreas[] = {
    {{178, 16, 36, 448}, Action::TimeLine},  {{120, 16, 30, 84}, Action::SetA},
    {{120, 104, 30, 84}, Action::SetB},      {{120, 192, 30, 84}, Action::Loop},
    {{120, 280, 30, 84}, Action::Play},      {{84, 16, 30, 40}, Action::SpeedDown},
    {{84, 156, 30, 40}, Action::SpeedUp},    {{84, 204, 30, 84}, Action::Trainer},
    {{84, 292, 30, 40}, Action::TargetDown}, {{84, 424, 30, 40}, Action::TargetUp},
    {{48, 16, 30, 84}, Action::Click},       {{48, 104, 30, 360}, Action::ClickVolume},
    {{12, 16, 30, 40}, Action::TempoDown},   {{12, 156, 30, 40}, Action::TempoUp},
    {{12, 204, 30, 64}, Action::Tap},        {{12, 276, 30, 40}, Action::BeatsDown},
    {{12, 424, 30, 40}, Action::BeatsUp},
};

// Each readout's centre, length (along y) and thickness.
struct ReadoutPlace {
    Point centre;
    float along, across;
};
constexpr ReadoutPlace kReadouts[] = {
    {{165, 240}, 448, 22}, // times
    {{135, 416}, 96, 30},  // status
    {{99, 106}, 100, 30},  // speed
    {{99, 378}, 92, 30},   // target
    {{27, 106}, 100, 30},  // tempo
    {{27, 370}, 108, 30},  // beats
};

Rect areaOf(Action action) {
    for (const HitArea<Action>& area : kAreas)
        if (area.action == action)
            return area.rect;
    return {};
}

std::string onOff(const char* what, bool on) {
    return std::string(what) + (on ? " On" : " Off");
}

} // namespace

Action PracticeView::actionForPoint(Point p) {
    return actionIn(areas(), p, Action::Back, Action::Help, Action::None);
}

std::span<const HitArea<Action>> PracticeView::areas() {
    return kAreas;
}

int PracticeView::tempoForTaps(std::span<const double> intervals) {
    if (intervals.empty())
        return 0;
    const double mean = std::accumulate(intervals.begin(), intervals.end(), 0.0) / intervals.size();
    if (!(mean > 0))
        return 0;
    return std::clamp(static_cast<int>(std::lround(60.0 / mean)), SongTiming::kMinTempo,
                      SongTiming::kMaxTempo);
}

PracticeView::PracticeView(ScreenHost* parent, Transport* transport, const Clock& clock)
    : MenuScreenView(parent, "MenuApplicationBack.jpg"), transport_(transport), clock_(clock),
      keys_(*this, parent, [this](const std::string& text) { answer(text); }) {
    card_ = std::make_unique<View>();
    card_->setFrame(kCard);
    card_->setBackgroundColor(kCardColor);
    card_->setUserInteractionEnabled(false);
    addSubview(card_.get());
    title_ = sidewaysLabel({240, 240}, 340, 36, 24, TextAlignment::Center);
    title_->setText("Practice");
    addSubview(title_.get());
    timeLine_ = std::make_unique<PracticeTimeLine>(areaOf(Action::TimeLine));
    addSubview(timeLine_.get());
    const auto add = [this](std::unique_ptr<View> view, View& into) {
        into.addSubview(view.get());
        views_.push_back(std::move(view));
        return views_.back().get();
    };
    for (const HitArea<Action>& area : kAreas) {
        if (area.action == Action::TimeLine)
            continue;
        const Rect r = area.rect;
        View* bar = add(std::make_unique<CardBar>(r), *this);
        bars_[static_cast<std::size_t>(area.action)] = bar;
        if (area.action == Action::ClickVolume) {
            auto fill = std::make_unique<View>();
            fill->setBackgroundColor(Color{196, 230, 180, 255});
            fill->setUserInteractionEnabled(false);
            volumeFill_ = add(std::move(fill), *bar);
        }
        captions_[static_cast<std::size_t>(area.action)] =
            static_cast<Label*>(add(sidewaysLabel({r.width / 2, r.height / 2}, r.height, r.width, 14), *bar));
    }
    for (std::size_t i = 0; i < readouts_.size(); ++i) {
        const ReadoutPlace& place = kReadouts[i];
        readouts_[i] = static_cast<Label*>(
            add(sidewaysLabel(place.centre, place.along, place.across, i == 0 ? 13 : 15), *this));
    }
    for (Action a : {Action::SpeedDown, Action::TargetDown, Action::TempoDown, Action::BeatsDown})
        captions_[static_cast<std::size_t>(a)]->setText("-");
    for (Action a : {Action::SpeedUp, Action::TargetUp, Action::TempoUp, Action::BeatsUp})
        captions_[static_cast<std::size_t>(a)]->setText("+");
    captions_[static_cast<std::size_t>(Action::SetA)]->setText("Set A");
    captions_[static_cast<std::size_t>(Action::SetB)]->setText("Set B");
    captions_[static_cast<std::size_t>(Action::Tap)]->setText("Tap");
    pressed_.setHidden(true);
    addSubview(&pressed_);
    redraw();
}

PracticeView::~PracticeView() {
    alive_.reset();
}

Practice* PracticeView::practice() const {
    return parent() ? parent()->practice() : nullptr;
}

SongOptions* PracticeView::songOptions() const {
    return parent() ? parent()->songOptions() : nullptr;
}

bool PracticeView::playing() const {
    return transport_ && transport_->getState() != 0;
}

bool PracticeView::enabled(Action action) const {
    switch (action) {
    case Action::Play:
        return transport_ != nullptr;
    case Action::TempoDown:
    case Action::TempoUp:
    case Action::Tap:
    case Action::BeatsDown:
    case Action::BeatsUp:
        return songOptions() != nullptr;
    default:
        return practice() != nullptr;
    }
}

void PracticeView::redraw() {
    Practice* p = practice();
    const auto text = [this](Action a, const std::string& s) {
        captions_[static_cast<std::size_t>(a)]->setText(s);
    };
    const auto lit = [this](Action a, bool on) { bars_[static_cast<std::size_t>(a)]->setTag(on ? 1 : 0); };
    const auto show = [this](Readout r, const std::string& s) {
        readouts_[static_cast<std::size_t>(r)]->setText(s);
    };
    for (const HitArea<Action>& area : kAreas)
        if (area.action != Action::TimeLine) {
            View* bar = bars_[static_cast<std::size_t>(area.action)];
            bar->setAlpha(enabled(area.action) ? 1.0f : kDisabledAlpha);
            bar->setNeedsDisplay();
        }
    timeLine_->setAlpha(p ? 1.0f : kDisabledAlpha);
    text(Action::Play, playing() ? "Stop" : "Play");
    const bool loopOn = p && p->loopOn(), trainerOn = p && p->trainerOn();
    const bool clickOn = p ? p->clickOn() : MetronomeSettings::on();
    const float volume = p ? p->clickVolume() : MetronomeSettings::volume();
    text(Action::Loop, onOff("Loop", loopOn));
    text(Action::Trainer, onOff("Trainer", trainerOn));
    text(Action::Click, onOff("Click", clickOn));
    lit(Action::Loop, loopOn);
    lit(Action::Trainer, trainerOn);
    lit(Action::Click, clickOn);
    const Rect v = areaOf(Action::ClickVolume);
    volumeFill_->setFrame({4, 4, v.width - 8, (v.height - 8) * std::clamp(volume, 0.0f, 1.0f)});
    text(Action::ClickVolume, "Click volume " + std::to_string(std::lround(volume * 100)) + " %");
    if (p) {
        timeLine_->show({p->songLength(), p->loopStart(), p->loopEnd(), p->loopOn(), p->songPosition()});
        show(Readout::Times, "A " + PracticeKeys::timeText(p->loopStart()) + "    B " +
                                 PracticeKeys::timeText(p->loopEnd()) + "    at " +
                                 PracticeKeys::timeText(p->songPosition()) + " of " +
                                 PracticeKeys::timeText(p->songLength()));
        show(Readout::Speed, "Speed " + std::to_string(p->speedPercent()) + " %");
        show(Readout::Target, "Target " + std::to_string(p->trainerTarget()) + " %");
        std::string status = status_;
        if (p->countInBeatsLeft() > 0)
            status = "Count-in " + std::to_string(p->countInBeatsLeft());
        else if (playing() && p->loopOn())
            status = "Pass " + std::to_string(p->loopPasses() + 1);
        show(Readout::Status, status);
    } else {
        show(Readout::Times, "No song playback");
        for (Readout r : {Readout::Status, Readout::Speed, Readout::Target})
            show(r, "");
    }
    if (const SongOptions* options = songOptions()) {
        const SongTiming timing = options->timing();
        show(Readout::Tempo, timing.hasTempo() ? std::to_string(timing.tempo) + " BPM" : "No tempo");
        show(Readout::Beats,
             std::to_string(timing.beatsPerBar) + (timing.beatsPerBar == 1 ? " beat" : " beats") + " / bar");
    } else {
        show(Readout::Tempo, "");
        show(Readout::Beats, "");
    }
    if (playing() && superview())
        follow();
}

void PracticeView::follow() {
    if (following_ || !parent())
        return;
    following_ = true;
    std::weak_ptr<bool> alive = alive_;
    parent()->mainThreadQueue().postDelayed(kFollowSeconds, [this, alive] {
        if (alive.expired())
            return;
        following_ = false;
        redraw();
    });
}

void PracticeView::willAppear(int, int) {
    PracticeKeys::applyMetronomeSettings(parent());
    pressed_.setHidden(true);
    dragFinger_.reset();
    status_.clear();
    redraw();
}

void PracticeView::answer(const std::string& text) {
    status_ = text;
    redraw();
}

void PracticeView::stepTempo(int by) {
    SongOptions* options = songOptions();
    SongTiming timing = options->timing();
    timing.tempo = std::clamp((timing.hasTempo() ? timing.tempo : SongTiming::kDefaultTempo - by) + by,
                              SongTiming::kMinTempo, SongTiming::kMaxTempo);
    options->setTiming(timing);
}

void PracticeView::stepBeats(int by) {
    SongOptions* options = songOptions();
    SongTiming timing = options->timing();
    timing.beatsPerBar = std::clamp(timing.beatsPerBar + by, 1, SongTiming::kMaxBeatsPerBar);
    options->setTiming(timing);
}

void PracticeView::tap(double now) {
    if (lastTap_ && now - *lastTap_ <= kLongestTapInterval) {
        tapIntervals_.push_back(now - *lastTap_);
        if (tapIntervals_.size() > kTapIntervals)
            tapIntervals_.erase(tapIntervals_.begin());
        if (const int tempo = tempoForTaps(tapIntervals_); tempo > 0 && songOptions()) {
            SongTiming timing = songOptions()->timing();
            timing.tempo = tempo;
            songOptions()->setTiming(timing);
        }
    } else {
        tapIntervals_.clear();
    }
    lastTap_ = now;
}

void PracticeView::setVolumeAt(float y) {
    const Rect r = areaOf(Action::ClickVolume);
    const float volume = std::clamp((y - r.y - 4) / (r.height - 8), 0.0f, 1.0f);
    MetronomeSettings::setVolume(volume);
    practice()->setClickVolume(volume);
}

void PracticeView::act(Action action, Point p) {
    Practice* practice = this->practice();
    switch (action) {
    case Action::SetA:
        status_ = PracticeKeys::perform(*practice, PracticeKeys::Command::SetA);
        break;
    case Action::SetB:
        status_ = PracticeKeys::perform(*practice, PracticeKeys::Command::SetB);
        break;
    case Action::Loop:
        PracticeKeys::perform(*practice, PracticeKeys::Command::Loop);
        break;
    case Action::Play:
        if (playing())
            transport_->stop();
        else if (transport_->getNumNotes() == 0)
            status_ = "The song is empty";
        else
            transport_->play();
        break;
    case Action::SpeedDown:
    case Action::SpeedUp:
        PracticeKeys::perform(*practice, action == Action::SpeedUp ? PracticeKeys::Command::Faster
                                                                   : PracticeKeys::Command::Slower);
        break;
    case Action::Trainer:
        practice->setTrainer(!practice->trainerOn(), practice->trainerTarget());
        break;
    case Action::TargetDown:
    case Action::TargetUp:
        practice->setTrainer(practice->trainerOn(),
                             practice->trainerTarget() +
                                 (action == Action::TargetUp ? Practice::kSpeedStep : -Practice::kSpeedStep));
        break;
    case Action::Click:
        MetronomeSettings::setOn(!practice->clickOn());
        practice->setClickOn(MetronomeSettings::on());
        if (parent())
            parent()->saveAppSettings();
        break;
    case Action::ClickVolume:
        setVolumeAt(p.y);
        break;
    case Action::TempoDown:
    case Action::TempoUp:
        stepTempo(action == Action::TempoUp ? 1 : -1);
        break;
    case Action::Tap:
        tap(clock_.now());
        break;
    case Action::BeatsDown:
    case Action::BeatsUp:
        stepBeats(action == Action::BeatsUp ? 1 : -1);
        break;
    default:
        break;
    }
}

void PracticeView::fingerDown(const Touch& touch) {
    const Point p = touch.location;
    const Action action = actionForPoint(p);
    if (action == Action::Back || action == Action::Help) {
        perform(cornerChoice(p));
        return;
    }
    if (action == Action::None || !enabled(action))
        return;
    if (action == Action::TimeLine || action == Action::ClickVolume) {
        dragFinger_ = touch.id;
        dragAction_ = action;
        dragStartY_ = p.y;
        dragged_ = false;
    }
    if (action != Action::TimeLine) {
        pressed_.setFrame(areaOf(action));
        pressed_.setHidden(false);
        bringSubviewToFront(&pressed_);
        act(action, p);
    }
    redraw();
}

void PracticeView::fingerMove(const Touch& touch) {
    const Point p = touch.location;
    if (dragFinger_ == touch.id && dragAction_ == Action::TimeLine) {
        dragged_ = dragged_ || std::fabs(p.y - dragStartY_) > 3;
        if (dragged_ && practice()) {
            const double a = timeLine_->timeAt(dragStartY_), b = timeLine_->timeAt(p.y);
            practice()->setLoop(std::min(a, b), std::max(a, b));
            practice()->setLoopOn(true);
            redraw();
        }
        return;
    }
    if (dragFinger_ == touch.id && dragAction_ == Action::ClickVolume && practice()) {
        setVolumeAt(p.y);
        redraw();
        return;
    }
    if (!pressed_.isHidden() && !isInsideOpen(pressed_.frame(), p))
        pressed_.setHidden(true);
}

void PracticeView::fingerUp(const Touch& touch) {
    if (dragFinger_ == touch.id) {
        if (dragAction_ == Action::ClickVolume && parent())
            parent()->saveAppSettings();
        dragFinger_.reset();
    }
    pressed_.setHidden(true);
}
