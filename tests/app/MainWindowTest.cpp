#include "app/Forms.h"
#include "app/frmAbout.h"
#include "app/frmMain.h"
#include "collect/frmWaiting.h"
#include "job/mMain.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include <filesystem>

#include "tests/app/ModalDriver.h"
#include "tests/collect/CollectTestSupport.h"
#include "tests/support/QtFormChecks.h"
#include "tests/support/ThirdPartyDecoders.h"

namespace vantorix {
namespace {

using testing::Caption;
using testing::ExpectCaptionFits;
using testing::FolderListing;
using testing::MessageCatcher;
using testing::ProgramFolder;
using testing::TypeAndSave;
using testing::WhenModalOpens;
namespace fs = std::filesystem;

TEST(MainWindow, PlacesEveryControlAsDesignedAndEveryCaptionFits) {
    ProgramFolder program;
    frmMain window(program.Path());
    EXPECT_EQ(window.windowTitle(), "Vantorix");
    EXPECT_EQ(window.size(), QSize(553, 353));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_FALSE(window.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    const QList<QSize> iconSizes = window.windowIcon().availableSizes();
    EXPECT_TRUE(iconSizes.contains(QSize(16, 16)) && iconSizes.contains(QSize(32, 32)));

    // Every control of the design, where it says, in its frame, with its caption.
    const design::Form design = MainFormDesign(DefaultSkyboxJob(program.Path()));
    for (const design::Control& control : design.Controls) {
        SCOPED_TRACE(control.Name);
        const auto* widget = window.findChild<QWidget*>(QString::fromStdString(control.Name));
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->parentWidget()->objectName().toStdString(), control.Frame.empty() ? "frmMain" : control.Frame);
        EXPECT_EQ(widget->geometry(), QRect(control.Left / 15, control.Top / 15, control.Width / 15, control.Height / 15));
        if (control.Type != design::Kind::ScrollBar) {
            EXPECT_EQ(Caption(widget).toStdString(), control.Caption);
        }
        ExpectCaptionFits(widget);
        if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
            EXPECT_FALSE(Caption(button).contains(u'&')) << "no access keys";
        }
    }
    EXPECT_EQ(window.findChildren<QWidget*>(QString(), Qt::FindChildrenRecursively).size(), design.Controls.size());
    EXPECT_TRUE(window.lblJPGQuality[1]->alignment() & Qt::AlignRight);
    EXPECT_TRUE(window.lblJpegCompression->alignment() & Qt::AlignHCenter);
    EXPECT_EQ(window.lblJpegCompression->frameShape(), QFrame::Box);
}

TEST(MainWindow, OpensWithTheDefaultsAndTheFocusInTheCameraHeight) {
    ProgramFolder program;
    frmMain window(program.Path());
    window.show();
    QApplication::setActiveWindow(&window);
    EXPECT_EQ(QApplication::focusWidget(), window.txtHeight);

    const SkyboxJob job = window.Job();
    EXPECT_EQ(job.CameraHeight, "100");
    EXPECT_EQ(job.TGArea, "7680");
    EXPECT_EQ(job.TGSize, 1);
    EXPECT_TRUE(window.optTGSize[1]->isChecked());
    for (int face = 0; face < SkyboxFaceCount; ++face) EXPECT_TRUE(job.Render[face]) << face;
    EXPECT_EQ(job.Output, program.Path() + "/Vantorix/NewSky");
    EXPECT_EQ(job.Convert, 2);
    EXPECT_EQ(job.JPGQuality, 90);
    EXPECT_EQ(window.lblJpegCompression->text(), "90");
    EXPECT_EQ(job.NameScheme, 1);
    EXPECT_FALSE(job.NameAbreviate);

    // What the user sets is what the job reads.
    window.txtHeight->setText("12,5");
    window.optTGSize[5]->setChecked(true);
    window.chkRender[Up]->setChecked(false);
    window.optConvert[0]->setChecked(true);
    window.optNameScheme[2]->setChecked(true);
    window.chkNameAbreviate->setChecked(true);
    const SkyboxJob changed = window.Job();
    EXPECT_EQ(changed.CameraHeight, "12,5");
    EXPECT_EQ(changed.TGSize, 5);
    EXPECT_EQ(changed.Render, (std::array<bool, 6>{true, true, true, true, false, true}));
    EXPECT_EQ(changed.Convert, 0);
    EXPECT_EQ(changed.NameScheme, 2);
    EXPECT_TRUE(changed.NameAbreviate);
}

QString FocusName() {
    const QWidget* focus = QApplication::focusWidget();
    return focus != nullptr ? focus->objectName() : QStringLiteral("(none)");
}

// Presses a key on whatever has the focus, as a user does, `times` times;
// the names of the controls the focus was in before each press, and after the last.
QString Press(Qt::Key key, int times, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QStringList visited{FocusName()};
    for (int i = 0; i < times; ++i) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
        visited << FocusName();
    }
    return visited.join(u' ');
}

