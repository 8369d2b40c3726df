// Every screen of the menus, setups, recorder, tab library, tab editor and
// manual as the user sees it, drawn headless with the real pictures: each
// text reads clearly against what is drawn behind it, and no two texts run
// into each other. One table of screens and modes drives both checks.
//
// Each text is measured from the pixels: the screen is drawn once as it is
// and once with that label's text made invisible (its background stays),
// so the pixels that change are the text's and the second picture is what
// lies behind them.

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <vector>

#include "screens/InAppSupport.h"
#include "screens/ManualPages.h"
#include "toolkit/HitTable.h"
#include "toolkit/Label.h"

#ifdef STRUMWELL_TEST_BUNDLE_DIR

namespace {

constexpr double kMinimumContrast = 4.5;
using S = Strumwell;

// A screen, the taps from the screen as it opens, and further states
// measured in the same run, each one more tap at `next` away; with songs and
// tabs enough to fill the lists saved before the screen opens if `full`.
struct Case {
    const char* name;
    int screen;
    std::vector<Point> taps = {};
    int moreStates = 0;
    Point next = {};
    bool full = false;
};

// The tab editor's chord state shows another key of the chord.
const Case kCases[] = {
    {"main-menu", S::kMainMenu},
    {"choose-guitar", S::kChooseGuitar},
    {"setup-menu", S::kSetupMenu},
    {"effects-menu", S::kEffectsSetupMenu},
    {"patch-setup", S::kGuitarPatchMenu},
    {"patch-tuning", S::kGuitarPatchMenu, {{231, 408}}},
    {"app-setup", S::kAppSetup},
    {"app-setup-midi", S::kAppSetup, {{232, 376}}},
    {"practice", S::kPractice},
    {"delay", S::kDelayEffectSetup, {}, 1, {40, 240}},
    {"fuzz", S::kFuzzEffectSetup, {}, 1, {40, 240}},
    {"wah", S::kWahEffectSetup, {}, 1, {150, 240}},
    {"recorder-modify", S::kRecorder},
    {"recorder-box", S::kRecorder, {{256, 250}}},
    {"recorder-songs-full", S::kRecorder, {{180, 50}}, 0, {}, true},
    {"tab-library-full", S::kTabGuitarLoadSave, {}, 0, {}, true},
    {"tab-library-box", S::kTabGuitarLoadSave, {{220, 418}}, 0, {}, true},
    {"tab-library-menu", S::kTabGuitarLoadSave, {{20, 20}}},
    {"tab-editor-tab", S::kTabGuitarSetup, {{20, 20}, {220, 182}, {20, 20}}},
    {"tab-editor-chord", S::kTabGuitarSetup, {{20, 20}, {220, 182}, {220, 182}, {20, 20}, {197, 144}}},
    {"tab-editor-menu", S::kTabGuitarSetup, {{20, 20}}},
    {"tab-editor-erase-box", S::kTabGuitarSetup, {{20, 20}, {220, 300}}},
    {"manual", S::kManual, {}, ManualPages::kNumPages - 1, {300, 450}},
    {"manual-fret", S::kManualFretGuitar},
    {"hammer-on", S::kHammerOnGuitar},
    {"scale-guitar", S::kScaleGuitar},
    {"tab-guitar", S::kTabGuitar}};

// The contrast ratio of two sRGB pixels, from their relative luminance.
double contrast(const std::uint8_t* a, const std::uint8_t* b) {
    const auto luminance = [](const std::uint8_t* p) {
        double sum = 0;
        for (int c = 0; c < 3; ++c) {
            const double v = p[c] / 255.0;
            sum += std::array{0.2126, 0.7152, 0.0722}[c] *
                   (v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4));
        }
        return sum;
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// One text as drawn: the contrast of its strongest pixels against what is
// behind them, and the box (inclusive, landscape pixels) where it changed them.
struct Look {
    std::string screen, text;
    double contrast = 0;
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
    void add(int x, int y) {
        x0 = std::min(x0, x);
        y0 = std::min(y0, y);
        x1 = std::max(x1, x);
        y1 = std::max(y1, y);
    }
    bool overlaps(const Look& o) const { return x0 <= o.x1 && o.x0 <= x1 && y0 <= o.y1 && o.y0 <= y1; }
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

void flatten(View& v, std::vector<View*>& out) {
    out.push_back(&v);
    for (View* child : v.subviews())
        flatten(*child, out);
}

// The labels on show with text, leaving out those under a veil (a view
// drawn later that darkens them on purpose, such as a menu's or a message
// box's): those are not meant to be read.
std::vector<Label*> readableLabels(View& root) {
    std::vector<View*> order; // drawing order
    flatten(root, order);
    std::vector<Label*> out;
    for (auto it = order.begin(); it != order.end(); ++it) {
        auto* label = dynamic_cast<Label*>(*it);
        if (!label || label->text().empty() || shownAlpha(*label) <= 0)
            continue;
        const Point c = label->convertPointTo(label->bounds().center(), nullptr);
        if (std::none_of(it + 1, order.end(), [&](const View* v) {
                return v->backgroundColor().a / 255.0f * shownAlpha(*v) >= 0.5f &&
                       isInsideOpen(v->bounds(), v->convertPointFrom(c, nullptr)) &&
                       !label->isDescendantOf(v);
            }))
            out.push_back(label);
    }
    return out;
}

// Each readable text of the screen on show, measured from the pixels.
void measureState(screens_test::InAppRun& r, const std::string& name, std::vector<Look>& looks) {
    int w = 0, h = 0;
    const auto capture = [&] {
        r.app().runFrames(1);
        return r.app().captureLandscape(&w, &h);
    };
    const std::vector<std::uint8_t> with = capture();
    for (Label* label : readableLabels(r.app().rootView())) {
        const Color color = label->textColor();
        label->setTextColor(Color{color.r, color.g, color.b, 0});
        const std::vector<std::uint8_t> without = capture();
        label->setTextColor(color);
        // The pixels the text changed, and how much; its box from the clearly changed.
        Look look{name, label->text()};
        std::vector<std::pair<int, std::size_t>> changed;
        for (std::size_t i = 0; i < with.size(); i += 4) {
            int d = 0;
            for (int c = 0; c < 3; ++c)
                d += std::abs(with[i + c] - without[i + c]);
            if (d > 0)
                changed.emplace_back(d, i);
            if (d > 24)
                look.add(int(i / 4 % w), int(i / 4 / w));
        }
        if (changed.empty())
            continue; // wholly covered: nothing of it can be seen
        // The glyphs' cores: the most changed pixels, which the edges'
        // smoothing does not dilute.
        std::sort(changed.rbegin(), changed.rend());
        std::vector<double> ratios;
        for (const auto& [d, i] : changed)
            if (d * 10 >= changed.front().first * 8)
                ratios.push_back(contrast(&with[i], &without[i]));
        std::nth_element(ratios.begin(), ratios.begin() + ratios.size() / 2, ratios.end());
        look.contrast = ratios[ratios.size() / 2];
        looks.push_back(look);
    }
}

// Each state of a case is a screen of its own for the checks.
void measure(const Case& c, std::vector<std::vector<Look>>& states) {
    screens_test::InAppRun r(STRUMWELL_TEST_BUNDLE_DIR);
    if (c.full) {
        // The lists read only the names; the files are not opened.
        for (const char* name : {"Blues In A", "Campfire Song With A Rather Long Name", "Cello Suite",
                                 "Drop D", "Etude", "Folk Tune", "Gypsy Jazz"})
            for (const char* ext : {".SAV", ".TAB"})
                std::ofstream(std::filesystem::path(r.folders.docs()) / (std::string(name) + ext));
    }
    r.go(c.screen);
    for (Point p : c.taps)
        r.tap(p);
    for (int i = 0; i <= c.moreStates; ++i) {
        if (i > 0)
            r.tap(c.next);
        measureState(r, c.name + (i > 0 ? "-" + std::to_string(i) : std::string()), states.emplace_back());
    }
}

} // namespace

TEST(ScreenLook, EveryTextStandsOutFromWhatIsBehindItAndNoTwoRunIntoEachOther) {
    std::vector<std::vector<Look>> states;
    for (const Case& c : kCases)
        measure(c, states);
    for (const auto& screen : states)
        for (auto a = screen.begin(); a != screen.end(); ++a) {
            SCOPED_TRACE(a->screen + ": \"" + a->text + "\"");
            EXPECT_GE(a->contrast, kMinimumContrast);
            for (auto b = a + 1; b != screen.end(); ++b)
                EXPECT_FALSE(a->overlaps(*b)) << "and \"" << b->text << "\"";
        }
}

#endif
