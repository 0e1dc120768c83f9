#include "model/OtherFileItem.h"

#include "model/DiskPath.h"
#include "model/Project.h"

namespace qv {

OtherFileItem::OtherFileItem(MadeByCreate, std::weak_ptr<qv::Project> project,
                             std::shared_ptr<const std::string> projectFolder, bool includeInOutput,
                             bool pending)
    : project_(std::move(project)), folder_(std::move(projectFolder)),
      includeInOutput_(includeInOutput), pending_(pending) {}

std::shared_ptr<OtherFileItem>
OtherFileItem::Create(std::weak_ptr<qv::Project> project,
                      std::shared_ptr<const std::string> projectFolder, const std::string& path,
                      bool includeInOutput, bool pending) {
    auto file = std::make_shared<OtherFileItem>(MadeByCreate{}, std::move(project),
                                                std::move(projectFolder), includeInOutput, pending);
    file->file_.SetFilePath(path);
    return file;
}

std::shared_ptr<OtherFileItem> OtherFileItem::Create(
    std::weak_ptr<qv::Project> project, std::shared_ptr<const std::string> projectFolder,
    std::shared_ptr<const std::string> folder, std::string_view name, bool includeInOutput) {
    auto file = std::make_shared<OtherFileItem>(MadeByCreate{}, std::move(project),
                                                std::move(projectFolder), includeInOutput, false);
    file->file_.SetFilePath(std::move(folder), name);
    return file;
}

std::shared_ptr<OtherFileItem> OtherFileItem::Self() const {
    // The object's own weak reference (Object) instead of a second one per file.
    std::shared_ptr<const Object> owner = weak_from_this().lock();
    if (!owner) return nullptr;
    return std::shared_ptr<OtherFileItem>(owner, const_cast<OtherFileItem*>(this));
}

bool OtherFileItem::IsImage() const {
    return disk::IsImageExtension(file_.ExtensionRef());
}

bool OtherFileItem::InsideProject() const {
    return !disk::RelativeBelow(*folder_, file_.LocalSpec()).empty();
}

std::string OtherFileItem::RelativePath() const {
    std::string relative = disk::RelativeBelow(*folder_, file_.LocalSpec());
    return relative.empty() ? file_.FileName() : relative;
}

std::string OtherFileItem::PathInProjectFile() const {
    std::string relative = disk::RelativeBelow(*folder_, file_.LocalSpec());
    return relative.empty() ? file_.LocalSpec() : relative;
}

bool OtherFileItem::IsTemplateFile() const {
    std::string relative = disk::RelativeBelow(*folder_, file_.LocalSpec());
    std::size_t slash = relative.find('\\');
    return slash != std::string::npos &&
           disk::EqualsNoCase(std::string_view(relative).substr(0, slash), "template");
}

void OtherFileItem::SetIncludeInOutput(bool value) {
    auto project = project_.lock();
    if (project) project->Changing(*this);
    includeInOutput_ = value;
    if (project) project->FileChanged(*this, true);
}

void OtherFileItem::SetPending(bool value) {
    pending_ = value;
    if (auto project = project_.lock()) project->FileChanged(*this, false);
}

} // namespace qv
