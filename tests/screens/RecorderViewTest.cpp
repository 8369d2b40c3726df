// What only the recorder screen does beside its song library: the two modes,
// the corner buttons, the song edits, and loading behind a "please wait"
// notice on the main thread's queue.
#include <tuple>

#include "platform/core/MainThreadQueue.h"
#include "screens/LibraryTestSupport.h"

using namespace library_test;

namespace {

using Action = RecorderView::Action;

// A screen that records its corner buttons instead of asking a delegate.
class CornerRecordingView : public RecorderView {
public:
    using RecorderView::RecorderView;
    int backs = 0;
    int helps = 0;

protected:
    void goBack() override { ++backs; }
    void openHelp() override { ++helps; }
};

// The recorder as the application makes it (null delegate), in Modify mode.
const LibraryCase kRecorderCase{.name = "recorder",
                                .kind = &LibraryKind::kSongs,
                                .says = kSongTexts,
                                .make = [](Model& m) -> std::unique_ptr<LibraryScreen> {
                                    return std::make_unique<CornerRecordingView>(
                                        nullptr, &m.engine, &m.files, &m.recorder, m.folders.bundle());
                                }};

class RecorderScreen : public ::testing::Test, public LibraryFixture {
protected:
    RecorderScreen() : LibraryFixture(kRecorderCase) {}
    CornerRecordingView& recorderView() { return static_cast<CornerRecordingView&>(screen()); }
    static Rect rectOf(Action a) {
        for (auto table :
             {RecorderView::cornerAreas(), RecorderView::modifyAreas(), RecorderView::exportAreas()})
            for (const auto& area : table)
                if (area.action == a)
                    return area.rect;
        ADD_FAILURE() << "no area";
        return {};
    }
    void press(Action a) { tap(rectOf(a).center()); }
    using LibraryFixture::tap;
};

TEST_F(RecorderScreen, ModeButtonsSwitchPanelsAndLight) {
    RecorderView& s = recorderView();
    // The mode, which panel is hidden, and the Save button dimmed, never gone.
    const auto mode = [&] {
        return std::make_tuple(s.loadSaveMode(), s.modifyView().isHidden(), browser().panel().isHidden(),
                               browser().part(LibraryBrowser::kSaveButton).alpha());
    };
    EXPECT_EQ(mode(), std::make_tuple(false, false, true, 0.3f));
    EXPECT_TRUE(browser().part(LibraryBrowser::kBox).isHidden());
    // The light lies on the button of the mode.
    EXPECT_TRUE(rectOf(Action::ModifyMode).contains(s.LEDLit().center()));
    tap(Control::Save); // the Load/Save controls do nothing in this mode
    EXPECT_FALSE(browser().showingMessageBox());

    press(Action::LoadSaveMode);
    EXPECT_EQ(mode(), std::make_tuple(true, true, false, 1.0f));
    EXPECT_TRUE(rectOf(Action::LoadSaveMode).contains(s.LEDLit().center()));
    press(Action::EraseSong); // the edits do nothing in this mode
    EXPECT_FALSE(browser().showingMessageBox());
    press(Action::ModifyMode);
    EXPECT_EQ(mode(), std::make_tuple(false, false, true, 0.3f));
    EXPECT_TRUE(rectOf(Action::ModifyMode).contains(s.LEDLit().center()));
}

TEST_F(RecorderScreen, CornerButtonsActOutsideAMessageBoxOnly) {
    CornerRecordingView& s = recorderView();
    press(Action::Back);
    press(Action::Help);
    EXPECT_EQ(s.backs, 1);
    EXPECT_EQ(s.helps, 1);
    press(Action::EraseSong);
    ASSERT_TRUE(browser().showingMessageBox());
    EXPECT_TRUE(s.modifyView().isHidden());
    press(Action::Back);
    press(Action::Help);
    EXPECT_EQ(s.backs, 1);
    EXPECT_EQ(s.helps, 1);
    // Lifting a finger does nothing.
    Touch lift;
    lift.phase = TouchPhase::Ended;
    lift.location = inside(browser().boxAreas(), Control::OK);
    s.touchesEnded({lift});
    EXPECT_TRUE(browser().showingMessageBox());
}

TEST_F(RecorderScreen, EditButtonsAskThenEdit) {
    recorder.record();
    for (float value : {0.25f, 0.75f}) {
        clock.advance(0.1);
        recorder.addWahChangeForGuitar(1, value);
        recorder.addWhammyBarChangeForGuitar(0, value);
    }
    recorder.stop();
    recorder.runPlaybackPass();
    recordNotes(2);
    recordNotes(1, 20);
    const auto state = [&] {
        const bool wah = !recorder.wahChanges(0).empty() || !recorder.wahChanges(1).empty();
        const bool whammy = !recorder.whammyBarChanges(0).empty() || !recorder.whammyBarChanges(1).empty();
        return std::to_string(recorder.getNumNotes()) + " notes" + (wah ? ", wah" : "") +
               (whammy ? ", whammy" : "");
    };
    EXPECT_EQ(state(), "6 notes, wah, whammy");
    const struct {
        Action button;
        const char* question;
        const char* after;
    } edits[] = {
        {Action::EraseLastTrack, "Really erase the last recorded track?", "4 notes, wah, whammy"},
        {Action::EraseLastNote, "Really erase the last recorded note?", "2 notes, wah, whammy"},
        {Action::EraseWahChanges, "Really erase all Wah Wah changes?", "2 notes, whammy"},
        {Action::EraseWhammyChanges, "Really erase all Whammy Bar changes?", "2 notes"},
        {Action::EraseSong, "Really erase the current song?", "0 notes"},
    };
    for (const auto& edit : edits) {
        SCOPED_TRACE(edit.question);
        const std::string before = state();
        press(edit.button);
        EXPECT_EQ(boxText(), edit.question);
        tap(Control::Cancel);
        EXPECT_EQ(state(), before);
        EXPECT_FALSE(recorderView().modifyView().isHidden());
        press(edit.button);
        tap(Control::OK);
        EXPECT_EQ(state(), edit.after);
        EXPECT_FALSE(browser().showingMessageBox());
    }
}

TEST_F(RecorderScreen, AnEditStopsARecordingPassFirst) {
    recordNotes(1);
    recorder.record();
    clock.advance(0.1);
    recorder.addStopNote(recorder.addPlayNote(40, 1.0f, 0.1));
    ASSERT_EQ(recorder.getState(), 2);
    press(Action::EraseLastTrack);
    tap(Control::OK);
    EXPECT_EQ(recorder.getState(), 0);
    // The pass in progress was merged and then erased as the last track.
    EXPECT_EQ(recorder.getNumNotes(), 2);
    EXPECT_TRUE(recorder.currentOverdubNotesToAdd().empty());
}

TEST_F(RecorderScreen, FingersDoNothingWhileTheLoadNoticeIsUp) {
    recordNotes(1);
    ASSERT_TRUE(files.saveState("song.SAV"));
    MainThreadQueue queue(clock);
    recorderView().setCallQueue(&queue);
    press(Action::LoadSaveMode);
    tap(Control::Load);
    recorder.eraseWholeSong();
    tap(Control::OK);
    EXPECT_TRUE(browser().waiting());
    EXPECT_EQ(boxText(), "Please wait.\nLoading Guitar samples.");
    EXPECT_TRUE(browser().part(LibraryBrowser::kOK).isHidden());
    EXPECT_TRUE(browser().part(LibraryBrowser::kCancel).isHidden());
    EXPECT_TRUE(browser().panel().isHidden());
    for (Point p :
         {inside(browser().boxAreas(), Control::Cancel), inside(browser().listAreas(), Control::Save)})
        tap(p);
    press(Action::ModifyMode);
    press(Action::Back);
    EXPECT_TRUE(browser().waiting());
    EXPECT_TRUE(recorderView().loadSaveMode());
    EXPECT_EQ(recorderView().backs, 0);

    clock.advance(0.002);
    queue.runPending(); // the load
    EXPECT_EQ(recorder.getNumNotes(), 2);
    EXPECT_TRUE(browser().waiting());
    clock.advance(0.05);
    queue.runPending();
    EXPECT_TRUE(browser().waiting());
    clock.advance(0.06);
    queue.runPending(); // the notice ends
    EXPECT_FALSE(browser().waiting());
    EXPECT_EQ(boxText(), "Song loaded.");
    tap(Control::OK);
    EXPECT_FALSE(browser().showingMessageBox());

    // Steps still queued when the screen goes do nothing.
    tap(Control::Load);
    tap(Control::OK);
    recorder.eraseWholeSong();
    view.reset();
    clock.advance(1.0);
    EXPECT_EQ(queue.runPending(), 1);
    EXPECT_EQ(recorder.getNumNotes(), 0);
}

} // namespace
