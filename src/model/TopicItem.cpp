#include "model/TopicItem.h"

#include "model/CategoryItem.h"
#include "model/DiskPath.h"
#include "model/Project.h"

namespace qv {

TopicItem::TopicItem(MadeByCreate, std::weak_ptr<qv::Project> project, Fields fields,
                     std::shared_ptr<CategoryItem> category)
    : project_(std::move(project)), f_(std::move(fields)), category_(std::move(category)) {
    ShareCaption();
}

void TopicItem::ShareCaption() {
    if (f_.captionIsTitle || f_.caption != f_.title) return;
    f_.captionIsTitle = true;
    std::string().swap(f_.caption);
}

std::shared_ptr<TopicItem> TopicItem::Create(std::weak_ptr<qv::Project> project, Fields fields,
                                             std::shared_ptr<CategoryItem> category) {
    auto topic = std::make_shared<TopicItem>(MadeByCreate{}, std::move(project), std::move(fields),
                                             std::move(category));
    topic->self_ = topic;
    return topic;
}

std::shared_ptr<TopicCategory> TopicItem::Category() const {
    return category_;
}

void TopicItem::SetCategory(std::shared_ptr<TopicCategory> category) {
    if (auto project = project_.lock()) {
        project->ChangeTopicCategory(*this, category);
        return;
    }
    category_ = std::dynamic_pointer_cast<CategoryItem>(category);
}

// The project hears of the change before (for its change observer) and after (its event); an
// item outside the project just takes the value.
template <class Assign> void TopicItem::Change(Assign&& assign) {
    auto project = project_.lock();
    if (project) project->Changing(*this);
    assign();
    if (project) project->TopicChanged(*this);
}

void TopicItem::SetIncludeInOutput(bool value) {
    Change([&] { f_.includeInOutput = value; });
}

void TopicItem::SetStatus(const std::string& status) {
    Change([&] { f_.status = status; });
}

void TopicItem::SetName(const std::string& name) {
    Change([&] { f_.name = name; });
}

void TopicItem::SetTitle(const std::string& title) {
    Change([&] {
        // A shared caption keeps the old text.
        if (f_.captionIsTitle) {
            f_.caption = f_.title;
            f_.captionIsTitle = false;
        }
        f_.title = title;
        ShareCaption();
    });
}

void TopicItem::SetCaption(const std::string& caption) {
    Change([&] {
        f_.caption = caption;
        f_.captionIsTitle = false;
        ShareCaption();
    });
}

std::shared_ptr<QVProject> TopicItem::Project() const {
    return project_.lock();
}

std::string TopicItem::DiskPath() const {
    auto project = project_.lock();
    if (f_.file.empty() || !project) return {};
    return disk::Resolve(project->Folder(), f_.file);
}

bool TopicItem::ReadOnly() const {
    return disk::IsMarkedReadOnly(DiskPath());
}

} // namespace qv
