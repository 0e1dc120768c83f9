#pragma once

#include "model/ProjectData.h"

#include <string>

namespace qv {

// The complete project file text (UTF-8 XML, two-blank indent), elements in record order;
// a topic's category and file attributes are written only when set.
std::string WriteProjectFile(const ProjectData& data);

// Writes the text as the project file in one step (disk::ReplaceFileContents). A project file
// that is a symbolic link (or a chain of them) keeps its link: the file the link leads to
// is the one replaced. Stale temporary files of earlier saves are removed first. Error 75
// on failure, the project file untouched.
void SaveProjectFile(const std::string& path, const std::string& text);

// Removes the temporary files that saves of this project file left behind when they were
// killed: entries of the folder of the file the path leads to (links followed) named "." +
// its name + "." + six letters or digits (the name disk::ReplaceFileContents gives), that
// are regular files of the current user with no other link, not the project file, and
// unchanged for kStaleSaveSeconds (a save in progress keeps writing its file, so a younger
// one may still be in use). Never fails: what cannot be removed stays.
void RemoveStaleSaveFiles(const std::string& path) noexcept;
inline constexpr int kStaleSaveSeconds = 60;

} // namespace qv
