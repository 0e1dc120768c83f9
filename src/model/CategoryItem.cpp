#include "model/CategoryItem.h"

#include "model/ModelErrors.h"
#include "model/Project.h"
#include "model/TopicItem.h"

#include <algorithm>

namespace qv {

// The live view behind TopicCategory::Topics().
class CategoryTopics final : public Collection<Topic>, public KeyedCollection {
public:
    explicit CategoryTopics(std::weak_ptr<CategoryItem> category)
        : category_(std::move(category)) {}

    std::string TypeName() const override { return "Topics"; }
    bool Enumerate(std::vector<Variant>& elements) const override {
        auto category = category_.lock();
        if (!category) return true;
        category->EnsureSorted();
        for (TopicItem* topic : category->members_)
            elements.emplace_back(std::shared_ptr<Object>(topic->Self()));
        return true;
    }
    int32_t Count() const override {
        auto category = category_.lock();
        return category ? static_cast<int32_t>(category->members_.size()) : 0;
    }
    std::shared_ptr<Topic> Item(int32_t index) const override {
        auto category = category_.lock();
        if (!category || index < 1 || index > Count()) ThrowSubscriptOutOfRange();
        category->EnsureSorted();
        return category->members_[static_cast<std::size_t>(index - 1)]->Self();
    }
    std::shared_ptr<Topic> Item(const std::string& key) const override {
        auto topic = Find(key);
        if (!topic) ThrowSubscriptOutOfRange();
        return topic;
    }
    // The project's Topics keeps the topic.
    Topic* ItemOrNull(std::string_view key) const override { return Find(std::string(key)).get(); }
    bool Contains(const std::string& key) const override { return Find(key) != nullptr; }
    int32_t IndexOf(const Topic& item) const override {
        auto category = category_.lock();
        auto* topic = dynamic_cast<const TopicItem*>(&item);
        if (!category || !category->IsMember(topic)) return 0;
        category->EnsureSorted();
        return static_cast<int32_t>(topic->memberIndex_ + 1);
    }
    void Add(std::shared_ptr<Topic>, const std::string&, const Variant&, const Variant&) override {
        ReadOnlyView();
    }
    void Remove(const std::string&) override { ReadOnlyView(); }

private:
    [[noreturn]] static void ReadOnlyView() {
        throw Error(err::InvalidArgument, "Invalid procedure call or argument: a category's "
                                          "topics follow each topic's Category; set that instead");
    }
    std::shared_ptr<Topic> Find(const std::string& key) const {
        auto category = category_.lock();
        if (!category) return nullptr;
        auto project = category->project_.lock();
        if (!project) return nullptr;
        auto topic = project->FindTopic(key);
        if (!category->IsMember(topic.get())) return nullptr;
        return topic;
    }

    std::weak_ptr<CategoryItem> category_;
};

CategoryItem::CategoryItem(std::weak_ptr<qv::Project> project, std::string id, std::string name,
                           bool autoGenerateIndex)
    : project_(std::move(project)), id_(std::move(id)), name_(std::move(name)),
      autoGenerateIndex_(autoGenerateIndex) {}

std::shared_ptr<CategoryItem> CategoryItem::Create(std::weak_ptr<qv::Project> project,
                                                   std::string id, std::string name,
                                                   bool autoGenerateIndex) {
    std::shared_ptr<CategoryItem> category(
        new CategoryItem(std::move(project), std::move(id), std::move(name), autoGenerateIndex));
    category->self_ = category;
    category->view_ = std::make_shared<CategoryTopics>(category);
    return category;
}

// The project hears of the change before (for its change observer) and after (its event); an
// item outside the project just takes the value.
template <class Assign> void CategoryItem::Change(Assign&& assign) {
    auto project = project_.lock();
    if (project) project->Changing(*this);
    assign();
    if (project) project->CategoryChanged(*this);
}

void CategoryItem::SetName(const std::string& name) {
    RequireUtf8(name, "category name");
    Change([&] { name_ = name; });
}

void CategoryItem::SetAutoGenerateIndex(bool value) {
    Change([&] { autoGenerateIndex_ = value; });
}

bool CategoryItem::IsMember(const TopicItem* topic) const {
    return topic && topic->memberIndex_ < members_.size() && members_[topic->memberIndex_] == topic;
}

void CategoryItem::AddMember(TopicItem* topic, bool lastInProject) {
    if (IsMember(topic)) return;
    topic->memberIndex_ = static_cast<uint32_t>(members_.size());
    members_.push_back(topic);
    if (!lastInProject) sorted_ = false;
}

void CategoryItem::RemoveMember(const TopicItem* topic) {
    if (!IsMember(topic)) return;
    // Swap with the last member; the order is restored by the next sort.
    std::size_t pos = topic->memberIndex_;
    if (pos + 1 != members_.size()) {
        members_[pos] = members_.back();
        members_[pos]->memberIndex_ = static_cast<uint32_t>(pos);
        sorted_ = false;
    }
    members_.pop_back();
}

void CategoryItem::ClearMembers() {
    members_.clear();
    sorted_ = true;
}

void CategoryItem::EnsureSorted() const {
    if (sorted_) return;
    auto project = project_.lock();
    if (project) {
        std::vector<std::pair<std::size_t, TopicItem*>> keyed;
        keyed.reserve(members_.size());
        for (TopicItem* topic : members_)
            keyed.emplace_back(project->TopicPosition(*topic), topic);
        std::sort(keyed.begin(), keyed.end());
        for (std::size_t i = 0; i < keyed.size(); ++i) {
            members_[i] = keyed[i].second;
            members_[i]->memberIndex_ = static_cast<uint32_t>(i);
        }
    }
    sorted_ = true;
}

} // namespace qv
