// The Practice screen over a fake of song playback: each control as a row
// of a table (the value it changes and the text that answers), the loop
// drawn along the time line, the keys on it and on a playing screen, the
// Recorder Bar's PRACTICE item, and what is drawn as values change and
// while the song plays.

#include "screens/PracticeView.h"
#include "app/AppSettings.h"
#include "guitars/ScaleGuitarView.h"
#include "recorder/Practice.h"
#include "recorder/SongOptions.h"
#include "recorder/Transport.h"
#include "screens/LibraryTestSupport.h"
#include "system/MainThreadQueue.h"
#include "system/MetronomeSettings.h"
#include "toolkit/KeyRouter.h"

using library_test::inside;
using namespace testsupport;

namespace {

using A = PracticeView::Action;
using R = PracticeView::Readout;

// Song playback as the screens see it, keeping the values as the model
// promises to (ordered loop ends, speeds held to the range in steps).
struct FakePractice : Practice {
    double position = 3, length = 10, a = 0, b = 0;
    bool loop = false, trainer = false, click = false;
    int speed = 100, target = 100, countIn = 0;
    float volume = 0.5f;
    static int held(int p) {
        return std::clamp((p + kSpeedStep / 2) / kSpeedStep * kSpeedStep, kMinSpeed, kMaxSpeed);
    }
    double songPosition() const override { return position; }
    double songLength() const override { return length; }
    void setLoop(double x, double y) override {
        a = std::max(0.0, std::min(x, y));
        b = std::max({x, y, a + kMinLoop});
    }
    double loopStart() const override { return a; }
    double loopEnd() const override { return b; }
    void setLoopOn(bool on) override { loop = on; }
    bool loopOn() const override { return loop; }
    int loopPasses() const override { return 2; }
    void setSpeedPercent(int p) override { speed = held(p); }
    int speedPercent() const override { return speed; }
    void setTrainer(bool on, int t) override { trainer = on, target = held(t); }
    bool trainerOn() const override { return trainer; }
    int trainerTarget() const override { return target; }
    void setClickOn(bool on) override { click = on; }
    bool clickOn() const override { return click; }
    void setClickVolume(float v) override { volume = v; }
    float clickVolume() const override { return volume; }
    int countInBeatsLeft() const override { return countIn; }
};

struct FakeTransport : Transport {
    int state = 0, notes = 10;
    void record() override { state = 2; }
    void stop() override { state = 0; }
    void play() override { state = 1; }
    int getState() override { return state; }
    int getNumNotes() const override { return notes; }
};

struct FakeHost : ScreenHost {
    explicit FakeHost(const Clock& clock) : queue(clock) {}
    Rect frame() const override { return {0, 0, 320, 480}; }
    int currentGuitar() const override { return 0; }
    void setCurrentGuitar(int) override {}
    void incCurrentGuitar() override {}
    void transitionToView(int screen, View*, bool) override { shown.push_back(screen); }
    void transitionBack(View*) override { shown.push_back(-1); }
    int manualStartPage(int) const override { return 0; }
    MainThreadQueue& mainThreadQueue() override { return queue; }
    SoundEngine* soundEngine() const override { return nullptr; }
    const std::string& documentsFolder() const override { return folder; }
    const std::string& bundleFolder() const override { return folder; }
    void saveAppSettings() override { ++saves; }
    void visitWebsite() override {}
    Practice* practice() const override { return model; }
    SongOptions* songOptions() const override { return options; }

