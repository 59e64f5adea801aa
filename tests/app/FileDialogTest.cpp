#include "app/mFileDialog.h"
#include "platform/WindowHandles.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include <filesystem>
#include <fstream>

#include "tests/app/ModalDriver.h"
#include "tests/support/TempFolder.h"

namespace vantorix {
namespace {

using namespace std::string_literals;
using testing::TempFolder;
using testing::PressSave;
using testing::TypeAndSave;
using testing::WhenModalOpens;

TEST(SaveDialogFilter, SeparatorsBecomeNulsAndTwoNulsEndTheList) {
    EXPECT_EQ(ConvertFilter("Filename Prefix"), "Filename Prefix\0\0"s);
    EXPECT_EQ(ConvertFilter("All (*.*)| *.*|Bitmaps|*.bmp"), "All (*.*)\0 *.*\0Bitmaps\0*.bmp\0\0"s);
    EXPECT_EQ(ConvertFilter("Targa:*.tga|JPEG:*.jpg;*.jpeg"), "Targa\0*.tga\0JPEG\0*.jpg;*.jpeg\0\0"s);
    EXPECT_EQ(ConvertFilter(""), "\0\0"s);
}

// The arguments of one call, so that each test names only what it changes.
struct DialogCall {
    std::string FileName, FileTitle;
    bool OverwritePrompt = true;
    std::string Filter = "Filename Prefix";
    std::int32_t FilterIndex = 1;
    std::string InitDir, Title = "Filename Prefix...", DefExt;
    std::int32_t OwnerWindow = -1;
    std::int32_t Flags = 0;

