#include "host/FileDialogs.h"

namespace qv {

std::vector<std::string> ScriptedFileDialogs::OpenFiles(const std::string& title,
                                                        const std::string& /*filter*/,
                                                        const std::string& startFolder,
                                                        bool multiSelect) {
    lastStartFolder_ = startFolder;
    std::vector<std::string> paths;
    if (!queue_.empty()) {
        paths = std::move(queue_.front());
        queue_.pop_front();
    }
    if (!multiSelect && paths.size() > 1) paths.resize(1);
    if (observer_) observer_(title, paths);
    return paths;
}

} // namespace qv
