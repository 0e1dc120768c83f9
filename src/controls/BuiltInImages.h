#pragma once

#include "contracts/ImageList.h"

#include <memory>

namespace qv {

// A new image list holding the 20 built-in 16x16 node images, in their stored order:
// "missing", "topicfolderclosed", "topic", ... "html", "booklet". "readonly" and "checkedout"
// are corner badges, transparent elsewhere, meant to be overlaid on other images.
std::shared_ptr<ImageList> MakeBuiltInImageList();

} // namespace qv
