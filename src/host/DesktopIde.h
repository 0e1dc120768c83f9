#pragma once

#include "contracts/Error.h"
#include "host/IdeObject.h"
#include "host/MessageBoxes.h"
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
    // A topic CreateTopic added, once it is in the project (and in the explorer's tree).
    std::function<void(const std::shared_ptr<TopicItem>&)> topicCreated;
    // After a build that ran (problems of single items are in the report).
    std::function<void(const ProfileItem&, const BuildReport&)> built;
    // When set, Build hands the current profile over to it instead of building on the
    // caller's thread, so that the program can build in the background; built is then not
    // called.
    std::function<void(const std::shared_ptr<ProfileItem>&)> startBuild;
    // A build that could not run (no current profile, output folder not writable). Without
    // it the error goes back to the caller.
    std::function<void(const Error&)> buildFailed;
};

// The IDE object of the desktop program: everything IdeObject does, and then
//   CreateTopic          first writes the new topic's content file from the template under a
//                        name no file or topic uses yet (TopicTemplate::CreateNewContentFile)
//                        and names it in the topic; an existing file is never taken over;
//   Build                builds the current build profile with ProfileBuilder, or hands it to
//                        the startBuild action;
//   ShowTopicProperties, edittopic (topic, ?, newWindow), EditOtherFile, EditBuildProfile
//                        call the matching action; an action left empty does nothing.
// While the project file is read-only, the members that would change the project
// (CreateTopic, CreateCategory, CreateBuildProfile, ShowTopicProperties, EditBuildProfile)
// change nothing and tell the user why in a message box; the create members then return
// Nothing. Editing a topic's content follows the read-only state of the topic's own file.
// Members are matched without regard to case, as the component calls them.
class DesktopIde final : public IdeObject {
public:
    // The message boxes must outlive the object.
    DesktopIde(std::shared_ptr<qv::DesignerHelper> designer, MessageBoxService& boxes)
        : IdeObject(std::move(designer)), boxes_(boxes) {}

    void SetActions(DesktopIdeActions actions) { actions_ = std::move(actions); }

    // When the active project is read-only: tells the user that the project cannot be
    // changed and that what was asked was not done (outcome, e.g. "The new topic was not
    // created."), and returns true. The program asks this before each change of its own.
    bool RefuseReadOnly(const std::string& outcome);

    // The current profile of the active project. Raises 91 without a project, 5 when no
    // profile is current.
    std::shared_ptr<ProfileItem> ProfileToBuild() const;

protected:
    Variant Run(std::string_view name, const DispatchTable::Handler& handler, CallKind kind,
                std::vector<Variant>& args) override;
    std::shared_ptr<TopicItem> NewTopic(Project& project, const std::string& name,
                                        const std::string& categoryId,
                                        const std::string& status) override;

private:
    MessageBoxService& boxes_;
    DesktopIdeActions actions_;
};

} // namespace qv
