#pragma once

#include "cli/Command.h"

namespace Cli {

inline constexpr int kDefaultThumbnailSize = 128;

// What `tvk thumbnail` takes and says in its help: told once, for tvk-thumbnail
// that does it and for `tvk`, which lists it and hands its arguments over.
Command::Description thumbnailDescription();

} // namespace Cli
