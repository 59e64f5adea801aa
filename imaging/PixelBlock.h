#pragma once

#include <cstdint>
#include <vector>

namespace vantorix {

// A two-dimensional block of bytes addressed by byte column and row, with no
// padding between rows: row r occupies Columns() bytes starting at Row(r).
// Holds the pixels of a picture as blue, green, red per pixel, row 0 the
// bottom row.
class PixelBlock {
public:
    PixelBlock() = default;
    PixelBlock(std::int32_t columns, std::int32_t rows) { Resize(columns, rows); }

    // Every byte is 0 afterwards. Throws std::invalid_argument for a negative size.
    void Resize(std::int32_t columns, std::int32_t rows);

    std::int32_t Columns() const { return columns_; }
    std::int32_t Rows() const { return rows_; }

    std::uint8_t& operator()(std::int32_t column, std::int32_t row) { return Row(row)[column]; }
    std::uint8_t operator()(std::int32_t column, std::int32_t row) const { return Row(row)[column]; }
    std::uint8_t* Row(std::int32_t row) { return bytes_.data() + Offset(row); }
    const std::uint8_t* Row(std::int32_t row) const { return bytes_.data() + Offset(row); }

private:
    std::size_t Offset(std::int32_t row) const {
        return static_cast<std::size_t>(row) * static_cast<std::size_t>(columns_);
    }

    std::int32_t columns_ = 0;
    std::int32_t rows_ = 0;
    std::vector<std::uint8_t> bytes_;
};

}  // namespace vantorix
