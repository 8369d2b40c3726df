#include "app/ScreenRegistry.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "app/Strumwell.h"
#include "guitars/HammerOnGuitarView.h"
#include "guitars/ManualFretAndPluckGuitarView.h"
#include "guitars/ScaleGuitarView.h"
#include "guitars/TabGuitarSetupView.h"
#include "guitars/TabGuitarView.h"
#include "screens/ChooseGuitarView.h"
#include "screens/DelayEffectSetupView.h"
#include "screens/FuzzEffectSetupView.h"
#include "screens/ManualView.h"
#include "screens/MenuAppSetupView.h"
#include "screens/MenuEffectsSetupView.h"
#include "screens/MenuMainView.h"
#include "screens/MenuSetupGuitarPatchView.h"
#include "screens/MenuSetupView.h"
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

// In the catalog's order.
constexpr ScreenEntry kScreens[] = {
    {ScreenHost::kTabGuitar, [](Strumwell& a) { return make<TabGuitarView>(&a, a.performer(), a.tab()); }},
    {ScreenHost::kTabGuitarSetup,
     [](Strumwell& a) { return make<TabGuitarSetupView>(&a, a.performer(), a.tab()); }},
    {ScreenHost::kDelayEffectSetup,
     [](Strumwell& a) { return make<DelayEffectSetupView>(&a, a.performer()); }},
    {ScreenHost::kManualFretGuitar,
     [](Strumwell& a) { return make<ManualFretAndPluckGuitarView>(&a, a.performer()); }},
    {ScreenHost::kHammerOnGuitar, [](Strumwell& a) { return make<HammerOnGuitarView>(&a, a.performer()); }},
    {ScreenHost::kMainMenu, [](Strumwell& a) { return make<MenuMainView>(&a); }},
    {ScreenHost::kChooseGuitar, [](Strumwell& a) { return make<ChooseGuitarView>(&a); }},
    {ScreenHost::kSetupMenu, [](Strumwell& a) { return make<MenuSetupView>(&a); }},
    {ScreenHost::kEffectsSetupMenu, [](Strumwell& a) { return make<MenuEffectsSetupView>(&a); }},
    {ScreenHost::kGuitarPatchMenu,
     [](Strumwell& a) { return make<MenuSetupGuitarPatchView>(&a, a.performer()); }},
    {ScreenHost::kFuzzEffectSetup, [](Strumwell& a) { return make<FuzzEffectSetupView>(&a, a.performer()); }},
    {ScreenHost::kScaleGuitar, [](Strumwell& a) { return make<ScaleGuitarView>(&a, a.performer()); }},
    {ScreenHost::kTabGuitarLoadSave,
     [](Strumwell& a) { return make<TabGuitarLoadSaveView>(&a, a.soundEngine(), a.fileManager()); }},
    {ScreenHost::kRecorder,
     [](Strumwell& a) { return make<RecorderView>(&a, a.soundEngine(), a.fileManager(), a.recorder()); }},
    {ScreenHost::kManual, [](Strumwell& a) { return make<ManualView>(&a); }},
    {ScreenHost::kAppSetup, [](Strumwell& a) { return make<MenuAppSetupView>(&a, a.soundEngine()); }},
    {ScreenHost::kWahEffectSetup, [](Strumwell& a) { return make<WahEffectSetupView>(&a, a.performer()); }},
};

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
