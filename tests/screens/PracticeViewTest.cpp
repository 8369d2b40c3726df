// The Practice screen over a fake of song playback: each control as a row
// of a table (the value it changes and the text that answers), the loop
// drawn along the time line, the keys on it and on a playing screen, the
// Recorder Bar's PRACTICE item, and what is drawn as values change and
// while the song plays.

#include "screens/PracticeView.h"
#include "app/AppSettings.h"
#include "audio/SoundEngine.h"
#include "guitars/ScaleGuitarView.h"
#include "recorder/Recorder.h"
#include "screens/LibraryTestSupport.h"
#include "support/FakeScreenHost.h"
#include "support/Picture.h"
#include "system/MetronomeSettings.h"
#include "toolkit/KeyRouter.h"

#include <variant>

using library_test::inside;
using namespace testsupport;

namespace {

using A = PracticeView::Action;
using R = PracticeView::Readout;

// The screen in a headless window over song playback (a song of 10 s,
// stopped at 3 s), and its pictures.
struct Rig {
    ManualClock clock{100};
    AppFolders folders;
    Application app{headlessOptions(clock, folders.bundle())};
    SoundEngine engine{nullptr, nullptr, folders.bundle(), clock};
    Recorder model{nullptr, &engine, clock, false};
    FakeScreenHost host{clock};
    std::unique_ptr<PracticeView> view;
    explicit Rig(bool withModel = true) {
        EXPECT_TRUE(app.initialize(nullptr));
        Song song;
        song.events.emplace();
        song.events->notes = {Note(10, 0.8f, 0.0, 1, 0, 0.0, 0.0), Note(10.0, 0, 0.0)};
        model.load(song);
        model.play();
        clock.advance(3);
        model.stop();
        host.practiceModel = withModel ? &model : nullptr;
        host.options = withModel ? &host.ownOptions : nullptr;
        view = std::make_unique<PracticeView>(&host, &model, clock);
        app.rootView().addSubview(view.get());
        view->willAppear(0, 0);
    }
    void tap(A action, int times = 1) {
        for (int i = 0; i < times; ++i) {
            const Point p = inside(PracticeView::areas(), action);
            view->processTouches({down(1, p)});
            EXPECT_EQ(view->pressedLook().isHidden(), action == A::TimeLine || !host.practiceModel)
                << int(action);
            view->processTouches({up(1, p)});
        }
    }
    Picture picture() {
        clock.advance(PracticeView::kFollowSeconds);
        host.queue.runPending();
        return {app, clock, 0};
    }
    std::string text(R r) const { return view->readout(r).text(); }
    std::string caption(A a) const { return view->caption(a).text(); }
};

} // namespace

TEST(Practice, EachControlChangesItsValueAndSaysSo) {
    // The texts read the value back from playback, so they show that it changed.
    struct Case {
        A action;
        int times;
        std::variant<A, R> shown;
        std::string text;
        std::function<bool(Rig&)> also = {};
    };
    const Case cases[] = {
        {A::SetA, 1, R::Status, "A 0:03.0", [](Rig& g) { return g.model.loopStart() == 3; }},
        {A::SetB, 1, R::Times, "A 0:00.0    B 0:03.0    at 0:03.0 of 0:10.0"},
        {A::Loop, 1, A::Loop, "Loop On"},
        {A::SpeedDown, 2, R::Speed, "Speed 90 %"},
        {A::SpeedUp, 1, R::Speed, "Speed 105 %"},
        {A::Trainer, 1, A::Trainer, "Trainer On"},
        {A::TargetUp, 3, R::Target, "Target 115 %"},
        {A::TargetDown, 1, R::Target, "Target 95 %"},
        {A::Click, 1, A::Click, "Click On",
         [](Rig& g) { return MetronomeSettings::on() && g.host.saves == 1; }},
        {A::ClickVolume, 1, A::ClickVolume, "Click volume 50 %"},
        {A::TempoUp, 2, R::Tempo, "122 BPM"},
        {A::TempoDown, 1, R::Tempo, "119 BPM"},
        {A::BeatsDown, 3, R::Beats, "1 beat / bar"},
        {A::BeatsUp, 1, R::Beats, "5 beats / bar"},
        {A::Play, 1, A::Play, "Stop"},
        {A::Play, 2, A::Play, "Play"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.action));
        MetronomeSettings::setOn(false);
        Rig g;
        g.tap(c.action, c.times);
        const A* caption = std::get_if<A>(&c.shown);
        EXPECT_EQ(caption ? g.caption(*caption) : g.text(std::get<R>(c.shown)), c.text);
        EXPECT_TRUE(!c.also || c.also(g));
    }
    // Without song playback every control is dimmed and does nothing, but
    // the corners still lead back and to the manual.
    Rig none(false);
    none.tap(A::Loop);
    EXPECT_FALSE(none.model.loopOn());
    EXPECT_LT(none.view->timeLine().alpha(), 1);
    none.view->processTouches({down(2, {300, 20})});
    none.view->processTouches({down(3, {300, 460})});
    EXPECT_EQ(none.host.shown, (std::vector<int>{-1, ScreenHost::kManual}));
}

