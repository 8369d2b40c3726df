#include "toolkit/TransitionPainter.h"

#include "toolkit/Graphics.h"
#include "toolkit/Image.h"

Point TransitionPainter::offsetToward(TransitionDirection direction, Size size, float amount) {
    switch (direction) {
    case TransitionDirection::FromLeft:
        return {-size.width * amount, 0};
    case TransitionDirection::FromRight:
        return {size.width * amount, 0};
    case TransitionDirection::FromTop:
        return {0, -size.height * amount};
    case TransitionDirection::FromBottom:
        return {0, size.height * amount};
    }
    return {0, 0};
}

void TransitionPainter::paint(Graphics& g, Size size, TransitionType type, TransitionDirection direction,
                              float progress, const Image* oldLook,
                              const std::function<void(Graphics&)>& drawNewLook) {
    const float w = size.width, h = size.height;
    auto drawNew = [&](Point offset, float alpha) {
        g.save();
        g.translate(offset.x, offset.y);
        g.multiplyAlpha(alpha);
        drawNewLook(g);
        g.restore();
    };
    auto drawOld = [&](Point offset) {
        if (oldLook)
            g.drawImage(*oldLook, {offset.x, offset.y, w, h}, 1.0f);
    };
    g.save();
    g.clipToRect({0, 0, w, h});
    switch (type) {
    case TransitionType::Fade:
        drawOld({0, 0});
        drawNew({0, 0}, progress);
        break;
    case TransitionType::MoveIn:
        // The new look slides in from the named side over the old one.
        drawOld({0, 0});
        drawNew(offsetToward(direction, size, 1.0f - progress), 1.0f);
        break;
    case TransitionType::Reveal:
        // The old look slides away toward the named side, uncovering the new.
        drawNew({0, 0}, 1.0f);
        drawOld(offsetToward(direction, size, progress));
        break;
    }
    g.restore();
}
