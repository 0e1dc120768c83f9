#pragma once

#include "contracts/Picture.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace qv {

inline constexpr int kIconSize = 16;

// The image in the file as a 16x16 picture: scaled with its aspect ratio kept and centred
// on transparent pixels. Pixels of maskBgr (0x00BBGGRR) become transparent before scaling.
// nullptr when the file cannot be read as an image.
std::shared_ptr<Picture> LoadIconPicture(const std::string& path,
                                         std::optional<uint32_t> maskBgr = std::nullopt);

// A 16x16 page with a coloured band; the colour follows from the extension (compared
// without case), the same in every run.
std::shared_ptr<Picture> DocumentPicture(const std::string& extension);

} // namespace qv