// Tab stops once in each option group, at its chosen option; the arrow keys
// move the choice round the group, and the next Tab enters it there.
TEST(MainWindow, TabStopsAtTheChosenOptionOfEachGroupAndArrowsMoveTheChoice) {
    ProgramFolder program;
    frmMain window(program.Path());
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    ASSERT_EQ(FocusName(), "txtHeight");

    EXPECT_EQ(Press(Qt::Key_Tab, 18).toStdString(),
              "txtHeight chkRender(0) chkRender(1) chkRender(2) chkRender(3) chkRender(4) chkRender(5) txtOutput "
              "btnBrowse optConvert(2) hsJPGQuality optNameScheme(1) chkNameAbreviate btnStart btnExit optTGSize(1) "
              "txtTGArea btnAbout txtHeight");

    const struct {
        Qt::Key key;
        const char* chosen;
    } arrows[] = {{Qt::Key_Down, "optConvert(0)"}, {Qt::Key_Right, "optConvert(1)"}, {Qt::Key_Up, "optConvert(0)"},
                  {Qt::Key_Left, "optConvert(2)"}, {Qt::Key_Left, "optConvert(1)"}};
    window.optConvert[2]->setFocus(Qt::TabFocusReason);
    for (const auto& arrow : arrows) {
        QTest::keyClick(QApplication::focusWidget(), arrow.key);
        EXPECT_EQ(FocusName().toStdString(), arrow.chosen);
        EXPECT_TRUE(qobject_cast<QRadioButton*>(QApplication::focusWidget())->isChecked()) << arrow.chosen;
    }
    EXPECT_EQ(window.Job().Convert, 1);
    window.optTGSize[1]->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);  // round to the last
    EXPECT_EQ(window.Job().TGSize, 5);

    window.txtHeight->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(Press(Qt::Key_Tab, 18, Qt::ShiftModifier).toStdString(),
              "txtHeight btnAbout txtTGArea optTGSize(5) btnExit btnStart chkNameAbreviate optNameScheme(1) "
              "hsJPGQuality optConvert(1) btnBrowse txtOutput chkRender(5) chkRender(4) chkRender(3) chkRender(2) "
              "chkRender(1) chkRender(0) txtHeight");
}

// Whether the window's frame comes to be centred on `centre`; under a window
// manager the frame arrives a little after the window is shown.
// On an X screen, a window manager's frame is waited for first.
bool FrameComesToBeCentredOn(const QWidget* window, const std::function<QPoint()>& centre) {
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        [[maybe_unused]] const bool framed =
            QTest::qWaitFor([&] { return !window->windowHandle()->frameMargins().isNull(); }, 3000);
    }
    return QTest::qWaitFor([&] { return (window->frameGeometry().center() - centre()).manhattanLength() <= 1; }, 3000);
}

std::string Where(const QWidget* window) {
    const QRect frame = window->frameGeometry();
    return std::to_string(frame.center().x()) + "," + std::to_string(frame.center().y());
}

