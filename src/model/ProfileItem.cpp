#include "model/ProfileItem.h"

#include "model/DiskPath.h"
#include "model/Project.h"

namespace qv {

ProfileItem::ProfileItem(std::weak_ptr<qv::Project> project, std::string projectFolder,
                         Fields fields)
    : project_(std::move(project)), folder_(std::move(projectFolder)), f_(std::move(fields)) {}

std::shared_ptr<ProfileItem> ProfileItem::Create(std::weak_ptr<qv::Project> project,
                                                 std::string projectFolder, Fields fields) {
    std::shared_ptr<ProfileItem> profile(
        new ProfileItem(std::move(project), std::move(projectFolder), std::move(fields)));
    profile->self_ = profile;
    return profile;
}

std::string ProfileItem::OutputFolder() const {
    std::string full = disk::Resolve(folder_, f_.outputFolder);
    if (full.empty() || full.back() != '/') full += '/';
    return full;
}

void ProfileItem::SetCurrent(bool value) {
    f_.current = value;
    Changed();
}

void ProfileItem::SetName(const std::string& name) {
    f_.name = name;
    Changed();
}

void ProfileItem::SetTitle(const std::string& title) {
    f_.title = title;
    Changed();
}

void ProfileItem::SetCompiledHelp(bool value) {
    f_.compiledHelp = value;
    Changed();
}

void ProfileItem::SetHelpFormat(int32_t value) {
    f_.helpFormat = value;
    Changed();
}

void ProfileItem::SetOutputFolder(const std::string& folder) {
    std::string problem = disk::OutputFolderProblem(folder_, folder);
    if (!problem.empty())
        throw Error(err::InvalidArgument, "Invalid procedure call or argument: output folder \"" +
                                              folder + "\" " + problem);
    f_.outputFolder = disk::IsAbsolute(folder)
                          ? disk::AbsoluteNormal(disk::ToDiskSeparators(folder))
                          : disk::ToFileSeparators(folder);
    Changed();
}

void ProfileItem::Changed() {
    if (auto project = project_.lock()) project->ProfileChanged(*this);
}

} // namespace qv
