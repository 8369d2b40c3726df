// The off-thread WAV render that a screen can follow and cancel.
#include <gtest/gtest.h>

#include <filesystem>

#include "StorageTestSupport.h"
#include "storage/RenderCommand.h"
#include "storage/SongRenderJob.h"

TEST(SongRenderJob, RendersWhatTheRenderCommandRendersAndCanBeCancelled) {
    TempFolder bundle, out;
    writeSquareBundle(bundle.str(), 2205, 2205);
    Bytes song;
    {
        Model model(out.str(), bundle.str());
        song = songBuffer("VERSION2", model.tab.createSaveTabBuffer(), oneNoteRecorderSection(),
                          model.engine.createSaveBuffer());
    }
    writeFile(out.file("song.SAV"), song);
    const CommandRun r = runCommand(
        RenderCommand::run, {out.file("song.SAV"), "-o", out.file("command.wav"), "--bundle", bundle.str()});
    ASSERT_EQ(r.code, 0) << r.err;

    SongRenderJob job(song, bundle.str(), out.file("job.wav"));
    EXPECT_EQ(job.state(), SongRenderJob::State::NotStarted);
    job.start();
    job.wait();
    EXPECT_EQ(job.state(), SongRenderJob::State::Done);
    EXPECT_EQ(job.message(), "job.wav");
    EXPECT_FLOAT_EQ(job.progress(), 1.0f);
    EXPECT_EQ(readFile(out.file("job.wav")), readFile(out.file("command.wav")));

    // Cancelled before its first buffer: no file, and an old one stays whole.
    writeFile(out.file("old.wav"), Bytes{'o', 'l', 'd'});
    const size_t before = filesIn(out);
    SongRenderJob cancelled(song, bundle.str(), out.file("old.wav"));
    cancelled.cancel();
    cancelled.start();
    cancelled.wait();
    EXPECT_EQ(cancelled.state(), SongRenderJob::State::Cancelled);
    EXPECT_EQ(readFile(out.file("old.wav")), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(filesIn(out), before);

    // A damaged song fails with the load's reason and writes nothing.
    SongRenderJob damaged(Bytes(song.begin(), song.end() - 20), bundle.str(), out.file("bad.wav"));
    damaged.start();
    damaged.wait();
    EXPECT_EQ(damaged.state(), SongRenderJob::State::Failed);
    EXPECT_EQ(damaged.message(), "Error loading file");
    EXPECT_EQ(filesIn(out), before);
}
