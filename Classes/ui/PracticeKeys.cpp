#include "ui/PracticeKeys.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "recorder/Practice.h"
#include "system/MainThreadQueue.h"
#include "system/MetronomeSettings.h"
#include "toolkit/FingerView.h"
#include "ui/ScreenHost.h"

namespace {

// Across the top of the sideways screen, clear of the corner buttons.
constexpr Rect kLineFrame{250 - 130, 240 - 13, 260, 26};

} // namespace

std::optional<PracticeKeys::Command> PracticeKeys::commandFor(Key key) {
    switch (key) {
    case Key::F5:
        return Command::SetA;
    case Key::F6:
        return Command::SetB;
    case Key::F7:
        return Command::Loop;
    case Key::F8:
        return Command::Slower;
    case Key::F9:
        return Command::Faster;
    default:
        return std::nullopt;
    }
}

std::string PracticeKeys::timeText(double seconds) {
    const long tenths = std::lround(std::max(0.0, seconds) * 10);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld.%ld", tenths / 600, tenths / 10 % 60, tenths % 10);
    return text;
}

void PracticeKeys::setA(Practice& practice, double at) {
    const double end = practice.loopEnd() > at + Practice::kMinLoop
                           ? practice.loopEnd()
                           : std::max(practice.songLength(), at + Practice::kMinLoop);
    practice.setLoop(at, end);
}

void PracticeKeys::setB(Practice& practice, double at) {
    practice.setLoop(practice.loopStart() < at - Practice::kMinLoop ? practice.loopStart() : 0.0, at);
}

std::string PracticeKeys::perform(Practice& practice, Command command) {
    switch (command) {
    case Command::SetA:
        setA(practice, practice.songPosition());
        return "A " + timeText(practice.loopStart());
    case Command::SetB:
        setB(practice, practice.songPosition());
        return "B " + timeText(practice.loopEnd());
    case Command::Loop:
        practice.setLoopOn(!practice.loopOn());
        return practice.loopOn() ? "Loop On" : "Loop Off";
    case Command::Slower:
    case Command::Faster:
        practice.setSpeedPercent(practice.speedPercent() +
                                 (command == Command::Faster ? Practice::kSpeedStep : -Practice::kSpeedStep));
        break;
    }
    return "Speed " + std::to_string(practice.speedPercent()) + " %";
}

void PracticeKeys::applyMetronomeSettings(ScreenHost* host) {
    if (Practice* practice = host ? host->practice() : nullptr) {
        practice->setClickOn(MetronomeSettings::on());
        practice->setClickVolume(MetronomeSettings::volume());
    }
}

PracticeKeys::PracticeKeys(FingerView& screen, ScreenHost* host,
                           std::function<void(const std::string&)> answer)
    : screen_(screen), host_(host), answer_(std::move(answer)), line_(kLineFrame) {
    line_.setRotation(kQuarterTurn);
    line_.setFont("Helvetica", 15);
    line_.setTextAlignment(TextAlignment::Center);
    line_.setTextColor(Color{255, 236, 190, 255});
    line_.setBackgroundColor(Color{20, 20, 22, 215});
    line_.setUserInteractionEnabled(false);
    line_.setHidden(true);
    applyMetronomeSettings(host);
}

PracticeKeys::~PracticeKeys() {
    if (hideToken_ != 0 && host_)
        host_->mainThreadQueue().cancel(hideToken_);
    line_.removeFromSuperview();
}

bool PracticeKeys::keyDown(const KeyEvent& event) {
    const std::optional<Command> command = commandFor(event.key);
    if (!command || event.ctrl || event.alt)
        return false;
    if (event.repeat && *command != Command::Slower && *command != Command::Faster)
        return true; // a held key does its work once
    Practice* practice = host_ ? host_->practice() : nullptr;
    if (!practice || !screen_.superview() || !screen_.canReceiveTouches() || screen_.hasModal())
        return false;
    const std::string text = perform(*practice, *command);
    if (answer_)
        answer_(text);
    else
        showLine(text);
    return true;
}

void PracticeKeys::showLine(const std::string& text) {
    line_.setText(text);
    if (line_.superview() != &screen_)
        screen_.addSubview(&line_);
    screen_.bringSubviewToFront(&line_);
    line_.setHidden(false);
    MainThreadQueue& queue = host_->mainThreadQueue();
    if (hideToken_ != 0)
        queue.cancel(hideToken_);
    hideToken_ = queue.postDelayed(kAnswerSeconds, [this] {
        hideToken_ = 0;
        line_.setHidden(true);
    });
}
