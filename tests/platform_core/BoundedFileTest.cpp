// The one reader every file goes through, over everything a path can name:
// only regular files within the limit are read, nothing waits on a FIFO or a
// pipe that never ends, and nothing past the limit is ever held.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <tuple>

#include "core/BoundedFile.h"
#include "support/Files.h"
#include "support/TempFolder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kLimit = 100;

// Standard input replaced by the output of `command` while it is read.
std::string readOutputOf(const char* command, Bytes& got) {
    FILE* pipe = ::popen(command, "r");
    const int savedInput = ::dup(STDIN_FILENO);
    ::dup2(::fileno(pipe), STDIN_FILENO);
    const std::string failure = BoundedFile::readStandardInput(kLimit, got);
    ::dup2(savedInput, STDIN_FILENO);
    ::close(savedInput);
    ::pclose(pipe);
    return failure;
}

} // namespace

TEST(BoundedFile, ReadsOnlyRegularFilesWithinTheLimitAndNeverWaits) {
    testsupport::TempFolder folder;
    const Bytes at(kLimit, 'a'), below(kLimit - 1, 'a');
    for (const Bytes& bytes : {at, below, Bytes(kLimit + 1, 'a'), Bytes()})
        testsupport::writeFile(folder.file(std::to_string(bytes.size())), bytes);
    ASSERT_EQ(::mkfifo(folder.file("fifo").c_str(), 0600), 0); // no writer: opening it would wait
    std::filesystem::create_symlink(folder.file("100"), folder.file("link"));
    for (const auto& [path, failure, bytes] : std::vector<std::tuple<std::string, std::string, Bytes>>{
             {folder.file("100"), "", at},
             {folder.file("link"), "", at},
             {folder.file("99"), "", below},
             {folder.file("0"), "", {}},
             {folder.file("101"), "FileTooLarge", {}},
             {folder.file("missing"), "FileNotFound", {}},
             {folder.file("fifo"), "NotARegularFile", {}},
             {folder.str(), "NotARegularFile", {}},
             {"/dev/zero", "NotARegularFile", {}}}) {
        Bytes got(5, 'z');
        EXPECT_EQ(BoundedFile::read(path, kLimit, got), failure) << path;
        EXPECT_EQ(got, bytes) << path;
        EXPECT_LE(got.capacity(), kLimit + 1) << path;
    }

    // A file that grows past the limit after it was measured: read in place
    // up to the limit only, and refused whole once the byte past it arrives.
    BoundedFile growing(folder.file("99"), kLimit);
    std::ofstream(folder.file("99"), std::ios::app) << std::string(10 * kLimit, 'g');
    std::uint8_t tail[8] = {};
    EXPECT_EQ(growing.readAt(kLimit - 2, tail, sizeof tail), 2u);
    Bytes got;
    EXPECT_FALSE(growing.readAll(got));
    EXPECT_EQ(std::tuple(growing.failure(), got.capacity()), std::tuple("FileTooLarge", 0u));

    // Standard input: an endless pipe stops at the limit without waiting for
    // its end; one within the limit is read whole.
    EXPECT_EQ(std::tuple(readOutputOf("yes", got), got.capacity()), std::tuple("FileTooLarge", 0u));
    EXPECT_EQ(std::tuple(readOutputOf("head -c 100 /dev/zero", got), got), std::tuple("", Bytes(kLimit, 0)));
}
