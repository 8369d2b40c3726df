// The one reader every file goes through, over everything a path can name:
// only regular files within the limit are read, nothing waits on a FIFO or a
// pipe that never ends, and nothing past the limit is ever held.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "core/BoundedFile.h"
#include "core/FailureText.h"
#include "core/WholeFileWriter.h"
#include "support/Files.h"
#include "support/TempFolder.h"

using testsupport::TempFolder;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr std::size_t kLimit = 100;

// Standard input replaced by a pipe holding `bytes` (left open for more
// when `endless`) while `read` runs.
std::string readFromPipe(const Bytes& bytes, bool endless, Bytes& got) {
    int ends[2];
    EXPECT_EQ(::pipe(ends), 0);
    EXPECT_EQ(::write(ends[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    if (!endless)
        ::close(ends[1]);
    const int savedInput = ::dup(STDIN_FILENO);
    ::dup2(ends[0], STDIN_FILENO);
    const std::string failure = BoundedFile::readStandardInput(kLimit, got);
    ::dup2(savedInput, STDIN_FILENO);
    for (int fd : {savedInput, ends[0], endless ? ends[1] : -1})
        if (fd >= 0)
            ::close(fd);
    return failure;
}

} // namespace

TEST(BoundedFile, ReadsOnlyRegularFilesWithinTheLimitAndNeverWaits) {
    TempFolder folder;
    const Bytes at(kLimit, 'a');
    testsupport::writeFile(folder.file("at"), at);
    testsupport::writeFile(folder.file("below"), Bytes(kLimit - 1, 'b'));
    testsupport::writeFile(folder.file("above"), Bytes(kLimit + 1, 'c'));
    testsupport::writeFile(folder.file("empty"), {});
    ASSERT_EQ(::mkfifo(folder.file("fifo").c_str(), 0600), 0); // no writer: opening it would wait
    std::filesystem::create_symlink(folder.file("at"), folder.file("link"));
    const struct {
        std::string path, failure;
        Bytes bytes;
    } cases[] = {{folder.file("at"), "", at},
                 {folder.file("link"), "", at},
                 {folder.file("below"), "", Bytes(kLimit - 1, 'b')},
                 {folder.file("empty"), "", {}},
                 {folder.file("above"), "FileTooLarge", {}},
                 {folder.file("missing"), "FileNotFound", {}},
                 {folder.file("at") + "/x", "FileNotFound", {}},
                 {folder.file("fifo"), "NotARegularFile", {}},
                 {folder.str(), "NotARegularFile", {}},
                 {"/dev/zero", "NotARegularFile", {}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        Bytes got(5, 'z');
        EXPECT_EQ(BoundedFile::read(c.path, kLimit, got), c.failure);
        EXPECT_EQ(got, c.bytes);
        EXPECT_LE(got.capacity(), kLimit + 1);
        // Every code reads as words, with the code kept.
        EXPECT_TRUE(c.failure.empty() || FailureText::describe(c.failure) != c.failure);
    }

    // A file that grows past the limit after it was measured is refused
    // once the byte past the limit arrives; nothing read is kept.
    BoundedFile growing(folder.file("below"), kLimit);
    std::ofstream(folder.file("below"), std::ios::app) << std::string(10 * kLimit, 'g');
    std::uint8_t tail[8] = {};
    EXPECT_EQ(growing.readAt(kLimit - 2, tail, sizeof tail), 2u); // read in place: up to the limit only
    Bytes got;
    EXPECT_FALSE(growing.readAll(got));
    EXPECT_EQ(growing.failure(), "FileTooLarge");
    EXPECT_EQ(got.capacity(), 0u);

    // Standard input: an endless pipe stops at the limit without waiting for
    // its end; one within the limit is read whole.
    EXPECT_EQ(readFromPipe(Bytes(kLimit + 50, 'y'), true, got), "FileTooLarge");
    EXPECT_EQ(got.capacity(), 0u);
    EXPECT_EQ(readFromPipe(at, false, got), "");
    EXPECT_EQ(got, at);
}

// A file is replaced whole; one that cannot be written leaves the old one.
TEST(BoundedFile, WholeFileWriterReplacesAFileOrLeavesItAsItWas) {
    TempFolder folder;
    const std::uint8_t bytes[] = {1, 2, 3};
    ASSERT_EQ(::mkfifo(folder.file("fifo").c_str(), 0600), 0);
    for (const std::string name : {"new", "fifo"}) {
        EXPECT_TRUE(WholeFileWriter::write(folder.file(name), bytes, sizeof bytes)) << name;
        EXPECT_EQ(testsupport::readFile(folder.file(name)), Bytes(bytes, bytes + 3)) << name;
    }
    EXPECT_FALSE(WholeFileWriter::write(folder.file("none/x"), bytes, sizeof bytes));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.str()), {}), 2);
}
