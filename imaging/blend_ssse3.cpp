// The SSSE3 path, built with -mssse3 (imaging/CMakeLists.txt): nothing here may run before
// blend.cpp has found SSSE3 on the processor.
#include "imaging/blend_draw.h"
#include "imaging/blend_kernels.h"
#include "imaging/blend_ssse3.h"

namespace blend {

#if defined(PAGE_BLEND_SSSE3)
constexpr PathKernels kSsse3Kernels = KernelsWith<Ssse3Ops, Ssse3Ops32>();
#else
constexpr PathKernels kSsse3Kernels = {};
#endif

}  // namespace blend
