#pragma once

#include "model/ModelErrors.h"
#include "model/Project.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace qv {

// The largest project file that is read; a larger one is refused before any of it is read,
// so that a huge file (or one that grows without end) cannot exhaust memory.
inline constexpr uint64_t kLargestProjectFile = uint64_t{1} << 30; // 1 GB
// The longest disk path a project may name, in bytes: the platform's PATH_MAX less its NUL.
// It also bounds the tree's folder keys, each of which holds its whole folder path, so that
// the keys of one path stay small (a deeper path could not be opened anyway).
inline constexpr std::size_t kLongestPath = 4095;

// Reads a project file (project-format.md) into a new project that raises no events until
// someone subscribes. Only a regular file is read (a link to one is followed); a pipe, a
// device or a socket is refused without waiting for it, as is a file larger than
// kLargestProjectFile. Refuses, with a ProjectFileError naming the file, the line and the
// fault: a missing or unreadable file (53, 75); text that is not XML, another root element,
// a formatVersion other than 1, an unknown element or attribute, text inside the structure
// (321); an item without id, an ID used twice within its kind, an ID that IdProblem refuses,
// a topic naming a category that does not exist, a path that FilePathProblem refuses (a
// topic's file: TopicFileProblem), an output folder that disk::OutputFolderProblem refuses, a
// Boolean other than "true" or "false" ("1" and "0" included), a helpFormat that is not a
// whole number, a nextTopicId, nextCategoryId or nextProfileId that is not a whole number from
// 0 to 10^18, and a file listed twice (two paths that resolve to the same LocalSpec,
// ignoring case: the second is refused, since items are keyed by it) (321). A refused file
// yields no project. Temporary files that a save of this project file left behind when it was
// killed are removed (see RemoveStaleSaveFiles).
std::shared_ptr<Project> LoadProject(const std::string& path, const LoadOptions& options = {});

// Why an ID cannot name an item of the kind ('T', 'C' or 'B'), or "" when it can. Refused
// are the IDs whose tree keys the tree uses otherwise: a category "uncategorized" ("c:" +
// ID is the key of the "(Un-categorized)" folder; keys are compared as written, so
// "Uncategorized" is a different key and allowed), and any ID with "\" (a key with "\"
// and a type longer than one letter is a file-system folder's).
std::string IdProblem(char kind, std::string_view id);

// Why a file path of the project file (a topic's file, an other file's path; "\" or "/"
// separated, relative to the project folder ending with "/", or absolute) cannot be used,
// or "" when it can: empty, relative and climbing out with "..", naming a folder (ending
// with a separator, or with a "." or ".." segment) or longer than kLongestPath once resolved.
// An absolute path's ".." segments are normalised away.
std::string FilePathProblem(const std::string& projectFolder, std::string_view path);

// The same for a topic's file, which also may not be absolute: a topic's page is the
// project's own, and marking or writing it must not reach a file outside the project folder.
std::string TopicFileProblem(const std::string& projectFolder, std::string_view path);

} // namespace qv
