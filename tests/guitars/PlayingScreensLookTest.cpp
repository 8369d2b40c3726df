// What the four playing screens show, checked through one table: the
// recording and play lights follow the recorder with the menu closed and sit
// where no control is; every text on the playing surface reads at a contrast
// of at least 4.5 : 1 against what is drawn behind it (measured on the drawn
// frame, with the bundle's pictures). With STRUMWELL_GUITAR_SHOTS set to a
// folder each screen is saved at rest, recording, playing back and with its
// menu open.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "GuitarTestRig.h"
#include "guitars/HammerOnGuitarView.h"
#include "guitars/ManualFretAndPluckGuitarView.h"
#include "guitars/ScaleGuitarView.h"
#include "guitars/TabGuitarView.h"
#include "platform/Application.h"
#include "storage/Tab.h"

using namespace guitartest;
namespace fs = std::filesystem;

namespace {

// The bundle beside the test programs (build/bundle), or the one named.
std::string bundleFolder() {
    if (const char* bundle = std::getenv("STRUMWELL_GUITAR_BUNDLE"))
        return bundle;
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : (exe.parent_path().parent_path() / "bundle").string();
}

bool bundleHasPictures(const std::string& bundle) {
    std::error_code ec;
    return fs::exists(fs::path(bundle) / "HammerOnFretboard.jpg", ec);
}

struct Window {
    ManualClock clock{100.0};
    std::unique_ptr<Application> app;
    std::string bundle = bundleFolder();

