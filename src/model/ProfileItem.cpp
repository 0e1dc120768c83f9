#include "model/ProfileItem.h"

#include "model/DiskPath.h"
#include "model/ModelErrors.h"
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

// The project hears of the change before (for its change observer) and after (its event); an
// item outside the project just takes the value.
template <class Assign> void ProfileItem::Change(Assign&& assign) {
    auto project = project_.lock();
    if (project) project->Changing(*this);
    assign();
    if (project) project->ProfileChanged(*this);
}

void ProfileItem::SetCurrent(bool value) {
    Change([&] { f_.current = value; });
}

void ProfileItem::SetName(const std::string& name) {
    RequireUtf8(name, "build profile name");
    Change([&] { f_.name = name; });
}

void ProfileItem::SetTitle(const std::string& title) {
    RequireUtf8(title, "build profile title");
    Change([&] { f_.title = title; });
}

void ProfileItem::SetCompiledHelp(bool value) {
    Change([&] { f_.compiledHelp = value; });
}

void ProfileItem::SetHelpFormat(int32_t value) {
    Change([&] { f_.helpFormat = value; });
}

void ProfileItem::SetOutputFolder(const std::string& folder) {
    RequireUtf8(folder, "output folder");
    std::string problem = disk::OutputFolderProblem(folder_, folder);
    if (!problem.empty())
        throw Error(err::InvalidArgument, "Invalid procedure call or argument: output folder \"" +
                                              folder + "\" " + problem);
    std::string value = disk::IsAbsolute(folder)
                            ? disk::AbsoluteNormal(disk::ToDiskSeparators(folder))
                            : disk::ToFileSeparators(folder);
    Change([&] { f_.outputFolder = std::move(value); });
}

} // namespace qv
