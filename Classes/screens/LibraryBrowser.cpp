#include "screens/LibraryBrowser.h"

#include <algorithm>

#include "screens/BoxText.h"
#include "screens/ScreenParts.h"
#include "toolkit/DefaultButtonMark.h"
#include "toolkit/ImageView.h"
#include "toolkit/Label.h"
#include "toolkit/MessageBoxKeys.h"

namespace {

// A button where it does nothing (nothing chosen, under a message box).
constexpr float kDisabledButtonAlpha = 0.3f;
constexpr float kArrowAlpha = 0.9f;

struct PartLook {
    const char* name;
    Rect fallbackBounds; // the size kept when the picture is missing
};
constexpr Rect kButtonSize{0, 0, 40, 40};
constexpr Rect kBoxButtonSize{0, 0, 54, 96};
constexpr PartLook kPartLooks[LibraryBrowser::kParts] = {
    {"LoadUpArrow.png", kButtonSize},
    {"LoadUpArrow.png", kButtonSize},
    {"SaveIcon.png", kButtonSize},
    {"LoadIcon.png", kButtonSize},
    {"EraseIcon.png", kButtonSize},
    {"MessageBox.png", {0, 0, 220, 340}},
    {"MessageBoxOKButton.png", kBoxButtonSize},
    {"MessageBoxCancelButton.png", kBoxButtonSize},
};

Color selectedRowBackground() {
    return Color{40, 44, 42, 255};
}
Color selectedRowText() {
    return Color{206, 238, 196, 255}; // reads clearly on the dark selection, under the glass too
}
Color rowText() {
    return Color::fromFloats(0, 0, 0, 0.9f);
}
Color importRowText() {
    return Color{24, 64, 150, 255}; // blue ink: a file that loading imports
}

} // namespace

void LibraryBrowser::Owner::ownerOK(int32_t) {}
void LibraryBrowser::Owner::ownerCancel(int32_t) {}

LibraryBrowser::LibraryBrowser(FingerView& screen, Owner& owner, const LibraryKind& kind,
                               const Layout& layout, const std::string& documentsFolder,
                               const std::string& bundleFolder)
    : screen_(screen), owner_(owner), kind_(kind), layout_(layout),
      folder_(documentsFolder, bundleFolder, kind.extension) {
    build();
    buildAreas();
    boxKeys_ = std::make_unique<MessageBoxKeys>(
        screen_,
        MessageBoxKeys::Box{[this] { return boxAnswers(); }, [this] { return optionChosen_ != kNotice; },
                            [this] {
                                pressOK();
                                owner_.redraw();
                            },
                            [this] {
                                pressCancel();
                                owner_.redraw();
                            }});
    wheel_ = std::make_unique<Wheel>(*this);
}

bool LibraryBrowser::Wheel::wheel(int steps) {
    FingerView& screen = browser.screen_;
    if (!screen.superview() || !screen.canReceiveTouches() || screen.hasModal() || browser.panel_->isHidden())
        return false;
    browser.scroll(steps);
    browser.owner_.redraw();
    return true;
}

void LibraryBrowser::scroll(int rows) {
    for (; rows > 0; --rows)
        perform(Control::ScrollToStart);
    for (; rows < 0; ++rows)
        perform(Control::ScrollToEnd);
}

LibraryBrowser::~LibraryBrowser() {
    screen_.popModal(boxLayer_);
    screen_.popModal(waitLayer_);
    if (nameField_ && nameField_->isEditing()) {
        nameField_->setDelegate(nullptr);
        nameField_->resignFirstResponder();
    }
}

