// The portable path, built with the build's own flags.
#include "imaging/blend_draw.h"
#include "imaging/blend_kernels.h"
#include "imaging/blend_portable.h"

namespace blend {

constexpr PathKernels kPortableKernels = KernelsWith<PortableOps, PortableOps32>();

}  // namespace blend
