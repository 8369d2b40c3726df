#pragma once
#include <optional>
#include <span>
#include <vector>

#include "system/Geometry.h"

// A screen's touch areas as data: each area names what a finger down inside it
// does. Keeping them in one table lets tests check every screen the same way
// (inside the screen, no overlaps) instead of copying rectangles.
template <typename Action> struct HitArea {
    Rect rect;
    Action action;
};

// The action of the first area that holds `p`, or nothing.
template <typename Action> std::optional<Action> hitAction(std::span<const HitArea<Action>> areas, Point p) {
    for (const HitArea<Action>& area : areas)
        if (area.rect.contains(p))
            return area.action;
    return std::nullopt;
}

// Whether every area lies inside `bounds` and no two overlap: the property
// every screen's table must have.
template <typename Action>
bool hitAreasAreDisjointWithin(std::span<const HitArea<Action>> areas, Rect bounds) {
    for (std::size_t i = 0; i < areas.size(); ++i) {
        const Rect& a = areas[i].rect;
        if (a.isEmpty() || a.x < bounds.x || a.y < bounds.y || a.maxX() > bounds.maxX() ||
            a.maxY() > bounds.maxY())
            return false;
        for (std::size_t j = i + 1; j < areas.size(); ++j) {
            const Rect& b = areas[j].rect;
            if (a.x < b.maxX() && b.x < a.maxX() && a.y < b.maxY() && b.y < a.maxY())
                return false;
        }
    }
    return true;
}

// The same for open areas, as the screens' pictured buttons are measured: a
// point on an edge shared by two areas belongs to neither. An area that runs
// to the screen's edge is written to run one point past it, so that the edge
// row itself still counts; check such a table within `hitBoundsOf(screen)`.
inline bool isInsideOpen(const Rect& r, Point p) {
    return p.x > r.x && p.x < r.maxX() && p.y > r.y && p.y < r.maxY();
}
template <typename Action>
std::optional<Action> hitActionInside(std::span<const HitArea<Action>> areas, Point p) {
    for (const HitArea<Action>& area : areas)
        if (isInsideOpen(area.rect, p))
            return area.action;
    return std::nullopt;
}

// The table of a screen `height` points high turned upside down (y ->
// height - y), in the same order: a point is in a mirrored area exactly when
// its mirror is in the original (open or closed alike).
template <typename Action>
std::vector<HitArea<Action>> mirroredAlongY(std::span<const HitArea<Action>> areas, float height) {
    std::vector<HitArea<Action>> out;
    for (const HitArea<Action>& a : areas)
        out.push_back({{a.rect.x, height - a.rect.y - a.rect.height, a.rect.width, a.rect.height}, a.action});
    return out;
}

// A screen's bounds with the one-point margin open areas may use.
inline Rect hitBoundsOf(Rect screen) {
    return {screen.x - 1, screen.y - 1, screen.width + 2, screen.height + 2};
}
