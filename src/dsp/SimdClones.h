#pragma once
// TAVRIL_SIMD_CLONES marks a hot numeric function to be compiled twice, for
// the baseline x86-64 instruction set and for AVX2, the processor choosing
// at load time. AVX2 adds no fused multiply-add, so both versions round
// every operation alike: results do not depend on the machine.

// Not under ThreadSanitizer: the loader calls the version-choosing resolvers
// before its runtime is up.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(TAVRIL_NO_SIMD_CLONES) && \
    !defined(__SANITIZE_THREAD__)
#define TAVRIL_SIMD_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define TAVRIL_SIMD_CLONES
#endif
