// Text of the active code page: which bytes lead a two-byte character, and
// the case-insensitive comparison lstrcmpiA makes. Two code pages are
// modelled: 1252 (Western, single-byte, the default) and 932 (Japanese
// Shift-JIS, double-byte).
#include <stdexcept>

#include "platform/sim/state.h"

namespace sim {

namespace {

bool LeadByteOf(unsigned codePage, unsigned char byte) {
    return codePage == 932 && ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC));
}

// Upper case of a single-byte character. Code page 1252 also pairs the
// accented letters (é/É, š/Š, ÿ/Ÿ); 932's single bytes are ASCII and
// half-width katakana, which have no case.
unsigned char UpperOf(unsigned codePage, unsigned char c) {
    if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 0x20);
    if (codePage != 1252) return c;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 0x20);
    if (c == 0x9A || c == 0x9C || c == 0x9E) return static_cast<unsigned char>(c - 0x10);
    if (c == 0xFF) return 0x9F;
    return c;
}

}  // namespace

void Machine::SetCodePage(unsigned codePage) {
    if (codePage != 1252 && codePage != 932)
        throw std::invalid_argument("the simulated machine knows code pages 1252 and 932");
    s_->codePage = codePage;
}

unsigned Machine::CodePage() const { return s_->codePage; }

bool PlatformCalls::IsDBCSLeadByte(unsigned char byte) {
    s_->Count("IsDBCSLeadByte");
    return LeadByteOf(s_->codePage, byte);
}

// A two-byte character is compared as it stands: its trail byte may lie in
// the range of the ASCII letters and is no letter itself.
int PlatformCalls::CompareTextNoCase(const char* a, const char* b) {
    s_->Count("CompareTextNoCase");
    const unsigned page = s_->codePage;
    const unsigned char* x = reinterpret_cast<const unsigned char*>(a);
    const unsigned char* y = reinterpret_cast<const unsigned char*>(b);
    for (;;) {
        const bool xLead = LeadByteOf(page, *x) && x[1] != 0;
        const bool yLead = LeadByteOf(page, *y) && y[1] != 0;
        if (xLead || yLead) {
            if (!(xLead && yLead) || x[0] != y[0] || x[1] != y[1])
                return (x[0] != y[0] ? x[0] - y[0] : x[1] - y[1]) < 0 ? -1 : 1;
            x += 2;
            y += 2;
            continue;
        }
        const int difference = UpperOf(page, *x) - UpperOf(page, *y);
        if (difference != 0) return difference < 0 ? -1 : 1;
        if (*x == 0) return 0;
        ++x;
        ++y;
    }
}

}  // namespace sim
