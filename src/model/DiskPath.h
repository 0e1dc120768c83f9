#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

// Path and file-mode helpers shared by the model's file objects, loader and writer.
namespace qv::disk {

// "\" becomes "/".
std::string ToDiskSeparators(std::string_view path);
// "/" becomes "\".
std::string ToFileSeparators(std::string_view path);

// Absolute (against the current folder) and lexically normal ("." and "//" gone, ".."
// applied); symbolic links are not followed. A trailing separator is kept.
std::string AbsoluteNormal(const std::string& path);

bool IsAbsolute(std::string_view path); // after ToDiskSeparators: starts with "/"

// Why a relative path from the project file cannot be used, or "" when it can: empty, or
// a ".." segment.
std::string RelativePathProblem(std::string_view path);

// Why an output folder from the project file cannot be used, or "" when it can: empty,
// climbing out with "..", longer than a path may be, or (as written and normalised, links
// not followed) the file system's root, the user's home folder ($HOME or the account's),
// the project folder itself or a folder above it.
std::string OutputFolderProblem(const std::string& projectFolder, std::string_view folder);

// The disk path of a path written in the project file ("\" separated, relative to the
// project folder ending with "/", or absolute).
std::string Resolve(const std::string& projectFolder, std::string_view path);
// The same into out, whose room is reused: a load resolves a path per file.
void ResolveInto(std::string& out, const std::string& projectFolder, std::string_view path);

// The "\" separated path below the folder (ending with "/"), or "" when the path does not
// lie below it.
std::string RelativeBelow(const std::string& folder, const std::string& path);

std::string FileNameOf(std::string_view path);       // after the last "/"
std::string ExtensionOf(std::string_view name);      // after the last "." of the name, no dot
std::string_view ExtensionIn(std::string_view name); // the same, without a copy
bool IsImageExtension(std::string_view extension);
bool EqualsNoCase(std::string_view a, std::string_view b); // ASCII letters only

// Names and paths compared as a case-insensitive file system compares them: Unicode lower
// case of each character (ASCII on a fast path); bytes that are not UTF-8 compare as they are.
std::string FoldCase(std::string_view s);
bool SameNoCase(std::string_view a, std::string_view b);
std::size_t HashNoCase(std::string_view s); // equal for every two texts SameNoCase matches

// The path as the disk spells it, for a file system that should behave case-insensitively:
// the path itself when that entry exists (one lstat); otherwise, from the root down, each
// part that does not exist as spelled becomes the entry of its folder whose name matches it
// ignoring case (the first in byte order when several do). From the first part that nothing
// matches on, the parts stay as spelled. Absolute paths only; a trailing "/" is kept.
std::string FindOnDisk(const std::string& path);

// A file as a load finds it (FindInLoad).
struct FoundFile {
    bool respelled = false; // the disk spells the path otherwise than it was asked
    std::string path;       // when respelled: the path as the disk spells it
    std::size_t name = 0;   // when respelled: where the file's name begins in path
    bool regular = false;   // the entry is a regular file (links followed)
};
// Inside a LoadScope: the file "folder + name" (folder absolute, ending with "/") looked up in
// one listing of its folder, read when the scope first asks about that folder and kept until the
// scope ends, so that a load of N files in F folders reads F folders and asks nothing per file.
// The exact spelling wins; otherwise the entry matching the name ignoring case (the first in
// byte order), a folder not found as spelled likewise from its parent's listing, as FindOnDisk
// does. Returns false outside a scope: the caller asks the disk.
bool FindInLoad(std::string_view folder, std::string_view name, FoundFile& found);
// The same, when only whether it is a regular file matters: nullopt outside a scope.
std::optional<bool> RegularInLoad(std::string_view folder, std::string_view name);
// Folder listings FindInLoad has read in this process, for tests and measurements.
std::size_t FolderListingsRead();
// Folders a load has asked the disk about (to list them, or whether they exist while finding
// how the disk spells a folder), likewise.
std::size_t FoldersAskedInLoad();
// Files this thread has looked up in a load's listings (FindInLoad, RegularInLoad), likewise.
std::size_t LookUpsInLoad();

bool IsRegularFile(const std::string& path);
// No write permission bit for anyone in the file's mode; false for a missing file.
bool IsMarkedReadOnly(const std::string& path);
// Clears every write bit (read-only) or sets the owner's (writable). Error 53 when the file
// is missing, 75 when the mode cannot be changed.
void SetReadOnlyMark(const std::string& path, bool readOnly);

// Writes the text to a new file in the path's folder, flushes it to disk and renames it over
// the path, so that the path holds either the old or the new contents. Keeps the old file's
// mode. Error 75 on failure; no temporary file is left behind.
void ReplaceFileContents(const std::string& path, const std::string& text);
// The same, the contents made by produce, which hands them to the writer it is given piece by
// piece as it makes them (a large file need not be held whole). When produce throws, the file
// is left as it was and the exception passed on.
using ContentsWriter = std::function<void(std::string_view piece)>;
void ReplaceFileContents(const std::string& path,
                         const std::function<void(const ContentsWriter&)>& produce);

// The whole file, bytes as they are; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& text);

} // namespace qv::disk
