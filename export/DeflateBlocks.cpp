#include "export/DeflateBlocks.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace vantorix::cube {

namespace {

static_assert(std::endian::native == std::endian::little, "the bits are loaded eight bytes at a time");

[[noreturn]] void Fail(const char* why) { throw std::runtime_error(std::string("not a whole deflate stream: ") + why); }

class BitReader {
public:
    explicit BitReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::size_t Position() const { return next_ * 8 - count_; }

    // At least 56 bits in hand. Past the end they are zeros, which no
    // stream may need: a few bytes past it, the stream has ended early.
    void Refill() {
        if (next_ + 8 <= bytes_.size()) {
            std::uint64_t word;
            std::memcpy(&word, bytes_.data() + next_, 8);
            // The bits above the count are the next byte's, loaded again, and alike, next time.
            bits_ |= word << count_;
            next_ += (63 - count_) >> 3;
            count_ |= 56;
            return;
        }
        if (next_ > bytes_.size() + 8) Fail("it ends early");
        for (; count_ <= 56; count_ += 8, ++next_) {
            bits_ |= static_cast<std::uint64_t>(next_ < bytes_.size() ? bytes_[next_] : 0) << count_;
        }
    }

    std::uint64_t Peek() const { return bits_; }
    void Skip(unsigned bits) {
        bits_ >>= bits;
        count_ -= bits;
    }
    unsigned Take(unsigned bits) {
        const unsigned value = static_cast<unsigned>(bits_ & ((std::uint64_t{1} << bits) - 1));
        Skip(bits);
        return value;
    }

    // To byte `at`, with nothing in hand.
    void MoveTo(std::size_t at) {
        next_ = at;
        bits_ = 0;
        count_ = 0;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t next_ = 0;
    std::uint64_t bits_ = 0;
    unsigned count_ = 0;
};

// A table entry: the bits the code and its extra bits take (low 8), the
// symbol's kind, and the symbol (top 16); or, for a code longer than the
// table's bits, where its subtable starts (top 16).
enum : std::uint32_t {
    Symbol = 0,
    Length = 1u << 8,
    EndOfBlock = 2u << 8,
    Invalid = 3u << 8,
    KindMask = 3u << 8,
    LongCode = 1u << 10,
};

constexpr unsigned MaxCodeBits = 15, TableBits = 10, SubBits = MaxCodeBits - TableBits;

class HuffmanTable {
public:
    // Canonical codes of the given lengths (0: no code), as deflate assigns
    // them; `describe(symbol)` gives the kind and the extra bits.
    template <typename Describe>
    void Build(const std::uint8_t* lengths, unsigned symbols, Describe describe) {
        unsigned count[MaxCodeBits + 1] = {};
        for (unsigned s = 0; s < symbols; ++s) ++count[lengths[s]];
        // Codes a stream lacks leave entries invalid, which ReadSymbols refuses.
        unsigned next[MaxCodeBits + 1] = {};
        for (unsigned length = 1; length < MaxCodeBits; ++length) next[length + 1] = (next[length] + count[length]) << 1;
        main_.fill(Invalid);
        sub_.clear();
        for (unsigned s = 0; s < symbols; ++s) {
            const unsigned length = lengths[s];
            if (length == 0) continue;
            const unsigned code = next[length]++;
            unsigned reversed = 0;  // deflate sends a code's first bit first
            for (unsigned bit = 0; bit < length; ++bit) reversed |= ((code >> bit) & 1u) << (length - 1 - bit);
            const auto [kind, extra] = describe(s);
            const std::uint32_t entry = s << 16 | kind | (length + extra);
            if (length <= TableBits) {
                for (unsigned i = reversed; i < (1u << TableBits); i += 1u << length) main_[i] = entry;
                continue;
            }
            std::uint32_t& head = main_[reversed & ((1u << TableBits) - 1)];
            if ((head & LongCode) == 0) {
                head = LongCode | static_cast<std::uint32_t>(sub_.size()) << 16;
                sub_.resize(sub_.size() + (1u << SubBits), Invalid);
            }
            for (unsigned i = reversed >> TableBits; i < (1u << SubBits); i += 1u << (length - TableBits)) {
                sub_[(head >> 16) + i] = entry;
            }
        }
    }

