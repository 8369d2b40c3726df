#include "song/Note.h"

Note::Note(int sampleNo, float volume, double time, int overdubNo, int noteID, double releaseDelta,
           double created)
    : sampleNo_(sampleNo), time_(time), keyDown_(true), volume_(volume), overdubNo_(overdubNo),
      created_(created), noteID_(noteID), releaseDelta_(releaseDelta) {}

Note::Note(double time, int noteID, double created)
    : time_(time), keyDown_(false), created_(created), noteID_(noteID) {}
