#include "model/TopicItem.h"

#include "contracts/SharedWithRoom.h"
#include "model/CategoryItem.h"
#include "model/DiskPath.h"
#include "model/ModelErrors.h"
#include "model/Project.h"

#include <utility>

namespace qv {

TopicItem::TopicItem(MadeByCreate, std::weak_ptr<qv::Project> project, const Fields& fields,
                     std::shared_ptr<CategoryItem> category)
    : project_(std::move(project)), category_(std::move(category)),
      includeInOutput_(fields.includeInOutput) {
    const TextPack<6>::Texts texts = PackedTexts(fields, captionIsTitle_);
    if (char* at = TakeRoom())
        texts_.Place(texts, at);
    else
        texts_.Assign(texts);
}

TextPack<6>::Texts TopicItem::PackedTexts(const Fields& fields, bool& captionIsTitle) {
    captionIsTitle = fields.captionIsTitle || fields.caption == fields.title;
    return {fields.id,     fields.name,
            fields.title,  captionIsTitle ? std::string_view{} : fields.caption,
            fields.status, fields.file};
}

void TopicItem::SetTexts(TextPack<6>::Texts texts, bool captionIsTitle) {
    captionIsTitle_ = captionIsTitle || texts[kCaption] == texts[kTitle];
    if (captionIsTitle_) texts[kCaption] = {};
    texts_.Assign(texts);
}

std::shared_ptr<TopicItem> TopicItem::Create(std::weak_ptr<qv::Project> project,
                                             const Fields& fields,
                                             std::shared_ptr<CategoryItem> category) {
    bool captionIsTitle = false;
    // The first text block shares the allocation of the topic and its count.
    return MakeSharedWithRoom<TopicItem>(
        TextPack<6>::BlockSize(PackedTexts(fields, captionIsTitle)), MadeByCreate{},
        std::move(project), fields, std::move(category));
}

std::shared_ptr<TopicItem> TopicItem::Self() const {
    // The object's own weak reference (Object) instead of a second one per topic.
    std::shared_ptr<const Object> owner = weak_from_this().lock();
    if (!owner) return nullptr;
    return std::shared_ptr<TopicItem>(owner, const_cast<TopicItem*>(this));
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
    Change([&] { includeInOutput_ = value; });
}

void TopicItem::SetStatus(const std::string& status) {
    RequireUtf8(status, "topic status");
    Change([&] { texts_.Set(kStatus, status); });
}

void TopicItem::SetName(const std::string& name) {
    RequireUtf8(name, "topic name");
    Change([&] { texts_.Set(kName, name); });
}

void TopicItem::SetTitle(const std::string& title) {
    RequireUtf8(title, "topic title");
    Change([&] {
        // A shared caption keeps the old text.
        TextPack<6>::Texts texts = texts_.All();
        if (captionIsTitle_) texts[kCaption] = texts[kTitle];
        texts[kTitle] = title;
        SetTexts(texts, false);
    });
}

void TopicItem::SetCaption(const std::string& caption) {
    RequireUtf8(caption, "topic caption");
    Change([&] {
        TextPack<6>::Texts texts = texts_.All();
        texts[kCaption] = caption;
        SetTexts(texts, false);
    });
}

std::shared_ptr<QVProject> TopicItem::Project() const {
    return project_.lock();
}

std::string TopicItem::DiskPath() const {
    auto project = project_.lock();
    if (texts_[kFile].empty() || !project) return {};
    return disk::Resolve(project->Folder(), texts_[kFile]);
}

bool TopicItem::ReadOnly() const {
    return disk::IsMarkedReadOnly(DiskPath());
}

} // namespace qv