    Window() {
        ApplicationOptions o;
        o.headless = true;
        // Pictures saved to be looked at are drawn as a phone would.
        o.windowScale = std::getenv("STRUMWELL_GUITAR_SHOTS") ? 2 : 1;
        o.clock = &clock;
        o.paced = false;
        o.handleSignals = false;
        o.bundleFolder = bundle;
        app = std::make_unique<Application>(o);
    }
    void turn(int frames = 1) {
        for (int i = 0; i < frames; ++i) {
            clock.advance(1.0 / 60);
            app->runFrames(1);
        }
    }
    void shot(const std::string& name) {
        if (const char* folder = std::getenv("STRUMWELL_GUITAR_SHOTS"))
            app->saveScreenshot(std::string(folder) + "/" + name + ".png");
    }
};

// One playing screen with its own engine, recorder and tab.
struct Screen {
    std::string name;
    Rig rig{false};
    Tab tab;
    std::unique_ptr<GuitarScreenView> view;
    // Something a touch could have changed besides the notes.
    std::function<std::string()> state;
};

std::unique_ptr<Screen> makeScreen(const std::string& name) {
    auto s = std::make_unique<Screen>();
    s->name = name;
    SoundEngine* engine = &s->rig.engine;
    if (name == "manual") {
        auto* v = new ManualFretAndPluckGuitarView(nullptr, engine);
        s->view.reset(v);
        s->state = [v] {
            return std::to_string(v->leftmostFret()) + "/" + std::to_string(v->numFretsToShow());
        };
    } else if (name == "hammer") {
        auto* v = new HammerOnGuitarView(nullptr, engine);
        s->view.reset(v);
        s->state = [v] {
            return std::to_string(v->leftmostFret()) + "/" + std::to_string(v->numFretsToShow());
        };
    } else if (name == "tab") {
        s->tab.addNotesToTab(0, "x32010");
        s->tab.addNotesToTab(1, "022100");
        Tab* tab = &s->tab;
        auto* v = new TabGuitarView(nullptr, engine, tab);
        s->view.reset(v);
        s->state = [v, tab] {
            return std::to_string(tab->currentTabIndex()) + "/" + std::to_string(v->holdPosition()) + "/" +
                   std::to_string(v->draggingKnob());
        };
    } else {
        auto* v = new ScaleGuitarView(nullptr, engine);
        v->setCurrentScale(3); // one of the longest names: "4 - Melodic Minor (asc)"
        s->view.reset(v);
        s->state = [v] { return std::to_string(v->currentKey()) + "/" + std::to_string(v->currentScale()); };
    }
    s->view->redraw();
    return s;
}

const char* const kScreens[] = {"manual", "hammer", "tab", "scale"};

// Puts one note into the song, so that it can be played back.
void recordANote(Rig& rig) {
    rig.recorder.record();
    const int voice = rig.engine.playSampleWithGuitar(0, 10);
    rig.clock.advance(0.5);
    rig.engine.stopAndRecordSample(voice);
    rig.stopAndMerge();
}

// WCAG relative luminance and contrast.
double channel(double c) {
    c /= 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}
double luminance(double r, double g, double b) {
    return 0.2126 * channel(r) + 0.7152 * channel(g) + 0.0722 * channel(b);
}
double contrast(double l1, double l2) {
    return (std::max(l1, l2) + 0.05) / (std::min(l1, l2) + 0.05);
}

void collectLabels(View* view, std::vector<Label*>& out) {
    if (view->isHidden() || view->alpha() <= 0.01f)
        return;
    if (auto* label = dynamic_cast<Label*>(view); label && !label->text().empty())
        out.push_back(label);
    for (View* child : view->subviews())
        collectLabels(child, out);
}

float effectiveAlpha(const View* view) {
    float a = 1;
    for (const View* v = view; v; v = v->superview())
        a *= v->alpha();
    return a;
}

// The worst contrast (10th percentile over the text's pixels) of a label
// against what is behind it: the frame is drawn with and without the label;
// the pixels that change are the text, the frame without it the background.
double labelContrast(Window& w, Label& label) {
    int width = 0, height = 0;
    const std::vector<std::uint8_t> with = w.app->captureLandscape(&width, &height);
    label.setHidden(true);
    w.turn();
    const std::vector<std::uint8_t> without = w.app->captureLandscape(&width, &height);
    label.setHidden(false);
    w.turn();
    const Color text = label.textColor();
    const Color own = label.backgroundColor();
    const double alpha = text.a / 255.0 * effectiveAlpha(&label);
    std::vector<double> ratios;
    for (size_t i = 0; i + 3 < with.size(); i += 4) {
        const int diff = std::abs(with[i] - without[i]) + std::abs(with[i + 1] - without[i + 1]) +
                         std::abs(with[i + 2] - without[i + 2]);
        if (diff < 40)
            continue;
        double bg[3] = {double(without[i]), double(without[i + 1]), double(without[i + 2])};
        if (!own.isClear()) {
            const double a = own.a / 255.0;
            bg[0] = own.r * a + bg[0] * (1 - a);
            bg[1] = own.g * a + bg[1] * (1 - a);
            bg[2] = own.b * a + bg[2] * (1 - a);
        }
        const double fg[3] = {text.r * alpha + bg[0] * (1 - alpha), text.g * alpha + bg[1] * (1 - alpha),
                              text.b * alpha + bg[2] * (1 - alpha)};
        ratios.push_back(contrast(luminance(fg[0], fg[1], fg[2]), luminance(bg[0], bg[1], bg[2])));
    }
    if (ratios.empty())
        return 21; // drawn off the screen or under something opaque
    std::sort(ratios.begin(), ratios.end());
    return ratios[ratios.size() / 10];
}

} // namespace

