#pragma once

#include "model/ProjectData.h"

#include <string>

namespace qv {

// The complete project file text (UTF-8 XML, two-blank indent), elements in record order;
// a topic's category and file attributes are written only when set.
std::string WriteProjectFile(const ProjectData& data);

} // namespace qv