    MainThreadQueue queue;
    std::string folder;
    FakePractice* model = nullptr;
    SongOptions* options = nullptr;
    std::vector<int> shown;
    int saves = 0;
};

// The screen in a headless window over the fakes, and its pictures.
struct Rig {
    ManualClock clock{100};
    AppFolders folders;
#ifdef STRUMWELL_TEST_BUNDLE_DIR
    Application app{headlessOptions(clock, STRUMWELL_TEST_BUNDLE_DIR)};
#else
    Application app{headlessOptions(clock, folders.bundle())};
#endif
    FakePractice model;
    SongOptions options;
    FakeTransport transport;
    FakeHost host{clock};
    std::unique_ptr<PracticeView> view;
    explicit Rig(bool withModel = true) {
        EXPECT_TRUE(app.initialize(nullptr));
        host.model = withModel ? &model : nullptr;
        host.options = withModel ? &options : nullptr;
        view = std::make_unique<PracticeView>(&host, &transport, clock);
        app.rootView().addSubview(view.get());
        view->willAppear(0, 0);
    }
    void tap(A action, int times = 1) {
        for (int i = 0; i < times; ++i) {
            const Point p = inside(PracticeView::areas(), action);
            view->processTouches({down(1, p)});
            EXPECT_EQ(view->pressedLook().isHidden(), action == A::TimeLine || !host.model) << int(action);
            view->processTouches({up(1, p)});
        }
    }
    std::vector<std::uint8_t> picture() {
        clock.advance(PracticeView::kFollowSeconds);
        host.queue.runPending();
        app.runFrames(1);
        int h = 0;
        return app.captureLandscape(&w, &h);
    }
    int w = 480;
    std::string text(R r) const {
        return view->readout(r).text();
    }
    std::string caption(A a) const {
        return view->caption(a).text();
    }
};

} // namespace

TEST(Practice, EachControlChangesItsValueAndSaysSo) {
    struct Case {
        A action;
        int times;
        std::function<double(Rig&)> value;
        double expected;
        std::function<std::string(Rig&)> shown;
        std::string text;
    };
    const auto readout = [](R r) { return [r](Rig& g) { return g.text(r); }; };
    const auto caption = [](A a) { return [a](Rig& g) { return g.caption(a); }; };
    const Case cases[] = {
        {A::SetA, 1, [](Rig& g) { return g.model.a; }, 3, readout(R::Status), "A 0:03.0"},
        {A::SetB, 1, [](Rig& g) { return g.model.b; }, 3, readout(R::Times),
         "A 0:00.0    B 0:03.0    at 0:03.0 of 0:10.0"},
        {A::Loop, 1, [](Rig& g) { return g.model.loop; }, 1, caption(A::Loop), "Loop On"},
        {A::SpeedDown, 2, [](Rig& g) { return g.model.speed; }, 90, readout(R::Speed), "Speed 90 %"},
        {A::SpeedUp, 1, [](Rig& g) { return g.model.speed; }, 105, readout(R::Speed), "Speed 105 %"},
        {A::Trainer, 1, [](Rig& g) { return g.model.trainer; }, 1, caption(A::Trainer), "Trainer On"},
        {A::TargetUp, 3, [](Rig& g) { return g.model.target; }, 115, readout(R::Target), "Target 115 %"},
        {A::TargetDown, 1, [](Rig& g) { return g.model.target; }, 95, readout(R::Target), "Target 95 %"},
        {A::Click, 1, [](Rig& g) { return g.model.click && MetronomeSettings::on() && g.host.saves == 1; }, 1,
         caption(A::Click), "Click On"},
        {A::ClickVolume, 1, [](Rig& g) { return g.model.volume; }, 0.5, caption(A::ClickVolume),
         "Click volume 50 %"},
        {A::TempoUp, 2, [](Rig& g) { return g.options.timing().tempo; }, 122, readout(R::Tempo), "122 BPM"},
        {A::TempoDown, 1, [](Rig& g) { return g.options.timing().tempo; }, 119, readout(R::Tempo), "119 BPM"},
        {A::BeatsDown, 3, [](Rig& g) { return g.options.timing().beatsPerBar; }, 1, readout(R::Beats),
         "1 beat / bar"},
        {A::BeatsUp, 1, [](Rig& g) { return g.options.timing().beatsPerBar; }, 5, readout(R::Beats),
         "5 beats / bar"},
        {A::Play, 1, [](Rig& g) { return g.transport.state; }, 1, caption(A::Play), "Stop"},
        {A::Play, 2, [](Rig& g) { return g.transport.state; }, 0, caption(A::Play), "Play"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.action));
        MetronomeSettings::setOn(false);
        Rig g;
        g.tap(c.action, c.times);
        EXPECT_NEAR(c.value(g), c.expected, 0.01);
        EXPECT_EQ(c.shown(g), c.text);
    }
    // Without song playback every control is dimmed and does nothing, but
    // the corners still lead back and to the manual.
    Rig none(false);
    none.tap(A::Loop);
    EXPECT_EQ(none.model.loop, false);
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
    EXPECT_EQ(g.options.timing().tempo, 240); // the pause of 3 s started a new count
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
    EXPECT_NEAR(g.model.a, 2, 0.02);
    EXPECT_NEAR(g.model.b, 6, 0.02);
    EXPECT_TRUE(g.model.loop);
    EXPECT_EQ(g.text(R::Times), "A 0:02.0    B 0:06.0    at 0:03.0 of 0:10.0");
    // The band is drawn inside the loop, and nothing changed beyond it.
    const auto after = g.picture();
    const auto at = [&g](const std::vector<std::uint8_t>& px, float x, float y) {
        const int s = g.w / 480;
        const auto i = (static_cast<std::size_t>((320 - x) * s) * g.w + static_cast<std::size_t>(y * s)) * 4;
        return px[i] | px[i + 1] << 8 | px[i + 2] << 16;
    };
    EXPECT_NE(at(before, 192, yOf(5)), at(after, 192, yOf(5)));
    EXPECT_EQ(at(before, 192, yOf(8)), at(after, 192, yOf(8)));
    // The speed readout's pixels follow its value.
    g.tap(A::SpeedUp);
    const auto faster = g.picture();
    EXPECT_NE(after, faster) << "speed readout";
    // While the song plays the play head moves; stopped, nothing is redrawn.
    g.tap(A::Play);
    EXPECT_TRUE(g.view->following());
    g.model.position = 7;
    const auto moved = g.picture();
    EXPECT_NE(at(faster, 192, yOf(7)), at(moved, 192, yOf(7)));
    EXPECT_EQ(g.text(R::Status), "Pass 3");
    g.transport.state = 0;
    g.picture();
    EXPECT_FALSE(g.view->following());
}

