#include "platform/FileSearch.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "tests/support/TempFolder.h"

namespace vantorix {
namespace {

using testing::TempFolder;
using testing::WriteFileBytes;

TEST(FileSearch, StarsAndQuestionMarksMatchLikeTheWindowsLookUp) {
    const struct {
        const char* name;
        const char* pattern;
        bool matches;
    } cases[] = {
        {"Vantorix_0001.bmp", "Vantorix_0001.bmp", true}, {"Vantorix_0001.bmp", "vantorix_0001.bmp", false},
        {"Vantorix_0001.bmp", "*", true},                 {"Vantorix_0001.bmp", "*.bmp", true},
        {"Vantorix_0001.bmp", "Vantorix_????.bmp", true}, {"Vantorix_01.bmp", "Vantorix_????.bmp", false},
        {"a.b.c", "*.c", true},                           {"a.b.c", "a*b*c", true},
        {"abc", "a*c*", true},                            {"abc", "*x*", false},
        {"[ab]", "[ab]", true},                           {"a", "[ab]", false},
        {"", "*", true},                                  {"abc", "", false},
    };
    for (const auto& [name, pattern, matches] : cases) EXPECT_EQ(MatchesPattern(name, pattern), matches) << name << " ~ " << pattern;
}

TEST(FileSearch, FindsOnlyVisibleRegularFiles) {
    TempFolder temp;
    WriteFileBytes(temp / "frame.bmp", "x");
    WriteFileBytes(temp / ".hidden.bmp", "x");
    std::filesystem::create_directories(temp / "folder.bmp");
    std::filesystem::create_directories(temp / "empty");
    std::filesystem::create_directories(temp / "only-folders/inner");
    std::filesystem::create_directories(temp / "only-hidden");
    WriteFileBytes(temp / "only-hidden/.x", "x");
    ASSERT_EQ(::mkfifo((temp / "pipe.bmp").c_str(), 0600), 0);

    EXPECT_EQ(FindFileByPattern(temp / "frame.bmp"), "frame.bmp");
    EXPECT_EQ(FindFileByPattern(temp / "f*.bmp"), "frame.bmp");
    EXPECT_EQ(FindFileByPattern(temp / "fram?.bmp"), "frame.bmp");
    EXPECT_EQ(FindFileByPattern(temp.Path() + "/"), "frame.bmp");

    for (const std::string missing : {"nothing.bmp", ".hidden.bmp", "*hidden*", "folder.bmp", "pipe.bmp", "p*",
                                      "empty/", "only-folders/", "only-hidden/", "nofolder/", "nofolder/*", "frame.bmp/"}) {
        EXPECT_EQ(FindFileByPattern(temp / missing), std::nullopt) << missing;
    }
    EXPECT_EQ(FindFileByPattern(""), std::nullopt);
}

}  // namespace
}  // namespace vantorix
