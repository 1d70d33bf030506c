// 64-bit division for the 32-bit program: the compiler calls these for the
// few divisions of 64-bit numbers (percentages, byte counts in the log).
// The library's versions are much larger and bring unwind tables along;
// these do it bit by bit, which is plenty for numbers divided a few times
// per run. Built without link-time optimisation, so that the calls the
// compiler creates late still find them. Division by zero is not asked for
// (the callers test the divisor); it gives all bits set.

extern "C" {

unsigned long long __udivmoddi4(unsigned long long dividend, unsigned long long divisor,
                                unsigned long long* remainder) {
    unsigned long long quotient = 0;
    unsigned long long rest = 0;
    for (int bit = 63; bit >= 0; --bit) {
        // The bit shifted out of `rest` counts: the divisor may pass 2^63.
        bool carry = (rest >> 63) != 0;
        rest = (rest << 1) | ((dividend >> bit) & 1u);
        if (carry || rest >= divisor) {
            rest -= divisor;
            quotient |= 1ull << bit;
        }
    }
    if (remainder != nullptr) *remainder = rest;
    return quotient;
}

unsigned long long __udivdi3(unsigned long long dividend, unsigned long long divisor) {
    return __udivmoddi4(dividend, divisor, nullptr);
}

unsigned long long __umoddi3(unsigned long long dividend, unsigned long long divisor) {
    unsigned long long rest = 0;
    __udivmoddi4(dividend, divisor, &rest);
    return rest;
}

// Signed: the quotient rounds toward zero, the remainder takes the
// dividend's sign, as C++ defines them.
long long __divdi3(long long dividend, long long divisor) {
    unsigned long long a = dividend < 0 ? 0 - static_cast<unsigned long long>(dividend)
                                        : static_cast<unsigned long long>(dividend);
    unsigned long long b = divisor < 0 ? 0 - static_cast<unsigned long long>(divisor)
                                       : static_cast<unsigned long long>(divisor);
    unsigned long long q = __udivmoddi4(a, b, nullptr);
    return static_cast<long long>((dividend < 0) != (divisor < 0) ? 0 - q : q);
}

long long __moddi3(long long dividend, long long divisor) {
    unsigned long long a = dividend < 0 ? 0 - static_cast<unsigned long long>(dividend)
                                        : static_cast<unsigned long long>(dividend);
    unsigned long long b = divisor < 0 ? 0 - static_cast<unsigned long long>(divisor)
                                       : static_cast<unsigned long long>(divisor);
    unsigned long long r = 0;
    __udivmoddi4(a, b, &r);
    return static_cast<long long>(dividend < 0 ? 0 - r : r);
}

}  // extern "C"
