#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qv {

// The project file's contents as plain records, in file order; paths as written in the
// file ("\" separated, relative to the project folder, or absolute). The reader fills it
// after checking every rule; the writer serialises it.
struct ProjectData {
    struct Category {
        std::string id;
        std::string name;
        bool autoGenerateIndex = false;
    };
    struct Topic {
        std::string id;
        std::string name;
        std::string title;
        std::string caption;
        std::string category; // empty: un-categorized
        std::string status;
        bool includeInOutput = true;
        std::string file; // empty: the topic names no file
    };
    struct File {
        std::string path;
        bool includeInOutput = true;
    };
    struct Profile {
        std::string id;
        std::string name;
        std::string title;
        bool compiledHelp = false;
        int32_t helpFormat = 0;
        std::string outputFolder;
        bool current = false;
    };

    bool allowCategoryIndex = false;
    bool underSourceControl = false;
    // The next number of a new ID of each kind (nextTopicId ...); 0 when the file keeps none.
    uint64_t nextTopicId = 0;
    uint64_t nextCategoryId = 0;
    uint64_t nextProfileId = 0;
    std::vector<Category> categories;
    std::vector<Topic> topics;
    std::vector<File> files;
    std::vector<Profile> profiles;
};

inline constexpr int32_t kProjectFormatVersion = 1;

} // namespace qv
