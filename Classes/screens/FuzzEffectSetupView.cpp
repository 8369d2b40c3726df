#include "screens/FuzzEffectSetupView.h"

FuzzEffectSetupView::FuzzEffectSetupView(ScreenHost* parent, SoundEngine* soundEngine)
    : EffectSetupView(parent, soundEngine, FuzzEffect::kDescriptor) {}

FuzzEffectSetupView::~FuzzEffectSetupView() = default;
