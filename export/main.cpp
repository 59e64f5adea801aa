// vantorix-export: from six finished faces to what engines and 3D tools load.
#include "export/ExportCommand.h"

#include <unistd.h>

#include <iostream>

int main(int argc, char** argv) {
    return vantorix::cube::ExportMain({argv + 1, argv + argc}, std::cout, std::cerr, ::isatty(STDERR_FILENO) != 0);
}
