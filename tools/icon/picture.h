#pragma once

#include "image.h"

namespace icon {

// The program's icon: a two-lamp traffic light, red over green, standing on a weighbridge
// deck. `full_colour` draws it anti-aliased with shading; otherwise with hard edges in the
// sixteen standard colours only, for the palette images. Below 48 pixels the drawing is
// simplified and laid on whole pixels so that it stays sharp.
Image DrawIcon(int size, bool full_colour);

}  // namespace icon
