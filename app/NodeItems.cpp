#include "NodeItems.h"

#include "controls/TreeNode.h"
#include "model/Project.h"

namespace qv::app {

QString DiskPathOfNode(const Project& project, const std::string& key) {
    if (key.rfind("t:", 0) == 0) {
        const auto topic = project.FindTopic(key.substr(2));
        return topic ? QString::fromStdString(topic->DiskPath()) : QString();
    }
    if (key.rfind("o:", 0) == 0) {
        const auto& files = project.OtherFiles();
        if (!files->Contains(key.substr(2))) return {};
        const auto file =
            std::dynamic_pointer_cast<DiskFileObject>(files->Item(key.substr(2))->File());
        return file ? QString::fromStdString(file->DiskPath()) : QString();
    }
    return QString::fromStdString(project.Path());
}

std::vector<std::string> RowFacts(const Project& project, const HeadlessNode& node) {
    std::vector<std::string> facts;
    const std::string key(node.KeyRef());
    bool readOnly = false, included = true;
    if (key.rfind("t:", 0) == 0) {
        const auto topic = project.FindTopic(key.substr(2));
        if (!topic) return facts;
        readOnly = topic->ReadOnly();
        included = topic->IncludeInOutput();
    } else if (key.rfind("o:", 0) == 0) {
        const auto& files = project.OtherFiles();
        if (!files->Contains(key.substr(2))) return facts;
        const auto file = files->Item(key.substr(2));
        readOnly = file->File()->ReadOnly();
        included = file->IncludeInOutput();
    }
    if (readOnly) facts.emplace_back("read-only");
    if (!included) facts.emplace_back("excluded from output");
    return facts;
}

} // namespace qv::app
