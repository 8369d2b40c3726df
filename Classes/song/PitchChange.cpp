#include "song/PitchChange.h"

PitchChange::PitchChange(double time, int noteID, float pitch, int overdubNo)
    : time_(time), noteID_(noteID), pitch_(pitch), overdubNo_(overdubNo) {}

float PitchChange::getPitchAndNoteID(int* noteID) const {
    if (noteID != nullptr) {
        *noteID = noteID_;
    }
    return pitch_;
}
