#include "job/mMain.h"
#include "platform/FileError.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/support/TempFolder.h"
#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>

#include "tests/support/Unprivileged.h"
#endif

namespace vantorix {
namespace {

using testing::FolderListing;
using testing::ReadFileBytes;
using testing::TempFolder;
using testing::WriteFileBytes;
namespace fs = std::filesystem;

TEST(WriteSkyboxScript, MakesEveryMissingFolderAndWritesTheComposedScript) {
    TempFolder temp;
    const std::string program = temp / "a/b/c";
    WriteSkyboxScript(SkyboxJob{}, program);
    EXPECT_EQ(ReadFileBytes(program + "/Vantorix/Vantorix.tgs"), ComposeSkyboxScript(SkyboxJob{}, program));
    EXPECT_EQ(FolderListing(program + "/Vantorix"), "Vantorix.tgs\n");
}

TEST(WriteSkyboxScript, ReplacesALongerOldScriptCompletely) {
    TempFolder temp;
    fs::create_directories(temp / "Vantorix");
    WriteFileBytes(temp / "Vantorix/Vantorix.tgs", std::string(5000, 'x'));
    SkyboxJob job;
    job.Render = {};
    WriteSkyboxScript(job, temp.Path());
    EXPECT_EQ(ReadFileBytes(temp / "Vantorix/Vantorix.tgs"), ComposeSkyboxScript(job, temp.Path()));
}

TEST(WriteSkyboxScript, NumbersThatStopTheWriterLeaveTheDiskAsItWas) {
    TempFolder temp;
    SkyboxJob job;
    job.TGArea = "abc";
    EXPECT_THROW(WriteSkyboxScript(job, temp / "program"), SkyboxJobError);
    EXPECT_FALSE(fs::exists(temp / "program"));

    fs::create_directories(temp / "Vantorix");
    WriteFileBytes(temp / "Vantorix/Vantorix.tgs", "old script");
    job.TGArea = "0";
    EXPECT_THROW(WriteSkyboxScript(job, temp.Path()), SkyboxJobError);
    EXPECT_EQ(ReadFileBytes(temp / "Vantorix/Vantorix.tgs"), "old script");
    EXPECT_EQ(FolderListing(temp / "Vantorix"), "Vantorix.tgs\n");
}

// The message names the render folder that could not be made, and why.
TEST(WriteSkyboxScript, AFileWhereTheRenderFolderBelongsStopsWithTheFolderNamed) {
    TempFolder temp;
    WriteFileBytes(temp / "Vantorix", "not a folder");
    try {
        WriteSkyboxScript(SkyboxJob{}, temp.Path());
        FAIL() << "the script was written";
    } catch (const FileError& error) {
        EXPECT_EQ(error.Path(), temp / "Vantorix");
        EXPECT_NE(std::string(error.what()).find("Cannot make the folder \"" + temp / "Vantorix" + "\""),
                  std::string::npos)
            << error.what();
    }
    EXPECT_EQ(ReadFileBytes(temp / "Vantorix"), "not a folder");
    EXPECT_EQ(FolderListing(temp.Path()), "Vantorix\n");
}

#ifdef _WIN32
// Windows drops blanks and dots from the end of a path's last part only: an
// output folder ending in one is refused at Start, naming it; a name may.
TEST(WriteSkyboxScript, AnOutputFolderEndingInABlankOrADotIsRefusedOnWindows) {
    TempFolder temp;
    for (const auto& [output, part] : {std::pair{"C:\\Sky  \\Low", "\"Sky  \""}, {"Sky.\\Low", "\"Sky.\""},
                                       {"a/b \\Sky", "\"b \""}}) {
        SkyboxJob job;
        job.Output = output;
        try {
            WriteSkyboxScript(job, temp.Path());
            ADD_FAILURE() << output << " was taken";
        } catch (const SkyboxJobError& error) {
            EXPECT_NE(std::string(error.what()).find(part), std::string::npos) << error.what();
        }
    }
    EXPECT_EQ(FolderListing(temp.Path()), "");
    for (const char* output : {"C:\\Sky\\.\\Low", "..\\Sky", "Sky\\Low.", "Sky\\Low "}) {
        SkyboxJob job;
        job.Output = output;
        EXPECT_NO_THROW(WriteSkyboxScript(job, temp.Path())) << output;
    }
}
#endif

#ifndef _WIN32
using testing::AsUnprivilegedUser;
using testing::GiveToChild;

// Stands in for a full disk: writes past the limit fail with EFBIG.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved_;
        limited.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }

private:
    rlimit saved_{};
    void (*previous_)(int) = nullptr;
};

TEST(WriteSkyboxScript, AWriteThatFailsHalfwayKeepsTheOldScriptWhole) {
    TempFolder temp;
    fs::create_directories(temp / "Vantorix");
    WriteFileBytes(temp / "Vantorix/Vantorix.tgs", "old script");
    {
        FileSizeLimit diskFull(100);
        EXPECT_THROW(WriteSkyboxScript(SkyboxJob{}, temp.Path()), FileError);
    }
    EXPECT_EQ(ReadFileBytes(temp / "Vantorix/Vantorix.tgs"), "old script");
    EXPECT_EQ(FolderListing(temp / "Vantorix"), "Vantorix.tgs\n");
}

