#include "host/DesktopIde.h"

#include "contracts/Error.h"
#include "host/TopicTemplate.h"
#include "model/Project.h"

namespace qv {

namespace {

template <class T>
std::shared_ptr<T> ObjectArgument(const std::vector<Variant>& args, std::size_t index) {
    if (index >= args.size() || !args[index].IsObject()) return nullptr;
    return args[index].As<T>();
}

} // namespace

Variant DesktopIde::Invoke(std::string_view name, CallKind kind, std::vector<Variant>& args) {
    Variant result = IdeObject::Invoke(name, kind, args);
    const std::string member = AsciiLower(name);
    if (member == "createtopic") {
        auto topic = result.IsObject() ? result.As<TopicItem>() : nullptr;
        if (topic && ActiveProject()) TopicTemplate::CreateContentFile(*ActiveProject(), *topic);
    } else if (member == "build") {
        try {
            std::shared_ptr<ProfileItem> profile;
            BuildReport report = BuildCurrent(&profile);
            if (actions_.built) actions_.built(*profile, report);
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

BuildReport DesktopIde::BuildCurrent(std::shared_ptr<ProfileItem>* built) {
    if (!ActiveProject())
        throw Error(err::ObjectNotSet, "Object variable or With block variable not set");
    auto profile = ProfileBuilder::CurrentProfile(*ActiveProject());
    if (!profile)
        throw Error(err::InvalidArgument,
                    "No build profile is current: select a build profile and build it");
    if (built) *built = profile;
    return ProfileBuilder(*ActiveProject()).Build(*profile);
}

} // namespace qv
