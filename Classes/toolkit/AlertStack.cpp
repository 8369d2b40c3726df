#include "toolkit/AlertStack.h"

#include "system/ViewGeometry.h"
#include "toolkit/AlertView.h"
#include "toolkit/Graphics.h"

AlertStack::AlertStack() : overlay_(Rect{0, 0, ViewGeometry::kViewWidth, ViewGeometry::kViewHeight}) {
    overlay_.setBackgroundColor(Color::clear());
}

AlertStack::~AlertStack() = default;

AlertView* AlertStack::show(const std::string& title, const std::string& message,
                            const std::string& buttonTitle, std::function<void()> onDismiss) {
    auto alert = std::make_unique<AlertView>(title, message, buttonTitle, std::move(onDismiss));
    AlertView* a = alert.get();
    overlay_.addSubview(a);
    alerts_.push_back(std::move(alert));
    return a;
}

AlertView* AlertStack::current() const {
    for (auto it = alerts_.rbegin(); it != alerts_.rend(); ++it)
        if (!(*it)->isDismissed())
            return it->get();
    return nullptr;
}

void AlertStack::answer() {
    if (!alerts_.empty())
        alerts_.back()->pressButton();
}

void AlertStack::prune() {
    for (auto it = alerts_.begin(); it != alerts_.end();) {
        if ((*it)->isDismissed()) {
            (*it)->removeFromSuperview();
            it = alerts_.erase(it);
        } else {
            ++it;
        }
    }
}

void AlertStack::clear() {
    alerts_.clear();
}

void AlertStack::draw(Graphics& g) {
    if (alerts_.empty())
        return;
    g.fillRect({0, 0, ViewGeometry::kViewWidth, ViewGeometry::kViewHeight}, Color{0, 0, 0, 110});
    overlay_.drawHierarchy(g);
}
