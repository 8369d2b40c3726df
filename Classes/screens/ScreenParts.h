#pragma once
#include <memory>

#include "toolkit/ImageView.h"
#include "toolkit/Label.h"

// Views the sideways screens build the same way.

inline constexpr float kHalfTurn = 3.14159265359f;

// A label turned a quarter turn, so that it reads along y, centred on
// `centre`, `length` long (along y) and `thickness` wide (along x).
inline std::unique_ptr<Label> sidewaysLabel(Point centre, float length, float thickness, float fontSize) {
    auto label =
        std::make_unique<Label>(Rect{centre.x - length / 2, centre.y - thickness / 2, length, thickness});
    label->setFont("Helvetica", fontSize);
    label->setTextAlignment(TextAlignment::Center);
    label->setBackgroundColor(Color::clear());
    label->setRotation(kQuarterTurn);
    return label;
}

// A bundle picture centred on `centre`, taking no touches; a missing picture
// keeps `fallbackBounds` as its size.
inline std::unique_ptr<ImageView> picture(const char* name, Point centre,
                                          Rect fallbackBounds = {0, 0, 40, 40}) {
    auto view = std::make_unique<ImageView>(name);
    if (view->bounds().isEmpty())
        view->setBounds(fallbackBounds);
    view->setCenter(centre);
    view->setUserInteractionEnabled(false);
    return view;
}
