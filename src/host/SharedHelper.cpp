#include "host/SharedHelper.h"

namespace qv {

namespace {

template <class T>
bool ProjectCollectionContains(const Object& collection, const std::string& key, bool& known) {
    if (auto* c = dynamic_cast<const Collection<T>*>(&collection)) {
        known = true;
        return c->Contains(key);
    }
    return false;
}

// The folder part of a path, without a trailing separator except for the root.
std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string CommonFolder(const std::vector<std::string>& paths) {
    std::string common = FolderOf(paths.front());
    for (const auto& p : paths) {
        while (!common.empty() && common != "/" &&
               !(p.size() > common.size() && p.compare(0, common.size(), common) == 0 &&
                 p[common.size()] == '/'))
            common = FolderOf(common);
    }
    return common;
}

} // namespace

HostSharedHelper::HostSharedHelper(std::shared_ptr<const HostOptions> options, FileDialogs& dialogs)
    : options_(std::move(options)), dialogs_(dialogs) {}

std::string HostSharedHelper::KeyType(const std::string& key) const {
    const auto colon = key.find(':');
    return colon == std::string::npos ? key : key.substr(0, colon);
}

std::string HostSharedHelper::KeyValue(const std::string& key) const {
    const auto colon = key.find(':');
    return colon == std::string::npos ? std::string() : key.substr(colon + 1);
}

bool HostSharedHelper::InCollection(const Object& collection, const std::string& key) const {
    try {
        const KeyedCollection* keyed = collection.AsKeyedCollection();
        if (!keyed) keyed = dynamic_cast<const KeyedCollection*>(&collection);
        if (keyed) return keyed->Contains(key);
        bool known = false;
        bool found = ProjectCollectionContains<Topic>(collection, key, known);
        if (!known) found = ProjectCollectionContains<TopicCategory>(collection, key, known);
        if (!known) found = ProjectCollectionContains<OtherFile>(collection, key, known);
        if (!known) found = ProjectCollectionContains<BuildProfile>(collection, key, known);
        return found;
    } catch (...) {
        return false;
    }
}

bool HostSharedHelper::SuppressDeletePrompt() const {
    return options_->suppressDeletePrompt;
}

std::string HostSharedHelper::BrowseForFiles(const std::string& title, const std::string& filter,
                                             const std::string& startFolder, bool multiSelect) {
    std::vector<std::string> paths = dialogs_.OpenFiles(title, filter, startFolder, multiSelect);
    if (paths.empty()) return {};
    if (paths.size() == 1) return paths.front();

    const std::string folder = CommonFolder(paths);
    const std::size_t skip = folder.empty() ? 0 : (folder == "/" ? 1 : folder.size() + 1);
    std::string out = folder;
    for (const auto& p : paths) {
        out += '\0';
        out += p.substr(skip);
    }
    return out;
}

} // namespace qv
