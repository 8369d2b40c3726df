// The files of one kind in a documents folder: which are listed, making names
// safe, refusing paths, and the demos copied in from the bundle.
#include <gtest/gtest.h>

#include <filesystem>

#include "StorageTestSupport.h"
#include "storage/LibraryFolder.h"

namespace fs = std::filesystem;

namespace {

using Names = std::vector<std::string>;

TEST(LibraryFolder, NamesAreMadeSafeAndTakeTheExtension) {
    EXPECT_EQ(LibraryFolder::makeFileSafe("my.song/1"), "my_song_1");
    EXPECT_EQ(LibraryFolder::makeFileSafe("..\\..\\x"), "______x");
    EXPECT_EQ(LibraryFolder::makeFileSafe(""), "");
    EXPECT_EQ(LibraryFolder::makeFileSafe("caf\xC3\xA9 #2!"), "caf\xC3\xA9 #2!");
    const LibraryFolder tabs("", "", ".TAB");
    EXPECT_EQ(tabs.fileName("riff"), "riff.TAB");
    EXPECT_EQ(tabs.nameOfFile("riff.TAB"), "riff");
    for (const char* other : {"riff.tab", ".TAB", "riff.SAV"})
        EXPECT_EQ(tabs.nameOfFile(other), "") << other;
}

TEST(LibraryFolder, ListsOnlyRegularFilesWithTheExactExtension) {
    TempFolder docs;
    for (const std::string& name :
         Names{"b tune.SAV", "a tune.SAV", "lower.sav", "riff.TAB", "old.SAV.bak", ".SAV",
               std::string(".c.SAV") + FileManager::kTemporaryInfix + "12345"})
        writeFile(docs.file(name), pack("x"));
    fs::create_directory(docs.file("folder.SAV"));
    const LibraryFolder songs(docs.str(), "", ".SAV");
    EXPECT_EQ(songs.names(), (Names{"a tune", "b tune"}));
    EXPECT_EQ(LibraryFolder(docs.str(), "", ".TAB").names(), (Names{"riff"}));
    EXPECT_TRUE(songs.exists("a tune"));
    for (const char* absent : {"lower", "folder", "riff", "../docs/a tune", ""})
        EXPECT_FALSE(songs.exists(absent)) << absent;
    EXPECT_EQ(songs.path("x"), docs.str() + "/x.SAV");
    EXPECT_TRUE(LibraryFolder("/nonexistent/strumwell", "", ".SAV").names().empty());
}

TEST(LibraryFolder, EraseRefusesPathsAndMissingFiles) {
    TempFolder root;
    fs::create_directory(root.file("docs"));
    writeFile(root.file("docs/keep.TAB"), pack("x"));
    writeFile(root.file("outside.TAB"), pack("x"));
    const LibraryFolder tabs(root.file("docs"), "", ".TAB");
    for (const char* refused : {"../outside", "../docs/keep", "", "gone"})
        EXPECT_FALSE(tabs.erase(refused)) << refused;
    EXPECT_TRUE(fs::exists(root.file("outside.TAB")));
    EXPECT_TRUE(tabs.erase("keep"));
    EXPECT_FALSE(fs::exists(root.file("docs/keep.TAB")));
}

TEST(LibraryFolder, DemosAreCopiedWithoutOverwriting) {
    TempFolder docs;
    TempFolder bundle;
    writeFile(bundle.file("Demo One.SAV"), pack("demo one"));
    writeFile(bundle.file("Demo Two.SAV"), pack("demo two"));
    writeFile(bundle.file("Demo.TAB"), pack("tab"));
    writeFile(bundle.file("lower.sav"), pack("lower"));
    writeFile(docs.file("Demo One.SAV"), pack("the user's own"));
    const LibraryFolder songs(docs.str(), bundle.str(), ".SAV");
    EXPECT_EQ(songs.copyDemos(), 1);
    EXPECT_EQ(readFile(docs.file("Demo One.SAV")), pack("the user's own"));
    EXPECT_EQ(readFile(docs.file("Demo Two.SAV")), pack("demo two"));
    EXPECT_FALSE(fs::exists(docs.file("Demo.TAB")));
    EXPECT_FALSE(fs::exists(docs.file("lower.sav")));
    EXPECT_EQ(songs.copyDemos(), 0);
    // An erased demo comes back the next time.
    ASSERT_TRUE(songs.erase("Demo Two"));
    EXPECT_EQ(songs.copyDemos(), 1);
    EXPECT_EQ(LibraryFolder(docs.str(), "", ".SAV").copyDemos(), 0);
    EXPECT_EQ(LibraryFolder(docs.str(), "/nonexistent/bundle", ".SAV").copyDemos(), 0);
}

} // namespace
