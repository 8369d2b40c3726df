#pragma once
// Building touches for the views under test: one finger's began, moved and
// ended, as the platform layer hands them to a view.
#include "toolkit/Touch.h"

namespace testsupport {

inline Touch touch(long id, TouchPhase phase, Point at, Point previous) {
    return {.id = id, .phase = phase, .location = at, .previousLocation = previous};
}
inline Touch down(long id, Point at) {
    return touch(id, TouchPhase::Began, at, at);
}
inline Touch move(long id, Point at, Point previous) {
    return touch(id, TouchPhase::Moved, at, previous);
}
inline Touch up(long id, Point at) {
    return touch(id, TouchPhase::Ended, at, at);
}

} // namespace testsupport
