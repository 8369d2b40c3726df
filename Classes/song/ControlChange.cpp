#include "song/ControlChange.h"

ControlChange::ControlChange(double time, float pitch, int overdubNo)
    : time_(time), pitch_(pitch), overdubNo_(overdubNo) {}