// As a user, not root: a render folder that takes no new files still has
// the user's own script rewritten where it stands; without one, Start stops.
TEST(WriteSkyboxScript, ARenderFolderThatRefusesNewFilesHasTheScriptWrittenInPlace) {
    TempFolder temp;
    GiveToChild(temp.Path(), 0755);
    fs::create_directories(temp / "with/Vantorix");
    fs::create_directories(temp / "without/Vantorix");
    WriteFileBytes(temp / "with/Vantorix/Vantorix.tgs", std::string(5000, 'x'));
    for (const char* path : {"with", "with/Vantorix/Vantorix.tgs", "without"}) GiveToChild(temp / path, 0755);
    GiveToChild(temp / "with/Vantorix", 0555);
    GiveToChild(temp / "without/Vantorix", 0555);
    const std::string failures = AsUnprivilegedUser([&] {
        std::string seen;
        WriteSkyboxScript(SkyboxJob{}, temp / "with");
        if (ReadFileBytes(temp / "with/Vantorix/Vantorix.tgs") != ComposeSkyboxScript(SkyboxJob{}, temp / "with")) {
            seen += "the script was not rewritten; ";
        }
        try {
            WriteSkyboxScript(SkyboxJob{}, temp / "without");
            seen += "a script was made in a folder that refuses new files; ";
        } catch (const FileError&) {
        }
        // A program folder the user may not write (Program Files): the folder is named, and why.
        try {
            WriteSkyboxScript(SkyboxJob{}, temp / "without/Vantorix");
            seen += "a render folder was made where the user may not write; ";
        } catch (const FileError& error) {
            const std::string said = error.what();
            const std::string folder = temp / "without/Vantorix/Vantorix";
            if (said.find("Cannot make the folder \"" + folder + "\": Permission denied") != 0) {
                seen += "said: " + said;
            }
        }
        return seen;
    });
    EXPECT_EQ(failures, "");
    EXPECT_EQ(FolderListing(temp / "with/Vantorix"), "Vantorix.tgs\n");
    EXPECT_EQ(FolderListing(temp / "without/Vantorix"), "");
}

#endif

// The script is read by Terragen in its code page: the folder's letters
// become that code page's bytes, and a letter it lacks stops Start.
TEST(WriteSkyboxScript, WritesTheFolderInTheCodePageOfTheUsersLanguage) {
    TempFolder temp;
    const struct {
        const char* locale;
        std::string folder, bytes;
    } cases[] = {
        {"C", "Sky \xC3\xA9 \xC3\xBC", "Sky \xE9 \xFC"},
        {"de_DE.UTF-8", "Sky \xC3\xA9", "Sky \xE9"},
        {"ru_RU.UTF-8", "\xD0\x96", "\xC6"},
        {"eo.UTF-8", "\xC3\xA9", "\xE9"},  // a language Wine does not list: 1252
    };
    for (const auto& [locale, folder, bytes] : cases) {
#ifdef _WIN32
        if (std::string(locale) != "C") continue;  // Windows' own code page is the system's, 1252 here
#else
        ::setenv("LC_ALL", locale, 1);
#endif
        const std::string program = temp / folder;
        WriteSkyboxScript(SkyboxJob{}, program);
        const std::string script = ReadFileBytes(program + "/Vantorix/Vantorix.tgs");
        const std::string written = temp.Path() + TempFolder::Separator + bytes + TempFolder::Separator + "Vantorix" +
                                    TempFolder::Separator + "Vantorix_";
        EXPECT_NE(script.find("InitAnim \"" + written + "\", 1\r\n"), std::string::npos) << locale;
    }
#ifndef _WIN32
    ::setenv("LC_ALL", "C", 1);
#endif
    const std::string program = temp / "\xE7\xA9\xBA";  // sky, which Windows-1252 lacks
    try {
        WriteSkyboxScript(SkyboxJob{}, program);
        FAIL() << "a script was written that Terragen would misread";
    } catch (const SkyboxJobError& error) {
        const std::string text = error.what();
        for (const std::string& named : {"\"" + program + "\"", std::string("\"\xE7\xA9\xBA\""),
                                         std::string("Windows-1252"), std::string("Move Vantorix")}) {
            EXPECT_NE(text.find(named), std::string::npos) << named << " in " << text;
        }
    }
    EXPECT_FALSE(fs::exists(program)) << "nothing is made";
}

TEST(CreateFolderPath, MakesEachMissingLevelAndLeavesExistingOnesAlone) {
    TempFolder temp;
    fs::create_directories(temp / "kept");
    WriteFileBytes(temp / "kept/file", "content");

    CreateFolderPath(temp / "kept/x/y/z/");
    CreateFolderPath(temp / "other/deep");  // no trailing separator: the last piece is made too
    EXPECT_TRUE(fs::is_directory(temp / "kept/x/y/z"));
    EXPECT_TRUE(fs::is_directory(temp / "other/deep"));
    EXPECT_EQ(ReadFileBytes(temp / "kept/file"), "content");

    CreateFolderPath(temp / "kept/x/y/z/");  // all there already
    EXPECT_TRUE(fs::is_empty(temp / "kept/x/y/z"));
    CreateFolderPath("");
}

TEST(CreateFolderPath, AFileInTheWayIsLeftAndNothingIsReported) {
    TempFolder temp;
    WriteFileBytes(temp / "file", "content");
    EXPECT_NO_THROW(CreateFolderPath(temp / "file/below/"));
    EXPECT_EQ(ReadFileBytes(temp / "file"), "content");
}

}  // namespace
}  // namespace vantorix
