#include "platform/ReplacementFile.h"

#include "platform/FileError.h"

namespace vantorix {

void ReplacementFile::Fail(int errorNumber) const {
    throw FileError("write", path_, errorNumber,
                    WritesInPlace() ? "Its folder takes no new files, so it was being written where it stands, and "
                                      "it may now be damaged"
                                    : "");
}

}  // namespace vantorix
