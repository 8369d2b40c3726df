#include "system/Clock.h"

#include <chrono>

double SystemClock::now() const {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

SystemClock& SystemClock::shared() {
    static SystemClock clock;
    return clock;
}
