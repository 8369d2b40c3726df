#include "app/ScreenRegistry.h"

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

namespace {

template <class T, class... Args> ScreenEntry::Made make(Args&&... args) {
    auto view = std::make_unique<T>(std::forward<Args>(args)...);
    HostedScreen* screen = view.get();
    return {std::move(view), screen};
}

constexpr int kNone = ScreenHost::kNoScreen;

// Screen 3 names no screen.
const ScreenEntry kScreens[] = {
    {ScreenHost::kTabGuitar, [](Strumwell& a) { return make<TabGuitarView>(&a, a.soundEngine(), a.tab()); },
     kNone, false, 25, ScreenEntry::kNoBackGroup},
    // The editor strums through the Tab Guitar's settings: that screen exists
    // first.
    {ScreenHost::kTabGuitarSetup,
     [](Strumwell& a) { return make<TabGuitarSetupView>(&a, a.soundEngine(), a.tab()); },
     ScreenHost::kTabGuitar, false, 30, ScreenEntry::kNoBackGroup},
    {ScreenHost::kDelayEffectSetup,
     [](Strumwell& a) { return make<DelayEffectSetupView>(&a, a.soundEngine()); }, kNone, false, 8,
     ScreenEntry::kPedals},
    {ScreenHost::kManualFretGuitar,
     [](Strumwell& a) { return make<ManualFretAndPluckGuitarView>(&a, a.soundEngine()); }, kNone, false, 19,
     ScreenEntry::kNoBackGroup},
    {ScreenHost::kHammerOnGuitar, [](Strumwell& a) { return make<HammerOnGuitarView>(&a, a.soundEngine()); },
     kNone, false, 23, ScreenEntry::kNoBackGroup},
    {ScreenHost::kMainMenu, [](Strumwell& a) { return make<MenuMainView>(&a); }, kNone, false, 0,
     ScreenEntry::kNoBackGroup},
    {ScreenHost::kChooseGuitar, [](Strumwell& a) { return make<ChooseGuitarView>(&a); }, kNone, false, 17,
     ScreenEntry::kNoBackGroup},
    {ScreenHost::kSetupMenu, [](Strumwell& a) { return make<MenuSetupView>(&a); }, kNone, false, 6,
     ScreenEntry::kNoBackGroup},
    {ScreenHost::kEffectsSetupMenu, [](Strumwell& a) { return make<MenuEffectsSetupView>(&a); }, kNone, false,
     7, ScreenEntry::kNoBackGroup},
    {ScreenHost::kGuitarPatchMenu,
     [](Strumwell& a) { return make<MenuSetupGuitarPatchView>(&a, a.soundEngine()); }, kNone, false, 12,
     ScreenEntry::kNoBackGroup},
    {ScreenHost::kFuzzEffectSetup,
     [](Strumwell& a) { return make<FuzzEffectSetupView>(&a, a.soundEngine()); }, kNone, false, 9,
     ScreenEntry::kPedals},
    {ScreenHost::kScaleGuitar, [](Strumwell& a) { return make<ScaleGuitarView>(&a, a.soundEngine()); }, kNone,
     false, 34, ScreenEntry::kNoBackGroup},
    {ScreenHost::kTabGuitarLoadSave,
     [](Strumwell& a) { return make<TabGuitarLoadSaveView>(&a, a.soundEngine(), a.fileManager()); }, kNone,
     false, 33, ScreenEntry::kNoBackGroup},
    {ScreenHost::kRecorder,
     [](Strumwell& a) { return make<RecorderView>(&a, a.soundEngine(), a.fileManager(), a.recorder()); },
     kNone, false, 15, ScreenEntry::kNoBackGroup},
    {ScreenHost::kManual, [](Strumwell& a) { return make<ManualView>(&a); }, kNone, true, 0,
     ScreenEntry::kNoBackGroup},
    {ScreenHost::kAppSetup, [](Strumwell& a) { return make<MenuAppSetupView>(&a, a.soundEngine()); }, kNone,
     false, 14, ScreenEntry::kNoBackGroup},
    {ScreenHost::kWahEffectSetup, [](Strumwell& a) { return make<WahEffectSetupView>(&a, a.soundEngine()); },
     kNone, false, 10, ScreenEntry::kPedals},
};

} // namespace

const ScreenEntry* findScreenEntry(int screenNo) {
    for (const ScreenEntry& entry : kScreens)
        if (entry.number == screenNo)
            return &entry;
    return nullptr;
}
