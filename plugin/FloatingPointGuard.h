// Flush-to-zero and denormals-are-zero for the lifetime of the guard; the
// caller's control word comes back when it ends. Recursive filters that decay
// towards zero would otherwise crawl through denormal arithmetic.
#pragma once

#if defined(__SSE__) || defined(_M_X64) || defined(__x86_64__)
#include <xmmintrin.h>
#define PARFELLE_HAS_MXCSR 1
#endif

class FloatingPointGuard
{
public:
#if defined(PARFELLE_HAS_MXCSR)
    static constexpr unsigned int flushToZero = 0x8000;
    static constexpr unsigned int denormalsAreZero = 0x0040;

    FloatingPointGuard() : saved_(_mm_getcsr()) { _mm_setcsr(saved_ | flushToZero | denormalsAreZero); }
    ~FloatingPointGuard() { _mm_setcsr(saved_); }
#else
    FloatingPointGuard() {}
#endif
    FloatingPointGuard(const FloatingPointGuard&) = delete;
    FloatingPointGuard& operator=(const FloatingPointGuard&) = delete;

private:
#if defined(PARFELLE_HAS_MXCSR)
    unsigned int saved_;
#endif
};
