#pragma once

// Where a raw deflate stream's last block lies, found without inflating it.
//
// A deflate stream (RFC 1951) is a run of blocks, read least significant bit
// first. Each opens with three bits: BFINAL (set on the last block) and
// BTYPE (0 stored, 1 fixed Huffman codes, 2 codes described in the block, 3
// reserved). A stored block then skips to a whole byte and holds LEN, ~LEN
// (16 bits each) and LEN bytes. The others hold Huffman-coded symbols up to
// the end-of-block symbol (256): literals (0-255), and lengths (257-285,
// with 0-5 extra bits) each followed by a distance (0-29, 0-13 extra bits).
// Only the codes' lengths and extra bits matter here: the symbols are read
// past, and nothing is written.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace vantorix::cube {

// Bit positions from the stream's start: where the block marked final
// starts (its BFINAL bit), and the first bit after its end-of-block symbol.
struct LastBlock {
    std::size_t Start = 0;
    std::size_t End = 0;
};

// Reads `stream` block by block up to the end of its final block, which must
// end in its last byte. Throws std::runtime_error where it cannot be read
// that far: it ends early, goes on after that block, or holds a block, a
// symbol or a distance deflate does not have. It checks no more than that:
// it reads what libdeflate wrote.
LastBlock FindLastBlock(std::span<const std::uint8_t> stream);

// Where a stream of one block with described codes ends, as libdeflate
// makes of most bands of a noisy picture's rows: found from its last set bit
// and its end-of-block code, whose last bits those are, without reading its
// symbols. Empty where that does not tell: another kind of block, several
// blocks, a last byte of zeros or an end-of-block code of zeros. It reads
// the header alone, and so trusts the stream to be whole, ending in its last
// byte with zeros.
std::optional<LastBlock> EndOfSoleBlock(std::span<const std::uint8_t> stream);

}  // namespace vantorix::cube
