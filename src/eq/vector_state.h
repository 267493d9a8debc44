// Clearing of the upper halves of the vector registers before long runs of scalar floating-point
// work. Some library routines use the wide registers and leave them marked in use; until that is
// cleared, every ordinary SSE instruction pays a transition penalty (seen as a 15-fold slowdown of
// the response math once the GUI library has started).
#pragma once

namespace vt {

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
[[gnu::target("avx")]] inline void zeroUpperVectorState() {
    __builtin_ia32_vzeroupper();
}
inline void clearUpperVectorState() {
    if (__builtin_cpu_supports("avx")) zeroUpperVectorState();
}
#else
inline void clearUpperVectorState() {}
#endif

}  // namespace vt
