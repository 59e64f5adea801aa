// A whole run of the Windows build: Start in a program folder with accents,
// the Windows renderer on the script Start wrote, and the waiting window's
// own one-second timer finishing six JPEG faces. With VANTORIX_KEEP_RUN set
// to a folder, the script, the renders and the faces are kept there for the
// Linux build to finish the same renders and compare. Then the export
// makes a cross of the faces.
#include "app/win32/frmMain.h"
#include "job/mMain.h"
#include "tests/collect/CollectTestSupport.h"
#include "tests/support/ThirdPartyDecoders.h"
#include "platform/win32/Windows.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

namespace vantorix {
namespace {

using testing::FolderListing;
using testing::MessageCatcher;
using testing::TempFolder;
using testing::U8;
namespace fs = std::filesystem;

// Runs a program of the build, as a user's command line would, and waits for it.
bool RunProgram(std::wstring command) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        ADD_FAILURE() << "cannot start " << win32::Utf8(command) << ": " << ::GetLastError();
        return false;
    }
    DWORD code = 1;
    if (::WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) ::GetExitCodeProcess(process.hProcess, &code);
    EXPECT_EQ(code, 0u) << win32::Utf8(command);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return code == 0;
}

void CopyInto(const fs::path& folder, const fs::path& file) {
    fs::copy_file(file, folder / file.filename(), fs::copy_options::overwrite_existing);
}

TEST(WindowsWholeRun, StartInAFolderWithAccentsEndsInSixJpegFaces) {
    TempFolder temp;
    const std::string program = temp / "Sky \xC3\xA9 \xC3\xBC";  // "Sky é ü"
    fs::create_directories(U8(program));
    const char* keepIn = std::getenv("VANTORIX_KEEP_RUN");
    const fs::path kept = keepIn != nullptr ? fs::path(keepIn) : fs::path();
    if (!kept.empty()) {
        fs::remove_all(kept);
        fs::create_directories(kept);
    }

    MessageCatcher messages;
    frmMain window(program);
    window.Show();
    bool rendered = false;
    // Once the waiting window is up: what it waits for.
    static std::function<bool()> onTick;
    onTick = [&] {
        const HWND waiting = ::FindWindowW(L"VantorixForm", L"Waiting...");
        if (waiting == nullptr || !::IsWindowVisible(waiting)) return false;
        // Terragen reads the script in the ANSI code page, lines ended as Windows ends them.
        const std::string script = testing::ReadFileBytes(ScriptPath(program));
        EXPECT_NE(script.find("Sky \xE9 \xFC\\Vantorix\\"), std::string::npos);
        EXPECT_EQ(script.find('\n') - 1, script.find("\r\n"));
        rendered = RunProgram(L"\"" VANTORIX_TGSRENDER_W L"\" --size 48 \"" + win32::Wide(ScriptPath(program)) + L"\"");
        // The renders as they came, before the finishing removes them.
        for (int frame = 1; frame <= SkyboxFaceCount && !kept.empty(); ++frame) {
            CopyInto(kept, U8(RenderFrameName(program, frame)));
        }
        return true;
    };
    const UINT_PTR poll = ::SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR, DWORD) {
        if (onTick && onTick()) onTick = nullptr;
    });
    const UINT_PTR guard = ::SetTimer(nullptr, 0, 30000, [](HWND, UINT, UINT_PTR, DWORD) {
        ADD_FAILURE() << "the run did not end";
        ::PostMessageW(::FindWindowW(L"VantorixForm", L"Waiting..."), WM_CLOSE, 0, 0);
    });
    window.btnStart_Click();
    ::KillTimer(nullptr, poll);
    ::KillTimer(nullptr, guard);

    ASSERT_TRUE(rendered);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Skybox Images are Done!");
    EXPECT_EQ(FolderListing(RenderFolder(program)),
              "NewSky_Down.jpg\nNewSky_East.jpg\nNewSky_North.jpg\nNewSky_South.jpg\nNewSky_Up.jpg\nNewSky_West.jpg\n"
              "Vantorix.tgs\n");
    const testing::DecodedPicture up = testing::DecodeWithDjpeg(RenderFolder(program) + "NewSky_Up.jpg");
    EXPECT_EQ(std::pair(up.width, up.height), std::pair(48, 48));
    // The export takes a name in any script from Windows' command line.
    const std::string cross = temp / "\xE7\xA9\xBA cross.png";  // sky, which Windows-1252 lacks
    EXPECT_TRUE(RunProgram(L"\"" VANTORIX_EXPORT_W L"\" --cross \"" + win32::Wide(cross) + L"\" \"" +
                           win32::Wide(RenderFolder(program)) + L"NewSky\""));
    EXPECT_TRUE(fs::exists(U8(cross)) && fs::file_size(U8(cross)) > 0);
    if (!kept.empty()) {
        for (const auto& entry : fs::directory_iterator(U8(RenderFolder(program)))) CopyInto(kept, entry.path());
    }
}

}  // namespace
}  // namespace vantorix
