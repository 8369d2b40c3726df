#pragma once
#include <algorithm>
#include <array>
#include <span>
#include <vector>

#include "audio/EffectsChain.h"
#include "system/CommandLine.h"
#include "system/Geometry.h"
#include "ui/ScreenHost.h"

// What sort of screen it is; --list-screens prints it.
enum class ScreenKind { Playing, Editor, Pedal, Menu, Setup, Library, Manual };

// One screen as the rest of the program knows it, without the code that
// builds it (that is app/ScreenRegistry, which must hold a factory for every
// entry here).
struct ScreenInfo {
    ScreenHost::ScreenNo number;
    ScreenKind kind;
    // What --help and --list-screens call it.
    const char* name;
    // Its entry in the manual's contents, or null; the page it names is the
    // one whose heading is this text in capitals.
    const char* manualTopic = nullptr;
    // Its help button opens the manual at the title page rather than at its
    // topic (the main menu; the manual itself, which has no topic).
    bool helpOpensTitlePage = false;
    // A playing screen's button on the guitar chooser's picture.
    Rect chooserButton = {};
    // What a playing screen's keys do, in words, for its manual page: a
    // sentence fragment that follows a colon; null when it has no key map.
    const char* keys = nullptr;
    // A screen that must exist before this one is created (and is shown its
    // arrival too), or kNoScreen.
    int createFirst = ScreenHost::kNoScreen;
    // Slides in from the left when shown and is revealed away to the right
    // when left by going back (the manual); otherwise screens fade.
    bool slides = false;
    // How the screen joins the back stack: screens that share a group other
    // than kNoBackGroup are siblings (the pedals), and moving between
    // siblings replaces the screen instead of stacking it, so going back
    // leaves the group at once.
    int backGroup = kNoBackGroup;

    static constexpr int kNoBackGroup = 0;
    static constexpr int kPedals = 1;
};

// The entries of `listed` and one made by pedal(descriptor) for each unit of
// the effects chain, in number order. The catalog and the registry's
// factories are both built this way, so the two lists cannot differ.
template <class Entry, std::size_t N, class F>
constexpr auto withPedalScreens(const Entry (&listed)[N], F pedal) {
    std::array<Entry, N + EffectsChain::kNumUnits> all{};
    auto out = std::ranges::copy(listed, all.begin()).out;
    forEachEffectDescriptor([&](const auto& d, int) { *out++ = pedal(d); });
    std::ranges::sort(all, {}, [](const Entry& e) { return static_cast<int>(e.number); });
    return all;
}

// Every screen, declared once, in number order: the guitar chooser, the
// manual's contents, the screens told when playback ends, the factories'
// check, and the command line's --screen, --help and --list-screens all read
// it. Adding a screen means a number in ScreenHost, an entry here, its class,
// and its factory in app/ScreenRegistry.cpp. The pedal screens are not
// listed: each unit of the effects chain (audio/EffectsChain.h) brings its
// own, numbered and named by its descriptor, and app/ScreenRegistry makes
// them from the same list.
//
// Threads: any (constant data).
class ScreenCatalog {
public:
    using S = ScreenHost;
    using K = ScreenKind;

