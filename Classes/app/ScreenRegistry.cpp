#include "app/ScreenRegistry.h"

#include <algorithm>
#include <iterator>
#include <type_traits>
#include <utility>

#include "app/Strumwell.h"
#include "guitars/HammerOnGuitarView.h"
#include "guitars/ManualFretAndPluckGuitarView.h"
#include "guitars/ScaleGuitarView.h"
#include "guitars/TabGuitarSetupView.h"
#include "guitars/TabGuitarView.h"
#include "recorder/Recorder.h"
#include "screens/ChooseGuitarView.h"
#include "screens/DelayEffectSetupView.h"
#include "screens/FuzzEffectSetupView.h"
#include "screens/ManualView.h"
#include "screens/MenuAppSetupView.h"
#include "screens/MenuEffectsSetupView.h"
#include "screens/MenuMainView.h"
#include "screens/MenuSetupGuitarPatchView.h"
#include "screens/MenuSetupView.h"
#include "screens/PracticeView.h"
#include "screens/RecorderView.h"
#include "screens/TabGuitarLoadSaveView.h"
#include "screens/WahEffectSetupView.h"
#include "ui/ScreenCatalog.h"

namespace {

template <class T, class... Args> ScreenEntry::Made make(Args&&... args) {
    auto view = std::make_unique<T>(std::forward<Args>(args)...);
    HostedScreen* screen = view.get();
    return {std::move(view), screen};
}

// A pedal's screen: EffectSetupView built from its descriptor, unless the
// pedal adds something of its own (the delay's tap tempo, the wah's treadle
// marker, the fuzz's names for its knob and readout).
template <class U> struct PedalView { using View = EffectSetupView; };
template <> struct PedalView<DelayEffect> { using View = DelayEffectSetupView; };
template <> struct PedalView<FuzzEffect> { using View = FuzzEffectSetupView; };
template <> struct PedalView<WahEffect> { using View = WahEffectSetupView; };

template <class U> ScreenEntry::Made makePedal(Strumwell& a) {
    using View = typename PedalView<U>::View;
    if constexpr (std::is_same_v<View, EffectSetupView>)
        return make<View>(&a, a.performer(), U::kDescriptor);
    else
        return make<View>(&a, a.performer());
}

// In the catalog's order; the pedals are added from the effects chain.
constexpr ScreenEntry kListed[] = {
    {ScreenHost::kTabGuitar, [](Strumwell& a) { return make<TabGuitarView>(&a, a.performer(), a.tab()); }},
    {ScreenHost::kTabGuitarSetup,
     [](Strumwell& a) { return make<TabGuitarSetupView>(&a, a.performer(), a.tab()); }},
    {ScreenHost::kManualFretGuitar,
     [](Strumwell& a) { return make<ManualFretAndPluckGuitarView>(&a, a.performer()); }},
    {ScreenHost::kHammerOnGuitar, [](Strumwell& a) { return make<HammerOnGuitarView>(&a, a.performer()); }},
    {ScreenHost::kMainMenu, [](Strumwell& a) { return make<MenuMainView>(&a); }},
    {ScreenHost::kChooseGuitar, [](Strumwell& a) { return make<ChooseGuitarView>(&a); }},
    {ScreenHost::kSetupMenu, [](Strumwell& a) { return make<MenuSetupView>(&a); }},
    {ScreenHost::kEffectsSetupMenu, [](Strumwell& a) { return make<MenuEffectsSetupView>(&a); }},
    {ScreenHost::kGuitarPatchMenu,
     [](Strumwell& a) { return make<MenuSetupGuitarPatchView>(&a, a.performer()); }},
    {ScreenHost::kScaleGuitar, [](Strumwell& a) { return make<ScaleGuitarView>(&a, a.performer()); }},
    {ScreenHost::kTabGuitarLoadSave,
     [](Strumwell& a) { return make<TabGuitarLoadSaveView>(&a, a.soundEngine(), a.fileManager()); }},
    {ScreenHost::kRecorder,
     [](Strumwell& a) { return make<RecorderView>(&a, a.soundEngine(), a.fileManager(), a.recorder()); }},
    {ScreenHost::kManual, [](Strumwell& a) { return make<ManualView>(&a); }},
    {ScreenHost::kAppSetup, [](Strumwell& a) { return make<MenuAppSetupView>(&a, a.soundEngine()); }},
    {ScreenHost::kPractice, [](Strumwell& a) { return make<PracticeView>(&a, a.recorder()); }},
};
constexpr auto kScreens = withPedalScreens(kListed, []<class U>(const EffectDescriptor<U>& d) {
    return ScreenEntry{d.screen, &makePedal<U>};
});

// A screen in the catalog without a factory would name a screen that cannot
// be shown; a factory without an entry, one that nothing leads to.
static_assert(std::ranges::equal(kScreens, ScreenCatalog::kScreens, {}, &ScreenEntry::number,
                                 &ScreenInfo::number),
              "every screen of ui/ScreenCatalog needs a factory here, in the same order, and only those");

} // namespace

const ScreenEntry* findScreenEntry(int screenNo) {
    for (const ScreenEntry& entry : kScreens)
        if (entry.number == screenNo)
            return &entry;
    return nullptr;
}
