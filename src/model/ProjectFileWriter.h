#pragma once

#include "model/ProjectData.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
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

    using Sink = std::function<void(std::string_view piece)>;

    // The text is handed to sink as it is made, in pieces of whole elements of at least piece
    // bytes (the last may be shorter): a file of 26 MB goes out through a buffer that stays in
    // the processor's cache instead of being held whole.
    ProjectFileText(const Header& header, Sink sink, std::size_t piece = kPieceBytes);

    void BeginCategories(std::size_t count);
    void Category(std::string_view id, std::string_view name, bool autoGenerateIndex);
    void BeginTopics(std::size_t count);
    void Topic(const TopicText& topic);
    void BeginFiles(std::size_t count);
    void File(std::string_view path, bool includeInOutput);
    void BeginProfiles(std::size_t count);
    void Profile(const ProfileText& profile);
    // Hands on the rest of the text; the object is spent.
    void Finish();

    static constexpr std::size_t kPieceBytes = 64 * 1024;

private:
    char* Room(std::size_t bytes); // at least that many free at the end of the buffer
    void Put(std::string_view text);
    void Open(int depth, std::string_view name);
    void Attribute(std::string_view name, std::string_view value);
    void Flag(std::string_view name, bool value);
    void EndEmpty();
    void Close(int depth, std::string_view name);
    void BeginList(std::string_view name, std::size_t count);
    void Ended(); // an element is complete: the text may go to the sink

    // A buffer of its own rather than a std::string: an attribute makes room once for its
    // longest escaped form, then is copied in without a check per part.
    std::unique_ptr<char[]> buffer_;
    std::size_t size_ = 0, capacity_ = 0;
    Sink sink_;
    std::size_t piece_ = 0;
    std::string_view openList_; // the list whose end tag is still to come
};

// The complete project file text of the records, elements in record order.
std::string WriteProjectFile(const ProjectData& data);

// Writes the text that produce makes as the project file in one step
// (disk::ReplaceFileContents). A project file that is a symbolic link (or a chain of them)
// keeps its link: the file the link leads to is the one replaced. Stale temporary files of
// earlier saves are removed first. Error 75 on failure, the project file untouched.
void SaveProjectFile(const std::string& path,
                     const std::function<void(const ProjectFileText::Sink&)>& produce);

// Removes the temporary files that saves of this project file left behind when they were
// killed: entries of the folder of the file the path leads to (links followed) named "." +
// its name + "." + six letters or digits (the name disk::ReplaceFileContents gives), that
// are regular files of the current user with no other link, not the project file, and
// unchanged for kStaleSaveSeconds (a save in progress keeps writing its file, so a younger
// one may still be in use). Never fails: what cannot be removed stays.
void RemoveStaleSaveFiles(const std::string& path) noexcept;
inline constexpr int kStaleSaveSeconds = 60;

} // namespace qv