void LibraryBrowser::build() {
    // The panel holds what a box or the recorder's other mode hides: the
    // name field above the list, the five rows and the scroll arrows.
    panel_ = std::make_unique<View>(Rect{0, 0, 320, 480});
    panel_->setBackgroundColor(Color::clear());
    screen_.addSubview(panel_.get());

    nameField_ = std::make_unique<TextField>(layout_.field);
    nameField_->setRotation(kQuarterTurn);
    nameField_->setFont(Font{"Helvetica", 15, false});
    nameField_->setPlaceholder(kPlaceholder);
    nameField_->setBorderStyle(TextField::BorderStyle::Line);
    nameField_->setClearButtonMode(TextField::ClearButtonMode::Always);
    // What the file name cannot hold is changed as it is typed, so the
    // field shows the name the save will use.
    nameField_->setInputFilter(&LibraryFolder::makeFileSafe);
    nameField_->setBackgroundColor(Color::white());
    // Leaves room for the extension and the save's temporary suffix within
    // the file system's 255-byte names.
    nameField_->setMaxLength(200);
    nameField_->setDelegate(this);
    panel_->addSubview(nameField_.get());

    const Layout::List& list = layout_.list;
    for (int r = 0; r < kVisibleRows; ++r) {
        rows_[r] = sidewaysLabel({list.centreX[r], (list.top + list.bottom) / 2}, list.bottom - list.top - 2,
                                 list.thickness[r], 15);
        rows_[r]->setTextAlignment(TextAlignment::Left);
        panel_->addSubview(rows_[r].get());
    }

    // The arrows in the panel; the buttons and the box on the screen, the
    // box's text between its picture and its buttons.
    for (int p = 0; p < kParts; ++p) {
        const PartLook& look = kPartLooks[p];
        parts_[p] = picture(look.name, layout_.parts[p], look.fallbackBounds);
        (p <= kDownArrow ? *panel_ : screen_).addSubview(parts_[p].get());
    }
    for (Part arrow : {kUpArrow, kDownArrow})
        parts_[arrow]->setAlpha(kArrowAlpha);
    parts_[kDownArrow]->setRotation(kHalfTurn);
    boxText_ = sidewaysLabel(layout_.boxText, 310, 100, 20);
    boxText_->setNumberOfLines(0);
    boxText_->setTextColor(Color::black());
    screen_.insertSubviewAbove(boxText_.get(), parts_[kBox].get());
    defaultMark_ = std::make_unique<DefaultButtonMark>();
    screen_.insertSubviewAbove(defaultMark_.get(), boxText_.get());
}

void LibraryBrowser::buildAreas() {
    const Layout::Areas& a = layout_.areas;
    const Layout::List& list = layout_.list;
    listAreas_ = {{a.load, Control::Load},
                  {a.erase, Control::Erase},
                  {a.scrollToStart, Control::ScrollToStart},
                  {a.scrollToEnd, Control::ScrollToEnd}};
    // The save area without the corner another control of the screen takes.
    if (a.saveCut.isEmpty()) {
        listAreas_.push_back({a.save, Control::Save});
    } else {
        listAreas_.push_back({{a.save.x, a.save.y, a.save.width, a.saveCut.y - a.save.y}, Control::Save});
        listAreas_.push_back(
            {{a.save.x, a.saveCut.y, a.saveCut.x - a.save.x, a.save.maxY() - a.saveCut.y}, Control::Save});
    }
    // Each row's band, and where the arrows reach into the list, the part of
    // it between them.
    const float arrowsTop = std::min(a.scrollToStart.y, a.scrollToEnd.y);
    for (int r = 0; r < kVisibleRows; ++r) {
        const auto row = static_cast<Control>(static_cast<int>(Control::Row0) + r);
        const float left = list.edges[r + 1];
        const float right = list.edges[r];
        listAreas_.push_back({{left, list.top, right - left, arrowsTop - list.top}, row});
        const float lowLeft = std::max(left, a.scrollToEnd.maxX());
        const float lowRight = std::min(right, a.scrollToStart.x);
        if (lowLeft < lowRight)
            listAreas_.push_back({{lowLeft, arrowsTop, lowRight - lowLeft, list.bottom - arrowsTop}, row});
    }
    // OK and Cancel stand as a pair centred on the box: the areas move with
    // the pictures.
    const Point box = layout_.parts[kBox];
    const float pairShift = box.y - (layout_.parts[kOK].y + layout_.parts[kCancel].y) / 2;
    boxAreas_ = {{{a.ok.x, a.ok.y + pairShift, a.ok.width, a.ok.height}, Control::OK},
                 {{a.cancel.x, a.cancel.y + pairShift, a.cancel.width, a.cancel.height}, Control::Cancel}};
}

Point LibraryBrowser::boxButtonCentre(Part button) const {
    const Point box = layout_.parts[kBox];
    const bool lone = button == kOK ? optionChosen_ == kNotice : cancelOnly_;
    if (lone)
        return {layout_.loneButton.x, box.y};
    const float pairShift = box.y - (layout_.parts[kOK].y + layout_.parts[kCancel].y) / 2;
    return {layout_.parts[button].x, layout_.parts[button].y + pairShift};
}

int LibraryBrowser::selectedIndex() const {
    const int index = displayListStartIndex_ + currentlySelected_;
    // A selection past the list's end (never expected) must not be read.
    if (currentlySelected_ < 0 || index < 0 || index >= static_cast<int>(names_.size()))
        return -1;
    return index;
}

bool LibraryBrowser::boxAnswers() const {
    return showingMessageBox_ && screen_.isModalOnTop(boxLayer_);
}

bool LibraryBrowser::fingerDown(Point p) {
    const auto control = hitAction<Control>(listAreas_, p);
    if (!control)
        return false;
    perform(*control);
    owner_.redraw();
    return true;
}