    bool Show() {
        return ShowSaveDialog(FileName, FileTitle, OverwritePrompt, Filter, FilterIndex, InitDir, Title, DefExt,
                              OwnerWindow, Flags);
    }
};

TEST(SaveDialog, OpensAsTheCallAsksAndReturnsTheConfirmedName) {
    TempFolder folder;
    QWidget owner;
    DialogCall call;
    call.Filter = "All (*.*)| *.*|Bitmaps|*.bmp";
    call.FilterIndex = 2;
    call.InitDir = folder.Path();
    call.FileName = "Start";
    call.DefExt = "bmp";
    call.Title = "Pick a Sky";
    call.OwnerWindow = static_cast<std::int32_t>(HandleOfWindow(&owner));
    call.Flags = 0x20 | 0x40 | 0x8000;  // hook and template flags are dropped, others kept
    WhenModalOpens<QFileDialog>([&](QFileDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "Pick a Sky");
        EXPECT_EQ(dialog->parentWidget(), &owner);
        EXPECT_EQ(dialog->directory().absolutePath().toStdString(), folder.Path());
        EXPECT_EQ(dialog->defaultSuffix(), "bmp");
        EXPECT_EQ(dialog->nameFilters(), QStringList({"All (*.*) (*)", "Bitmaps (*.bmp)"}));
        EXPECT_EQ(dialog->selectedNameFilter(), "Bitmaps");
        // The user sees the descriptions exactly as given.
        const auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
        ASSERT_NE(types, nullptr);
        EXPECT_EQ(types->currentText(), "Bitmaps");
        EXPECT_EQ(types->itemText(0), "All (*.*)");
        TypeAndSave(dialog, QString::fromStdString(folder / "Sky"));
    });
    ASSERT_TRUE(call.Show());
    EXPECT_EQ(call.FileName, folder / "Sky.bmp");  // the default extension appended, no trailing NULs
    EXPECT_EQ(call.FileTitle, "Sky.bmp");
    EXPECT_EQ(call.FilterIndex, 2);
    EXPECT_EQ(call.Flags, 0x8000 | 0x4 | 0x2);
}

TEST(SaveDialog, CancelGivesEmptyResultsAndNoOwnerMeansNone) {
    DialogCall call;
    call.FileName = "Sky";
    call.FileTitle = "Sky";
    call.Flags = 0x8000;
    WhenModalOpens<QFileDialog>([&](QFileDialog* dialog) {
        EXPECT_EQ(dialog->parentWidget(), nullptr);
        EXPECT_EQ(dialog->nameFilters(), QStringList({"Filename Prefix (*)"}));
        dialog->reject();
    });
    EXPECT_FALSE(call.Show());
    EXPECT_EQ(call.FileName, "");
    EXPECT_EQ(call.FileTitle, "");
    EXPECT_EQ(call.FilterIndex, 0);
    EXPECT_EQ(call.Flags, 0);
}

// With the prompt, the dialog asks before an existing file is chosen; the
// answer No keeps it open.
TEST(SaveDialog, AsksBeforeAnExistingFileIsChosenOnlyWhenTold) {
    TempFolder folder;
    std::ofstream(folder / "Sky").put('x');
    for (const bool prompt : {true, false}) {
        SCOPED_TRACE(prompt ? "prompt" : "no prompt");
        DialogCall call;
        call.OverwritePrompt = prompt;
        int questions = 0;
        WhenModalOpens<QFileDialog>([&](QFileDialog* dialog) {
            if (prompt) {
                WhenModalOpens<QMessageBox>([&](QMessageBox* question) {
                    ++questions;
                    question->button(QMessageBox::No)->click();
                    // Still open: the user thinks again, saves, and says Yes.
                    QTimer::singleShot(0, dialog, [&, dialog] {
                        WhenModalOpens<QMessageBox>([&](QMessageBox* again) {
                            ++questions;
                            again->button(QMessageBox::Yes)->click();
                        });
                        PressSave(dialog);
                    });
                });
            }
            TypeAndSave(dialog, QString::fromStdString(folder / "Sky"));
        });
        ASSERT_TRUE(call.Show());
        EXPECT_EQ(call.FileName, folder / "Sky");
        EXPECT_EQ(questions, prompt ? 2 : 0);
    }
}

TEST(SaveDialog, ANameItsBuffersCannotHoldFailsBeforeTheDialogOpens) {
    for (const std::size_t length : {261u, 300u}) {
        DialogCall call;
        call.FileName.assign(length, 'a');
        EXPECT_THROW(call.Show(), DialogNameTooLong) << length;
        call.FileName = "Sky";
        call.FileTitle.assign(length, 'b');
        EXPECT_THROW(call.Show(), DialogNameTooLong) << length;
    }
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    const TempFolder folder;
    // Names are counted in characters as Windows counts them, not in bytes:
    // 259 accented letters are taken, one more says why.
    std::string accented;
    for (std::size_t i = folder.Path().size() + 1; i < 259; ++i) accented += "\xC3\xA9";
    DialogCall longest;
    longest.FileName = folder.Path() + "/" + accented;
    WhenModalOpens<QFileDialog>([](QFileDialog* dialog) { PressSave(dialog); });
    EXPECT_TRUE(longest.Show());
    EXPECT_EQ(longest.FileName, folder.Path() + "/" + accented);
    DialogCall tooLong;
    tooLong.FileName = folder.Path() + "/" + accented + "\xC3\xA9";
    WhenModalOpens<QFileDialog>([](QFileDialog* dialog) { PressSave(dialog); });
    try {
        tooLong.Show();
        ADD_FAILURE() << "a name of 260 characters was taken";
    } catch (const std::length_error& error) {
        EXPECT_NE(std::string(error.what()).find("has 260 characters"), std::string::npos) << error.what();
    }

    // A name that fills its buffer exactly is shown whole (a chosen path must
    // still leave room for its NUL, so this one is cancelled).
    for (const std::size_t length : {259u, 260u}) {
        DialogCall full;
        const std::string name = folder.Path() + "/" + std::string(length - folder.Path().size() - 1, 'd');
        full.FileName = name;
        full.FileTitle.assign(length, 'e');
        std::string shown;
        WhenModalOpens<QFileDialog>([&](QFileDialog* dialog) {
            shown = dialog->selectedFiles().value(0).toStdString();
            dialog->reject();
        });
        EXPECT_FALSE(full.Show()) << length;
        EXPECT_EQ(shown, name) << length;
    }
}

}  // namespace
}  // namespace vantorix
