#pragma once

#include "model/ModelErrors.h"
#include "model/Project.h"

#include <memory>
#include <string>

namespace qv {

// Reads a project file (project-format.md) into a new project that raises no events until
// someone subscribes. Refuses, with a ProjectFileError naming the file, the line and the
// fault: a missing or unreadable file (53, 75); text that is not XML, another root element,
// a formatVersion other than 1, an unknown element or attribute, text inside the structure
// (321); an item without id, an ID used twice within its kind, a topic naming a category
// that does not exist, a path that is empty, climbs out of the project folder (".." in any
// path) or names a folder, an output folder that is the project folder itself, a Boolean
// other than "true" or "false" ("1" and "0" included), a helpFormat that is not a whole
// number, a nextTopicId, nextCategoryId or nextProfileId that is not a whole number from 0
// to 10^18, and a file listed twice (two paths that resolve to the same LocalSpec: the second
// is refused, since items are keyed by it) (321). A refused file yields no project.
std::shared_ptr<Project> LoadProject(const std::string& path, const LoadOptions& options = {});

} // namespace qv
