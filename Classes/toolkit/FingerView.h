#pragma once
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "toolkit/View.h"

// A view that takes its touches one finger at a time. The toolkit hands a view
// sets of touches in four handlers; nearly every screen wants instead "a finger
// went down here, moved there, lifted". This base makes that translation once.
//
// Modal layers: a menu, a message box or a "please wait" notice takes every
// finger while it is shown, and the screen underneath sees none. Push the layer
// when it appears and pop it when it goes; fingers go to the top layer, or to
// the view itself when no layer is pushed. The top is looked at again for each
// finger, so a layer pushed by one finger already takes the next one in the
// same set.
//
// Main thread only, like every view.
class FingerView : public View {
public:
    // Something that takes fingers: the view itself or a modal layer.
    class FingerTarget {
    public:
        virtual ~FingerTarget() = default;
        virtual void fingerDown(const Touch& touch) { (void)touch; }
        // `touch.previousLocation` is where the finger was before this move.
        virtual void fingerMove(const Touch& touch) { (void)touch; }
        // The finger lifted (`Ended`) or the system took it away (`Cancelled`).
        virtual void fingerUp(const Touch& touch) { (void)touch; }
    };

    // A layer that acts only on a finger coming down, as most menus and
    // message boxes do; moves and lifts on it do nothing.
    class FingerDownLayer : public FingerTarget {
    public:
        explicit FingerDownLayer(std::function<void(const Touch&)> down) : down_(std::move(down)) {}
        void fingerDown(const Touch& touch) override { down_(touch); }

    private:
        std::function<void(const Touch&)> down_;
    };

    using View::View;

    // A screen's picture, drawn stretched over the bounds under the subviews
    // as an image view draws it. A missing picture draws nothing.
    void setBackgroundImage(const std::string& imageName);
    void draw(Graphics& g) override;

    void touchesBegan(const TouchSet& touches) override;
    void touchesMoved(const TouchSet& touches) override;
    void touchesEnded(const TouchSet& touches) override;
    void touchesCancelled(const TouchSet& touches) override;
    // Touches of any phases, one finger at a time: what the four handlers do,
    // and what a key finger or a test hands in directly.
    void processTouches(const TouchSet& touches);

    // Layers are not owned; a layer must be popped before it is destroyed.
    // Pushing a layer already on the stack moves it to the top.
    void pushModal(FingerTarget& layer);
    // Removes the layer wherever it is in the stack; not there is not an error.
    void popModal(const FingerTarget& layer);
    bool hasModal() const { return !modals_.empty(); }
    bool isModalOnTop(const FingerTarget& layer) const {
        return !modals_.empty() && modals_.back() == &layer;
    }

protected:
    // The view's own fingers, while no modal layer is pushed.
    virtual void fingerDown(const Touch& touch) { (void)touch; }
    virtual void fingerMove(const Touch& touch) { (void)touch; }
    virtual void fingerUp(const Touch& touch) { (void)touch; }

private:
    void dispatchOne(const Touch& touch);

    std::vector<FingerTarget*> modals_;
    std::shared_ptr<Image> background_;
};