TEST(Practice, TapsSetTheTempoFromTheirLastIntervals) {
    const double half[] = {0.5, 0.5}, uneven[] = {0.4, 0.6, 0.5};
    EXPECT_EQ(PracticeView::tempoForTaps(half), 120);
    EXPECT_EQ(PracticeView::tempoForTaps(uneven), 120);
    Rig g;
    for (double t : {0.0, 0.5, 1.0, 4.0, 4.25})
        g.view->tap(t);
    EXPECT_EQ(g.host.ownOptions.timing().tempo, 240); // the pause of 3 s started a new count
    EXPECT_EQ(g.text(R::Tempo), "120 BPM") << "drawn at the next redraw";
}

TEST(Practice, AFingerAlongTheTimeLineDrawsTheLoopAndItIsDrawn) {
    Rig g;
    const Rect line = library_test::areaOf(PracticeView::areas(), A::TimeLine);
    const auto yOf = [&](double t) { return float(line.y + 8 + (line.height - 16) * t / 10); };
    const auto before = g.picture();
    g.view->processTouches({down(1, {195, yOf(6)})});
    g.view->processTouches({move(1, {195, yOf(4)}, {195, yOf(6)})});
    g.view->processTouches({move(1, {195, yOf(2)}, {195, yOf(4)})});
    g.view->processTouches({up(1, {195, yOf(2)})});
    EXPECT_TRUE(g.model.loopOn());
    EXPECT_EQ(g.text(R::Times), "A 0:02.0    B 0:06.0    at 0:03.0 of 0:10.0");
    // The band is drawn inside the loop, and nothing changed beyond it.
    const auto after = g.picture();
    EXPECT_NE(before.at({192, yOf(5)}), after.at({192, yOf(5)}));
    EXPECT_EQ(before.at({192, yOf(8)}), after.at({192, yOf(8)}));
    // The speed readout's pixels follow its value.
    g.tap(A::SpeedUp);
    const auto faster = g.picture();
    EXPECT_NE(after.px, faster.px) << "speed readout";
    // While the song plays the play head moves; stopped, nothing is redrawn.
    g.tap(A::Play);
    g.clock.advance(5); // once round the loop
    g.model.runPlaybackPass();
    const auto moved = g.picture();
    const float head = yOf(g.model.songPosition());
    EXPECT_NE(faster.at({192, head}), moved.at({192, head}));
    EXPECT_EQ(g.text(R::Status), "Pass 2");
    g.model.stop();
    g.picture();
    EXPECT_FALSE(g.view->following());
}

TEST(Practice, KeysActOnThePracticeScreenAndThePlayingScreensAndAreAnswered) {
    Rig g;
    ScaleGuitarView scale(&g.host, nullptr);
    // Each key and its answer, which reads the new value back from playback.
    const std::pair<Key, std::string> steps[] = {{Key::F5, "A 0:03.0"},
                                                 {Key::F6, "B 0:03.0"},
                                                 {Key::F7, "Loop On"},
                                                 {Key::F8, "Speed 95 %"},
                                                 {Key::F9, "Speed 100 %"}};
    // The answer on show: a label of the screen with the text.
    const std::function<bool(View&, const std::string&)> shows = [&](View& v, const std::string& text) {
        const auto* label = dynamic_cast<const Label*>(&v);
        if (label && !v.isHidden() && label->text() == text)
            return true;
        return std::ranges::any_of(v.subviews(), [&](View* child) { return shows(*child, text); });
    };
    g.view->removeFromSuperview();
    for (FingerView* screen : {static_cast<FingerView*>(g.view.get()), static_cast<FingerView*>(&scale)}) {
        g.model.setLoopOn(false);
        g.app.rootView().addSubview(screen);
        for (const auto& [key, answer] : steps) {
            for (bool down : {true, false})
                g.app.injectKey(KeyEvent{.key = key, .name = {}}, down);
            g.app.runFrames(1);
            EXPECT_TRUE(shows(*screen, answer)) << answer;
        }
        screen->removeFromSuperview();
    }
    // The line goes after a moment.
    g.clock.advance(PracticeKeys::kAnswerSeconds);
    g.host.queue.runPending();
    EXPECT_FALSE(shows(scale, "Speed 100 %"));
    // The Recorder Bar's PRACTICE item leads to the screen.
    g.app.rootView().addSubview(&scale);
    scale.processTouches({down(1, {31, 29}), up(1, {31, 29})});
    scale.processTouches({down(2, GuitarScreenView::kPracticeItem.center())});
    EXPECT_EQ(g.host.shown, std::vector<int>{ScreenHost::kPractice});
}

TEST(Practice, TheMetronomeIsKeptWithTheAppSettings) {
    AppSettings::apply("click 1\nclickVolume 0.25\n");
    EXPECT_NE(AppSettings::text().find("click 1\nclickVolume 0.2500\n"), std::string::npos);
    Rig g; // handed to playback as the screen appears
    EXPECT_TRUE(g.model.clickOn());
    EXPECT_EQ(g.model.clickVolume(), 0.25f);
    AppSettings::apply("click 0\nclickVolume 0.5\n");
}
