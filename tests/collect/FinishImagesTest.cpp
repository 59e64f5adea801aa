#include "collect/FaceFileNames.h"
#include "collect/FinishImages.h"
#include "imaging/mPictureLoader.h"
#include "platform/ReplacementFile.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/mount.h>
#endif

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "tests/collect/CollectTestSupport.h"
#ifndef _WIN32
#include "tests/support/Mirror.h"
#endif

namespace vantorix {
namespace {

using testing::FolderListing;
using testing::JobFor;
using testing::ProgramFolder;
using testing::ReadFileBytes;
using testing::RenderPixels;
using testing::WriteFileBytes;
using testing::WriteRender;
namespace fs = std::filesystem;

std::string NamesOf(const SkyboxJob& job) {
    const FaceFileNames names = ComposeFaceFileNames(job, testing::Native("/prog"));
    std::string all;
    for (const std::string& name : names.FinalName) all += name.substr(names.OutputFolder.size()) + " ";
    return all;
}

TEST(FaceFileNames, EachSchemeNamesEveryFace) {
    SkyboxJob job;
    job.Output = testing::Native("/sky/NewSky");
    const struct {
        int scheme;
        bool abbreviate;
        int convert;
        const char* names;
    } cases[] = {
        {0, false, 2, "NewSky_0001.jpg NewSky_0002.jpg NewSky_0003.jpg NewSky_0004.jpg NewSky_0005.jpg NewSky_0006.jpg "},
        {0, true, 1, "NewSky_0001.tga NewSky_0002.tga NewSky_0003.tga NewSky_0004.tga NewSky_0005.tga NewSky_0006.tga "},
        {1, false, 0, "NewSky_North.bmp NewSky_South.bmp NewSky_East.bmp NewSky_West.bmp NewSky_Up.bmp NewSky_Down.bmp "},
        {1, true, 2, "NewSky_N.jpg NewSky_S.jpg NewSky_E.jpg NewSky_W.jpg NewSky_U.jpg NewSky_D.jpg "},
        {2, false, 2, "NewSky_Front.jpg NewSky_Back.jpg NewSky_Left.jpg NewSky_Right.jpg NewSky_Up.jpg NewSky_Down.jpg "},
        {2, true, 2, "NewSky_F.jpg NewSky_B.jpg NewSky_L.jpg NewSky_R.jpg NewSky_U.jpg NewSky_D.jpg "},
    };
    for (const auto& c : cases) {
        job.NameScheme = c.scheme;
        job.NameAbreviate = c.abbreviate;
        job.Convert = c.convert;
        EXPECT_EQ(NamesOf(job), c.names) << "scheme " << c.scheme << ", abbreviated " << c.abbreviate;
    }
}

TEST(FaceFileNames, AsIsNumbersByFaceWhileFramesCountChosenFacesOnly) {
    SkyboxJob job;
    job.Output = testing::Native("/sky/NewSky");
    job.NameScheme = 0;
    job.Render = {false, false, true, false, true, false};
    const FaceFileNames names = ComposeFaceFileNames(job, testing::Native("/prog"));
    EXPECT_EQ(names.RenderName[2], testing::Native("/prog/Vantorix/Vantorix_0001.bmp"));
    EXPECT_EQ(names.RenderName[4], testing::Native("/prog/Vantorix/Vantorix_0002.bmp"));
    EXPECT_EQ(names.FinalName[2], testing::Native("/sky/NewSky_0003.jpg"));
    EXPECT_EQ(names.FinalName[4], testing::Native("/sky/NewSky_0005.jpg"));
    for (const int unchosen : {0, 1, 3, 5}) EXPECT_EQ(names.RenderName[unchosen], "");
}

TEST(FaceFileNames, PrefixesBecomePaths) {
    using testing::Native;
#ifdef _WIN32
    ASSERT_EQ(::_putenv_s("USERPROFILE", Native("/home/ann").c_str()), 0);
#else
    ::setenv("HOME", "/home/ann", 1);
#endif
    const auto first = [](const std::string& output) {
        SkyboxJob job;
        job.Output = output;
        const FaceFileNames names = ComposeFaceFileNames(job, Native("/prog/"));
        return names.OutputFolder + " " + names.FinalName[0];
    };
    EXPECT_EQ(first(Native("/sky/")), Native("/sky/ /sky/_North.jpg"));  // the "_" even after a separator
    EXPECT_EQ(first("NewSky"), Native("/prog/ /prog/NewSky_North.jpg"));
    EXPECT_EQ(first("Skies/NewSky"), Native("/prog/") + "Skies/ " + Native("/prog/") + "Skies/NewSky_North.jpg");  // as typed
    EXPECT_EQ(first(Native("~/Skies/New Sky ")), Native("/home/ann/Skies/ /home/ann/Skies/New Sky _North.jpg"));
    EXPECT_EQ(first("~NewSky"), Native("/prog/ /prog/~NewSky_North.jpg"));
#ifdef _WIN32
    EXPECT_EQ(first("D:\\Sky\\"), "D:\\Sky\\ D:\\Sky\\_North.jpg");  // a drive: as typed
#endif
}

TEST(FinishImages, KeepBmpMovesTheRendersUnchangedAndTouchesNothingElse) {
    ProgramFolder program;
    WriteRender(program.Render(1), 0);
    WriteRender(program.Render(2), 3);
    WriteRender(program.Render(3), 5);  // no chosen face has a third frame
    const std::string north = ReadFileBytes(program.Render(1));
    const std::string west = ReadFileBytes(program.Render(2));
    WriteFileBytes(program.Output("NewSky_West.bmp"), "an older west face");
    WriteFileBytes(program.Output("NewSky_South.bmp"), "south, not chosen");

    const FinishReport report = FinishImages(JobFor(program, {North, West}, 0), program.Path());

    EXPECT_TRUE(report.Unfinished.empty());
    EXPECT_TRUE(ReadFileBytes(program.Output("NewSky_North.bmp")) == north);
    EXPECT_TRUE(ReadFileBytes(program.Output("NewSky_West.bmp")) == west);
    EXPECT_EQ(ReadFileBytes(program.Output("NewSky_South.bmp")), "south, not chosen");
    EXPECT_EQ(FolderListing(RenderFolder(program.Path())),
              "NewSky_North.bmp\nNewSky_South.bmp\nNewSky_West.bmp\nVantorix_0003.bmp\n");
}

TEST(FinishImages, TgaFacesCarryTheRendersPixelsAndReplaceOlderFiles) {
    ProgramFolder program;
    WriteRender(program.Render(1), 1, 7, 5);
    WriteRender(program.Render(2), 2, 4, 3);
    SkyboxJob job = JobFor(program, {East, Down}, 1, 2, true);
    job.Output = program.Path() + "/out/Sky";
    fs::create_directory(program.Path() + "/out");
    WriteFileBytes(program.Path() + "/out/Sky_D.tga", "an older down face");

    const FinishReport report = FinishImages(job, program.Path());

    EXPECT_TRUE(report.Unfinished.empty());
    EXPECT_EQ(FolderListing(program.Path() + "/out"), "Sky_D.tga\nSky_L.tga\n");
    EXPECT_EQ(FolderListing(RenderFolder(program.Path())), "");
    ASSERT_EQ(LoadPictureFile(program.Path() + "/out/Sky_D.tga"), PictureStatus::Loaded);
    PixelBlock pixels;
    CopyPicturePixels(pixels);
    ASSERT_EQ(pixels.Columns(), 12);
    ASSERT_EQ(pixels.Rows(), 3);
    const std::vector<std::uint8_t> expected = RenderPixels(4, 3, 2);
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(std::memcmp(pixels.Row(row), expected.data() + row * 12, 12), 0) << "row " << row;
    }
}

// A second take renamed over a render while its face is written: the face
// holds the first take, and the second stays under the render's name.
TEST(FinishImages, ARenderReplacedWhileItsFaceIsWrittenIsKept) {
    for (const int convert : {1, 2}) {
        ProgramFolder program;
        WriteRender(program.Render(1), 1, 8, 8);
        WriteFileBytes(program.Path() + "/take2.bmp", "the second take");
        ReplacementFile::ObserveCommitsForTesting([&](const ReplacementFile&) {
            fs::rename(program.Path() + "/take2.bmp", program.Render(1));
        });
        const FinishReport report = FinishImages(JobFor(program, {North}, convert), program.Path());
        ReplacementFile::ObserveCommitsForTesting({});

        EXPECT_EQ(ReadFileBytes(program.Render(1)), "the second take") << convert;
        ASSERT_EQ(report.KeptRenders.size(), 1u) << convert;
        EXPECT_NE(CompletionMessage(report).find("North (\"" + program.Render(1) + "\")"), std::string::npos);
        EXPECT_GT(fs::file_size(program.Output(convert == 1 ? "NewSky_North.tga" : "NewSky_North.jpg")), 100u);
    }
}

#ifndef _WIN32
// A mirror of the render folder shows the render under another device
// number: an output through it is the render all the same.
TEST(FinishImages, AnOutputThatIsARenderThroughAMirrorIsRefused) {
    ProgramFolder program;
    WriteRender(program.Render(1), 1);
    const std::string render = ReadFileBytes(program.Render(1));
    const testing::Mirror mirror(RenderFolder(program.Path()), program.Path() + "/mirror");
    if (!mirror.WhyNot().empty()) GTEST_SKIP() << mirror.WhyNot();
    SkyboxJob job = JobFor(program, {North}, 0, 0);
    job.Output = program.Path() + "/mirror/Vantorix";  // Keep BMP, As-Is: Vantorix_0001.bmp, the render's own name
    EXPECT_THROW(FinishImages(job, program.Path()), FaceFinishError);
    EXPECT_TRUE(ReadFileBytes(program.Render(1)) == render);
}
#endif

TEST(FinishImages, JpegFacesGoIntoFoldersMadeForThem) {
    ProgramFolder program;
    for (int frame = 1; frame <= 6; ++frame) WriteRender(program.Render(frame), frame, 16, 16);
    SkyboxJob job = JobFor(program, {North, South, East, West, Up, Down}, 2);
    job.Output = program.Path() + "/a/b/c/NewSky";

    const FinishReport report = FinishImages(job, program.Path());

    EXPECT_EQ(CompletionMessage(report), "Skybox Images are Done!");
    EXPECT_EQ(FolderListing(program.Path() + "/a/b/c"),
              "NewSky_Down.jpg\nNewSky_East.jpg\nNewSky_North.jpg\nNewSky_South.jpg\nNewSky_Up.jpg\nNewSky_West.jpg\n");
    EXPECT_EQ(ReadFileBytes(program.Path() + "/a/b/c/NewSky_Up.jpg").substr(0, 2), "\xFF\xD8");
    EXPECT_EQ(FolderListing(RenderFolder(program.Path())), "");
}

TEST(FinishImages, AFaceThatCannotBeLoadedIsSkippedAndReported) {
    ProgramFolder program;
    WriteRender(program.Render(2), 2);  // the North render, frame 1, never came
    const FinishReport report = FinishImages(JobFor(program, {North, South}, 2), program.Path());

    ASSERT_EQ(report.Unfinished.size(), 1u);
    EXPECT_EQ(report.Unfinished[0].Face, North);
    EXPECT_EQ(CompletionMessage(report),
              "Skybox Images are Done!\n\nThese faces were not finished, and their renders were left as they are:\n"
              "North (\"" + program.Render(1) + "\"): the render was not found.");
    EXPECT_EQ(FolderListing(RenderFolder(program.Path())), "NewSky_South.jpg\n");
}

#ifndef _WIN32
TEST(FinishImages, AJpegThatCannotBeWrittenKeepsItsRender) {
    ProgramFolder program;
    const testing::SmallDisk disk(program.Path() + "/disk");
    if (!disk.WhyNot().empty()) GTEST_SKIP() << disk.WhyNot();
    testing::WriteNoiseRender(program.Render(1));
    SkyboxJob job = JobFor(program, {Up}, 2);
    job.JPGQuality = 100;
    job.Output = program.Path() + "/disk/NewSky";

    const FinishReport report = FinishImages(job, program.Path());

    ASSERT_EQ(report.Unfinished.size(), 1u);
    EXPECT_EQ(report.Unfinished[0].Reason, "its JPEG file could not be written (No space left on device)");
    EXPECT_EQ(FolderListing(program.Path() + "/disk"), "");
    EXPECT_TRUE(fs::exists(program.Render(1)));
}
#endif

TEST(FinishImages, AnErrorEndsTheRunAtItsFaceAndNamesIt) {
    ProgramFolder program;
    for (int frame = 1; frame <= 3; ++frame) WriteRender(program.Render(frame), frame);
    fs::create_directory(program.Output("NewSky_South.tga"));
    try {
        FinishImages(JobFor(program, {North, South, East}, 1), program.Path());
        FAIL() << "a folder was replaced";
    } catch (const FaceFinishError& error) {
        EXPECT_EQ(error.Face(), South);
        const std::string message = error.what();
        EXPECT_EQ(message.find("The South face (\"" + program.Render(2) + "\") was not finished. Cannot replace \"" +
                               program.Output("NewSky_South.tga") + "\": Is a directory."),
                  0u)
            << message;
    }
    EXPECT_EQ(FolderListing(RenderFolder(program.Path())),
              "NewSky_North.tga\nNewSky_South.tga\nVantorix_0002.bmp\nVantorix_0003.bmp\n");
}

// As-Is names in the render folder: East's output would be Up's render,
// however the prefix spells the render folder.
TEST(FinishImages, KeepBmpRefusesToMoveAFaceOntoAnotherFacesRender) {
    ProgramFolder program;
    const std::string renders = RenderFolder(program.Path());  // ends in a separator
    std::vector<std::string> spellings = {
        renders + "Vantorix",
        renders + "/Vantorix",
        renders + "./Vantorix",
        renders + "../Vantorix/Vantorix",
        program.Path() + "//Vantorix/./Vantorix",
    };
#ifndef _WIN32  // Wine makes no symbolic links
    fs::create_directory_symlink(renders, program.Path() + "/link");
    spellings.push_back(program.Path() + "/link/Vantorix");
#endif
    std::string written[4];
    for (int frame = 1; frame <= 3; ++frame) {
        WriteRender(program.Render(frame), frame);
        written[frame] = ReadFileBytes(program.Render(frame));
    }
    for (const std::string& prefix : spellings) {
        SkyboxJob job = JobFor(program, {East, West, Up}, 0, 0);
        job.Output = prefix;
        try {
            FinishImages(job, program.Path());
            ADD_FAILURE() << prefix << ": finished over a render";
        } catch (const FaceFinishError& error) {
            EXPECT_EQ(error.Face(), East) << prefix;
            EXPECT_NE(std::string(error.what()).find("The East face"), std::string::npos) << error.what();
            EXPECT_NE(std::string(error.what()).find("the Up face"), std::string::npos) << error.what();
        }
        EXPECT_EQ(FolderListing(renders), "Vantorix_0001.bmp\nVantorix_0002.bmp\nVantorix_0003.bmp\n") << prefix;
        for (int frame = 1; frame <= 3; ++frame) EXPECT_TRUE(ReadFileBytes(program.Render(frame)) == written[frame]);
    }
}

// An output that already is a render of the run, by any name or link, its
// own render included, stops the pass before anything is written, whatever
// the conversion: every render stays as it was.
TEST(FinishImages, AnOutputThatIsARenderStopsThePassBeforeAnythingIsWritten) {
    const struct {
        const char* what;
        int renderOfFace;  // which face's render West's output leads to
        bool symbolic;
    } cases[] = {{"a hard link to another face's render", Up, false}, {"a link to its own render", West, true}};
    for (const auto& c : cases) {
#ifdef _WIN32
        if (c.symbolic) continue;  // Wine makes no symbolic links
#endif
        for (const int convert : {0, 1, 2}) {
            ProgramFolder program;
            std::string written[4];
            for (int frame = 1; frame <= 3; ++frame) {
                WriteRender(program.Render(frame), frame);
                written[frame] = ReadFileBytes(program.Render(frame));
            }
            SkyboxJob job = JobFor(program, {East, West, Up}, convert, 0);
            job.Output = program.Path() + "/out/Sky";
            fs::create_directory(program.Path() + "/out");
            const std::string westOutput = program.Path() + "/out/Sky_0004" + OutputExtension(job);
            const std::string render = program.Render(c.renderOfFace == Up ? 3 : 2);
            c.symbolic ? fs::create_symlink(render, westOutput) : fs::create_hard_link(render, westOutput);
            try {
                FinishImages(job, program.Path());
                ADD_FAILURE() << c.what << ", " << convert << ": finished";
            } catch (const FaceFinishError& error) {
                EXPECT_EQ(error.Face(), West) << c.what;
                const std::string other = std::string("the ") + (c.renderOfFace == Up ? "Up" : "West") + " face";
                EXPECT_NE(std::string(error.what()).find(other), std::string::npos) << error.what();
            }
            for (int frame = 1; frame <= 3; ++frame) {
                EXPECT_TRUE(ReadFileBytes(program.Render(frame)) == written[frame]) << c.what << ", " << convert;
            }
            EXPECT_EQ(FolderListing(program.Path() + "/out"), "Sky_0004" + OutputExtension(job) + "\n") << c.what;
        }
    }

#ifndef _WIN32
    // The render folder reached through a bind mount: Keep BMP would copy the render onto itself.
    ProgramFolder program;
    const std::string bind = program.Path() + "/bind";
    fs::create_directory(bind);
    if (::mount(RenderFolder(program.Path()).c_str(), bind.c_str(), nullptr, MS_BIND, nullptr) != 0) {
        GTEST_SKIP() << "cannot bind-mount here: " << std::strerror(errno);
    }
    WriteRender(program.Render(1), 1);
    const std::string north = ReadFileBytes(program.Render(1));
    SkyboxJob job = JobFor(program, {North}, 0, 0);
    job.Output = bind + "/Vantorix";
    EXPECT_THROW(FinishImages(job, program.Path()), FaceFinishError);
    EXPECT_TRUE(ReadFileBytes(program.Render(1)) == north);
    ::umount2(bind.c_str(), MNT_DETACH);
#endif
}

TEST(FinishImages, AReadOnlyOutputIsNotReplacedAndItsRenderStays) {
    for (const int convert : {0, 1, 2}) {
        ProgramFolder program;
        WriteRender(program.Render(1), 1);
        const std::string output = program.Output("NewSky_North" + OutputExtension(JobFor(program, {}, convert)));
        WriteFileBytes(output, "old");
        fs::permissions(output, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        try {
            FinishImages(JobFor(program, {North}, convert), program.Path());
            ADD_FAILURE() << convert << ": finished over a read-only file";
        } catch (const FaceFinishError& error) {
            EXPECT_NE(std::string(error.what()).find("read-only"), std::string::npos) << error.what();
        }
        EXPECT_EQ(ReadFileBytes(output), "old") << convert;
        EXPECT_TRUE(fs::exists(program.Render(1))) << convert;
    }
}

}  // namespace
}  // namespace vantorix
