#pragma once

#include "model/Project.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace qvbench {

// The generated help project every benchmark builds, so that the component, the tree alone and
// the plain-std baseline all see the same shape: topics spread over 500 categories (one in 50
// un-categorized), half as many other files as topics in 204 nested folders (depth 1 to 3) with
// ten extensions (four of them images), and two build profiles.
struct Shape {
    struct File {
        std::string relative;  // below the project folder, "\" separated
        std::string localSpec; // the disk path, as the project keys it
        std::string name;      // the file name
        std::string extension; // without the dot
        bool image = false;
        bool included = true;
    };

    int topics = 0;
    int categories = 0;
    std::string folder; // the project folder on disk, ends with "/"
    std::vector<File> files;
    std::size_t folderNodes = 0; // file-system folder nodes of the tree (images and other side)
    // Nodes of the designer's tree: fixed folders, categories, topics, folder nodes, files and
    // the profiles.
    std::size_t treeNodes = 0;

    // Topic i (0-based), as the generator makes it.
    static std::string TopicName(int i);
    static std::string TopicTitle(int i);
    static const std::string& TopicStatus(int i);
    static bool TopicIncluded(int i) { return i % 10 != 7; }
    // The label the component gives topic i's node, with its markup.
    static std::string TopicLabel(int i);
    // The 0-based category of topic i, or -1 for none.
    int CategoryOf(int i) const { return i % 50 == 49 ? -1 : i % categories; }
};

// The shape for this many topics, made once; its files are created (empty) on disk below the
// benchmark's temporary folder, so that the tree shows their extension images.
const Shape& ShapeFor(int topics);

// A new in-memory project of the shape (nothing written but the files ShapeFor made).
std::shared_ptr<qv::Project> MakeProject(const Shape& shape);

// The shape's project written to disk once (its folder's "bench.qvproj"); the path.
const std::string& ProjectFileFor(int topics);

// The folder the benchmark's temporary files go to; set by main before anything runs.
std::string& TemporaryFolder();

} // namespace qvbench