void LibraryBrowser::fingerMove(Point p) {
    const auto control = hitAction<Control>(listAreas_, p);
    if (control && *control >= Control::Row0 && *control < Control::OK) {
        perform(*control);
        owner_.redraw();
    }
}

void LibraryBrowser::boxFingerDown(Point p) {
    const auto control = hitAction<Control>(boxAreas_, p);
    if (!control) {
        owner_.fingerDownBesideBox(p);
        return;
    }
    // A lone Cancel stands over both halves.
    if (*control == Control::OK && !cancelOnly_)
        pressOK();
    else
        pressCancel();
    owner_.redraw();
}

void LibraryBrowser::perform(Control control) {
    const int count = static_cast<int>(names_.size());
    const int selected = selectedIndex();
    switch (control) {
    case Control::Load:
        if (selected >= 0)
            showBox(kLoad, loadQuestion(names_[static_cast<size_t>(selected)]));
        return;
    case Control::Erase:
        if (selected >= 0)
            showBox(kErase, "Really erase '" + names_[static_cast<size_t>(selected)] + "'?");
        return;
    case Control::Save:
        pressSave();
        return;
    case Control::ScrollToStart:
        if (displayListStartIndex_ >= 1) {
            --displayListStartIndex_;
            currentlySelected_ = std::min(currentlySelected_ + 1, kVisibleRows - 1);
        }
        return;
    case Control::ScrollToEnd:
        if (displayListStartIndex_ + kVisibleRows < count) {
            ++displayListStartIndex_;
            currentlySelected_ = std::max(currentlySelected_ - 1, 0);
        }
        return;
    case Control::OK:
    case Control::Cancel:
        return;
    default: {
        const int row = static_cast<int>(control) - static_cast<int>(Control::Row0);
        if (displayListStartIndex_ + row < count)
            currentlySelected_ = row;
        return;
    }
    }
}

void LibraryBrowser::showBox(int32_t option, const std::string& text, bool cancelOnly) {
    nameField_->resignFirstResponder();
    showingMessageBox_ = true;
    optionChosen_ = option;
    cancelOnly_ = cancelOnly;
    setBoxText(text);
    screen_.pushModal(boxLayer_);
}

void LibraryBrowser::setBoxText(const std::string& text) {
    ::setBoxText(*boxText_, text);
}

void LibraryBrowser::closeBox() {
    showingMessageBox_ = false;
    optionChosen_ = kNoOption;
    cancelOnly_ = false;
    screen_.popModal(boxLayer_);
}

void LibraryBrowser::showWait(const std::string& text) {
    waiting_ = true;
    setBoxText(text);
    screen_.pushModal(waitLayer_);
}

void LibraryBrowser::endWait() {
    waiting_ = false;
    screen_.popModal(waitLayer_);
}

void LibraryBrowser::pressSave() {
    // Ending the editing makes the field's text safe as well.
    nameField_->resignFirstResponder();
    const std::string name = LibraryFolder::makeFileSafe(nameField_->text());
    nameField_->setText(name);
    if (name.empty())
        showBox(kSaveUnnamed, kind_.saveUnnamedText());
    else if (folder_.exists(name))
        showBox(kOverwrite, kOverwriteText);
    else
        save(name);
}

void LibraryBrowser::pressOK() {
    const std::string typed = LibraryFolder::makeFileSafe(nameField_->text());
    const std::string name = typed.empty() ? kind_.defaultName() : typed;
    switch (optionChosen_) {
    case kSaveUnnamed:
        if (folder_.exists(name)) {
            showBox(kOverwrite, kOverwriteText);
            return;
        }
        closeBox();
        save(name);
        return;
    case kOverwrite:
        closeBox();
        save(name);
        return;
    case kLoad:
        indexToLoad_ = selectedIndex();
        owner_.startLoad(indexToLoad_);
        return;
    case kErase:
        closeBox();
        erase(selectedIndex());
        return;
    case kNoOption:
    case kNotice:
        closeBox();
        return;
    default:
        owner_.ownerOK(optionChosen_);
        return;
    }
}

void LibraryBrowser::pressCancel() {
    if (optionChosen_ >= kFirstOwnerOption)
        owner_.ownerCancel(optionChosen_);
    else
        closeBox();
}

void LibraryBrowser::save(const std::string& name) {
    const bool saved = owner_.saveFile(folder_.fileName(name));
    loadNames();
    showNotice(saved ? kind_.savedText(name) : kind_.saveFailedText());
    if (saved) {
        // Show the list's end, then select the item just saved (the list is
        // in name order, so it is not always the last).
        const int count = static_cast<int>(names_.size());
        displayListStartIndex_ = std::max(0, count - kVisibleRows);
        currentlySelected_ = count - displayListStartIndex_ - 1;
        selectName(name);
    }
    owner_.redraw();
}

