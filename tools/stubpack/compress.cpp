// The packer's compression: an optimal parse of literals, matches at a new
// distance and matches at the last distance, priced in bits.
#include <algorithm>
#include <limits>

#include "stubpack/stubpack.h"

namespace stubpack {

namespace {

// Bits of a number as the stream writes it: two per bit after the leading one.
unsigned NumberBits(std::uint32_t value) {
    unsigned bits = 0;
    while (value > 1) {
        value >>= 1;
        bits += 2;
    }
    return bits;
}

unsigned NewMatchBits(std::uint32_t distance, std::uint32_t length) {
    return 2 + NumberBits(((distance - 1) >> 8) + 2) + 8 + NumberBits(length);
}

unsigned LastMatchBits(std::uint32_t length) { return 2 + NumberBits(length); }

// Relative call targets made absolute (positions as the expansion counts
// them), so that calls of one function look alike.
Bytes AbsoluteCalls(Bytes data) {
    for (std::size_t p = 0; p + 5 <= data.size(); ++p) {
        if (data[p] != 0xE8) continue;
        std::uint32_t relative = static_cast<std::uint32_t>(data[p + 1]) |
                                 static_cast<std::uint32_t>(data[p + 2]) << 8 |
                                 static_cast<std::uint32_t>(data[p + 3]) << 16 |
                                 static_cast<std::uint32_t>(data[p + 4]) << 24;
        std::uint32_t target = relative + static_cast<std::uint32_t>(p + 5);
        for (int k = 0; k < 4; ++k) data[p + 1 + k] = static_cast<std::uint8_t>(target >> (8 * k));
        p += 4;
    }
    return data;
}

class Writer {
public:
    void Bit(unsigned bit) {
        if (left_ == 0) {
            flagsAt_ = out_.size();
            out_.push_back(0);
            left_ = 8;
        }
        --left_;
        if (bit) out_[flagsAt_] = static_cast<std::uint8_t>(out_[flagsAt_] | 1u << left_);
    }
    void Number(std::uint32_t value) {
        int top = 31;
        while (!(value >> top & 1)) --top;
        for (int b = top - 1; b >= 0; --b) {
            Bit(value >> b & 1);
            Bit(b > 0);
        }
    }
    void Byte(std::uint8_t byte) { out_.push_back(byte); }
    Bytes Take() { return std::move(out_); }

private:
    Bytes out_;
    std::size_t flagsAt_ = 0;
    unsigned left_ = 0;
};

// How the cheapest way found so far reaches a position.
struct Step {
    std::uint32_t bits = std::numeric_limits<std::uint32_t>::max();
    std::uint32_t from = 0;
    std::uint32_t distance = 0;  // 0: a literal
    bool last = false;           // a match at the last distance
    std::uint32_t lastDistance = 0;  // the last distance after this step
};

constexpr unsigned MaxCandidates = 8192;
// Longer matches are cut into several: a long run of one byte would
// otherwise be offered at every length from every position.
constexpr std::size_t MaxLength = 1024;

}  // namespace

Bytes Compress(const Bytes& original) {
    const Bytes data = AbsoluteCalls(original);
    const std::size_t n = data.size();
    std::vector<Step> best(n + 1);
    best[0].bits = 0;
    std::vector<std::int32_t> head(65536, -1), previous(n, -1);
    auto matchLength = [&](std::size_t at, std::size_t back) {
        std::size_t length = 0;
        while (at + length < n && length < MaxLength && data[at + length] == data[back + length]) ++length;
        return length;
    };
    auto offer = [&](std::size_t to, std::uint32_t bits, std::size_t from, std::uint32_t distance,
                     bool last) {
        if (bits >= best[to].bits) return;
        best[to] = {bits, static_cast<std::uint32_t>(from), distance, last,
                    distance ? distance : best[from].lastDistance};
    };
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t here = best[i].bits;
        offer(i + 1, here + 9, i, 0, false);
        const std::uint32_t lastDistance = best[i].lastDistance;
        if (lastDistance && lastDistance <= i) {
            std::size_t length = matchLength(i, i - lastDistance);
            for (std::size_t l = 2; l <= length; ++l)
                offer(i + l, here + LastMatchBits(static_cast<std::uint32_t>(l)), i, lastDistance, true);
        }
        if (i + 1 < n) {
            unsigned key = static_cast<unsigned>(data[i]) | static_cast<unsigned>(data[i + 1]) << 8;
            std::size_t longest = 1;
            unsigned tried = 0;
            for (std::int32_t j = head[key]; j >= 0 && tried < MaxCandidates && longest < n - i;
                 j = previous[static_cast<std::size_t>(j)], ++tried) {
                if (longest == MaxLength) break;
                std::size_t length = matchLength(i, static_cast<std::size_t>(j));
                if (length <= longest) continue;
                auto distance = static_cast<std::uint32_t>(i - static_cast<std::size_t>(j));
                for (std::size_t l = longest + 1; l <= length; ++l)
                    offer(i + l, here + NewMatchBits(distance, static_cast<std::uint32_t>(l)), i, distance,
                          false);
                longest = length;
            }
            previous[i] = head[key];
            head[key] = static_cast<std::int32_t>(i);
        }
    }
    std::vector<std::size_t> path;
    for (std::size_t at = n; at > 0; at = best[at].from) path.push_back(at);
    std::reverse(path.begin(), path.end());
    Writer out;
    std::size_t at = 0;
    for (std::size_t to : path) {
        const Step& step = best[to];
        if (step.distance == 0) {
            out.Bit(0);
            out.Byte(data[at]);
        } else if (step.last) {
            out.Bit(1);
            out.Bit(1);
            out.Number(static_cast<std::uint32_t>(to - at));
        } else {
            out.Bit(1);
            out.Bit(0);
            out.Number(((step.distance - 1) >> 8) + 2);
            out.Byte(static_cast<std::uint8_t>(step.distance - 1));
            out.Number(static_cast<std::uint32_t>(to - at));
        }
        at = to;
    }
    return out.Take();
}

}  // namespace stubpack