    std::uint32_t Find(std::uint64_t bits) const {
        const std::uint32_t entry = main_[bits & ((1u << TableBits) - 1)];
        if ((entry & LongCode) == 0) return entry;
        return sub_[(entry >> 16) + ((bits >> TableBits) & ((1u << SubBits) - 1))];
    }

private:
    std::array<std::uint32_t, 1u << TableBits> main_{};
    std::vector<std::uint32_t> sub_;
};

struct Description {
    std::uint32_t kind;
    unsigned extra;
};

Description LiteralOrLength(unsigned s) {
    if (s < 256) return {Symbol, 0};
    if (s == 256) return {EndOfBlock, 0};
    if (s < 265 || s == 285) return {Length, 0};
    if (s < 285) return {Length, (s - 261) / 4};
    return {Invalid, 0};  // 286 and 287 have fixed codes but no meaning
}

Description Distance(unsigned s) {
    if (s < 4) return {Symbol, 0};
    if (s < 30) return {Symbol, s / 2 - 1};
    return {Invalid, 0};
}

Description CodeLength(unsigned) { return {Symbol, 0}; }

struct Codes {
    HuffmanTable literals, distances;
};

const Codes& FixedCodes() {
    static const Codes fixed = [] {
        Codes codes;
        std::uint8_t lengths[288];
        std::memset(lengths, 8, 144);
        std::memset(lengths + 144, 9, 112);
        std::memset(lengths + 256, 7, 24);
        std::memset(lengths + 280, 8, 8);
        codes.literals.Build(lengths, 288, LiteralOrLength);
        std::memset(lengths, 5, 32);
        codes.distances.Build(lengths, 32, Distance);
        return codes;
    }();
    return fixed;
}

// The code lengths a described block's header gives, into `lengths`: its
// `literals` literal and length codes, then its `distances` distance codes.
void ReadCodeLengths(BitReader& in, std::uint8_t (&lengths)[288 + 32], unsigned& literals, unsigned& distances) {
    in.Refill();
    literals = in.Take(5) + 257, distances = in.Take(5) + 1;
    const unsigned codeLengths = in.Take(4) + 4;
    static constexpr std::uint8_t order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    std::memset(lengths, 0, sizeof lengths);  // as many as five bits can count
    for (unsigned i = 0; i < codeLengths; ++i) {
        in.Refill();
        lengths[order[i]] = static_cast<std::uint8_t>(in.Take(3));
    }
    HuffmanTable lengthCode;
    lengthCode.Build(lengths, 19, CodeLength);
    std::memset(lengths, 0, 19);
    for (unsigned n = 0; n < literals + distances;) {
        in.Refill();
        const std::uint32_t entry = lengthCode.Find(in.Peek());
        in.Skip(entry & 0xFF);
        const unsigned s = entry >> 16;  // an invalid entry reads as a length of 0
        if (s < 16) {
            lengths[n++] = static_cast<std::uint8_t>(s);
            continue;
        }
        const std::uint8_t value = s == 16 && n > 0 ? lengths[n - 1] : 0;
        const unsigned repeat = s == 16 ? 3 + in.Take(2) : s == 17 ? 3 + in.Take(3) : 11 + in.Take(7);
        if (n + repeat > literals + distances) Fail("its code lengths run past their count");
        std::memset(lengths + n, value, repeat);
        n += repeat;
    }
}

void ReadCodes(BitReader& in, Codes& codes) {
    std::uint8_t lengths[288 + 32];
    unsigned literals = 0, distances = 0;
    ReadCodeLengths(in, lengths, literals, distances);
    codes.literals.Build(lengths, literals, LiteralOrLength);
    codes.distances.Build(lengths + literals, distances, Distance);
}

// Reads past symbols to the end of the block.
void ReadSymbols(BitReader& in, const Codes& codes) {
    for (;;) {
        in.Refill();  // 56 bits: a length (15 + 5) and its distance (15 + 13)
        const std::uint32_t entry = codes.literals.Find(in.Peek());
        in.Skip(entry & 0xFF);
        const std::uint32_t kind = entry & KindMask;
        if (kind == Symbol) continue;
        if (kind == EndOfBlock) return;
        if (kind == Invalid) Fail("a symbol is not in its code");
        const std::uint32_t distance = codes.distances.Find(in.Peek());
        if ((distance & KindMask) == Invalid) Fail("a distance is not in its code");
        in.Skip(distance & 0xFF);
    }
}

}  // namespace

std::optional<LastBlock> EndOfSoleBlock(std::span<const std::uint8_t> stream) {
    constexpr std::uint8_t FinalDescribed = 1 | 2 << 1;
    if (stream.empty() || (stream.front() & 7) != FinalDescribed || stream.back() == 0) return std::nullopt;
    BitReader in(stream);
    in.Refill();
    in.Skip(3);
    std::uint8_t lengths[288 + 32];
    unsigned literals = 0, distances = 0;
    ReadCodeLengths(in, lengths, literals, distances);
    // The end-of-block code, as deflate assigns canonical codes: after every
    // shorter code, and after the literals of its own length.
    const unsigned length = lengths[256];
    unsigned code = 0;
    for (unsigned shorter = 1; shorter < length; ++shorter) {
        code = (code + static_cast<unsigned>(std::count(lengths, lengths + literals, shorter))) << 1;
    }
    code += static_cast<unsigned>(std::count(lengths, lengths + 256, length));
    // Its last bit sent is its lowest, and what follows it is zeros: the
    // stream's last set bit is its last one, unless it has none.
    if (code == 0) return std::nullopt;
    const std::size_t end = (stream.size() - 1) * 8 + static_cast<std::size_t>(std::bit_width(stream.back())) +
                            static_cast<std::size_t>(std::countr_zero(code));
    return LastBlock{0, end};
}

LastBlock FindLastBlock(std::span<const std::uint8_t> stream) {
    BitReader in(stream);
    Codes described;
    for (;;) {
        const std::size_t start = in.Position();
        in.Refill();
        const bool final = in.Take(1) != 0;
        const unsigned type = in.Take(2);
        if (type == 0) {
            in.Skip(static_cast<unsigned>((8 - in.Position() % 8) % 8));
            const unsigned length = in.Take(16), check = in.Take(16);
            if (length != (~check & 0xFFFF)) Fail("a stored block's length is not as its check says");
            in.MoveTo(in.Position() / 8 + length);  // past the end, the check below says so
        } else if (type == 1) {
            ReadSymbols(in, FixedCodes());
        } else if (type == 2) {
            ReadCodes(in, described);
            ReadSymbols(in, described);
        } else {
            Fail("a block is of the reserved type");
        }
        const std::size_t end = in.Position();
        if (end > stream.size() * 8) Fail("it ends early");
        if (final) {
            if (stream.size() * 8 - end >= 8) Fail("bytes follow its last block");
            return {start, end};
        }
    }
}

}  // namespace vantorix::cube