TEST(Practice, KeysActOnThePracticeScreenAndThePlayingScreensAndAreAnswered) {
    Rig g;
    ScaleGuitarView scale(&g.host, nullptr);
    struct Step {
        Key key;
        std::function<double(FakePractice&)> value;
        double expected;
        std::string answer;
    };
    const Step steps[] = {{Key::F5, [](FakePractice& m) { return m.a; }, 3, "A 0:03.0"},
                          {Key::F6, [](FakePractice& m) { return m.b; }, 3, "B 0:03.0"},
                          {Key::F7, [](FakePractice& m) { return m.loop; }, 1, "Loop On"},
                          {Key::F8, [](FakePractice& m) { return m.speed; }, 95, "Speed 95 %"},
                          {Key::F9, [](FakePractice& m) { return m.speed; }, 100, "Speed 100 %"}};
    // The answer on show: a label of the screen with the text.
    const std::function<bool(View&, const std::string&)> shows = [&](View& v, const std::string& text) {
        const auto* label = dynamic_cast<const Label*>(&v);
        if (label && !v.isHidden() && label->text() == text)
            return true;
        return std::ranges::any_of(v.subviews(), [&](View* child) { return shows(*child, text); });
    };
    g.view->removeFromSuperview();
    for (FingerView* screen : {static_cast<FingerView*>(g.view.get()), static_cast<FingerView*>(&scale)}) {
        g.model = FakePractice{};
        g.app.rootView().addSubview(screen);
        for (const Step& s : steps) {
            for (bool down : {true, false})
                g.app.injectKey(KeyEvent{.key = s.key, .name = {}}, down);
            g.app.runFrames(1);
            EXPECT_NEAR(s.value(g.model), s.expected, 0.001);
            EXPECT_TRUE(shows(*screen, s.answer)) << s.answer;
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
    EXPECT_TRUE(MetronomeSettings::on());
    EXPECT_EQ(MetronomeSettings::volume(), 0.25f);
    EXPECT_NE(AppSettings::text().find("click 1\nclickVolume 0.2500\n"), std::string::npos);
    Rig g; // handed to playback as the screen appears
    EXPECT_TRUE(g.model.click);
    EXPECT_EQ(g.model.volume, 0.25f);
    AppSettings::apply("click 0\nclickVolume 0.5\n");
}