    // Every screen but the pedals, in number order.
    static constexpr ScreenInfo kListed[] = {
        {.number = S::kTabGuitar,
         .kind = K::Playing,
         .name = "Tab Guitar",
         .manualTopic = "The 'Tab Guitar'",
         .chooserButton = {44, 76, 124, 160},
         .keys = "A, S, D, F, G and H touch the pickup over the six strings, low E to high E; J holds HOLD "
                 "down; the left and right arrow keys step through the tab; N and M play the fret and tap "
                 "noises"},
        // The editor strums through the Tab Guitar's settings: that screen
        // exists first.
        {.number = S::kTabGuitarSetup,
         .kind = K::Editor,
         .name = "tab editor",
         .manualTopic = "Programming the 'Tab Guitar'",
         .createFirst = S::kTabGuitar},
        {.number = S::kManualFretGuitar,
         .kind = K::Playing,
         .name = "Manual Fret guitar",
         .manualTopic = "The 'Manual Fret' Guitar",
         .chooserButton = {169, 54, 151, 175},
         .keys = "A, S, D, F, G and H pluck the strings from the low E to the high E over the pickup, press "
                 "them in turn to strum, and Space is MUTE"},
        {.number = S::kHammerOnGuitar,
         .kind = K::Playing,
         .name = "Hammer-On guitar",
         .manualTopic = "The 'Hammer-On' Guitar",
         .chooserButton = {160, 246, 160, 179},
         .keys =
             "each row of keys holds one string's frets, one key per fret from the nut: Z, X, C, V... the "
             "low E, A, S, D, F... the A, Q, W, E, R... the D and 1, 2, 3, 4... the G string; with Shift "
             "held the same rows hold the D, G, B and high E strings"},
        {.number = S::kMainMenu,
         .kind = K::Menu,
         .name = "main menu",
         .manualTopic = "Main Menu",
         .helpOpensTitlePage = true},
        {.number = S::kChooseGuitar, .kind = K::Menu, .name = "guitar chooser", .manualTopic = "Guitar Menu"},
        {.number = S::kSetupMenu, .kind = K::Menu, .name = "setup menu", .manualTopic = "Setup Menu"},
        {.number = S::kEffectsSetupMenu,
         .kind = K::Menu,
         .name = "effects menu",
         .manualTopic = "Effects Setup"},
        {.number = S::kGuitarPatchMenu,
         .kind = K::Setup,
         .name = "patch setup",
         .manualTopic = "Patch Setup"},
        {.number = S::kScaleGuitar,
         .kind = K::Playing,
         .name = "Scale Guitar",
         .manualTopic = "The 'Scale Guitar'",
         .chooserButton = {26, 250, 128, 187},
         .keys = "the strip's bands in order: Z to / the first ten, A to ' the next eleven, Q to ] the next "
                 "twelve and 1 to = the last twelve"},
        {.number = S::kTabGuitarLoadSave,
         .kind = K::Library,
         .name = "tab library",
         .manualTopic = "Loading and Saving Tab"},
        {.number = S::kRecorder, .kind = K::Library, .name = "recorder (songs)", .manualTopic = "Recorder"},
        {.number = S::kManual,
         .kind = K::Manual,
         .name = "instruction manual",
         .helpOpensTitlePage = true,
         .slides = true},
        {.number = S::kAppSetup,
         .kind = K::Setup,
         .name = "application setup",
         .manualTopic = "Application Setup"},
        {.number = S::kPractice, .kind = K::Setup, .name = "practice", .manualTopic = "Practice"},
    };
    static constexpr auto kScreens = withPedalScreens(kListed, [](const auto& d) {
        return ScreenInfo{.number = static_cast<S::ScreenNo>(d.screen),
                          .kind = K::Pedal,
                          .name = d.screenName,
                          .manualTopic = d.manualTopic,
                          .backGroup = ScreenInfo::kPedals};
    });
    static_assert(std::ranges::adjacent_find(kScreens, {}, &ScreenInfo::number) == kScreens.end(),
                  "two screens share a number: a pedal's descriptor needs a number of its own");

    static std::span<const ScreenInfo> all() { return kScreens; }
    // The entry for a screen number, or null when the number names no screen.
    static const ScreenInfo* find(int screenNo);
    // The kind as --list-screens prints it: "playing", "pedal"...
    static const char* kindName(ScreenKind kind);
    // Every screen as the command line offers it (--screen, --help,
    // --list-screens).
    static std::vector<CommandLine::Screen> forCommandLine();
    // The highest screen number.
    static constexpr int kLastNumber = [] {
        int last = 0;
        for (const ScreenInfo& s : kScreens)
            last = s.number > last ? s.number : last;
        return last;
    }();
};
