// The off-thread WAV render that a screen can follow and cancel.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "StorageTestSupport.h"
#include "storage/RenderCommand.h"
#include "storage/SongRenderJob.h"
#include "storage/WavWriter.h"

namespace {

// Every patch's samples: a short square wave.
void writeTinyBundle(const std::string& folder) {
    std::vector<int16_t> samples(2205);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>((i / 40) % 2 ? 9000 : -9000);
    for (const char* prefix : {"A1-", "A2-", "E3-", "E2-", "CE-"})
        for (int k = 1; k <= 48; ++k) {
            WavWriter w;
            ASSERT_TRUE(w.open(folder + "/" + prefix + std::to_string(k) + ".wav", 44100, 1));
            ASSERT_TRUE(w.write(samples.data(), samples.size()));
            ASSERT_TRUE(w.finish());
        }
}

size_t filesIn(const std::string& folder) {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

} // namespace

TEST(SongRenderJob, RendersWhatTheRenderCommandRendersAndCanBeCancelled) {
    TempFolder bundle, out;
    writeTinyBundle(bundle.path());
    Bytes song;
    {
        Model model(out.path(), bundle.path());
        song = songBuffer("VERSION2", model.tab.createSaveTabBuffer(), oneNoteRecorderSection(),
                          model.engine.createSaveBuffer());
    }
    writeFile(out.file("song.SAV"), song);
    std::ostringstream cout, cerr;
    ASSERT_EQ(
        RenderCommand::run({out.file("song.SAV"), "-o", out.file("command.wav"), "--bundle", bundle.path()},
                           cout, cerr),
        0)
        << cerr.str();

    SongRenderJob job(song, bundle.path(), out.file("job.wav"));
    EXPECT_EQ(job.state(), SongRenderJob::State::NotStarted);
    job.start();
    job.wait();
    EXPECT_EQ(job.state(), SongRenderJob::State::Done);
    EXPECT_EQ(job.message(), "job.wav");
    EXPECT_FLOAT_EQ(job.progress(), 1.0f);
    EXPECT_EQ(readFile(out.file("job.wav")), readFile(out.file("command.wav")));

    // Cancelled before its first buffer: no file, and an old one stays whole.
    writeFile(out.file("old.wav"), Bytes{'o', 'l', 'd'});
    const size_t before = filesIn(out.path());
    SongRenderJob cancelled(song, bundle.path(), out.file("old.wav"));
    cancelled.cancel();
    cancelled.start();
    cancelled.wait();
    EXPECT_EQ(cancelled.state(), SongRenderJob::State::Cancelled);
    EXPECT_EQ(readFile(out.file("old.wav")), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(filesIn(out.path()), before);

    // A damaged song fails with the load's reason and writes nothing.
    SongRenderJob damaged(Bytes(song.begin(), song.end() - 20), bundle.path(), out.file("bad.wav"));
    damaged.start();
    damaged.wait();
    EXPECT_EQ(damaged.state(), SongRenderJob::State::Failed);
    EXPECT_EQ(damaged.message(), "Error loading file");
    EXPECT_EQ(filesIn(out.path()), before);
}
