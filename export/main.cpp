// vantorix-export: from six finished faces to what engines and 3D tools load.
#include "export/ExportCommand.h"

#include <iostream>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define STDERR_FILENO 2
#else
#include <unistd.h>
#endif

int main(int argc, char** argv) {
    return vantorix::cube::ExportMain({argv + 1, argv + argc}, std::cout, std::cerr, ::isatty(STDERR_FILENO) != 0);
}
