// Every screen of the menus, setups, recorder, tab library, tab editor and
// manual as the user sees it, drawn headless with the real pictures: each
// text reads clearly against what is drawn behind it, and no two texts run
// into each other. One table of screens and modes drives both checks.
//
// Each text is measured from the pixels: the screen is drawn once as it is
// and once with that label's text made invisible (its background stays),
// so the pixels that change are the text's and the second picture is what
// lies behind them.
//
// The same runs check the keyboard of the screens' own message boxes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "audio/SoundEngine.h"
#include "guitars/TabGuitarSetupView.h"
#include "platform/Label.h"
#include "platform/View.h"
#include "screens/InAppSupport.h"
#include "screens/ManualPages.h"
#include "screens/RecorderView.h"
#include "screens/TabGuitarLoadSaveView.h"
#include "storage/Tab.h"

namespace fs = std::filesystem;

#ifdef STRUMWELL_TEST_BUNDLE_DIR

namespace {

constexpr double kMinimumContrast = 4.5;

// The application over the real pictures.
class AppRun : public screens_test::InAppRun {
public:
    AppRun() : InAppRun(STRUMWELL_TEST_BUNDLE_DIR) {}
    View* shownView() const { return run.shownScreen(); }
    std::string docs() const { return folders.docs(); }
};

using S = Strumwell;

struct Case {
    const char* name;
    int screen;
    std::vector<Point> taps = {}; // from the screen as it opens
    // Songs and tabs enough to fill the lists, saved before the screen opens.
    bool fullLists = false;
    // Further states measured in the same run, each one more tap at `next` away.
    int moreStates = 0;
    Point next = {};
    bool pedalsOn = false; // the effects menu's lights lit
};

const Case kCases[] = {
    {.name = "main-menu", .screen = S::kMainMenu},
    {.name = "choose-guitar", .screen = S::kChooseGuitar},
    {.name = "setup-menu", .screen = S::kSetupMenu},
    {.name = "effects-menu", .screen = S::kEffectsSetupMenu},
    {.name = "effects-menu-lit", .screen = S::kEffectsSetupMenu, .pedalsOn = true},
    {.name = "patch-setup", .screen = S::kGuitarPatchMenu},
    {.name = "app-setup", .screen = S::kAppSetup},
    {.name = "delay", .screen = S::kDelayEffectSetup, .moreStates = 1, .next = {40, 240}},
    {.name = "fuzz", .screen = S::kFuzzEffectSetup, .moreStates = 1, .next = {40, 240}},
    {.name = "wah", .screen = S::kWahEffectSetup, .moreStates = 1, .next = {150, 240}},
    {.name = "recorder-modify", .screen = S::kRecorder},
    {.name = "recorder-box", .screen = S::kRecorder, .taps = {{256, 250}}},
    {.name = "recorder-songs", .screen = S::kRecorder, .taps = {{180, 50}}},
    {.name = "recorder-songs-full", .screen = S::kRecorder, .taps = {{180, 50}}, .fullLists = true},
    {.name = "recorder-songs-box",
     .screen = S::kRecorder,
     .taps = {{180, 50}, {200, 410}},
     .fullLists = true},
    {.name = "tab-library", .screen = S::kTabGuitarLoadSave},
    {.name = "tab-library-full", .screen = S::kTabGuitarLoadSave, .fullLists = true},
    {.name = "tab-library-box", .screen = S::kTabGuitarLoadSave, .taps = {{220, 418}}, .fullLists = true},
    {.name = "tab-library-menu", .screen = S::kTabGuitarLoadSave, .taps = {{20, 20}}},
    {.name = "tab-editor-fret", .screen = S::kTabGuitarSetup},
    {.name = "tab-editor-full", .screen = S::kTabGuitarSetup, .fullLists = true},
    {.name = "tab-editor-tab", .screen = S::kTabGuitarSetup, .taps = {{20, 20}, {220, 182}, {20, 20}}},
    // Another key of the chord.
    {.name = "tab-editor-chord",
     .screen = S::kTabGuitarSetup,
     .taps = {{20, 20}, {220, 182}, {220, 182}, {20, 20}, {197, 144}}},
    {.name = "tab-editor-menu", .screen = S::kTabGuitarSetup, .taps = {{20, 20}}},
    {.name = "tab-editor-erase-box", .screen = S::kTabGuitarSetup, .taps = {{20, 20}, {220, 300}}},
    {.name = "manual", .screen = S::kManual, .moreStates = ManualPages::kNumPages - 1, .next = {300, 450}},
};

// Relative luminance of an sRGB pixel.
double luminance(const std::uint8_t* p) {
    auto channel = [](std::uint8_t v) {
        const double c = v / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(p[0]) + 0.7152 * channel(p[1]) + 0.0722 * channel(p[2]);
}

double contrast(const std::uint8_t* a, const std::uint8_t* b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

struct Box {
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1; // inclusive, landscape pixels
    bool empty() const { return x1 < x0; }
    void add(int x, int y) {
        x0 = std::min(x0, x);
        y0 = std::min(y0, y);
        x1 = std::max(x1, x);
        y1 = std::max(y1, y);
    }
    bool overlaps(const Box& o) const { return x0 <= o.x1 && o.x0 <= x1 && y0 <= o.y1 && o.y0 <= y1; }
};

// One text as drawn.
struct Look {
    std::string screen;
    std::string text;
    double contrast = 0; // of the text's strongest pixels against what is behind them
    Box ink;             // where its pixels changed
};

// How opaque a view is drawn: 0 when it or a view holding it is hidden or
// all but clear.
float shownAlpha(const View& v) {
    float alpha = 1;
    for (const View* a = &v; a; a = a->superview()) {
        if (a->isHidden() || a->presentationAlpha() <= 0.01f)
            return 0;
        alpha *= a->presentationAlpha();
    }
    return alpha;
}

// A view's box in the root view's coordinates (the views only turn by
// quarter turns, so two opposite corners give it).
Rect rootBox(const View& v) {
    const Point a = v.convertPointTo({0, 0}, nullptr);
    const Point b = v.convertPointTo({v.bounds().width, v.bounds().height}, nullptr);
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::fabs(b.x - a.x), std::fabs(b.y - a.y)};
}

// Every view in drawing order.
void flatten(View& v, std::vector<View*>& out) {
    out.push_back(&v);
    for (View* child : v.subviews())
        flatten(*child, out);
}

// The labels on show with text, leaving out those under a veil (a view
// drawn later that darkens them on purpose, such as a menu's or a message
// box's): those are not meant to be read.
std::vector<Label*> readableLabels(View& root) {
    std::vector<View*> order;
    flatten(root, order);
    std::vector<Label*> out;
    for (std::size_t i = 0; i < order.size(); ++i) {
        auto* label = dynamic_cast<Label*>(order[i]);
        if (!label || label->text().empty() || shownAlpha(*label) <= 0)
            continue;
        const Point c = rootBox(*label).center();
        bool veiled = false;
        for (std::size_t j = i + 1; j < order.size() && !veiled; ++j) {
            const View& v = *order[j];
            const Rect box = rootBox(v);
            veiled = v.backgroundColor().a / 255.0f * shownAlpha(v) >= 0.5f && c.x > box.x &&
                     c.x < box.maxX() && c.y > box.y && c.y < box.maxY() && !label->isDescendantOf(&v);
        }
        if (!veiled)
            out.push_back(label);
    }
    return out;
}

void measureState(AppRun& r, const std::string& name, std::vector<Look>& looks) {
    const std::vector<Label*> labels = readableLabels(r.app().rootView());
    int w = 0, h = 0;
    const auto capture = [&] {
        r.app().runFrames(1);
        return r.app().captureLandscape(&w, &h);
    };
    const std::vector<std::uint8_t> with = capture();
    for (Label* label : labels) {
        const Color color = label->textColor();
        label->setTextColor(Color{color.r, color.g, color.b, 0});
        const std::vector<std::uint8_t> without = capture();
        label->setTextColor(color);

        Look look{name, label->text(), 0, {}};
        // The pixels the text changed, and how much.
        std::vector<std::pair<int, std::size_t>> changed;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const std::size_t i = (static_cast<std::size_t>(y) * w + x) * 4;
                const int d = std::abs(with[i] - without[i]) + std::abs(with[i + 1] - without[i + 1]) +
                              std::abs(with[i + 2] - without[i + 2]);
                if (d > 0) {
                    changed.emplace_back(d, i);
                    if (d > 24)
                        look.ink.add(x, y);
                }
            }
        if (changed.empty())
            continue; // wholly covered: nothing of it can be seen
        if (look.ink.empty())
            for (const auto& [d, i] : changed)
                look.ink.add(static_cast<int>(i / 4 % w), static_cast<int>(i / 4 / w));
        // The glyphs' cores: the most changed pixels, which the edges'
        // smoothing does not dilute.
        std::sort(changed.begin(), changed.end(),
                  [](const auto& a, const auto& b) { return a.first > b.first; });
        const int strongest = changed.front().first;
        std::vector<double> ratios;
        for (const auto& [d, i] : changed) {
            if (d * 10 < strongest * 8)
                break;
            ratios.push_back(contrast(&with[i], &without[i]));
        }
        std::nth_element(ratios.begin(), ratios.begin() + ratios.size() / 2, ratios.end());
        look.contrast = ratios[ratios.size() / 2];
        looks.push_back(look);
    }
}

// Each state of a case is a screen of its own for the checks.
std::vector<std::vector<Look>> measure(const Case& c) {
    AppRun r;
    if (c.fullLists) {
        // The lists read only the names; the files are not opened.
        for (const char* name : {"Blues In A", "Campfire Song With A Rather Long Name", "Cello Suite",
                                 "Drop D", "Etude", "Folk Tune", "Gypsy Jazz"}) {
            std::ofstream(fs::path(r.docs()) / (std::string(name) + ".SAV"));
            std::ofstream(fs::path(r.docs()) / (std::string(name) + ".TAB"));
        }
        // And a working tab long enough to fill the tab strip.
        const int32_t columns[3][6] = {{0, 2, 2, 1, 0, 0}, {-1, 0, 2, 2, 2, 0}, {3, 2, 0, 0, 0, 12}};
        for (int i = 0; i < 14; ++i)
            r.shell().tab()->addNotesToTab(i, columns[i % 3]);
        r.shell().tab()->setCurrentTabIndex(4);
    }
    if (c.pedalsOn) {
        r.shell().soundEngine()->setFuzzOn(0, true);
        r.shell().soundEngine()->setWahOn(1, true);
    }
    r.go(c.screen);
    for (Point p : c.taps)
        r.tap(p);
    std::vector<std::vector<Look>> states(1);
    measureState(r, c.name, states.back());
    for (int i = 1; i <= c.moreStates; ++i) {
        r.tap(c.next);
        states.emplace_back();
        measureState(r, std::string(c.name) + "-" + std::to_string(i), states.back());
    }
    return states;
}

// Measured once for both tests.
const std::vector<std::vector<Look>>& allLooks() {
    static const std::vector<std::vector<Look>> looks = [] {
        std::vector<std::vector<Look>> v;
        for (const Case& c : kCases)
            for (auto& state : measure(c))
                v.push_back(std::move(state));
        return v;
    }();
    return looks;
}

} // namespace

