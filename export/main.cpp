// vantorix-export: from six finished faces to what engines and 3D tools load.
#include "export/ExportCommand.h"

#include <unistd.h>

#include <iostream>

int main(int argc, char** argv) {
    using namespace vantorix::cube;
    std::optional<ExportOptions> options;
    try {
        options = ParseExportArguments({argv + 1, argv + argc});
    } catch (const std::invalid_argument& error) {
        std::cerr << "vantorix-export: " << error.what() << "\n" << ExportUsage;
        return 2;
    }
    if (!options) {
        std::cout << ExportUsage;
        return 0;
    }
    try {
        RunExport(*options, std::cout, ::isatty(STDERR_FILENO) ? &std::cerr : nullptr);
    } catch (const std::exception& error) {
        std::cerr << "vantorix-export: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
