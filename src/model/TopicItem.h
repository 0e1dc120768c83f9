#pragma once

#include "contracts/ProjectModel.h"

#include <memory>
#include <string>

namespace qv {

class CategoryItem;
class Project;

// A topic of a project. Setters on a topic that is in its project's Topics raise
// TopicChanged; on a topic outside it they only change the value.
class TopicItem final : public Topic {
public:
    struct Fields {
        std::string id, name, title, caption, status;
        bool includeInOutput = true;
        std::string file; // "\" separated, relative to the project folder; empty: none
        // The caption is the title's text and caption is left empty: most topics have one
        // text for both, kept once. A topic sets it itself when the two are equal.
        bool captionIsTitle = false;
        const std::string& CaptionText() const { return captionIsTitle ? title : caption; }
    };
    // Made by the project only (Create), in one allocation with its count.
    struct MadeByCreate {
    private:
        friend class TopicItem;
        MadeByCreate() = default;
    };
    TopicItem(MadeByCreate, std::weak_ptr<qv::Project> project, Fields fields,
              std::shared_ptr<CategoryItem> category);
    static std::shared_ptr<TopicItem> Create(std::weak_ptr<qv::Project> project, Fields fields,
                                             std::shared_ptr<CategoryItem> category);

    std::string TypeName() const override { return "Topic"; }
    std::string ID() const override { return f_.id; }
    std::string Name() const override { return f_.name; }
    std::string Title() const override { return f_.title; }
    std::string Caption() const override { return f_.CaptionText(); }
    const std::string& NameRef() const override { return f_.name; }
    const std::string& TitleRef() const override { return f_.title; }
    const std::string& CaptionRef() const override { return f_.CaptionText(); }
    std::shared_ptr<TopicCategory> Category() const override;
    // The category must be in the same project's TopicCategories (else error 5).
    void SetCategory(std::shared_ptr<TopicCategory> category) override;
    bool IncludeInOutput() const override { return f_.includeInOutput; }
    void SetIncludeInOutput(bool value) override;
    std::string Status() const override { return f_.status; }
    void SetStatus(const std::string& status) override;
    std::shared_ptr<QVProject> Project() const override;
    // The topic's file has no write bit; false when it names none or the file is missing.
    bool ReadOnly() const override;
    std::string ContentFile() const override { return DiskPath(); }

    void SetName(const std::string& name);
    void SetTitle(const std::string& title);
    void SetCaption(const std::string& caption);
    const std::string& File() const { return f_.file; } // as in the project file
    // The fields and the category without a copy, for readers of every topic (a build's
    // snapshot of 100,000 topics).
    const Fields& Values() const { return f_; }
    const CategoryItem* CategoryOf() const { return category_.get(); }
    std::string DiskPath() const; // "" when the topic names no file

private:
    friend class qv::Project;
    friend class CategoryItem;
    friend class CategoryTopics;
    // Makes the change, telling the project before and after it.
    template <class Assign> void Change(Assign&& assign);
    // Keeps a caption equal to the title once (Fields::captionIsTitle).
    void ShareCaption();

    std::weak_ptr<qv::Project> project_;
    std::weak_ptr<TopicItem> self_;
    Fields f_;
    std::shared_ptr<CategoryItem> category_;
    std::size_t memberIndex_ = 0; // place among the category's members, while one
};

} // namespace qv