void LibraryBrowser::selectName(const std::string& name) {
    const auto found = std::find(names_.begin(), names_.end(), name);
    if (found == names_.end())
        return;
    const int index = static_cast<int>(found - names_.begin());
    displayListStartIndex_ = std::clamp(displayListStartIndex_, index - kVisibleRows + 1, index);
    currentlySelected_ = index - displayListStartIndex_;
}

void LibraryBrowser::erase(int index) {
    if (index < 0 || index >= static_cast<int>(names_.size()))
        return;
    const bool erased = owner_.eraseEntry(index);
    showNotice(erased ? kind_.erasedText() : kind_.eraseFailedText());
    names_ = owner_.listNames();
    if (erased) {
        if (names_.empty()) {
            currentlySelected_ = -1;
            displayListStartIndex_ = 0;
        } else if (--currentlySelected_ < 0) {
            currentlySelected_ = 0;
            displayListStartIndex_ = std::max(0, displayListStartIndex_ - 1);
        }
    }
    clampSelection();
    owner_.redraw();
}

void LibraryBrowser::loadNames() {
    names_ = owner_.listNames();
    clampSelection();
}

void LibraryBrowser::clampSelection() {
    const int count = static_cast<int>(names_.size());
    if (count == 0) {
        currentlySelected_ = -1;
        displayListStartIndex_ = 0;
        return;
    }
    displayListStartIndex_ = std::clamp(displayListStartIndex_, 0, count - 1);
    if (currentlySelected_ >= 0 && displayListStartIndex_ + currentlySelected_ >= count)
        currentlySelected_ = count - 1 - displayListStartIndex_;
}

void LibraryBrowser::redraw(bool listShown) {
    const bool box = showingMessageBox_ || waiting_;
    parts_[kBox]->setHidden(!box);
    boxText_->setHidden(!box);
    const bool notice = optionChosen_ == kNotice;
    parts_[kOK]->setHidden(!box || waiting_ || cancelOnly_);
    parts_[kOK]->setCenter(boxButtonCentre(kOK));
    parts_[kCancel]->setHidden(!box || waiting_ || notice);
    parts_[kCancel]->setCenter(boxButtonCentre(kCancel));
    // The button Return presses is ringed: OK, or Cancel when it stands alone.
    const Part pressedByReturn = cancelOnly_ ? kCancel : kOK;
    const Rect button = parts_[pressedByReturn]->frame();
    defaultMark_->setFrame(DefaultButtonMark::around(button));
    defaultMark_->setHidden(parts_[pressedByReturn]->isHidden());

    // Load and erase also need an item chosen in the list.
    const bool enabled = listShown && !box;
    const bool chosen = selectedIndex() >= 0;
    for (Part button : {kSaveButton, kLoadButton, kEraseButton}) {
        parts_[button]->setHidden(box && layout_.hideButtonsUnderBox);
        const bool acts = enabled && (button == kSaveButton || chosen);
        parts_[button]->setAlpha(acts ? 1.0f : kDisabledButtonAlpha);
    }
    panel_->setHidden(!enabled);

    const int count = static_cast<int>(names_.size());
    parts_[kUpArrow]->setHidden(displayListStartIndex_ < 1);
    parts_[kDownArrow]->setHidden(displayListStartIndex_ + kVisibleRows >= count);
    for (int r = 0; r < kVisibleRows; ++r) {
        Label& label = *rows_[r];
        const int index = displayListStartIndex_ + r;
        if (count == 0 && r == 0)
            label.setText(kind_.emptyListText);
        else
            label.setText(index < count ? names_[static_cast<size_t>(index)] : std::string());
        const bool selected = r == currentlySelected_;
        label.setBackgroundColor(selected ? selectedRowBackground() : Color::clear());
        label.setTextColor(selected                       ? selectedRowText()
                           : owner_.listedAsImport(index) ? importRowText()
                                                          : rowText());
    }
}

std::string LibraryBrowser::loadQuestion(const std::string& name) const {
    // A tab file holds only the tab; a song brings its tab, patches and pedals.
    const char* replaces = &kind_ == &LibraryKind::kTabs
                               ? "It replaces the current tab."
                               : "It replaces the current song, the tab, the patches and pedal settings.";
    return "Load '" + name + "'? " + replaces;
}

bool LibraryBrowser::textFieldShouldReturn(TextField& field) {
    // Return in the name field is the screen's Save.
    field.resignFirstResponder();
    pressSave();
    owner_.redraw();
    return true;
}

void LibraryBrowser::textFieldDidEndEditing(TextField& field) {
    field.setText(LibraryFolder::makeFileSafe(field.text()));
}