TEST(ScreenLook, EveryTextStandsOutFromWhatIsBehindIt) {
    for (const auto& screen : allLooks())
        for (const Look& look : screen) {
            SCOPED_TRACE(look.screen + ": \"" + look.text + "\"");
            EXPECT_GE(look.contrast, kMinimumContrast);
        }
}

TEST(ScreenLook, NoTwoTextsRunIntoEachOther) {
    for (const auto& screen : allLooks())
        for (std::size_t a = 0; a < screen.size(); ++a)
            for (std::size_t b = a + 1; b < screen.size(); ++b) {
                SCOPED_TRACE(screen[a].screen + ": \"" + screen[a].text + "\" and \"" + screen[b].text +
                             "\"");
                EXPECT_FALSE(screen[a].ink.overlaps(screen[b].ink));
            }
}

TEST(MessageBoxKeys, ReturnAnswersOKAndEscapeCancels) {
    struct Box {
        const char* name;
        int screen;
        std::vector<Point> open;
        std::function<bool(View*)> showing;
    };
    const Box boxes[] = {
        {"recorder",
         Strumwell::kRecorder,
         {{96, 250}},
         [](View* v) { return dynamic_cast<RecorderView&>(*v).showingMessageBox(); }},
        {"tab library",
         Strumwell::kTabGuitarLoadSave,
         {{220, 418}},
         [](View* v) { return dynamic_cast<TabGuitarLoadSaveView&>(*v).showingMessageBox(); }},
        // The menu stays open after the box.
        {"tab editor",
         Strumwell::kTabGuitarSetup,
         {{20, 20}, {220, 300}},
         [](View* v) { return dynamic_cast<TabGuitarSetupView&>(*v).messageBoxShowing(); }},
    };
    for (const Box& box : boxes) {
        SCOPED_TRACE(box.name);
        AppRun r;
        std::ofstream(fs::path(r.docs()) / "Riff.TAB"); // something to load
        r.go(box.screen);
        for (Point p : box.open)
            r.tap(p);
        ASSERT_TRUE(box.showing(r.shownView()));
        r.key(Key::Escape);
        EXPECT_FALSE(box.showing(r.shownView()));
        r.tap(box.open.back());
        ASSERT_TRUE(box.showing(r.shownView()));
        r.key(Key::Return);
        // OK may bring a notice of the outcome, which Return closes too.
        if (box.showing(r.shownView()))
            r.key(Key::Return);
        EXPECT_FALSE(box.showing(r.shownView()));
        // With no box up the keys pass on.
        r.key(Key::Return);
        EXPECT_FALSE(box.showing(r.shownView()));
    }
}

#endif