TEST(PlayingScreens, LightsShowTheRecorderWithTheMenuClosed) {
    for (const char* name : kScreens) {
        SCOPED_TRACE(name);
        std::unique_ptr<Screen> s = makeScreen(name);
        GuitarScreenView& v = *s->view;
        auto lit = [&] { return std::vector<float>{v.recordingLight().alpha(), v.playingLight().alpha()}; };
        EXPECT_EQ(lit(), (std::vector<float>{0, 0}));
        v.processTouches({down(1, {20, 20}), up(1, {20, 20})});   // the plectrum
        v.processTouches({down(2, {30, 400}), up(2, {30, 400})}); // Record: the menu closes
        ASSERT_FALSE(v.menuShowing());
        EXPECT_EQ(lit(), (std::vector<float>{1, 0}));
        v.stopRecording();
        EXPECT_EQ(lit(), (std::vector<float>{0, 0}));

        recordANote(s->rig);
        v.processTouches({down(3, {20, 20}), up(3, {20, 20})});
        v.processTouches({down(4, {30, 330}), up(4, {30, 330})}); // Play: the menu stays
        v.processTouches({down(5, {20, 20}), up(5, {20, 20})});
        ASSERT_FALSE(v.menuShowing());
        EXPECT_EQ(lit(), (std::vector<float>{0, 1}));
        s->rig.recorder.stop();
        v.playbackEnded();
        EXPECT_EQ(lit(), (std::vector<float>{0, 0}));

        // Below the veil and the menu's bars, above the playing surface.
        const auto& subviews = v.subviews();
        const auto at = [&](const View& child) {
            return std::find(subviews.begin(), subviews.end(), &child) - subviews.begin();
        };
        EXPECT_LT(at(v.recordingLight()), at(v.greyout()));
        EXPECT_LT(at(v.playingLight()), at(v.greyout()));
        EXPECT_FALSE(v.recordingLight().isUserInteractionEnabled());
    }
}

TEST(PlayingScreens, LightsCoverNoControl) {
    // Touches anywhere on the lights do nothing at all.
    for (const char* name : kScreens) {
        SCOPED_TRACE(name);
        std::unique_ptr<Screen> s = makeScreen(name);
        s->rig.recorder.record();
        GuitarScreenView& v = *s->view;
        const Rect f = v.recordingLight().frame();
        EXPECT_EQ(f, v.playingLight().frame());
        EXPECT_GE(f.x, 0);
        EXPECT_GE(f.y, 0);
        const std::string before = s->state();
        long id = 10;
        for (float x = f.x + 0.5f; x < f.x + f.width; x += 2)
            for (float y = f.y + 0.5f; y < f.y + f.height; y += 2) {
                v.processTouches({down(++id, {x, y})});
                v.processTouches({up(id, {x, y})});
            }
        EXPECT_FALSE(v.menuShowing());
        EXPECT_EQ(s->state(), before);
        EXPECT_EQ(s->rig.fresh(), Log{});
    }
}

TEST(PlayingScreens, EveryTextReadsAgainstWhatIsBehindIt) {
    Window w;
    std::string error;
    ASSERT_TRUE(w.app->initialize(&error)) << error;
    if (!bundleHasPictures(w.bundle))
        GTEST_SKIP() << "no pictures in " << w.bundle;
    for (const char* name : kScreens) {
        SCOPED_TRACE(name);
        std::unique_ptr<Screen> s = makeScreen(name);
        GuitarScreenView& v = *s->view;
        w.app->rootView().addSubview(&v);
        w.turn(2);
        w.shot(std::string(name) + "-rest");
        std::vector<Label*> labels;
        collectLabels(&v, labels);
        EXPECT_FALSE(labels.empty());
        for (Label* label : labels)
            EXPECT_GE(labelContrast(w, *label), 4.5) << "\"" << label->text() << "\"";

        // The other looks, to be seen.
        s->rig.recorder.record();
        v.redrawOnRecPlayPresses();
        w.turn(2);
        w.shot(std::string(name) + "-recording");
        s->rig.recorder.stop();
        recordANote(s->rig);
        s->rig.recorder.play();
        v.redrawOnRecPlayPresses();
        w.turn(2);
        w.shot(std::string(name) + "-playing");
        v.processTouches({down(1, {20, 20}), up(1, {20, 20})});
        w.turn(30);
        w.shot(std::string(name) + "-menu");
        s->rig.recorder.stop();
        v.removeFromSuperview();
    }
}
