#pragma once

#include <cstdint>

// The bounds on the work of making one thumbnail, wherever it is made (`tvk
// thumbnail`, the file managers' thumbnailer, Explorer's thumbnail provider).
// Plain C++: the provider links no Qt.
namespace ThumbnailLimits {

// Real icons are a few hundred KiB at most; a larger one is not read at all.
inline constexpr std::int64_t kLargestIcon = std::int64_t(4) << 20;
// No picture larger than this a side is decoded.
inline constexpr int kLargestSide = 2048;
// The largest picture, then the next largest if it cannot be decoded: so many
// at most.
inline constexpr int kAttempts = 3;

} // namespace ThumbnailLimits
