#include "imaging/PixelBlock.h"

#include <stdexcept>
#include <string>

namespace vantorix {

void PixelBlock::Resize(std::int32_t columns, std::int32_t rows) {
    if (columns < 0 || rows < 0) {
        throw std::invalid_argument("A pixel block cannot be " + std::to_string(columns) + " bytes wide and " +
                                    std::to_string(rows) + " rows high.");
    }
    bytes_.assign(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows), 0);
    columns_ = columns;
    rows_ = rows;
}

}  // namespace vantorix
