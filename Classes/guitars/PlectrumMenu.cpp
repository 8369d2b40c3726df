#include "guitars/PlectrumMenu.h"

#include "guitars/Bands.h"
#include "ui/ScreenHost.h"

namespace {

constexpr float kVeilAlpha = 0.8f;
constexpr double kSlideSeconds = 0.2;

} // namespace

int PlectrumMenu::topMenuScreenForY(float y) {
    static constexpr float kShortcutEnds[] = {60, 154, 240, 328, 419};
    static constexpr int kShortcuts[] = {ScreenHost::kMainMenu,         ScreenHost::kChooseGuitar,
                                         ScreenHost::kEffectsSetupMenu, ScreenHost::kGuitarPatchMenu,
                                         ScreenHost::kRecorder,         ScreenHost::kManual};
    return kShortcuts[Bands::below(kShortcutEnds, y)];
}

PlectrumMenu::PlectrumMenu(FingerView& screen, Owner& owner, Slide slide)
    : screen_(screen), owner_(owner), slide_(slide), topMenuBar_("TopMenu.png"),
      plectrum_("PlectrumMenu.png") {
    veil_.setFrame({0, 0, 320, 480});
    veil_.setBackgroundColor(Color::black());
    veil_.setAlpha(0);
    veil_.setUserInteractionEnabled(false);
    panel_.setFrame(slide_.panelFrame);
    panel_.setCenter(slide_.hiddenCentre);
    topMenuBar_.setBounds({0, 0, 46, 480});
    topMenuBar_.setCenter({298, 240});
    panel_.addSubview(&topMenuBar_);
    plectrum_.setBounds({0, 0, 48, 44});
    plectrum_.setCenter({31, 29});
    panel_.setUserInteractionEnabled(slide_.panelTakesTouches);
}

PlectrumMenu::~PlectrumMenu() {
    screen_.popModal(*this);
}

void PlectrumMenu::addVeil() {
    screen_.addSubview(&veil_);
}

void PlectrumMenu::addPanelAndPlectrum() {
    screen_.addSubview(&panel_);
    screen_.addSubview(&plectrum_);
}

void PlectrumMenu::open(bool animated) {
    open_ = true;
    screen_.pushModal(*this);
    slide(animated);
}

void PlectrumMenu::close(bool animated) {
    open_ = false;
    screen_.popModal(*this);
    slide(animated);
}

void PlectrumMenu::leaveFor(int screen) {
    owner_.menuWillLeave();
    close(false);
    owner_.goToScreen(screen);
}

void PlectrumMenu::slide(bool animated) {
    owner_.menuWillMove();
    if (animated) {
        View::beginAnimations("MENU");
        View::setAnimationDuration(kSlideSeconds);
    }
    owner_.menuMoving(open_);
    panel_.setCenter(open_ ? slide_.shownCentre : slide_.hiddenCentre);
    veil_.setAlpha(open_ ? kVeilAlpha : 0.0f);
    if (animated)
        View::commitAnimations();
}

void PlectrumMenu::fingerDown(const Touch& touch) {
    if (FingerView::FingerTarget* watcher = owner_.menuFingerWatcher())
        watcher->fingerDown(touch);
    const Point p = touch.location;
    if (onPlectrum(p))
        close(true);
    else if (p.x > 271)
        leaveFor(topMenuScreenForY(p.y));
    else
        owner_.menuItemDown(p);
}

void PlectrumMenu::fingerMove(const Touch& touch) {
    if (FingerView::FingerTarget* watcher = owner_.menuFingerWatcher())
        watcher->fingerMove(touch);
}

void PlectrumMenu::fingerUp(const Touch& touch) {
    if (FingerView::FingerTarget* watcher = owner_.menuFingerWatcher())
        watcher->fingerUp(touch);
}
