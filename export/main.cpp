// vantorix-export: from six finished faces to what engines and 3D tools load.
// With arguments it is a command; without, it opens its window.
#include "export/ExportCommand.h"

#include <iostream>

#ifdef _WIN32
#include "export/win32/frmExport.h"
#include "platform/win32/FormWindow.h"
#include "platform/win32/Windows.h"

#include <io.h>

#include <cwchar>

namespace {

// Started with a double-click, Windows made a console for this program
// alone: it goes, and only the window stays. Started from a Command Prompt,
// which waits for a console program, the window opens in a process of its
// own, without a console, and the prompt returns at once.
int OpenWindow() {
    DWORD processes[2] = {};
    if (::GetConsoleProcessList(processes, 2) > 1) {
        std::wstring program(MAX_PATH, L'\0');
        // A long path fills the buffer exactly: grow it until the name fits.
        while (::GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size())) == program.size()) {
            program.resize(program.size() * 2);
        }
        program.resize(std::wcslen(program.c_str()));
        std::wstring commandLine = L"\"" + program + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        if (::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                             nullptr, &startup, &started)) {
            ::CloseHandle(started.hThread);
            ::CloseHandle(started.hProcess);
            return 0;
        }
    }
    ::FreeConsole();
    vantorix::cube::frmExport window(vantorix::win32::ProgramFolder());
    window.Show();
    return vantorix::win32::RunMessageLoop();
}

}  // namespace

// Windows gives the arguments as UTF-16, whatever the code page: file names
// in any script reach the export whole. What it says goes out as UTF-8.
int wmain(int argc, wchar_t** argv) {
    if (argc <= 1) return OpenWindow();
    ::SetConsoleOutputCP(CP_UTF8);
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(vantorix::win32::Utf8(argv[i]));
    return vantorix::cube::ExportMain(arguments, std::cout, std::cerr, ::_isatty(2) != 0);
}
#else
#include "export/frmExport.h"
#include "platform/FormLayout.h"

#include <QApplication>

#include <cstdlib>
#include <unistd.h>

int main(int argc, char** argv) {
    // Without arguments the window, where there is a screen to show it on.
    const auto set = [](const char* name) { return std::getenv(name) != nullptr && *std::getenv(name) != '\0'; };
    if (argc <= 1 && (set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM"))) {
        QApplication application(argc, argv);
        QApplication::setStyle(vantorix::FormStyleName);
        vantorix::cube::frmExport window(QCoreApplication::applicationDirPath().toStdString());
        window.show();
        return QApplication::exec();
    }
    return vantorix::cube::ExportMain({argv + 1, argv + argc}, std::cout, std::cerr, ::isatty(STDERR_FILENO) != 0);
}
#endif
