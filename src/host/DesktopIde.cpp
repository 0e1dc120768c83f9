#include "host/DesktopIde.h"

#include "contracts/Error.h"
#include "host/TopicTemplate.h"
#include "model/DiskPath.h"
#include "model/Project.h"

#include <cstdio>

namespace qv {

namespace {

template <class T>
std::shared_ptr<T> ObjectArgument(const std::vector<Variant>& args, std::size_t index) {
    if (index >= args.size() || !args[index].IsObject()) return nullptr;
    return args[index].As<T>();
}

// What a member that changes the project leaves undone in a read-only project; nullptr for
// the members that change nothing in it.
const char* ReadOnlyOutcome(const std::string& member) {
    if (member == "createtopic") return "The new topic was not created.";
    if (member == "createcategory") return "The new category was not created.";
    if (member == "createbuildprofile") return "The new build profile was not created.";
    if (member == "showtopicproperties") return "The topic's properties cannot be changed.";
    if (member == "editbuildprofile") return "The build profile cannot be changed.";
    return nullptr;
}

bool SameAsciiNoCase(std::string_view name, std::string_view lower) {
    if (name.size() != lower.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != lower[i]) return false;
    }
    return true;
}

} // namespace

bool DesktopIde::RefuseReadOnly(const std::string& outcome) {
    const auto& project = ActiveProject();
    if (!project || !project->ReadOnly()) return false;
    boxes_.Show("The project file " + project->Path() +
                    " is read-only, so the project cannot be changed. " + outcome +
                    "\n\nTo change the project, make the file writable (check it out) and try "
                    "again.",
                mb::OkOnly | mb::Exclamation, "Read-Only Project");
    return true;
}

std::shared_ptr<TopicItem> DesktopIde::NewTopic(Project& project, const std::string& name,
                                                const std::string& categoryId,
                                                const std::string& status) {
    // The file comes first, so that the topic never names a page it did not get; an unknown
    // category is refused before anything is written.
    const std::string id = project.NextId('T');
    if (!categoryId.empty()) project.GetCategory(categoryId);
    const std::string file = TopicTemplate::CreateNewContentFile(project, id, name);
    try {
        auto topic = project.AddTopic(id, name, name, categoryId, status, file);
        if (actions_.topicCreated) actions_.topicCreated(topic);
        return topic;
    } catch (...) {
        // The file was made a moment ago for this topic alone; without the topic it goes.
        if (!project.FindTopic(id)) std::remove(disk::Resolve(project.Folder(), file).c_str());
        throw;
    }
}

Variant DesktopIde::Run(std::string_view name, const DispatchTable::Handler& handler, CallKind kind,
                        std::vector<Variant>& args) {
    // A load reports each item's progress: that member needs nothing beyond the base's, and
    // no lower-case copy of its name.
    if (SameAsciiNoCase(name, "fireloadprogress")) return IdeObject::Run(name, handler, kind, args);
    const std::string member = AsciiLower(name);
    if (const char* outcome = ReadOnlyOutcome(member); outcome && RefuseReadOnly(outcome))
        return member.rfind("create", 0) == 0 ? Variant(nullptr) : Variant();
    Variant result = IdeObject::Run(name, handler, kind, args);
    if (member == "build") {
        try {
            auto profile = ProfileToBuild();
            if (actions_.startBuild) {
                actions_.startBuild(profile);
            } else {
                BuildReport report = ProfileBuilder(*ActiveProject()).Build(*profile);
                if (actions_.built) actions_.built(*profile, report);
            }
        } catch (const Error& e) {
            if (!actions_.buildFailed) throw;
            actions_.buildFailed(e);
        }
    } else if (member == "showtopicproperties") {
        if (auto topic = ObjectArgument<TopicItem>(args, 0); topic && actions_.showTopicProperties)
            actions_.showTopicProperties(topic);
    } else if (member == "edittopic") {
        const bool newWindow = args.size() > 2 && !args[2].IsMissing() && args[2].ToBool();
        if (auto topic = ObjectArgument<TopicItem>(args, 0); topic && actions_.editTopic)
            actions_.editTopic(topic, newWindow);
    } else if (member == "editotherfile") {
        if (auto file = ObjectArgument<OtherFileItem>(args, 0); file && actions_.editOtherFile)
            actions_.editOtherFile(file);
    } else if (member == "editbuildprofile") {
        if (auto profile = ObjectArgument<ProfileItem>(args, 0);
            profile && actions_.editBuildProfile)
            actions_.editBuildProfile(profile);
    }
    return result;
}

std::shared_ptr<ProfileItem> DesktopIde::ProfileToBuild() const {
    if (!ActiveProject())
        throw Error(err::ObjectNotSet, "Object variable or With block variable not set");
    auto profile = ProfileBuilder::CurrentProfile(*ActiveProject());
    if (!profile)
        throw Error(err::InvalidArgument,
                    "No build profile is current: select a build profile and build it");
    return profile;
}

} // namespace qv
