#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

// Orders two song events of any kind (Note, PitchChange, WhammyBarChange,
// WahChange) by time: 1 when a is later than b, -1 when earlier, 0 when equal.
// The context argument is ignored. Any thread.
template <class A, class B> int timeCompare(const A& a, const B& b, void* /*context*/ = nullptr) {
    if (a.time() > b.time()) {
        return 1;
    }
    if (a.time() < b.time()) {
        return -1;
    }
    return 0;
}

// Sorts an event list by time, keeping events of equal time in the order in
// which they were recorded. A time that is not a number (only a damaged song
// file can bring one) goes to the end, so the ordering stays a strict weak
// ordering, which the sort needs to stay inside the list.
template <class Event> void sortByTime(std::vector<Event>& events) {
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
        if (std::isnan(a.time())) {
            return false;
        }
        if (std::isnan(b.time())) {
            return true;
        }
        return timeCompare(a, b) < 0;
    });
}
