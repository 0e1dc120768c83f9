#pragma once

#include "contracts/ProjectModel.h"

#include <memory>
#include <string>
#include <vector>

namespace qv {

class Project;
class ProjectBuilder;
class TopicItem;

// A topic category. Its Topics() is a live, read-only view of the project's topics that
// name this category, in project topic order; it costs the category's size, not the
// project's (the order is restored by one sort after a move).
class CategoryItem final : public TopicCategory {
public:
    // Made by the project only.
    static std::shared_ptr<CategoryItem> Create(std::weak_ptr<Project> project, std::string id,
                                                std::string name, bool autoGenerateIndex);

    std::string TypeName() const override { return "TopicCategory"; }
    std::string ID() const override { return id_; }
    std::string_view IDRef() const override { return id_; }
    std::string Name() const override { return name_; }
    void SetName(const std::string& name) override;
    std::shared_ptr<TopicCollection> Topics() const override { return view_; }
    bool AutoGenerateIndex() const override { return autoGenerateIndex_; }
    void SetAutoGenerateIndex(bool value) override;

private:
    friend class qv::Project;
    friend class qv::ProjectBuilder;
    friend class CategoryTopics;
    CategoryItem(std::weak_ptr<qv::Project> project, std::string id, std::string name,
                 bool autoGenerateIndex);
    // Makes the change, telling the project before and after it.
    template <class Assign> void Change(Assign&& assign);

    // Members: the project's topics naming this category. The project keeps them.
    void AddMember(TopicItem* topic, bool lastInProject);
    void RemoveMember(const TopicItem* topic);
    void ClearMembers();
    void MarkUnsorted() { sorted_ = false; }
    void EnsureSorted() const;
    bool IsMember(const TopicItem* topic) const;

    std::weak_ptr<qv::Project> project_;
    std::weak_ptr<CategoryItem> self_;
    std::string id_;
    std::string name_;
    bool autoGenerateIndex_ = false;
    mutable std::vector<TopicItem*> members_; // each knows its index (memberIndex_)
    mutable bool sorted_ = true;
    std::shared_ptr<TopicCollection> view_;
};

} // namespace qv