// The frame's centre on the screen's centre, and each dialog's on its owner's.
TEST(MainWindow, OpensCentredOnTheScreenAndItsDialogsOnIt) {
    ProgramFolder program;
    frmMain window(program.Path());
    window.show();
    const auto screenCentre = [&] { return window.screen()->availableGeometry().center(); };
    EXPECT_TRUE(FrameComesToBeCentredOn(&window, screenCentre)) << Where(&window);

    window.setGeometry(window.geometry().translated(-37, 23));  // wherever the user put it
    const auto ownerCentre = [&] { return window.frameGeometry().center(); };
    WhenModalOpens<frmAbout>([&](frmAbout* about) {
        EXPECT_TRUE(FrameComesToBeCentredOn(about, ownerCentre)) << Where(about) << " over " << Where(&window);
        about->btnOkay->click();
    });
    window.btnAbout->click();
    WhenModalOpens<frmWaiting>([&](frmWaiting* waiting) {
        EXPECT_TRUE(FrameComesToBeCentredOn(waiting, ownerCentre)) << Where(waiting) << " over " << Where(&window);
        waiting->btnCancel_Click();
    });
    window.btnStart->click();
}

TEST(MainWindow, TheQualityNumberFollowsTheBarAndItsThumb) {
    ProgramFolder program;
    frmMain window(program.Path());
    window.hsJPGQuality->setValue(0);
    EXPECT_EQ(window.lblJpegCompression->text(), "0");
    window.hsJPGQuality->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(window.lblJpegCompression->text(), "100");

    window.hsJPGQuality->setSliderDown(true);  // the user drags the thumb
    for (const int position : {73, 41}) {
        window.hsJPGQuality->setSliderPosition(position);
        EXPECT_EQ(window.lblJpegCompression->text(), QString::number(position));
    }
    EXPECT_EQ(window.Job().JPGQuality, 100);
    window.hsJPGQuality->setSliderDown(false);  // and lets go
    EXPECT_EQ(window.Job().JPGQuality, 41);
    EXPECT_EQ(window.lblJpegCompression->text(), "41");

    window.optConvert[1]->setChecked(true);
    EXPECT_TRUE(window.hsJPGQuality->isEnabled());
}

TEST(MainWindow, StartWithAnAreaOfZeroSaysWhyAndOpensNoWaitingWindow) {
    ProgramFolder program;
    MessageCatcher messages;
    frmMain window(program.Path());
    window.show();
    window.txtTGArea->setText("0");
    window.btnStart->click();  // a waiting window would hold the test here
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Skybox Script Not Written");
    EXPECT_EQ(messages.shown[0].style, MB_OK | MB_ICONERROR);
    EXPECT_NE(messages.shown[0].text.find("Landscape Area \"0\""), std::string::npos) << messages.shown[0].text;
    EXPECT_FALSE(fs::exists(ScriptPath(program.Path())));
    EXPECT_TRUE(window.isVisible());
}

// Start, the stand-in renderer on the script Start wrote, and the waiting
// window's own one-second timer: six JPEG faces and the completion message.
// Terragen reads the script in the code page of the user's language: a
// folder it could not read stops Start, with what to do about it.
TEST(MainWindow, StartInAFolderTheCodePageCannotHoldSaysWhyAndWritesNoScript) {
    ::setenv("LC_ALL", "C.UTF-8", 1);  // Windows-1252
    ProgramFolder outer;
    const std::string program = outer.Path() + "/\xE7\xA9\xBA";  // sky, which Windows-1252 lacks
    fs::create_directories(program);
    MessageCatcher messages;
    frmMain window(program);
    window.show();
    window.btnStart->click();  // a waiting window would hold the test here
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Skybox Script Not Written");
    EXPECT_NE(messages.shown[0].text.find("\"\xE7\xA9\xBA\""), std::string::npos) << messages.shown[0].text;
    EXPECT_NE(messages.shown[0].text.find("Windows-1252"), std::string::npos) << messages.shown[0].text;
    EXPECT_FALSE(fs::exists(RenderFolder(program)));
}

