#include <gtest/gtest.h>

#include "platform/core/CommandLine.h"

TEST(CommandLine, ReadsEveryOption) {
    CommandLine c;
    std::string error;
    ASSERT_TRUE(c.parse({"--documents", "/d", "--caches", "/c", "--bundle", "/b", "--headless", "--screen",
                         "5", "--screenshot", "s.png", "--audio-buffer", "256", "--latency-log", "l.txt"},
                        error))
        << error;
    EXPECT_EQ(c.documentsFolder, "/d");
    EXPECT_EQ(c.cachesFolder, "/c");
    EXPECT_EQ(c.bundleFolder, "/b");
    EXPECT_TRUE(c.headless);
    EXPECT_EQ(c.screen, 5);
    EXPECT_EQ(c.screenshotFile, "s.png");
    EXPECT_EQ(c.audioBufferFrames, 256);
    EXPECT_EQ(c.latencyLogFile, "l.txt");
}

TEST(CommandLine, RefusesUnknownOptionsAndBadValuesWithAMessage) {
    struct Case {
        std::vector<std::string> args;
        const char* mentions;
    } cases[] = {
        {{"--frobnicate"}, "--frobnicate"},
        {{"--screen", "3"}, "'3'"},
        {{"--screen", "19"}, "'19'"},
        {{"--screen", "5x"}, "'5x'"},
        {{"--screen"}, "--screen"},
        {{"--documents"}, "--documents"},
        {{"--screen", "-1"}, "'-1'"},
        {{"--audio-buffer", "100"}, "'100'"},
        {{"--audio-buffer", "1024"}, "'1024'"},
        {{"--latency-log"}, "--latency-log"},
    };
    for (const auto& k : cases) {
        CommandLine c;
        std::string error;
        EXPECT_FALSE(c.parse(k.args, error)) << k.args[0];
        EXPECT_NE(error.find(k.mentions), std::string::npos) << error;
    }
}

TEST(CommandLine, HelpNamesTheToolsAndOptions) {
    const std::string u = CommandLine::usage("strumwell");
    for (const char* s : {"render", "dump", "--documents", "--caches", "--bundle", "--headless", "--screen",
                          "--screenshot", "--buffer-frames", "--frames", "--audio-buffer", "--latency-log"})
        EXPECT_NE(u.find(s), std::string::npos) << s;
}
