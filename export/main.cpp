// vantorix-export: from six finished faces to what engines and 3D tools load.
#include "export/ExportCommand.h"

#include <iostream>

#ifdef _WIN32
#include "platform/win32/Windows.h"

#include <io.h>

// Windows gives the arguments as UTF-16, whatever the code page: file names
// in any script reach the export whole. What it says goes out as UTF-8.
int wmain(int argc, wchar_t** argv) {
    ::SetConsoleOutputCP(CP_UTF8);
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(vantorix::win32::Utf8(argv[i]));
    return vantorix::cube::ExportMain(arguments, std::cout, std::cerr, ::_isatty(2) != 0);
}
#else
#include <unistd.h>

int main(int argc, char** argv) {
    return vantorix::cube::ExportMain({argv + 1, argv + argc}, std::cout, std::cerr, ::isatty(STDERR_FILENO) != 0);
}
#endif
