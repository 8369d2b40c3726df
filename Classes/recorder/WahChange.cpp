#include "recorder/WahChange.h"

WahChange::WahChange(double time, float pitch, int overdubNo)
    : time_(time), pitch_(pitch), overdubNo_(overdubNo) {}
