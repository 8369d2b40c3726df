#include "recorder/WhammyBarChange.h"

WhammyBarChange::WhammyBarChange(double time, float pitch, int overdubNo)
    : time_(time), pitch_(pitch), overdubNo_(overdubNo) {}
