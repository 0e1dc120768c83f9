#pragma once

#include "contracts/ProjectModel.h"
#include "model/TextPack.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace qv {

class CategoryItem;
class Project;
class ProjectBuilder;

// A topic of a project. Setters on a topic that is in its project's Topics raise
// TopicChanged; on a topic outside it they only change the value.
//
// A project holds 100,000 of them: the six texts live in one block (TextPack), and a caption
// equal to the title is kept once.
class TopicItem final : public Topic {
public:
    // A topic's values as views: what a topic is made from, and what Values() shows (valid
    // until the topic changes).
    struct Fields {
        std::string_view id, name, title, caption, status;
        bool includeInOutput = true;
        std::string_view file; // "\" separated, relative to the project folder; empty: none
        // The caption is the title's text; caption is not read.
        bool captionIsTitle = false;
        std::string_view CaptionText() const { return captionIsTitle ? title : caption; }
    };
    // Made by the project only (Create), in one allocation with its count and its texts.
    struct MadeByCreate {
    private:
        friend class TopicItem;
        MadeByCreate() = default;
    };
    TopicItem(MadeByCreate, std::weak_ptr<qv::Project> project, const Fields& fields,
              std::shared_ptr<CategoryItem> category);
    static std::shared_ptr<TopicItem> Create(std::weak_ptr<qv::Project> project,
                                             const Fields& fields,
                                             std::shared_ptr<CategoryItem> category);

    std::string TypeName() const override { return "Topic"; }
    std::string ID() const override { return std::string(texts_[kId]); }
    std::string Name() const override { return std::string(NameRef()); }
    std::string Title() const override { return std::string(TitleRef()); }
    std::string Caption() const override { return std::string(CaptionRef()); }
    std::string_view NameRef() const override { return texts_[kName]; }
    std::string_view TitleRef() const override { return texts_[kTitle]; }
    std::string_view CaptionRef() const override {
        return texts_[captionIsTitle_ ? kTitle : kCaption];
    }
    std::string_view IDRef() const override { return texts_[kId]; }
    std::string_view StatusRef() const override { return texts_[kStatus]; }
    std::shared_ptr<TopicCategory> Category() const override;
    // The category must be in the same project's TopicCategories (else error 5).
    void SetCategory(std::shared_ptr<TopicCategory> category) override;
    bool IncludeInOutput() const override { return includeInOutput_; }
    void SetIncludeInOutput(bool value) override;
    std::string Status() const override { return std::string(texts_[kStatus]); }
    void SetStatus(const std::string& status) override;
    std::shared_ptr<QVProject> Project() const override;
    // The topic's file has no write bit; false when it names none or the file is missing.
    bool ReadOnly() const override;
    std::string ContentFile() const override { return DiskPath(); }

    void SetName(const std::string& name);
    void SetTitle(const std::string& title);
    void SetCaption(const std::string& caption);
    std::string_view File() const { return texts_[kFile]; } // as in the project file
    std::string_view IdView() const { return texts_[kId]; }
    // The values and the category without a copy, for readers of every topic (a build's
    // snapshot of 100,000 topics).
    Fields Values() const {
        return {texts_[kId],     texts_[kName],    texts_[kTitle], texts_[kCaption],
                texts_[kStatus], includeInOutput_, texts_[kFile],  captionIsTitle_};
    }
    const CategoryItem* CategoryOf() const { return category_.get(); }
    std::string DiskPath() const; // "" when the topic names no file

private:
    friend class qv::Project;
    friend class qv::ProjectBuilder;
    friend class CategoryItem;
    friend class CategoryTopics;
    enum Text : std::size_t { kId, kName, kTitle, kCaption, kStatus, kFile };

    // The topic as its owners hold it; nullptr while it is being destroyed.
    std::shared_ptr<TopicItem> Self() const;
    // Makes the change, telling the project before and after it.
    template <class Assign> void Change(Assign&& assign);
    // The texts a topic is made with; a caption equal to the title is left out.
    static TextPack<6>::Texts PackedTexts(const Fields& fields, bool& captionIsTitle);
    // Sets the texts, keeping a caption equal to the title once (captionIsTitle_).
    void SetTexts(TextPack<6>::Texts texts, bool captionIsTitle);

    std::weak_ptr<qv::Project> project_;
    std::shared_ptr<CategoryItem> category_;
    TextPack<6> texts_;
    uint32_t memberIndex_ = 0; // place among the category's members, while one
    bool includeInOutput_ = true;
    bool captionIsTitle_ = false;
};

} // namespace qv
