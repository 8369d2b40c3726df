// What only the tab library does beside its browser: the plectrum menu over
// the screen and its box, controls hidden under the box, and loading that
// touches the tab alone.
#include "screens/LibraryTestSupport.h"
#include "ui/ScreenHost.h"

using namespace library_test;

namespace {

using MenuAction = TabGuitarLoadSaveView::MenuAction;

// Records the screen changes asked for by the menu instead of making them.
class RecordingScreen : public TabGuitarLoadSaveView {
public:
    using TabGuitarLoadSaveView::TabGuitarLoadSaveView;
    std::vector<int> screens;

protected:
    void goToScreen(int screenNo) override { screens.push_back(screenNo); }
};

const LibraryCase kRecordingCase{.name = "tab library",
                                 .kind = &LibraryKind::kTabs,
                                 .says = kTabTexts,
                                 .make = [](Model& m) -> std::unique_ptr<LibraryScreen> {
                                     return std::make_unique<RecordingScreen>(nullptr, &m.engine, &m.files,
                                                                              m.folders.bundle());
                                 }};

std::vector<std::array<int32_t, 6>> columnsOf(const Tab& tab) {
    std::vector<std::array<int32_t, 6>> columns;
    for (const TablatureEntry& e : tab.tab())
        columns.push_back(e.frets());
    return columns;
}

class TabScreen : public ::testing::Test, public LibraryFixture {
protected:
    TabScreen() : LibraryFixture(kRecordingCase) {}
    RecordingScreen& tabView() { return static_cast<RecordingScreen&>(screen()); }
    void menu(MenuAction a) { tap(inside(TabGuitarLoadSaveView::menuAreas(), a)); }
    const Point plectrum = inside(TabGuitarLoadSaveView::plectrumAreas(), MenuAction::ClosePlectrum);
};

TEST_F(TabScreen, TheBoxHidesTheControlsBehindIt) {
    writeItems({"riff"});
    tap(Control::Load);
    EXPECT_FALSE(browser().part(LibraryBrowser::kBox).isHidden());
    for (const View* v : std::initializer_list<const View*>{
             &browser().part(LibraryBrowser::kSaveButton), &browser().part(LibraryBrowser::kLoadButton),
             &browser().part(LibraryBrowser::kEraseButton), &browser().panel()})
        EXPECT_TRUE(v->isHidden());
    tap(Control::Cancel);
    EXPECT_TRUE(browser().part(LibraryBrowser::kBox).isHidden());
    EXPECT_FALSE(browser().part(LibraryBrowser::kSaveButton).isHidden());
    EXPECT_FALSE(browser().panel().isHidden());
}

TEST_F(TabScreen, ThePlectrumOpensTheMenuOverTheBoxAndTheMenuTakesEveryFinger) {
    writeItems({"riff"});
    EXPECT_EQ(tabView().topBar().center().x, 150);
    tap(Control::Erase);
    ASSERT_TRUE(browser().showingMessageBox());
    tap(plectrum);
    EXPECT_TRUE(tabView().menuShowing());
    EXPECT_EQ(tabView().topBar().center().x, 0);
    EXPECT_FLOAT_EQ(tabView().greyout().alpha(), 0.8f);
    EXPECT_FALSE(browser().nameField().isUserInteractionEnabled());
    EXPECT_FALSE(browser().boxAnswers());
    tap({140, 400}); // neither the box nor a menu button
    EXPECT_TRUE(fs::exists(item("riff")));
    EXPECT_TRUE(tabView().menuShowing());
    tap(plectrum);
    EXPECT_FALSE(tabView().menuShowing());
    EXPECT_EQ(tabView().topBar().center().x, 150);
    EXPECT_EQ(tabView().greyout().alpha(), 0.0f);
    EXPECT_TRUE(browser().nameField().isUserInteractionEnabled());
    EXPECT_TRUE(browser().boxAnswers());
    tap(Control::OK);
    EXPECT_FALSE(fs::exists(item("riff")));

    // Over the box's OK the open menu's Play Tab button wins.
    writeItems({"riff"});
    browser().loadNames();
    tap(Control::Erase);
    tap(plectrum);
    tap(inside(browser().boxAreas(), Control::OK));
    EXPECT_EQ(tabView().screens, (std::vector<int>{ScreenHost::kTabGuitar}));
    EXPECT_TRUE(browser().showingMessageBox());
    EXPECT_TRUE(fs::exists(item("riff")));
}

TEST_F(TabScreen, MenuButtonsCloseTheMenuAndChangeScreen) {
    const std::pair<MenuAction, int> buttons[] = {
        {MenuAction::MainMenu, 7},          {MenuAction::ChooseGuitar, 8}, {MenuAction::EffectsSetup, 10},
        {MenuAction::GuitarPatchSetup, 11}, {MenuAction::Recorder, 15},    {MenuAction::Manual, 16},
        {MenuAction::PlayTab, 1},           {MenuAction::EnterTab, 2},
    };
    for (const auto& [action, screenNo] : buttons) {
        tap(plectrum);
        ASSERT_TRUE(tabView().menuShowing());
        menu(action);
        EXPECT_FALSE(tabView().menuShowing());
        ASSERT_FALSE(tabView().screens.empty());
        EXPECT_EQ(tabView().screens.back(), screenNo);
    }
    EXPECT_EQ(TabGuitarLoadSaveView::screenForMenuAction(MenuAction::ClosePlectrum), -1);
    // Outside every button the menu stays open; moves and lifts do nothing.
    tap(plectrum);
    tap({80, 420});
    Touch t;
    t.location = inside(TabGuitarLoadSaveView::menuAreas(), MenuAction::MainMenu);
    t.phase = TouchPhase::Moved;
    tabView().touchesMoved({t});
    t.phase = TouchPhase::Ended;
    tabView().touchesEnded({t});
    EXPECT_TRUE(tabView().menuShowing());
    EXPECT_EQ(tabView().screens.size(), std::size(buttons));
}

TEST_F(TabScreen, LoadingTakesTheTabAndNeverTouchesTheSong) {
    recordNotes(2);
    tab.addNotesToTab(0, "x02220");
    tab.addNotesToTab(1, "320003");
    const auto saved = columnsOf(tab);
    saveAs("two chords");
    tap(Control::OK);
    browser().nameField().setText("");
    tab.clearTab();
    tab.addNotesToTab(0, "000000");
    tap(Control::Load);
    tap(Control::OK);
    // At once: no waiting notice.
    EXPECT_EQ(box(), Box(LibraryBrowser::kNotice, "Tab file loaded."));
    EXPECT_EQ(columnsOf(tab), saved);
    EXPECT_EQ(browser().nameField().text(), "two chords");
    EXPECT_EQ(recorder.getNumNotes(), 4);
}

} // namespace
