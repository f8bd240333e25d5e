#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// Which pictures of an icon may be decoded, chosen from the ICO file's
// directory and the pictures' own headers before any is decoded, with the
// bounds every reader keeps: `tvk thumbnail`, the window's previews (through
// IconPictures) and Explorer's thumbnail provider, which links no Qt. Plain C++.
namespace IconChoice {

// Real icons are a few hundred KiB at most; a larger one is not read for a
// thumbnail at all.
inline constexpr std::int64_t kLargestIcon = std::int64_t(4) << 20;
// No picture larger than this a side is decoded.
inline constexpr int kLargestSide = 2048;

enum class Kind
{
    Png,
    // A bitmap listed by an ICO file: no file header, its mask below it.
    IconBitmap,
    BmpFile,
};

// One picture in the icon, as its own header describes it; nothing decoded.
struct Stored
{
    Kind kind = Kind::Png;
    std::span<const unsigned char> bytes;
    std::int64_t width = 0;
    std::int64_t height = 0;

    std::int64_t pixels() const { return width * height; }
};

// The pictures an ICO file lists that may be decoded, each stored picture once
// (a directory may list one 65,535 times), in the icon's order; or a PNG or BMP
// file stored as the icon, as its one picture. Nothing when the bytes are
// neither an ICO file nor such a picture.
std::optional<std::vector<Stored>> picturesIn(std::span<const unsigned char> icon);

// The pictures to try for the largest that can be decoded: the largest (the
// first of equals), then the next largest if it cannot be, three at most.
std::vector<Stored> largestFirst(std::vector<Stored> pictures);

// A bitmap of an ICO file as an ICO file of its own, the form ICO decoders take
// it in (they alone know its mask and doubled height). A 32-bit bitmap whose
// alpha is zero throughout, as icons made before alpha channels are, gets the
// transparency its mask gives: Windows draws such an icon by its mask.
std::vector<unsigned char> oneEntryIco(const Stored& bitmap);

} // namespace IconChoice
