#pragma once

#include "pictures/Picture.h"

namespace PictureScaling {

// The picture made smaller to fit `side` by `side` pixels, keeping its shape,
// never larger: each new pixel is the average of the area it covers, weighted
// by transparency, so that thin lines stay and transparent edges stay clean.
Picture fitted(const Picture& picture, int side);

} // namespace PictureScaling
