#pragma once

// The exit statuses of tvk-thumbnail-encoder that tvk-thumbnail tells apart.
namespace EncoderStatus {

inline constexpr int kFailed = 1;
// Qt has no writer for the format asked for.
inline constexpr int kNoWriter = 3;

} // namespace EncoderStatus
