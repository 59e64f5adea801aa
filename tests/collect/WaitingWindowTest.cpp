#include "collect/RenderWatch.h"
#include "collect/frmWaiting.h"
#include "platform/MessageBox.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QProcess>
#include <QPushButton>

#include <sys/stat.h>

#include <chrono>
#include <functional>
#include <filesystem>
#include <thread>

#include "collect/FinishImages.h"
#include "tests/collect/CollectTestSupport.h"
#include "tests/support/Unprivileged.h"

namespace vantorix {
namespace {

using testing::AsUnprivilegedUser;
using testing::FolderListing;
using testing::GiveToChild;
using testing::JobFor;
using testing::MessageCatcher;
using testing::ProgramFolder;
using testing::ReadFileBytes;
using testing::WriteFileBytes;
using testing::WriteRender;
namespace fs = std::filesystem;

TEST(RenderWatch, ARenderCountsOnceItHoldsEveryPixelItsHeaderAsksFor) {
    ProgramFolder program;
    const std::string render = program.Render(1);
    EXPECT_FALSE(RenderIsComplete(render));
    WriteRender(render, 1, 7, 5);  // 54 + 5 rows of 24 bytes
    const std::string whole = ReadFileBytes(render);
    ASSERT_EQ(whole.size(), 174u);
    for (const std::size_t length : {0, 1, 20, 53, 54, 173}) {
        WriteFileBytes(render, whole.substr(0, length));
        EXPECT_FALSE(RenderIsComplete(render)) << length << " bytes";
    }
    WriteFileBytes(render, whole);
    EXPECT_TRUE(RenderIsComplete(render));
    WriteFileBytes(render, "not a picture at all");  // finishing will say so
    EXPECT_TRUE(RenderIsComplete(render));
}

// A render that is no file never becomes one: the wait ends, and finishing
// names it and what it is, touching nothing.
TEST(RenderWatch, ARenderThatIsNoFileEndsTheWaitAndFinishingNamesIt) {
    const std::vector<std::pair<const char*, std::function<void(const std::string&)>>> cases = {
        {"a folder", [](const std::string& path) { fs::create_directory(path); }},
#ifndef _WIN32
        {"a named pipe", [](const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0); }},
        {"a device", [](const std::string& path) { fs::create_symlink("/dev/null", path); }},
#endif
    };
    for (const auto& [what, make] : cases) {
        ProgramFolder program;
        const std::string render = program.Render(1);
        make(render);
        EXPECT_TRUE(RenderIsComplete(render)) << what;
        try {
            FinishImages(JobFor(program, {0}, 2), program.Path());
            ADD_FAILURE() << what << " was finished";
        } catch (const FaceFinishError& error) {
            const std::string said = error.what();
            EXPECT_NE(said.find("\"" + render + "\" is " + what), std::string::npos) << said;
        }
        EXPECT_EQ(FolderListing(RenderFolder(program.Path())), "Vantorix_0001.bmp\n") << what;
    }
}

// As a user, not root: a render the user may not read is there all the same,
// and finishing names it and why, instead of the window waiting for ever.
TEST(RenderWatch, ARenderTheUserMayNotReadCountsAsThereAndFinishingSaysWhy) {
    ProgramFolder program;
    const std::string renders = RenderFolder(program.Path());
    GiveToChild(program.Path(), 0755);
    GiveToChild(renders, 0755);
    WriteRender(program.Render(1), 1);
    GiveToChild(program.Render(1), 0000);
    const std::string failures = AsUnprivilegedUser([&] {
        std::string seen;
        if (!RenderIsComplete(program.Render(1))) seen += "the unreadable render does not count; ";
        try {
            FinishImages(JobFor(program, {North}, 2), program.Path());
            seen += "finishing did not fail; ";
        } catch (const FaceFinishError& error) {
            const std::string text = error.what();
            if (text.find("Cannot open \"" + program.Render(1) + "\": Permission denied") == std::string::npos) {
                seen += "unexpected: " + text;
            }
        }
        return seen;
    });
    EXPECT_EQ(failures, "");
    EXPECT_TRUE(fs::exists(program.Render(1)));
}

TEST(RenderWatch, FramesAreCountedOverTheChosenFacesOnly) {
    ProgramFolder program;
    const SkyboxJob job = JobFor(program, {North, Down}, 2);
    WriteRender(program.Render(1), 1);
    EXPECT_FALSE(AllRendersPresent(job, program.Path()));
    WriteRender(program.Render(2), 2);
    EXPECT_TRUE(AllRendersPresent(job, program.Path()));
}

TEST(WaitingWindow, LaysOutItsControlsAndFitsTheirCaptions) {
    ProgramFolder program;
    frmWaiting window(nullptr, program.Path(), [&] { return JobFor(program, {}, 2); });
    EXPECT_EQ(window.windowTitle(), "Waiting...");
    EXPECT_EQ(window.size(), QSize(354, 133));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::Tool));
    EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(window.tmrMain.isActive());
    EXPECT_EQ(window.tmrMain.interval(), 1000);

    const struct {
        QWidget* control;
        const char* text;
        QRect geometry;
    } controls[] = {
        {window.lblInfo, "Waiting for Images to be Rendered in Terragen.", {8, 8, 229, 13}},
        {window.lblMoreInfo,
         "In Terragen, select from the menu \"Terragen\" then \"Execute Script...\"  Select the \"Vantorix.tgs\" "
         "file to start the rendering.",
         {8, 32, 337, 29}},
        {window.Label1, "Make sure there are no images already in the \"Vantorix\" sub-folder of Terragen.",
         {8, 68, 337, 29}},
        {window.btnCancel, "Cancel", {276, 108, 69, 21}},
    };
    for (const auto& c : controls) {
        SCOPED_TRACE(c.control->objectName().toStdString());
        EXPECT_EQ(c.control->geometry(), c.geometry);
        const auto* label = qobject_cast<QLabel*>(c.control);
        const QString text = label != nullptr ? label->text() : qobject_cast<QPushButton*>(c.control)->text();
        EXPECT_EQ(text.toStdString(), c.text);
        const QFontMetrics metrics(c.control->font());
        const int flags = label != nullptr && label->wordWrap() ? Qt::TextWordWrap : Qt::TextSingleLine;
        const QRect needed = metrics.boundingRect(QRect(0, 0, c.geometry.width(), 1000), flags, text);
        EXPECT_LE(needed.width(), c.geometry.width() - (label != nullptr ? 0 : 8));
        EXPECT_LE(needed.height(), c.geometry.height());
    }
}