TEST(MainWindow, StartWritesTheScriptAndWaitsModallyUntilTheFacesAreFinished) {
    ProgramFolder program;
    MessageCatcher messages;
    frmMain window(program.Path());
    window.show();
    bool rendered = false;
    WhenModalOpens<frmWaiting>([&](frmWaiting* waiting) {
        EXPECT_EQ(waiting->parentWidget(), &window);
        EXPECT_TRUE(fs::exists(ScriptPath(program.Path())));
        rendered = QProcess::execute(VANTORIX_TGSRENDER,
                                     {"--size", "48", QString::fromStdString(ScriptPath(program.Path()))}) == 0;
        QTimer::singleShot(20000, waiting, &QDialog::reject);  // a hung wait fails instead of blocking
    });
    window.btnStart->click();
    EXPECT_TRUE(rendered);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Skybox Images are Done!");
    EXPECT_EQ(FolderListing(RenderFolder(program.Path())),
              "NewSky_Down.jpg\nNewSky_East.jpg\nNewSky_North.jpg\nNewSky_South.jpg\nNewSky_Up.jpg\nNewSky_West.jpg\n"
              "Vantorix.tgs\n");
    EXPECT_EQ(testing::DecodeWithDjpeg(program.Output("NewSky_North.jpg")).width, 48);

    // Again: the script is written anew and a new window waits, until cancelled.
    fs::remove(ScriptPath(program.Path()));
    bool waitedAgain = false;
    WhenModalOpens<frmWaiting>([&](frmWaiting* waiting) {
        waitedAgain = fs::exists(ScriptPath(program.Path()));
        waiting->btnCancel->click();
    });
    window.btnStart->click();
    EXPECT_TRUE(waitedAgain);
    EXPECT_EQ(window.Job().Output, program.Path() + "/Vantorix/NewSky");
}

TEST(MainWindow, BrowseReplacesTheOutputOnlyWithAConfirmedName) {
    ProgramFolder program;
    frmMain window(program.Path());
    window.show();
    const QString before = window.txtOutput->text();
    WhenModalOpens<QFileDialog>([&](QFileDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "Filename Prefix...");
        EXPECT_EQ(dialog->parentWidget(), &window);
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        dialog->reject();
    });
    window.btnBrowse->click();
    EXPECT_EQ(window.txtOutput->text(), before);

    const QString chosen = QString::fromStdString(program.Path() + "/Sky/Test");
    fs::create_directories(program.Path() + "/Sky");
    WhenModalOpens<QFileDialog>([&](QFileDialog* dialog) {
        TypeAndSave(dialog, chosen);
    });
    window.btnBrowse->click();
    EXPECT_EQ(window.txtOutput->text(), chosen);
}

TEST(MainWindow, AboutOpensTheModalAboutBox) {
    ProgramFolder program;
    frmMain window(program.Path());
    window.show();
    bool seen = false;
    WhenModalOpens<frmAbout>([&](frmAbout* about) {
        seen = true;
        EXPECT_EQ(about->parentWidget(), &window);
        EXPECT_EQ(about->windowTitle(), "About Vantorix...");
        EXPECT_EQ(about->size(), QSize(269, 213));
        EXPECT_TRUE(about->windowFlags().testFlag(Qt::Tool));
        EXPECT_EQ(about->Picture1->pixmap().size(), QSize(67, 67));
        for (const design::Control& control : AboutFormDesign().Controls) {
            SCOPED_TRACE(control.Name);
            const auto* widget = about->findChild<QWidget*>(QString::fromStdString(control.Name));
            ASSERT_NE(widget, nullptr);
            EXPECT_EQ(widget->geometry(), QRect(control.Left / 15, control.Top / 15, control.Width / 15, control.Height / 15));
            EXPECT_EQ(Caption(widget).toStdString(), control.Caption);
            EXPECT_EQ(widget->font().pixelSize(), control.FontPixels);
            EXPECT_EQ(widget->font().bold(), control.Bold);
            EXPECT_EQ(widget->font().family(), "Liberation Sans");
            ExpectCaptionFits(widget);
        }
        EXPECT_TRUE(about->Label4->font().bold());
        about->btnOkay->click();
    });
    window.btnAbout->click();
    EXPECT_TRUE(seen);
    EXPECT_TRUE(window.isVisible());
}

// Exit and the title bar's close box both end the program's event loop.
TEST(MainWindow, ExitAndTheCloseBoxEndTheProgram) {
    ProgramFolder program;
    for (const bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "Exit");
        frmMain window(program.Path());
        window.show();
        QTimer::singleShot(0, &window, [&] { closeBox ? void(window.windowHandle()->close()) : window.btnExit->click(); });
        QTimer guard;  // it did not end
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        guard.start(5000);
        EXPECT_EQ(QApplication::exec(), 0);
        EXPECT_FALSE(window.isVisible());
    }
}

}  // namespace
}  // namespace vantorix
