#include "toolkit/TextStyleView.h"

float TextStyleView::alignedX(float left, float width, float textWidth) const {
    if (alignment_ == TextAlignment::Center)
        return left + (width - textWidth) / 2;
    if (alignment_ == TextAlignment::Right)
        return left + width - textWidth;
    return left;
}
