// The export window as Windows' own controls make it: against its
// description, Enter, Cancel and a refusal as the user meets them, and how
// vantorix-export.exe starts it with and without a console of its own.
#include "export/ExportForm.h"
#include "export/ImageFile.h"
#include "export/win32/frmExport.h"
#include "platform/Browser.h"
#include "platform/ReplacementFile.h"
#include "platform/win32/Windows.h"
#include "tests/export/ExportWindowSupport.h"
#include "tests/support/Win32FormChecks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

namespace vantorix::cube {
namespace {

using testing::MessageCatcher;
using testing::Bytes;
using testing::ProgramFolder;
using testing::WriteRun;
using namespace testing::win32forms;

// Runs the window's messages until the export has ended.
void UntilDone(const frmExport& window) {
    for (int i = 0; i < 3000 && window.Working(); ++i) {
        win32::PumpMessages();
        ::Sleep(5);
    }
    win32::PumpMessages();
    ASSERT_FALSE(window.Working());
}

void PressKey(HWND control, UINT key) {
    ::PostMessageW(control, WM_KEYDOWN, key, 1);
    ::PostMessageW(control, WM_KEYUP, key, 0xC0000001);
}

TEST(WindowsForms, EveryControlOfTheExportWindowStandsAsDesigned) {
    ProgramFolder program;
    WriteRun(program);
    frmExport window(program.Path());
    ExpectAsDesigned(window, {"lblFound", "txtSize", "txtWidth"});
    EXPECT_EQ(window.Text("lblFound"), "Six 32 x 32 JPEG faces, Compass names");
}

// Enter with the defaults: the bytes the command writes with the same
// options, the page opened, one message; a face named as an output: the
// command's refusal in a box and nothing written.
TEST(WindowsExportWindow, EnterWritesWhatTheCommandWritesAndARefusedOutputWritesNothing) {
    for (const bool refused : {false, true}) {
        SCOPED_TRACE(refused ? "refused" : "written");
        ProgramFolder program;
        WriteRun(program);
        const std::string before = testing::FolderListing(RenderFolder(program.Path()));
        MessageCatcher messages;
        std::vector<std::string> opened;
        SetBrowserOpenerForTesting([&](const std::string& page) { opened.push_back(page); });
        frmExport window(program.Path());
        window.Show();
        if (refused) window.SetText("txtFile(0)", program.Output("NewSky_North.jpg"));
        PressKey(::GetFocus(), VK_RETURN);
        win32::PumpMessages();
        UntilDone(window);
        SetBrowserOpenerForTesting({});
        ASSERT_EQ(messages.shown.size(), 1u);
        if (refused) {
            EXPECT_EQ(messages.shown[0].style, MB_OK | MB_ICONERROR);
            EXPECT_NE(messages.shown[0].text.find("is the North face this export reads"), std::string::npos)
                << messages.shown[0].text;
            EXPECT_EQ(testing::FolderListing(RenderFolder(program.Path())), before);
            EXPECT_TRUE(opened.empty());
            continue;
        }
        const std::string panorama = program.Output("NewSky_panorama.png"), page = program.Output("NewSky_preview.html");
        EXPECT_EQ(opened, std::vector<std::string>{page});
        EXPECT_EQ(messages.shown[0].style, MB_OK | MB_ICONINFORMATION);
        const std::string windowPanorama = Bytes(panorama), windowPage = Bytes(page);
        ASSERT_FALSE(windowPanorama.empty() || windowPage.empty());
        std::filesystem::remove(testing::U8(panorama));
        std::filesystem::remove(testing::U8(page));
        std::ostringstream output, errors;
        ASSERT_EQ(ExportMain(window.Form().Arguments(), output, errors, false), 0) << errors.str();
        EXPECT_EQ(Bytes(panorama), windowPanorama);
        EXPECT_EQ(Bytes(page), windowPage);
    }
}

// Escape while the files are written cancels: every old file as it was.
TEST(WindowsExportWindow, EscapeInTheMiddleLeavesEveryOldFileAsItWas) {
    ProgramFolder program;
    WriteRun(program);
    const std::string panorama = program.Output("NewSky_panorama.png"), page = program.Output("NewSky_preview.html");
    std::ofstream(testing::U8(panorama)) << "old panorama";
    std::ofstream(testing::U8(page)) << "old page";
    const std::string before = testing::FolderListing(RenderFolder(program.Path()));
    MessageCatcher messages;
    frmExport window(program.Path());
    window.Show();
    testing::HeldCommit held;
    window.btnExport_Click();
    ASSERT_TRUE(held.WaitUntilHeld([] { ::Sleep(5); }));
    EXPECT_EQ(window.Text("btnClose"), "Cancel");
    EXPECT_FALSE(::IsWindowEnabled(H(window.Control("txtFaces"))));
    PressKey(::GetFocus(), VK_ESCAPE);
    win32::PumpMessages();
    held.Release();
    UntilDone(window);
    EXPECT_EQ(Bytes(panorama), "old panorama");
    EXPECT_EQ(Bytes(page), "old page");
    EXPECT_EQ(testing::FolderListing(RenderFolder(program.Path())), before);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(::IsWindowVisible(H(window.Handle())));
}

// The window "Vantorix Export" of that process, or of any process but it.
HWND ExportWindowOf(DWORD process, bool other) {
    struct Search {
        DWORD process;
        bool other;
        HWND found;
    } search{process, other, nullptr};
    for (int i = 0; i < 1000 && search.found == nullptr; ++i) {
        ::EnumWindows(
            [](HWND window, LPARAM data) -> BOOL {
                auto& s = *reinterpret_cast<Search*>(data);
                wchar_t title[32] = {};
                ::GetWindowTextW(window, title, 32);
                DWORD owner = 0;
                ::GetWindowThreadProcessId(window, &owner);
                if (std::wstring_view(title) != L"Vantorix Export" || !::IsWindowVisible(window) ||
                    (owner == s.process) == s.other) {
                    return TRUE;
                }
                s.found = window;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        ::Sleep(10);
    }
    return search.found;
}

// Started with no arguments and a console of its own (as from Explorer),
// the program lets the console go and shows only its window; started from a
// console another program holds (a Command Prompt), it returns at once and
// the window opens in a process of its own.
TEST(WindowsExportWindow, StartedWithoutArgumentsItShowsTheWindowAndNoConsole) {
    for (const bool fromExplorer : {true, false}) {
        SCOPED_TRACE(fromExplorer ? "a console of its own" : "a console it shares");
        DWORD attached = 0;
        if (!fromExplorer && ::GetConsoleProcessList(&attached, 1) == 0 && !::AllocConsole()) {
            GTEST_SKIP() << "this test has no console to share (Windows' error " << ::GetLastError() << ")";
        }
        std::wstring commandLine = L"\"" + std::wstring(VANTORIX_EXPORT_W) + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        ASSERT_TRUE(::CreateProcessW(VANTORIX_EXPORT_W, commandLine.data(), nullptr, nullptr, FALSE,
                                     fromExplorer ? CREATE_NEW_CONSOLE : 0, nullptr, nullptr, &startup, &started));
        ::CloseHandle(started.hThread);
        HWND window = nullptr;
        if (fromExplorer) {
            window = ExportWindowOf(started.dwProcessId, false);
            ASSERT_NE(window, nullptr);
            // A process with a console can be attached to; this one has none left.
            ::FreeConsole();
            EXPECT_FALSE(::AttachConsole(started.dwProcessId)) << "the program kept its console";
            ::FreeConsole();
            ::AllocConsole();
        } else {
            if (::WaitForSingleObject(started.hProcess, 10000) != WAIT_OBJECT_0) {
                ::TerminateProcess(started.hProcess, 1);
                ::CloseHandle(started.hProcess);
                FAIL() << "the program did not return: the prompt would wait";
            }
            DWORD status = 1;
            ::GetExitCodeProcess(started.hProcess, &status);
            EXPECT_EQ(status, 0u);
            window = ExportWindowOf(started.dwProcessId, true);
            ASSERT_NE(window, nullptr);
        }
        DWORD shown = 0;
        ::GetWindowThreadProcessId(window, &shown);
        const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, shown);
        ::PostMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(::WaitForSingleObject(process, 10000), WAIT_OBJECT_0) << "Close did not end the program";
        ::CloseHandle(process);
        ::CloseHandle(started.hProcess);
    }
}

}  // namespace
}  // namespace vantorix::cube