TEST(WaitingWindow, FinishesEveryFaceInTheTickThatFindsTheLastRenderComplete) {
    ProgramFolder program;
    MessageCatcher messages;
    frmWaiting window(nullptr, program.Path(), [&] { return JobFor(program, {North, East}, 0); });
    window.show();

    window.tmrMain_Timer();
    EXPECT_TRUE(window.tmrMain.isActive());
    WriteRender(program.Render(1), 1);
    WriteFileBytes(program.Render(2), "BM");  // the renderer has only begun East
    window.tmrMain_Timer();
    EXPECT_TRUE(window.tmrMain.isActive());
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(FolderListing(RenderFolder(program.Path())), "Vantorix_0001.bmp\nVantorix_0002.bmp\n");

    WriteRender(program.Render(2), 2);
    window.tmrMain_Timer();
    EXPECT_FALSE(window.tmrMain.isActive());
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_EQ(FolderListing(RenderFolder(program.Path())), "NewSky_East.bmp\nNewSky_North.bmp\n");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Skybox Images are Done!");
    EXPECT_EQ(messages.shown[0].caption, "Done!");
    EXPECT_EQ(messages.shown[0].style, MB_OK | MB_ICONINFORMATION);
}

// The settings are read on every tick; with no face chosen there is nothing
// to wait for.
TEST(WaitingWindow, ReadsTheSettingsAfreshOnEveryTick) {
    ProgramFolder program;
    MessageCatcher messages;
    std::vector<int> faces = {Up};
    frmWaiting window(nullptr, program.Path(), [&] {
        SkyboxJob job = JobFor(program, faces, 2);
        job.Output = program.Path() + "/Skies/NewSky";
        return job;
    });
    window.tmrMain_Timer();
    EXPECT_TRUE(window.tmrMain.isActive());
    faces.clear();
    window.tmrMain_Timer();
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_TRUE(fs::is_directory(program.Path() + "/Skies"));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Skybox Images are Done!");
}

