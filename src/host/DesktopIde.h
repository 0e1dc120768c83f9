#pragma once

#include "contracts/Error.h"
#include "host/IdeObject.h"
#include "host/ProfileBuilder.h"

#include <functional>
#include <memory>
#include <string>

namespace qv {

class OtherFileItem;
class ProfileItem;
class TopicItem;

// What a desktop program does for the members of the IDE object that need a person: the
// program fills in what it offers. Each is called on the UI thread, inside the component's
// call, after the call was reported to the observer.
struct DesktopIdeActions {
    std::function<void(const std::shared_ptr<TopicItem>&)> showTopicProperties;
    std::function<void(const std::shared_ptr<TopicItem>&, bool newWindow)> editTopic;
    std::function<void(const std::shared_ptr<OtherFileItem>&)> editOtherFile;
    std::function<void(const std::shared_ptr<ProfileItem>&)> editBuildProfile;
    // After a build that ran (problems of single items are in the report).
    std::function<void(const ProfileItem&, const BuildReport&)> built;
    // A build that could not run (no current profile, output folder not writable). Without
    // it the error goes back to the caller.
    std::function<void(const Error&)> buildFailed;
};

// The IDE object of the desktop program: everything IdeObject does, and then
//   CreateTopic          also writes the new topic's content file from the template
//                        (TopicTemplate; an existing file is kept);
//   Build                builds the current build profile with ProfileBuilder;
//   ShowTopicProperties, edittopic (topic, ?, newWindow), EditOtherFile, EditBuildProfile
//                        call the matching action; an action left empty does nothing.
// Members are matched without regard to case, as the component calls them.
class DesktopIde final : public IdeObject {
public:
    explicit DesktopIde(std::shared_ptr<qv::DesignerHelper> designer)
        : IdeObject(std::move(designer)) {}

    void SetActions(DesktopIdeActions actions) { actions_ = std::move(actions); }

    Variant Invoke(std::string_view name, CallKind kind, std::vector<Variant>& args) override;

    // Builds the current profile of the active project. Raises 91 without a project, 5 when
    // no profile is current, and what ProfileBuilder raises.
    BuildReport BuildCurrent(std::shared_ptr<ProfileItem>* built = nullptr);

private:
    DesktopIdeActions actions_;
};

} // namespace qv
