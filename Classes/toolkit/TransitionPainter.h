#pragma once
#include <functional>

#include "system/Geometry.h"
#include "toolkit/ViewTransition.h"

class Graphics;
class Image;

// Draws one moment of a layer transition in a view's bounds: the old look (a
// picture of the view as it was) and the new one (the view drawing itself),
// crossed, slid in or slid away as the type and direction say.
class TransitionPainter {
public:
    // progress: 0 at the start, 1 at the end (eased already). oldLook may be
    // null (nothing had been drawn): only the new look shows then.
    static void paint(Graphics& g, Size size, TransitionType type, TransitionDirection direction,
                      float progress, const Image* oldLook,
                      const std::function<void(Graphics&)>& drawNewLook);

    // A look's offset when it has moved `amount` of the way off toward the
    // side it comes from (FromLeft: toward x = 0, by amount times the width).
    static Point offsetToward(TransitionDirection direction, Size size, float amount);
};
