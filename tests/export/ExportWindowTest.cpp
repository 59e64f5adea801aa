// The export window (Qt): as its description lays it out, its defaults
// beside a run, and Export, Cancel and a refusal as the user meets them.
#include "export/ExportForm.h"
#include "export/ImageFile.h"
#include "export/frmExport.h"
#include "platform/Browser.h"
#include "platform/ReplacementFile.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QProgressBar>
#include <QTest>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/export/ExportWindowSupport.h"
#include "tests/support/QtFormChecks.h"

namespace vantorix::cube {
namespace {

using testing::MessageCatcher;
using testing::ProgramFolder;
namespace fs = std::filesystem;

using testing::Bytes;
using testing::WriteRun;

std::string Shown(const frmExport& window, const char* control) {
    return testing::Caption(window.Control(control)).toStdString();
}

bool Ticked(const frmExport& window, const char* control) {
    return static_cast<const QAbstractButton*>(window.Control(control))->isChecked();
}

// Lets the event loop run until the export has ended.
void UntilDone(const frmExport& window) {
    for (int i = 0; i < 3000 && window.Working(); ++i) QTest::qWait(10);
    ASSERT_FALSE(window.Working());
}

TEST(ExportWindow, StandsAsDesignedWithEveryCaptionInFull) {
    ProgramFolder program;
    frmExport window(program.Path());
    const design::Form design = ExportFormDesign(program.Output("NewSky"));
    EXPECT_EQ(window.windowTitle(), "Vantorix Export");
    EXPECT_EQ(window.size(), QSize(design.Width / 15, design.Height / 15));
    EXPECT_TRUE(window.windowIcon().availableSizes().contains(QSize(32, 32)));
    for (const design::Control& control : design.Controls) {
        SCOPED_TRACE(control.Name);
        const QWidget* widget = window.Control(control.Name);
        EXPECT_EQ(widget->parentWidget()->objectName().toStdString(), control.Frame.empty() ? "frmExport" : control.Frame);
        EXPECT_EQ(widget->geometry(), QRect(control.Left / 15, control.Top / 15, control.Width / 15, control.Height / 15));
        if (control.Type != design::Kind::ProgressBar && control.Name != "lblFound") {
            EXPECT_EQ(testing::Caption(widget).toStdString(), control.Caption);
            if (control.Type != design::Kind::TextBox) testing::ExpectCaptionFits(widget);  // a path scrolls
        }
    }
    // Tab stops once in each option group.
    const std::vector<const design::Control*> order = design::TabOrder(design);
    EXPECT_EQ(order.front()->Name, "txtFaces");
    EXPECT_EQ(order.back()->Name, "btnClose");
}

// Beside a run the panorama and the page are ticked and Export can start;
// with none, the line says so and Export waits for a prefix that leads to one.
TEST(ExportWindow, OpensWithThePanoramaAndThePageForTheRunBesideTheProgram) {
    for (const bool run : {true, false}) {
        SCOPED_TRACE(run ? "a run" : "no run");
        ProgramFolder program;
        if (run) WriteRun(program);
        frmExport window(program.Path());
        const std::string prefix = program.Output("NewSky");
        EXPECT_EQ(Shown(window, "txtFaces"), prefix);
        EXPECT_EQ(Shown(window, "lblFound"),
                  run ? "Six 32 x 32 JPEG faces, Compass names" : "No faces of a finished run have this prefix.");
        EXPECT_EQ(window.Control("btnExport")->isEnabled(), run);
        EXPECT_TRUE(Ticked(window, "chkFile(0)") && Ticked(window, "chkPreview") && Ticked(window, "optEngine(0)"));
        for (int row = 1; row < 8; ++row) EXPECT_FALSE(Ticked(window, design::Indexed("chkFile", row).c_str())) << row;
        EXPECT_EQ(Shown(window, "txtFile(0)"), prefix + "_panorama.png");
        EXPECT_EQ(Shown(window, "txtPreview"), prefix + "_preview.html");
        EXPECT_EQ(Shown(window, "txtSize"), run ? "32" : "");
        EXPECT_EQ(Shown(window, "txtWidth"), run ? "128" : "");
        if (run) {
            EXPECT_EQ(window.Form().Arguments(),
                      (std::vector<std::string>{prefix, "--equirect", prefix + "_panorama.png", "--preview",
                                                prefix + "_preview.html"}));
        }
    }
}

// The line under the prefix, for each way a run can be found or not.
TEST(ExportWindow, TheFoundLineSaysWhatThePrefixLeadsTo) {
    const struct {
        std::array<int, 6> sizes;
        int missing;
        const char* kind;
        const char* line;
        bool usable;
    } cases[] = {
        {{32, 32, 32, 32, 32, 32}, -1, ".jpg", "Six 32 x 32 JPEG faces, Compass names", true},
        {{32, 32, 32, 32, 32, 32}, -1, ".tga", "Six 32 x 32 TGA faces, Compass names", true},
        {{32, 32, 32, 32, 32, 32}, -1, ".bmp", "Six 32 x 32 BMP faces, Compass names", true},
        {{32, 32, 32, 32, 32, 32}, 3, ".jpg", "5 of six faces (Compass names, .jpg): no West face.", false},
        {{32, 32, 16, 32, 32, 32}, -1, ".jpg", "The faces must be square and of one size: North 32 x 32, East 16 x 16.",
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        ProgramFolder program;
        MessageCatcher messages;
        frmExport window(program.Path());
        EXPECT_FALSE(window.Control("btnExport")->isEnabled());
        WriteRun(program, c.sizes, c.missing, c.kind);
        QTest::keyClick(window.Control("txtFaces"), Qt::Key_End);
        QTest::keyClick(window.Control("txtFaces"), Qt::Key_Space);
        QTest::keyClick(window.Control("txtFaces"), Qt::Key_Backspace);  // the prefix as it was, typed again
        EXPECT_EQ(Shown(window, "lblFound"), c.line);
        EXPECT_EQ(window.Control("btnExport")->isEnabled(), c.usable);
        if (!c.usable) {
            QTest::keyClick(window.Control("txtFaces"), Qt::Key_Return);  // Enter passes a disabled Export by
            EXPECT_FALSE(window.Working());
            EXPECT_TRUE(messages.shown.empty());
        }
    }
}

// Names the user has not changed follow the prefix and the engine; one typed stays.
TEST(ExportWindow, NamesFollowThePrefixAndTheEngineUntilTheUserTypesOne) {
    ProgramFolder program;
    WriteRun(program);
    frmExport window(program.Path());
    const std::string prefix = program.Output("NewSky");
    static_cast<QLineEdit*>(window.Control("txtFile(1)"))->setText("mine.dds");
    static_cast<QAbstractButton*>(window.Control("optEngine(1)"))->setChecked(true);
    EXPECT_EQ(Shown(window, "txtEngineFiles"), prefix + "_quake3");
    EXPECT_TRUE(window.Control("chkNorth")->isEnabled());
    static_cast<QAbstractButton*>(window.Control("chkNorth"))->setChecked(true);
    EXPECT_EQ(window.Form().Arguments(),
              (std::vector<std::string>{prefix, "--equirect", prefix + "_panorama.png", "--preset", "quake3",
                                        prefix + "_quake3", "--north", "engine", "--preview",
                                        prefix + "_preview.html"}));
    static_cast<QAbstractButton*>(window.Control("optEngine(5)"))->setChecked(true);
    EXPECT_EQ(Shown(window, "txtEngineFiles"), prefix + "_unity");
    EXPECT_FALSE(window.Control("chkNorth")->isEnabled());

    QTest::keyClicks(window.Control("txtFaces"), "2");
    EXPECT_EQ(Shown(window, "txtFile(0)"), prefix + "2_panorama.png");
    EXPECT_EQ(Shown(window, "txtEngineFiles"), prefix + "2_unity");
    EXPECT_EQ(Shown(window, "txtFile(1)"), "mine.dds");
    EXPECT_EQ(Shown(window, "txtSize"), "");  // no run there
}

// Enter with the defaults: what the command writes with the same options,
// byte for byte, the page opened, and one message naming the files.
TEST(ExportWindow, EnterWithTheDefaultsWritesWhatTheCommandWritesAndOpensThePage) {
    ProgramFolder program;
    WriteRun(program);
    MessageCatcher messages;
    std::vector<std::string> opened;
    SetBrowserOpenerForTesting([&](const std::string& page) { opened.push_back(page); });
    frmExport window(program.Path());
    window.show();
    QTest::keyClick(window.Control("txtFaces"), Qt::Key_Return);
    UntilDone(window);
    SetBrowserOpenerForTesting({});

    const std::string panorama = program.Output("NewSky_panorama.png"), page = program.Output("NewSky_preview.html");
    EXPECT_EQ(opened, std::vector<std::string>{page});
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].style, MB_OK | MB_ICONINFORMATION);
    for (const std::string& file : {panorama, page}) {
        EXPECT_NE(messages.shown[0].text.find("Wrote \"" + file + "\""), std::string::npos) << messages.shown[0].text;
    }
    const std::string windowPanorama = Bytes(panorama), windowPage = Bytes(page);
    ASSERT_FALSE(windowPanorama.empty() || windowPage.empty());
    fs::remove(panorama);
    fs::remove(page);
    std::ostringstream output, errors;
    ASSERT_EQ(ExportMain(window.Form().Arguments(), output, errors, false), 0) << errors.str();
    EXPECT_EQ(Bytes(panorama), windowPanorama);
    EXPECT_EQ(Bytes(page), windowPage);
}

// Cancel, or the close box, while the files are being written: every old
// file as it was, and no file left beside them.
TEST(ExportWindow, CancelInTheMiddleLeavesEveryOldFileAsItWas) {
    for (const bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "Cancel");
        ProgramFolder program;
        WriteRun(program);
        const std::string panorama = program.Output("NewSky_panorama.png"), page = program.Output("NewSky_preview.html");
        std::ofstream(panorama) << "old panorama";
        std::ofstream(page) << "old page";
        const std::string before = testing::FolderListing(RenderFolder(program.Path()));
        MessageCatcher messages;
        frmExport window(program.Path());
        window.show();
        testing::HeldCommit held;
        window.btnExport_Click();
        ASSERT_TRUE(held.WaitUntilHeld([] { QTest::qWait(5); }));
        EXPECT_EQ(Shown(window, "btnClose"), "Cancel");
        EXPECT_FALSE(window.Control("txtFaces")->isEnabled());
        if (closeBox) {
            window.close();
        } else {
            window.btnClose_Click();
        }
        held.Release();
        UntilDone(window);
        EXPECT_EQ(Bytes(panorama), "old panorama");
        EXPECT_EQ(Bytes(page), "old page");
        EXPECT_EQ(testing::FolderListing(RenderFolder(program.Path())), before);
        EXPECT_TRUE(messages.shown.empty());
        EXPECT_EQ(window.isVisible(), !closeBox);
        EXPECT_EQ(Shown(window, "btnClose"), "Close");
        EXPECT_TRUE(window.Control("txtFaces")->isEnabled());
    }
}

// An output that is one of the faces: the command's message in a box, and nothing written.
TEST(ExportWindow, ARefusedOutputIsShownAndNothingIsWritten) {
    ProgramFolder program;
    WriteRun(program);
    const auto before = testing::FolderListing(RenderFolder(program.Path()));
    const std::string north = Bytes(program.Output("NewSky_North.jpg"));
    MessageCatcher messages;
    frmExport window(program.Path());
    static_cast<QLineEdit*>(window.Control("txtFile(0)"))->setText(QString::fromStdString(program.Output("NewSky_North.jpg")));
    window.btnExport_Click();
    UntilDone(window);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].style, MB_OK | MB_ICONERROR);
    EXPECT_NE(messages.shown[0].text.find("is the North face this export reads"), std::string::npos)
        << messages.shown[0].text;
    EXPECT_EQ(testing::FolderListing(RenderFolder(program.Path())), before);
    EXPECT_EQ(Bytes(program.Output("NewSky_North.jpg")), north);
}

}  // namespace
}  // namespace vantorix::cube
