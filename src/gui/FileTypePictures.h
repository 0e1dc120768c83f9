#pragma once

#include "contracts/Picture.h"

#include <memory>
#include <string>

namespace qv {

// A 16x16 picture for a file or extension ("txt" or ".txt") from the desktop: the icon theme's
// icon of its MIME type (by name, then by content for an existing file), else its generic
// icon; nullptr when the theme has none (a caller then draws its own).
std::shared_ptr<Picture> ThemeFilePicture(const std::string& pathOrExtension);

} // namespace qv
