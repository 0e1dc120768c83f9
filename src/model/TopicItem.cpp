#include "model/TopicItem.h"

#include "contracts/SharedWithRoom.h"
#include "model/CategoryItem.h"
#include "model/DiskPath.h"
#include "model/Project.h"

#include <array>
#include <atomic>
#include <cstring>
#include <mutex>
#include <utility>

namespace qv {

namespace {

// The status texts met so far, each kept once for all topics: a project uses a handful. An
// entry is never changed or freed once counted, so a topic reads its text without a lock;
// a status beyond the room (or a long one) stays in the topic's own texts.
class SharedStatuses {
public:
    static constexpr std::size_t kRoom = 64, kLongest = 64;

    // 0: not shared.
    uint8_t CodeOf(std::string_view text) {
        if (text.empty() || text.size() > kLongest) return 0;
        if (uint8_t code = Find(text, count_.load(std::memory_order_acquire))) return code;
        std::lock_guard<std::mutex> lock(mutex_);
        const std::size_t count = count_.load(std::memory_order_relaxed);
        if (uint8_t code = Find(text, count)) return code;
        if (count == kRoom) return 0;
        char* copy = new char[text.size()];
        std::memcpy(copy, text.data(), text.size());
        texts_[count] = {copy, text.size()};
        count_.store(count + 1, std::memory_order_release);
        return static_cast<uint8_t>(count + 1);
    }
    std::string_view Text(uint8_t code) const { return texts_[code - 1]; }

private:
    uint8_t Find(std::string_view text, std::size_t count) const {
        for (std::size_t i = 0; i < count; ++i)
            if (texts_[i] == text) return static_cast<uint8_t>(i + 1);
        return 0;
    }

    std::array<std::string_view, kRoom> texts_{};
    std::atomic<std::size_t> count_{0};
    std::mutex mutex_;
};
constinit SharedStatuses statuses;

} // namespace

TopicItem::TopicItem(MadeByCreate, std::weak_ptr<qv::Project> project, const Packed& packed,
                     bool includeInOutput, std::shared_ptr<CategoryItem> category)
    : project_(std::move(project)), category_(std::move(category)),
      includeInOutput_(includeInOutput), captionIsTitle_(packed.captionIsTitle),
      idInFile_(packed.idInFile), status_(packed.status) {
    if (char* at = TakeRoom())
        texts_.Place(packed.texts, at);
    else
        texts_.Assign(packed.texts);
}

TopicItem::Packed TopicItem::Pack(const Fields& fields) {
    Packed p;
    p.captionIsTitle = fields.captionIsTitle || fields.caption == fields.title;
    const std::string_view file = fields.file;
    p.idInFile = file.size() == kFilePrefix.size() + fields.id.size() + kFileSuffix.size() &&
                 file.starts_with(kFilePrefix) && file.ends_with(kFileSuffix) &&
                 file.substr(kFilePrefix.size(), fields.id.size()) == fields.id;
    p.status = statuses.CodeOf(fields.status);
    p.texts = {p.idInFile ? std::string_view{} : fields.id,
               fields.name,
               fields.title,
               p.captionIsTitle ? std::string_view{} : fields.caption,
               p.status ? std::string_view{} : fields.status,
               file};
    return p;
}

std::string_view TopicItem::StatusView() const {
    return status_ ? statuses.Text(status_) : texts_[kStatus];
}

void TopicItem::SetTexts(TextPack<6>::Texts texts, bool captionIsTitle) {
    captionIsTitle_ = captionIsTitle || texts[kCaption] == texts[kTitle];
    if (captionIsTitle_) texts[kCaption] = {};
    texts_.Assign(texts);
}

std::shared_ptr<TopicItem> TopicItem::Create(std::weak_ptr<qv::Project> project,
                                             const Fields& fields,
                                             std::shared_ptr<CategoryItem> category) {
    const Packed packed = Pack(fields);
    // The first text block shares the allocation of the topic and its count.
    return MakeSharedWithRoom<TopicItem>(TextPack<6>::BlockSize(packed.texts), MadeByCreate{},
                                         std::move(project), packed, fields.includeInOutput,
                                         std::move(category));
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
    Change([&] {
        const uint8_t code = statuses.CodeOf(status);
        if (code == 0 || !texts_[kStatus].empty()) texts_.Set(kStatus, code ? "" : status);
        status_ = code;
    });
}

void TopicItem::SetName(const std::string& name) {
    Change([&] { texts_.Set(kName, name); });
}

void TopicItem::SetTitle(const std::string& title) {
    Change([&] {
        // A shared caption keeps the old text.
        TextPack<6>::Texts texts = texts_.All();
        if (captionIsTitle_) texts[kCaption] = texts[kTitle];
        texts[kTitle] = title;
        SetTexts(texts, false);
    });
}

void TopicItem::SetCaption(const std::string& caption) {
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
