// Each path's draws, defined in the file of its instruction set (blend_portable.cpp,
// blend_sse2.cpp, blend_ssse3.cpp) and built with that set's flags; blend.cpp chooses among
// them by what the processor has. These tables are all that those files make visible: the
// code behind them has internal linkage, so none of it runs before that choice.
#pragma once

#include "imaging/image_view.h"

namespace blend {

template <class Surface>
using Draw = void (*)(const ImageView& image, int x, int y, int cx, int cy, const PaintBox& box, Surface& buffer);

// BlendImage and ResampleOpaque of one path, for both target layouts; all null where the
// compiler cannot build the path.
struct PathKernels {
  Draw<Surface24> blend24;
  Draw<Surface32> blend32;
  Draw<Surface24> resample24;
  Draw<Surface32> resample32;
};

extern const PathKernels kPortableKernels;
extern const PathKernels kSse2Kernels;
extern const PathKernels kSsse3Kernels;

}  // namespace blend
