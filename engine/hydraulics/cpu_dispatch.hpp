// The solver's hottest functions are compiled twice, for the baseline
// processor and for those with AVX2, the right one chosen once at load time
// (the three-operand instruction forms save the register copies of the
// baseline's: 6 to 7 % of a run of Net6 or BWSN_Network_2). Results stay
// the same to the last bit: AVX2 brings no fused multiply-add (and the
// engine is compiled with -ffp-contract=off besides), and every other
// operation rounds as in the baseline. Only where GCC makes such clones for
// a Linux x86-64 target; a plain build elsewhere. The clones keep to 128-bit
// vectors (see cxx_settings.cmake): after a 256-bit one, the baseline code
// they return to ran at half speed.
#pragma once

#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ >= 12 && defined(__x86_64__) && defined(__linux__) && \
    !defined(ORV_NO_CPU_DISPATCH)
#define ORV_CPU_DISPATCH __attribute__((target_clones("avx2", "default")))
#else
#define ORV_CPU_DISPATCH
#endif
