#pragma once

#include "model/ProjectData.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qv {

// The project file's text (UTF-8 XML, two-blank indent), written element by element, so that
// a project can write it straight from its items without copying them into records first.
// Calls come in file order: the header, then each list (Categories, Topics, Files,
// BuildProfiles) begun with the number of its elements and followed by exactly that many.
// The same calls give the same bytes whoever makes them.
class ProjectFileText {
public:
    struct Header {
        bool allowCategoryIndex = false;
        bool underSourceControl = false;
        uint64_t nextTopicId = 0, nextCategoryId = 0, nextProfileId = 0;
    };
    // A topic's category and file are written only when not empty.
    struct TopicText {
        std::string_view id, name, title, caption, category, status;
        bool includeInOutput = true;
        std::string_view file;
    };
    struct ProfileText {
        std::string_view id, name, title;
        bool compiledHelp = false;
        int32_t helpFormat = 0;
        std::string_view outputFolder;
        bool current = false;
    };

    // reserve: about the size of the text, so that it is allocated once (it grows if short).
    ProjectFileText(std::size_t reserve, const Header& header);

    void BeginCategories(std::size_t count);
    void Category(std::string_view id, std::string_view name, bool autoGenerateIndex);
    void BeginTopics(std::size_t count);
    void Topic(const TopicText& topic);
    void BeginFiles(std::size_t count);
    void File(std::string_view path, bool includeInOutput);
    void BeginProfiles(std::size_t count);
    void Profile(const ProfileText& profile);
    // The whole text; the object is spent.
    std::string Finish();

    // About what one element of each kind takes besides its texts.
    static constexpr std::size_t kCategoryBytes = 70, kTopicBytes = 130, kFileBytes = 50,
                                 kProfileBytes = 150;

private:
    void Open(int depth, std::string_view name);
    void Attribute(std::string_view name, std::string_view value);
    void Flag(std::string_view name, bool value);
    void Escaped(std::string_view value);
    void EndEmpty();
    void Close(int depth, std::string_view name);
    void BeginList(std::string_view name, std::size_t count);

    std::string text_;
    std::string_view openList_; // the list whose end tag is still to come
};

// The complete project file text of the records, elements in record order.
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