TEST(WaitingWindow, ASkippedFaceTurnsTheCompletionMessageIntoAWarning) {
    ProgramFolder program;
    const testing::SmallDisk disk(program.Path() + "/disk");
    if (!disk.WhyNot().empty()) GTEST_SKIP() << disk.WhyNot();
    MessageCatcher messages;
    testing::WriteNoiseRender(program.Render(1));
    WriteRender(program.Render(2), 2);
    frmWaiting window(nullptr, program.Path(), [&] {
        SkyboxJob job = JobFor(program, {West, Up}, 2);
        job.Output = program.Path() + "/disk/NewSky";
        return job;
    });
    window.tmrMain_Timer();
    EXPECT_EQ(window.result(), QDialog::Accepted);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Done!");
    EXPECT_EQ(messages.shown[0].style, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_EQ(messages.shown[0].text.find("Skybox Images are Done!\n\n"), 0u);
    EXPECT_NE(messages.shown[0].text.find("West (\"" + program.Render(1) + "\")"), std::string::npos);
}

// A file that is no BMP at all is not waited on for ever: finishing says what it is.
TEST(WaitingWindow, ARenderThatIsNoPictureIsReportedAsAnError) {
    ProgramFolder program;
    MessageCatcher messages;
    WriteFileBytes(program.Render(1), "not a picture");
    frmWaiting window(nullptr, program.Path(), [&] { return JobFor(program, {West}, 2); });
    window.tmrMain_Timer();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Skybox Images Not Finished");
    EXPECT_EQ(messages.shown[0].style, MB_OK | MB_ICONERROR);
    EXPECT_NE(messages.shown[0].text.find("The West face (\"" + program.Render(1) + "\")"), std::string::npos)
        << messages.shown[0].text;
}

TEST(WaitingWindow, AnErrorKeepsTheWindowOpenWithItsTimerStopped) {
    ProgramFolder program;
    MessageCatcher messages;
    WriteRender(program.Render(1), 1);
    WriteRender(program.Render(2), 2);
    fs::create_directory(program.Output("NewSky_Down.bmp"));
    frmWaiting window(nullptr, program.Path(), [&] { return JobFor(program, {South, Down}, 0); });
    window.show();
    window.tmrMain_Timer();

    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.tmrMain.isActive());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].style, MB_OK | MB_ICONERROR);
    EXPECT_NE(messages.shown[0].text.find("The Down face"), std::string::npos) << messages.shown[0].text;
    EXPECT_EQ(FolderListing(RenderFolder(program.Path())), "NewSky_Down.bmp\nNewSky_South.bmp\nVantorix_0002.bmp\n");
    window.btnCancel->click();
    EXPECT_FALSE(window.isVisible());
}

TEST(WaitingWindow, CancelAndTheCloseBoxStopWaitingAndDeleteNothing) {
    ProgramFolder program;
    WriteRender(program.Render(1), 1);
    WriteFileBytes(ScriptPath(program.Path()), "the script");
    const std::string before = FolderListing(RenderFolder(program.Path()));
    for (const bool closeBox : {false, true}) {
        frmWaiting window(nullptr, program.Path(), [&] { return JobFor(program, {North, South}, 2); });
        window.show();
        closeBox ? void(window.close()) : window.btnCancel->click();
        EXPECT_FALSE(window.isVisible());
        EXPECT_FALSE(window.tmrMain.isActive());
        EXPECT_EQ(window.result(), QDialog::Rejected);
    }
    EXPECT_EQ(FolderListing(RenderFolder(program.Path())), before);
}

// tgsrender writes the frame in parts with pauses: the window must not take
// it before the last part is there.
TEST(WaitingWindow, WaitsForARenderThatIsStillBeingWritten) {
    ProgramFolder program;
    MessageCatcher messages;
    SkyboxJob job = JobFor(program, {West}, 0);
    WriteSkyboxScript(job, program.Path());
    QProcess renderer;
    renderer.start(VANTORIX_TGSRENDER, {"--size", "96", "--pieces", "6", "--piece-pause", "150",
                                        QString::fromStdString(ScriptPath(program.Path()))});
    ASSERT_TRUE(renderer.waitForStarted());

    frmWaiting window(nullptr, program.Path(), [&] { return job; });
    const std::string render = program.Render(1), output = program.Output("NewSky_West.bmp");
    const std::uintmax_t whole = 54 + 96 * 96 * 3;
    bool sawItHalfWritten = false;
    for (int poll = 0; poll < 400 && window.result() != QDialog::Accepted; ++poll) {
        std::error_code ignored;
        const std::uintmax_t size = fs::file_size(render, ignored);
        if (!ignored && size < whole) sawItHalfWritten = true;
        window.tmrMain_Timer();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    renderer.waitForFinished();
    EXPECT_EQ(renderer.exitCode(), 0) << renderer.readAllStandardError().toStdString();
    EXPECT_TRUE(sawItHalfWritten);
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_EQ(fs::file_size(output), whole);
}

}  // namespace
}  // namespace vantorix
