// The SSE2 path, built with -msse2 (imaging/CMakeLists.txt).
#include "imaging/blend_draw.h"
#include "imaging/blend_kernels.h"
#include "imaging/blend_sse2.h"

namespace blend {

#if defined(PAGE_BLEND_SSE2)
constexpr PathKernels kSse2Kernels = KernelsWith<Sse2Ops, Sse2Ops32>();
#else
constexpr PathKernels kSse2Kernels = {};
#endif

}  // namespace blend
