#include "screens/FuzzEffectSetupView.h"

FuzzEffectSetupView::FuzzEffectSetupView(ScreenHost* parent, Performer* performer)
    : EffectSetupView(parent, performer, FuzzEffect::kDescriptor) {}

FuzzEffectSetupView::~FuzzEffectSetupView() = default;
