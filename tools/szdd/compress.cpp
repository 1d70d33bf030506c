// The SZDD compressor. Matches are found with hash chains over the last 4095
// bytes; the choice between literals and matches is an optimal parse per
// block (a literal costs 9 bits with its flag bit, a match 17), which gives
// smaller files than taking the longest match at every step.
#include <algorithm>
#include <cstring>

#include "szdd/szdd.h"
#include "szdd/szdd_format.h"

namespace szdd {

namespace {

constexpr std::size_t MaxDistance = WindowSize - 1;
constexpr std::size_t HashBits = 15;
constexpr std::size_t HashSize = std::size_t{1} << HashBits;
constexpr std::size_t ChainLimit = 48;
constexpr std::size_t NoPosition = ~std::size_t{0};
// Blank bytes in front of the data stand for the blank-filled window; a match
// may start in them.
constexpr std::size_t Prefix = 32;
constexpr std::size_t BlockSize = 1 << 16;

struct Match {
    std::uint16_t distance;
    std::uint8_t length;  // 0: no match of at least MinMatch bytes
};

class MatchFinder {
public:
    MatchFinder(const std::uint8_t* text, std::size_t size)
        : text_(text), size_(size), head_(HashSize, NoPosition), chain_(WindowSize, NoPosition) {}

    // The longest match for position `at` within `limit` bytes, then `at`
    // goes into its chain.
    Match FindAndInsert(std::size_t at, std::size_t limit) {
        Match best{0, 0};
        if (at + MinMatch > size_) return best;
        const std::size_t h = Hash(at);
        std::size_t candidate = head_[h];
        const std::size_t maxLength = std::min({MaxMatch, size_ - at, limit});
        for (std::size_t steps = 0; candidate != NoPosition && steps < ChainLimit; ++steps) {
            const std::size_t distance = at - candidate;
            if (distance > MaxDistance) break;
            if (text_[candidate + best.length] == text_[at + best.length] || best.length == 0) {
                std::size_t n = 0;
                while (n < maxLength && text_[candidate + n] == text_[at + n]) ++n;
                if (n > best.length && n >= MinMatch) {
                    best.length = static_cast<std::uint8_t>(n);
                    best.distance = static_cast<std::uint16_t>(distance);
                    if (n == maxLength) break;
                }
            }
            const std::size_t next = chain_[candidate & (WindowSize - 1)];
            if (next == NoPosition || next >= candidate) break;
            candidate = next;
        }
        chain_[at & (WindowSize - 1)] = head_[h];
        head_[h] = at;
        return best;
    }

    void Insert(std::size_t at) {
        if (at + MinMatch > size_) return;
        const std::size_t h = Hash(at);
        chain_[at & (WindowSize - 1)] = head_[h];
        head_[h] = at;
    }

private:
    std::size_t Hash(std::size_t at) const {
        const std::uint32_t v = static_cast<std::uint32_t>(text_[at]) << 16 |
                                static_cast<std::uint32_t>(text_[at + 1]) << 8 | text_[at + 2];
        return (v * 2654435761u) >> (32 - HashBits);
    }

    const std::uint8_t* text_;
    std::size_t size_;
    std::vector<std::size_t> head_;
    std::vector<std::size_t> chain_;
};

class Writer {
public:
    explicit Writer(std::vector<std::uint8_t>& out) : out_(out) {}

    void Literal(std::uint8_t byte) {
        Flag(true);
        out_.push_back(byte);
    }

    // `from` is the position of the match's first byte in the window.
    void Reference(std::size_t from, std::size_t length) {
        Flag(false);
        out_.push_back(static_cast<std::uint8_t>(from & 0xFF));
        out_.push_back(static_cast<std::uint8_t>(((from >> 4) & 0xF0) | (length - MinMatch)));
    }

private:
    void Flag(bool literal) {
        if (bit_ == 8) {
            flagAt_ = out_.size();
            out_.push_back(0);
            bit_ = 0;
        }
        if (literal) out_[flagAt_] = static_cast<std::uint8_t>(out_[flagAt_] | 1u << bit_);
        ++bit_;
    }

    std::vector<std::uint8_t>& out_;
    std::size_t flagAt_ = 0;
    unsigned bit_ = 8;
};

}  // namespace

std::vector<std::uint8_t> Compress(const std::uint8_t* data, std::size_t size, char missingChar) {
    std::vector<std::uint8_t> out(Signature, Signature + sizeof Signature);
    out.push_back(ModeA);
    out.push_back(static_cast<std::uint8_t>(missingChar));
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(size >> shift));
    out.reserve(HeaderSize + size / 2 + 64);

    std::vector<std::uint8_t> text(Prefix + size, WindowFill);
    if (size) std::memcpy(text.data() + Prefix, data, size);
    MatchFinder finder(text.data(), text.size());
    for (std::size_t i = 0; i < Prefix; ++i) finder.Insert(i);

    Writer writer(out);
    std::vector<Match> matches(BlockSize);
    std::vector<std::uint32_t> cost(BlockSize + 1);
    std::vector<std::uint8_t> choice(BlockSize);
    for (std::size_t start = Prefix; start < text.size(); start += BlockSize) {
        const std::size_t end = std::min(text.size(), start + BlockSize);
        const std::size_t n = end - start;
        for (std::size_t i = 0; i < n; ++i) matches[i] = finder.FindAndInsert(start + i, end - (start + i));
        // cost[i]: fewest bits to code the block from i on; every length from
        // MinMatch up to the longest match is a match at the same distance.
        cost[n] = 0;
        for (std::size_t i = n; i-- > 0;) {
            std::uint32_t best = cost[i + 1] + 9;
            std::uint8_t take = 1;
            for (std::size_t len = MinMatch; len <= matches[i].length; ++len) {
                const std::uint32_t c = cost[i + len] + 17;
                if (c < best) {
                    best = c;
                    take = static_cast<std::uint8_t>(len);
                }
            }
            cost[i] = best;
            choice[i] = take;
        }
        for (std::size_t i = 0; i < n;) {
            const std::size_t at = start + i;
            if (choice[i] == 1) {
                writer.Literal(text[at]);
                i += 1;
                continue;
            }
            // Position `at` of the text is window position at - Prefix + 4080.
            const std::size_t from = at - matches[i].distance;
            writer.Reference((from + FirstWritePosition + WindowSize - Prefix) & WindowMask, choice[i]);
            i += choice[i];
        }
    }
    return out;
}

}  // namespace szdd
