#pragma once

#include "contracts/LoadScope.h"
#include "contracts/ProjectModel.h"
#include "model/CategoryItem.h"
#include "model/ChangeObserver.h"
#include "model/DiskPath.h"
#include "model/IdCounter.h"
#include "model/ItemCollection.h"
#include "model/OtherFileItem.h"
#include "model/ProfileItem.h"
#include "model/ProjectData.h"
#include "model/TopicItem.h"

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qv {

struct LoadOptions {
    std::string defaultStatus = "Draft"; // for topics without a status: the host's first
};

// A help project held in memory: its items in project order and the events it raises.
//
// Every change, whether made through a collection (Add, Remove), an item's setter or the
// methods below, completes before its events are raised, and marks the project dirty. A
// sink that throws does not stop the other sinks; the first failure is passed on to the
// caller of the change once every sink has had the event. Keys are case-sensitive: topics,
// categories and profiles are keyed by ID, other files by their file's LocalSpec.
//
// Removing a category un-categorizes its topics first, one at a time in project order, each
// followed by its TopicChanged (the other topics still in the category meanwhile), then
// takes the category out and raises TopicCategoryRemoved. Between SetUpdatingOrder(true) and
// (false) a category that leaves TopicCategories keeps its topics, so that it can be re-inserted
// elsewhere; one that has not come back when the bracket ends is removed as above.
// NotifyTopicsReordered and NotifyCategoriesReordered raise TopicReOrdered or
// TopicCategoryReOrdered for each topic or category added back since the last
// SetUpdatingOrder(true) (after the Remove and Add events of the re-insert), so that a
// sink that ignores the re-insert can still place the item; MoveTopic and MoveCategory raise
// the re-ordered event themselves.
//
// New IDs never repeat one the project has had (IdCounter); the counters are kept in the
// project file.
class Project final : public QVProject {
    struct PrivateTag {};

public:
    // An empty project whose file is the path; nothing is written until Save.
    static std::shared_ptr<Project> Create(const std::string& projectFile,
                                           const LoadOptions& options = {});
    Project(PrivateTag, const std::string& projectFile, const LoadOptions& options);

    // QVProject
    std::string TypeName() const override { return "QVProject"; }
    // A new file object each time, pointing at the project file.
    std::shared_ptr<FileObject> ProjectFile() const override;
    std::shared_ptr<TopicCollection> Topics() const override { return topics_; }
    std::shared_ptr<CategoryCollection> TopicCategories() const override { return categories_; }
    std::shared_ptr<FileCollection> OtherFiles() const override { return files_; }
    std::shared_ptr<ProfileCollection> BuildProfiles() const override { return profiles_; }
    bool ReadOnly() const override; // the project file has no write bit
    bool UnderSourceControl() const override { return underSourceControl_; }
    bool AllowCategoryIndex() const override { return allowCategoryIndex_; }
    void SetDirty(bool value) override { dirty_ = value; }
    void SetUpdatingOrder(bool value) override;
    // A category with a new ID and an empty name, outside TopicCategories. Its ID is taken
    // at once, so no later item gets it even when this one never joins.
    std::shared_ptr<TopicCategory> NewTopicCategory() override;
    // An other file (Pending) for a disk path or a path relative to the project folder,
    // outside OtherFiles. Error 5 for a path that FilePathProblem refuses.
    std::shared_ptr<OtherFile> NewOtherFile(const std::string& filename) override;
    void NotifyTopicsReordered() override;
    void NotifyCategoriesReordered() override;
    Subscription Subscribe(ProjectEvents& sink) override;

    // The one observer told of each change before it is made (an undo history); nullptr for
    // none. It must stay alive while it is set. Without one, a change pays a pointer test.
    void SetChangeObserver(ProjectChangeObserver* observer) { changes_ = observer; }
    ProjectChangeObserver* ChangeObserver() const { return changes_; }

    const std::string& Path() const { return path_; }     // the project file, absolute
    const std::string& Folder() const { return folder_; } // ends with "/"
    const std::string& DefaultStatus() const { return options_.defaultStatus; }
    bool Dirty() const { return dirty_; }
    bool UpdatingOrder() const { return updatingOrder_; }
    void SetUnderSourceControl(bool value); // raises CheckoutStatusChanged
    void SetAllowCategoryIndex(bool value);

    // The next new ID of a kind: 'T', 'C' or 'B'.
    std::string NextId(char kind) const;
    // The OtherFiles key (LocalSpec) of a path relative to the project folder or absolute.
    std::string FileKey(const std::string& path) const;

    // The item, or nullptr.
    std::shared_ptr<TopicItem> FindTopic(const std::string& id) const;
    // The item, or error 9 naming what is missing.
    std::shared_ptr<TopicItem> GetTopic(const std::string& id) const;
    std::shared_ptr<CategoryItem> GetCategory(const std::string& id) const;
    std::shared_ptr<OtherFileItem> GetFile(const std::string& path) const;
    std::shared_ptr<ProfileItem> GetProfile(const std::string& id) const;

    // Appending items. An empty ID asks for a new one; a taken ID is error 457, one that
    // IdProblem refuses (or a topic file that TopicFileProblem refuses) error 5. A new topic
    // takes the default status when none is given, its title as caption and the file given,
    // by default "topics\ID.html" (not created on disk; "\" separated, relative to the
    // project folder).
    std::shared_ptr<TopicItem> AddTopic(const std::string& id, const std::string& name,
                                        const std::string& title,
                                        const std::string& categoryId = {},
                                        const std::string& status = {},
                                        const std::string& file = {});
    std::shared_ptr<CategoryItem> AddCategory(const std::string& id, const std::string& name);
    std::shared_ptr<OtherFileItem> AddFile(const std::string& path);
    // Title = name, output folder "output\ID", web help.
    std::shared_ptr<ProfileItem> AddProfile(const std::string& id, const std::string& name);

    // An ID or path the project does not hold raises 9 naming it, as the getters above do.
    void RemoveTopic(const std::string& id);
    void RemoveCategory(const std::string& id);
    void RemoveFile(const std::string& path);
    void RemoveProfile(const std::string& id);

    // Puts the item just before another (an empty beforeId: at the end) and raises the
    // re-ordered event. Moving an item before itself changes nothing.
    void MoveTopic(const std::string& id, const std::string& beforeId);
    void MoveCategory(const std::string& id, const std::string& beforeId);

    // Mark the file on disk read-only or writable, then raise the check-out event.
    void SetTopicReadOnly(const std::string& id, bool readOnly);
    void SetFileReadOnly(const std::string& path, bool readOnly);
    void SetProjectReadOnly(bool readOnly);
    void RaiseElementCheckout(int32_t projectElementType);
    // The disk changed under an item (made, removed, marked read-only by another program):
    // raise its check-out event, so that what shows the file's state follows. Nothing is
    // changed. Error 9 for an item the project does not hold.
    void RaiseFileCheckout(const std::string& path);
    void RaiseTopicCheckout(const std::string& id);
    void RaiseProjectCheckout();

    // Writes the project file in one step, through a link to it (see SaveProjectFile). A
    // read-only project file is refused with error 75.
    void Save();
    // The text Save writes, made straight from the items: the same bytes as
    // WriteProjectFile(ToData()) without a copy of every record.
    std::string ProjectFileTextOf() const;
    // The same text handed to sink as it is made, in pieces of whole elements of at least
    // piece bytes (the last may be shorter).
    void WriteProjectFileText(const std::function<void(std::string_view)>& sink,
                              std::size_t piece) const;
    ProjectData ToData() const;

private:
    friend class TopicItem;
    friend class CategoryItem;
    friend class OtherFileItem;
    friend class ProfileItem;
    friend class ProjectBuilder;

    struct Sink {
        ProjectEvents* sink;
        std::shared_ptr<bool> live;
    };
    // Collects the first failure of a sink while every sink gets every event.
    class Delivery;

    void Init(const std::shared_ptr<Project>& self);
    // Collection hooks.
    void AddTopicItem(std::shared_ptr<Topic> item, const std::string& key, const Variant& before,
                      const Variant& after);
    void RemoveTopicItem(const std::string& key);
    void AddCategoryItem(std::shared_ptr<TopicCategory> item, const std::string& key,
                         const Variant& before, const Variant& after);
    void RemoveCategoryItem(const std::string& key);
    void AddFileItem(std::shared_ptr<OtherFile> item, const std::string& key, const Variant& before,
                     const Variant& after);
    void RemoveFileItem(const std::string& key);
    void AddProfileItem(std::shared_ptr<BuildProfile> item, const std::string& key,
                        const Variant& before, const Variant& after);
    void RemoveProfileItem(const std::string& key);

    // From the items' setters, before the value changes (TellChange: with an observer only).
    template <class Item> void Changing(const Item& item) {
        if (changes_) TellChange(item);
    }
    void TellChange(const TopicItem& topic);
    void TellChange(const CategoryItem& category);
    void TellChange(const OtherFileItem& file);
    void TellChange(const ProfileItem& profile);
    // Before an item is inserted at a position of its collection (with an observer only).
    template <class T>
    void TellArrival(const ItemCollection<T>& items, const std::shared_ptr<T>& item,
                     std::size_t position) {
        changes_->BeforeArrive(item, position < items.Size() ? items.At(position) : nullptr);
    }
    // From the items' setters, after the value changed.
    void ChangeTopicCategory(TopicItem& topic, const std::shared_ptr<TopicCategory>& category);
    void TopicChanged(const TopicItem& topic);
    void CategoryChanged(const CategoryItem& category);
    void FileChanged(const OtherFileItem& file, bool persisted);
    void ProfileChanged(const ProfileItem& profile);
    bool Holds(const Topic& topic) const { return topics_->PositionOf(topic) != topics_->npos; }
    std::size_t TopicPosition(const Topic& topic) const { return topics_->PositionOf(topic); }

    // Takes the category's topics out of it in project order, raising TopicChanged for each.
    void Uncategorize(CategoryItem& category, Delivery& events);

    std::string path_;
    std::string folder_;
    std::shared_ptr<const std::string> sharedFolder_; // folder_, for the other files
    LoadOptions options_;
    bool allowCategoryIndex_ = false;
    bool underSourceControl_ = false;
    bool dirty_ = false;
    bool updatingOrder_ = false;
    std::weak_ptr<Project> self_;
    std::shared_ptr<ItemCollection<Topic>> topics_;
    std::shared_ptr<ItemCollection<TopicCategory>> categories_;
    std::shared_ptr<ItemCollection<OtherFile>> files_;
    std::shared_ptr<ItemCollection<BuildProfile>> profiles_;
    IdCounter topicIds_{'T'};
    IdCounter categoryIds_{'C'};
    IdCounter profileIds_{'B'};
    std::vector<std::shared_ptr<CategoryItem>> detached_; // left during UpdatingOrder
    // Added during the last UpdatingOrder bracket, for the Notify...Reordered events.
    std::vector<std::weak_ptr<Topic>> reinsertedTopics_;
    std::vector<std::weak_ptr<TopicCategory>> reinsertedCategories_;
    std::shared_ptr<std::vector<Sink>> sinks_ = std::make_shared<std::vector<Sink>>();
    ProjectChangeObserver* changes_ = nullptr;
};

// A project made from the items of its file in file order, for the file's reader, which has
// checked each item before it is added: items are appended without events and without a
// change observer, and the project is handed out only once complete, so a file refused
// half-way yields no project.
class ProjectBuilder {
public:
    ProjectBuilder(const std::string& projectFile, const LoadOptions& options);

    void SetFlags(bool allowCategoryIndex, bool underSourceControl);
    // Room for the items of one section, known before its first item is added.
    void ReserveCategories(std::size_t n);
    void ReserveTopics(std::size_t n);
    void ReserveFiles(std::size_t n);
    void ReserveProfiles(std::size_t n);
    // Categories are numbered from 0 in the order they are added.
    void AddCategory(std::string id, std::string name, bool autoGenerateIndex);
    // category: a number AddCategory gave, or kNoCategory.
    static constexpr std::size_t kNoCategory = static_cast<std::size_t>(-1);
    // False when the ID is taken: nothing is added.
    bool AddTopic(const TopicItem::Fields& fields, std::size_t category);
    bool HasTopic(const std::string& id) const;
    bool HasFile(const std::string& resolved) const;
    // The file takes the path as the disk spells it (paths are matched ignoring case), its
    // LocalSpec and key alike, from one listing of each folder. resolved: disk::Resolve of the
    // path as written. Its text may be swapped with another buffer, whose room the next
    // file reuses. False when the project has the file already (paths are matched ignoring
    // case): nothing is added.
    bool AddFile(std::string& resolved, bool includeInOutput);
    void AddProfile(ProfileItem::Fields fields);
    // The stored counters of new IDs (0: none); one below the highest ID added is raised to it.
    std::shared_ptr<Project> Finish(uint64_t nextTopicId, uint64_t nextCategoryId,
                                    uint64_t nextProfileId);

private:
    std::shared_ptr<Project> project_;
    std::vector<std::shared_ptr<CategoryItem>> categories_; // by number
    // A category's member list is made by Finish with room for its count, known only then:
    // the categorized topics in project order, and the counts by category number.
    struct Member {
        TopicItem* topic;
        std::size_t category;
    };
    std::vector<Member> members_;
    std::vector<uint32_t> memberCounts_;
    std::optional<LoadScope> scope_; // from the first file on
    disk::FoundFile found_;
    // The folders of the files so far, each text kept once for all the files in it.
    std::unordered_map<std::string_view, std::shared_ptr<const std::string>> folders_;
    std::shared_ptr<const std::string> lastFolder_; // the last file's, one of folders_
};

} // namespace qv
