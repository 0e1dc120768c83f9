#include "model/Project.h"

#include "contracts/LoadScope.h"
#include "model/DiskPath.h"
#include "model/FileObject.h"
#include "model/ProjectFileReader.h"
#include "model/ProjectFileWriter.h"

#include <algorithm>
#include <cstring>
#include <sys/stat.h>
#include <unordered_set>
#include <utility>

namespace qv {

namespace {
[[noreturn]] void Missing(const std::string& what) {
    throw Error(err::SubscriptOutOfRange, "Subscript out of range: there is no " + what);
}
[[noreturn]] void Invalid(const std::string& what) {
    throw Error(err::InvalidArgument, "Invalid procedure call or argument: " + what);
}
[[noreturn]] void KeyTaken(std::string_view key) {
    throw Error(err::KeyInUse, "This key is already associated with an element of this "
                               "collection: " +
                                   std::string(key));
}
// An ID given by the caller that a project file could not hold (see IdProblem).
void CheckId(char kind, const std::string& id, const char* what) {
    RequireUtf8(id, std::string(what) + " ID");
    std::string problem = IdProblem(kind, id);
    if (!problem.empty()) Invalid(std::string(what) + " ID \"" + id + "\" " + problem);
}
void CheckKey(const std::string& given, const std::string& natural, const char* kind) {
    if (!given.empty() && given != natural)
        Invalid(std::string("the key of a ") + kind + " is \"" + natural + "\", not \"" + given +
                "\"");
}
// The item as the model's own class, made by this project (owner is the item's project).
template <class Item, class T>
std::shared_ptr<Item> Own(const std::shared_ptr<T>& item, const Project& project,
                          const std::weak_ptr<Project> Item::*owner, const char* kind) {
    if (!item) throw Error(err::ObjectNotSet, "Object variable or With block variable not set");
    auto own = std::dynamic_pointer_cast<Item>(item);
    if (!own || ((*own).*owner).lock().get() != &project)
        Invalid(std::string("the ") + kind + " does not belong to this project");
    return own;
}
} // namespace

// Delivers events to a snapshot of the sinks, so that a sink may subscribe or unsubscribe
// during an event; remembers the first failure and passes it on at the end.
class Project::Delivery {
public:
    explicit Delivery(const Project& project) : sinks_(project.sinks_) {}
    Delivery(const Delivery&) = delete;
    Delivery& operator=(const Delivery&) = delete;

    template <class F> Delivery& operator()(F&& deliver) {
        std::vector<Sink> snapshot = *sinks_;
        for (const Sink& s : snapshot) {
            if (!*s.live) continue;
            try {
                deliver(*s.sink);
            } catch (...) {
                if (!failure_) failure_ = std::current_exception();
            }
        }
        return *this;
    }
    void Finish() {
        if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
    }

private:
    std::shared_ptr<std::vector<Sink>> sinks_;
    std::exception_ptr failure_;
};

Project::Project(PrivateTag, const std::string& projectFile, const LoadOptions& options)
    : path_(disk::AbsoluteNormal(disk::ToDiskSeparators(projectFile))), options_(options) {
    folder_ = path_.substr(0, path_.rfind('/') + 1);
    sharedFolder_ = std::make_shared<const std::string>(folder_);
}

std::shared_ptr<Project> Project::Create(const std::string& projectFile,
                                         const LoadOptions& options) {
    if (projectFile.empty()) Invalid("a project needs a file name");
    auto project = std::make_shared<Project>(PrivateTag{}, projectFile, options);
    project->Init(project);
    return project;
}

void Project::Init(const std::shared_ptr<Project>& self) {
    std::weak_ptr<Project> weak = self;
    self_ = weak;
    auto lock = [weak] {
        auto project = weak.lock();
        if (!project)
            throw Error(err::ObjectNotSet, "Object variable not set: the project is closed");
        return project;
    };
    // Each collection reads its keys from its items, which are this model's own (Own).
    topics_ = std::make_shared<ItemCollection<Topic>>(
        "Topics",
        [](const Topic& t) {
            return ItemKey{static_cast<const TopicItem&>(t).IdView(), {}};
        },
        [lock](std::shared_ptr<Topic> item, const std::string& key, const Variant& before,
               const Variant& after) { lock()->AddTopicItem(std::move(item), key, before, after); },
        [lock](const std::string& key) { lock()->RemoveTopicItem(key); }, false,
        [](const Topic& t) -> const void* {
            return static_cast<const TopicItem&>(t).texts_.Data();
        });
    categories_ = std::make_shared<ItemCollection<TopicCategory>>(
        "TopicCategories",
        [](const TopicCategory& c) {
            return ItemKey{static_cast<const CategoryItem&>(c).id_, {}};
        },
        [lock](std::shared_ptr<TopicCategory> item, const std::string& key, const Variant& before,
               const Variant& after) {
            lock()->AddCategoryItem(std::move(item), key, before, after);
        },
        [lock](const std::string& key) { lock()->RemoveCategoryItem(key); });
    files_ = std::make_shared<ItemCollection<OtherFile>>(
        "OtherFiles",
        [](const OtherFile& f) {
            const DiskFileObject& file = static_cast<const OtherFileItem&>(f).file_;
            return ItemKey{file.FolderView(), file.NameView()};
        },
        [lock](std::shared_ptr<OtherFile> item, const std::string& key, const Variant& before,
               const Variant& after) { lock()->AddFileItem(std::move(item), key, before, after); },
        [lock](const std::string& key) { lock()->RemoveFileItem(key); }, true,
        [](const OtherFile& f) -> const void* {
            return static_cast<const OtherFileItem&>(f).file_.NameView().data();
        });
    profiles_ = std::make_shared<ItemCollection<BuildProfile>>(
        "BuildProfiles",
        [](const BuildProfile& b) {
            return ItemKey{static_cast<const ProfileItem&>(b).f_.id, {}};
        },
        [lock](std::shared_ptr<BuildProfile> item, const std::string& key, const Variant& before,
               const Variant& after) {
            lock()->AddProfileItem(std::move(item), key, before, after);
        },
        [lock](const std::string& key) { lock()->RemoveProfileItem(key); });
}

ProjectBuilder::ProjectBuilder(const std::string& projectFile, const LoadOptions& options)
    : project_(Project::Create(projectFile, options)) {}

void ProjectBuilder::SetFlags(bool allowCategoryIndex, bool underSourceControl) {
    project_->allowCategoryIndex_ = allowCategoryIndex;
    project_->underSourceControl_ = underSourceControl;
}

void ProjectBuilder::ReserveCategories(std::size_t n) {
    project_->categories_->Reserve(n);
    categories_.reserve(n);
    memberCounts_.reserve(n);
}

void ProjectBuilder::ReserveTopics(std::size_t n) {
    project_->topics_->Reserve(n);
    members_.reserve(n);
}

void ProjectBuilder::ReserveFiles(std::size_t n) {
    project_->files_->Reserve(n);
}

void ProjectBuilder::ReserveProfiles(std::size_t n) {
    project_->profiles_->Reserve(n);
}

void ProjectBuilder::AddCategory(std::string id, std::string name, bool autoGenerateIndex) {
    Project& p = *project_;
    auto category = CategoryItem::Create(project_, id, std::move(name), autoGenerateIndex);
    p.categoryIds_.Use(id);
    if (!p.categories_->AppendNew(id, category)) KeyTaken(id);
    categories_.push_back(std::move(category));
    memberCounts_.push_back(0);
}

bool ProjectBuilder::AddTopic(const TopicItem::Fields& fields, std::size_t category) {
    Project& p = *project_;
    CategoryItem* member = category == kNoCategory ? nullptr : categories_.at(category).get();
    // The ID's place in the topics' table is fetched while the topic is made.
    const std::size_t hash = p.topics_->HashOf(fields.id);
    p.topics_->Prefetch(hash);
    auto topic = TopicItem::Create(project_, fields, member ? categories_[category] : nullptr);
    TopicItem* added = topic.get();
    const std::string_view id = added->IdView();
    if (!p.topics_->AppendNew(id, hash, topic)) return false;
    if (member) {
        added->memberIndex_ = memberCounts_[category]++; // Finish puts it there
        members_.push_back({added, category});
    }
    p.topicIds_.Use(id);
    return true;
}

bool ProjectBuilder::HasTopic(const std::string& id) const {
    return project_->topics_->Contains(id);
}

bool ProjectBuilder::HasFile(const std::string& resolved) const {
    return project_->files_->Contains(resolved);
}

bool ProjectBuilder::AddFile(std::string& resolved, bool includeInOutput) {
    if (!scope_) scope_.emplace();
    Project& p = *project_;
    // The disk's spelling differs from the path as written in case only, which the files'
    // table ignores: the hash holds for both, and the path's place in the table is fetched
    // while the listing is asked and the file made.
    const std::size_t hash = p.files_->HashOf(resolved);
    p.files_->Prefetch(hash);
    std::size_t name = resolved.rfind('/') + 1;
    const bool found =
        disk::FindInLoad(std::string_view(resolved.data(), name),
                         std::string_view(resolved.data() + name, resolved.size() - name), found_);
    if (found && found_.respelled) {
        resolved.swap(found_.path);
        name = found_.name;
    }
    const std::string_view folder(resolved.data(), name);
    // A project lists a folder's files in runs: the run's folder is compared, not hashed.
    if (!lastFolder_ || lastFolder_->size() != folder.size() ||
        std::memcmp(lastFolder_->data(), folder.data(), folder.size()) != 0) {
        auto shared = folders_.find(folder);
        if (shared == folders_.end()) {
            auto text = std::make_shared<const std::string>(folder);
            shared = folders_.emplace(std::string_view(*text), std::move(text)).first;
        }
        lastFolder_ = shared->second;
    }
    auto file = OtherFileItem::Create(
        project_, p.sharedFolder_, lastFolder_,
        std::string_view(resolved.data() + name, resolved.size() - name), includeInOutput);
    // The designer's load asks each file's existence again in the same scope.
    if (found) file->DiskFileInLoad().NoteFoundInLoad(found_.regular);
    return p.files_->AppendNew(resolved, hash, std::move(file));
}

void ProjectBuilder::AddProfile(ProfileItem::Fields fields) {
    Project& p = *project_;
    std::string id = fields.id;
    p.profileIds_.Use(id);
    if (!p.profiles_->AppendNew(id, ProfileItem::Create(project_, p.folder_, std::move(fields))))
        KeyTaken(id);
}

std::shared_ptr<Project> ProjectBuilder::Finish(uint64_t nextTopicId, uint64_t nextCategoryId,
                                                uint64_t nextProfileId) {
    Project& p = *project_;
    p.topicIds_.RaiseTo(nextTopicId);
    p.categoryIds_.RaiseTo(nextCategoryId);
    p.profileIds_.RaiseTo(nextProfileId);
    // Each category's members in project order, at the places their topics were given.
    for (std::size_t c = 0; c < categories_.size(); ++c)
        categories_[c]->members_.reserve(memberCounts_[c]);
    for (const Member& m : members_)
        categories_[m.category]->members_.push_back(m.topic);
    members_ = {};
    memberCounts_ = {};
    scope_.reset();
    categories_.clear();
    folders_.clear();
    lastFolder_.reset();
    return std::move(project_);
}

ProjectData Project::ToData() const {
    ProjectData data;
    data.allowCategoryIndex = allowCategoryIndex_;
    data.underSourceControl = underSourceControl_;
    data.nextTopicId = topicIds_.NextNumber();
    data.nextCategoryId = categoryIds_.NextNumber();
    data.nextProfileId = profileIds_.NextNumber();
    data.categories.reserve(categories_->Size());
    for (std::size_t i = 0; i < categories_->Size(); ++i) {
        auto& c = static_cast<const CategoryItem&>(*categories_->At(i));
        data.categories.push_back({c.id_, c.name_, c.autoGenerateIndex_});
    }
    data.topics.reserve(topics_->Size());
    for (std::size_t i = 0; i < topics_->Size(); ++i) {
        auto& t = static_cast<const TopicItem&>(*topics_->At(i));
        // A category taken out during a reorder is written only once it is back.
        bool categorized =
            t.category_ && categories_->Find(t.category_->id_).get() == t.category_.get();
        const TopicItem::Fields f = t.Values();
        data.topics.push_back({std::string(f.id), std::string(f.name), std::string(f.title),
                               std::string(f.CaptionText()),
                               categorized ? t.category_->id_ : std::string(),
                               std::string(f.status), f.includeInOutput, std::string(f.file)});
    }
    data.files.reserve(files_->Size());
    for (std::size_t i = 0; i < files_->Size(); ++i) {
        auto& f = static_cast<const OtherFileItem&>(*files_->At(i));
        data.files.push_back({f.PathInProjectFile(), f.includeInOutput_});
    }
    data.profiles.reserve(profiles_->Size());
    for (std::size_t i = 0; i < profiles_->Size(); ++i) {
        auto& b = static_cast<const ProfileItem&>(*profiles_->At(i));
        data.profiles.push_back({b.f_.id, b.f_.name, b.f_.title, b.f_.compiledHelp, b.f_.helpFormat,
                                 b.f_.outputFolder, b.f_.current});
    }
    return data;
}

std::shared_ptr<FileObject> Project::ProjectFile() const {
    auto file = std::make_shared<DiskFileObject>();
    file->SetFilePath(path_);
    return file;
}

bool Project::ReadOnly() const {
    return disk::IsMarkedReadOnly(path_);
}

Subscription Project::Subscribe(ProjectEvents& sink) {
    auto live = std::make_shared<bool>(true);
    sinks_->push_back({&sink, live});
    std::weak_ptr<std::vector<Sink>> weak = sinks_;
    return Subscription([weak, live] {
        *live = false;
        if (auto sinks = weak.lock())
            sinks->erase(std::remove_if(sinks->begin(), sinks->end(),
                                        [&](const Sink& s) { return s.live == live; }),
                         sinks->end());
    });
}

std::string Project::NextId(char kind) const {
    switch (kind) {
    case 'T':
        return topicIds_.Next();
    case 'C':
        return categoryIds_.Next();
    case 'B':
        return profileIds_.Next();
    default:
        Invalid(std::string("no kind of item has the letter ") + kind);
    }
}

std::string Project::FileKey(const std::string& path) const {
    std::string problem = disk::IsAbsolute(path) ? "" : disk::RelativePathProblem(path);
    if (!problem.empty()) Invalid("file path \"" + path + "\" " + problem);
    return disk::Resolve(folder_, path);
}

std::shared_ptr<TopicItem> Project::FindTopic(const std::string& id) const {
    return std::static_pointer_cast<TopicItem>(topics_->Find(id));
}

std::shared_ptr<TopicItem> Project::GetTopic(const std::string& id) const {
    auto topic = FindTopic(id);
    if (!topic) Missing("topic \"" + id + "\"");
    return topic;
}

std::shared_ptr<CategoryItem> Project::GetCategory(const std::string& id) const {
    auto category = std::static_pointer_cast<CategoryItem>(categories_->Find(id));
    if (!category) Missing("category \"" + id + "\"");
    return category;
}

std::shared_ptr<OtherFileItem> Project::GetFile(const std::string& path) const {
    auto file = std::static_pointer_cast<OtherFileItem>(files_->Find(FileKey(path)));
    if (!file) Missing("file \"" + path + "\" in the project");
    return file;
}

std::shared_ptr<ProfileItem> Project::GetProfile(const std::string& id) const {
    auto profile = std::static_pointer_cast<ProfileItem>(profiles_->Find(id));
    if (!profile) Missing("build profile \"" + id + "\"");
    return profile;
}

void Project::RemoveTopic(const std::string& id) {
    GetTopic(id);
    topics_->Remove(id);
}

void Project::RemoveCategory(const std::string& id) {
    GetCategory(id);
    categories_->Remove(id);
}

void Project::RemoveFile(const std::string& path) {
    GetFile(path);
    files_->Remove(FileKey(path));
}

void Project::RemoveProfile(const std::string& id) {
    GetProfile(id);
    profiles_->Remove(id);
}

// --- Adding and removing through the collections -----------------------------------------

void Project::AddTopicItem(std::shared_ptr<Topic> item, const std::string& key,
                           const Variant& before, const Variant& after) {
    auto topic = Own<TopicItem>(item, *this, &TopicItem::project_, "topic");
    CheckKey(key, topic->ID(), "topic");
    if (topics_->Contains(topic->ID()) || Holds(*topic)) KeyTaken(topic->ID());
    CategoryItem* category = topic->category_.get();
    if (category && categories_->Find(category->ID()).get() != category)
        Invalid("topic " + topic->ID() + " names category " + category->ID() +
                ", which is not in the project");
    std::size_t position = topics_->InsertionPoint(before, after);
    bool last = position >= topics_->Size();
    if (changes_) TellArrival(*topics_, item, position);
    topics_->Insert(position, topic->ID(), item);
    if (category) category->AddMember(topic.get(), last);
    topicIds_.Use(topic->ID());
    if (updatingOrder_) reinsertedTopics_.push_back(item);
    dirty_ = true;
    Delivery (*this)([&](ProjectEvents& s) { s.TopicAdded(item); }).Finish();
}

void Project::RemoveTopicItem(const std::string& key) {
    if (changes_)
        if (std::shared_ptr<Topic> leaving = topics_->Find(key)) changes_->BeforeLeave(leaving);
    std::shared_ptr<Topic> item = topics_->Erase(key);
    if (!item) ThrowSubscriptOutOfRange();
    auto& topic = static_cast<TopicItem&>(*item);
    if (topic.category_) topic.category_->RemoveMember(&topic);
    dirty_ = true;
    Delivery (*this)([&](ProjectEvents& s) { s.TopicRemoved(item); }).Finish();
}

void Project::AddCategoryItem(std::shared_ptr<TopicCategory> item, const std::string& key,
                              const Variant& before, const Variant& after) {
    auto category = Own<CategoryItem>(item, *this, &CategoryItem::project_, "category");
    CheckKey(key, category->ID(), "category");
    if (categories_->Contains(category->ID())) KeyTaken(category->ID());
    std::size_t position = categories_->InsertionPoint(before, after);
    if (changes_) TellArrival(*categories_, item, position);
    categories_->Insert(position, category->ID(), item);
    categoryIds_.Use(category->ID());
    if (updatingOrder_) reinsertedCategories_.push_back(item);
    detached_.erase(std::remove(detached_.begin(), detached_.end(), category), detached_.end());
    dirty_ = true;
    Delivery (*this)([&](ProjectEvents& s) { s.TopicCategoryAdded(item); }).Finish();
}

void Project::Uncategorize(CategoryItem& category, Delivery& events) {
    // One topic at a time, each change followed by its event, so that a sink placing a topic
    // by its neighbours' categories sees the others still where they were. A sink may add
    // topics to the category meanwhile; they follow in the next round.
    while (!category.members_.empty()) {
        category.EnsureSorted();
        std::vector<std::shared_ptr<TopicItem>> topics;
        topics.reserve(category.members_.size());
        for (TopicItem* topic : category.members_)
            topics.push_back(topic->Self());
        for (const auto& topic : topics) {
            if (!category.IsMember(topic.get())) continue; // a sink moved it meanwhile
            if (changes_) changes_->BeforeChange(std::shared_ptr<Topic>(topic));
            category.RemoveMember(topic.get());
            topic->category_.reset();
            dirty_ = true;
            std::shared_ptr<Topic> item = topic;
            events([&](ProjectEvents& s) { s.TopicChanged(item); });
        }
    }
}

void Project::RemoveCategoryItem(const std::string& key) {
    auto category = std::static_pointer_cast<CategoryItem>(categories_->Find(key));
    if (!category) ThrowSubscriptOutOfRange();
    Delivery events(*this);
    // Within UpdatingOrder the category leaves only to come back: its topics keep it.
    if (!updatingOrder_) Uncategorize(*category, events);
    if (changes_)
        if (std::shared_ptr<TopicCategory> leaving = categories_->Find(key))
            changes_->BeforeLeave(leaving);
    std::shared_ptr<TopicCategory> item = categories_->Erase(key);
    if (item) {
        if (updatingOrder_) detached_.push_back(category);
        dirty_ = true;
        events([&](ProjectEvents& s) { s.TopicCategoryRemoved(item); });
    }
    events.Finish();
}

void Project::SetUpdatingOrder(bool value) {
    if (value && !updatingOrder_) {
        reinsertedTopics_.clear();
        reinsertedCategories_.clear();
    }
    updatingOrder_ = value;
    if (value) return;
    // Categories taken out for a re-insert that never came: their topics lose them now.
    Delivery events(*this);
    for (auto& category : std::exchange(detached_, {}))
        Uncategorize(*category, events);
    events.Finish();
}

void Project::AddFileItem(std::shared_ptr<OtherFile> item, const std::string& key,
                          const Variant& before, const Variant& after) {
    auto file = Own<OtherFileItem>(item, *this, &OtherFileItem::project_, "file");
    std::string spec = file->file_.LocalSpec();
    CheckKey(key, spec, "file");
    if (file->file_.FileName().empty()) Invalid("the file object names a folder, not a file");
    if (files_->Contains(spec) || files_->PositionOf(*file) != files_->npos) KeyTaken(spec);
    std::size_t position = files_->InsertionPoint(before, after);
    if (changes_) TellArrival(*files_, item, position);
    files_->Insert(position, spec, item);
    dirty_ = true;
    Delivery (*this)([&](ProjectEvents& s) { s.OtherFileAdded(item); }).Finish();
}

void Project::RemoveFileItem(const std::string& key) {
    if (changes_)
        if (std::shared_ptr<OtherFile> leaving = files_->Find(key)) changes_->BeforeLeave(leaving);
    std::shared_ptr<OtherFile> item = files_->Erase(key);
    if (!item) ThrowSubscriptOutOfRange();
    dirty_ = true;
    Delivery (*this)([&](ProjectEvents& s) { s.OtherFileRemoved(item); }).Finish();
}

void Project::AddProfileItem(std::shared_ptr<BuildProfile> item, const std::string& key,
                             const Variant& before, const Variant& after) {
    auto profile = Own<ProfileItem>(item, *this, &ProfileItem::project_, "build profile");
    CheckKey(key, profile->ID(), "build profile");
    if (profiles_->Contains(profile->ID())) KeyTaken(profile->ID());
    std::size_t position = profiles_->InsertionPoint(before, after);
    if (changes_) TellArrival(*profiles_, item, position);
    profiles_->Insert(position, profile->ID(), item);
    profileIds_.Use(profile->ID());
    dirty_ = true;
    Delivery (*this)([&](ProjectEvents& s) { s.BuildProfileAdded(item); }).Finish();
}

void Project::RemoveProfileItem(const std::string& key) {
    if (changes_)
        if (std::shared_ptr<BuildProfile> leaving = profiles_->Find(key))
            changes_->BeforeLeave(leaving);
    std::shared_ptr<BuildProfile> item = profiles_->Erase(key);
    if (!item) ThrowSubscriptOutOfRange();
    dirty_ = true;
    Delivery (*this)([&](ProjectEvents& s) { s.BuildProfileRemoved(item); }).Finish();
}

// --- Changes from the items ---------------------------------------------------------------

void Project::ChangeTopicCategory(TopicItem& topic,
                                  const std::shared_ptr<TopicCategory>& category) {
    std::shared_ptr<CategoryItem> target;
    if (category) {
        target = std::dynamic_pointer_cast<CategoryItem>(category);
        if (!target || categories_->Find(target->ID()) != category)
            Invalid("category " + category->ID() + " is not in the project");
    }
    if (!Holds(topic)) {
        topic.category_ = std::move(target);
        return;
    }
    if (changes_) changes_->BeforeChange(std::shared_ptr<Topic>(topic.Self()));
    if (topic.category_ != target) {
        if (topic.category_) topic.category_->RemoveMember(&topic);
        if (target) target->AddMember(&topic, false);
        topic.category_ = target;
    }
    TopicChanged(topic);
}

void Project::TopicChanged(const TopicItem& topic) {
    if (!Holds(topic)) return;
    dirty_ = true;
    std::shared_ptr<Topic> item = topic.Self();
    Delivery (*this)([&](ProjectEvents& s) { s.TopicChanged(item); }).Finish();
}

void Project::CategoryChanged(const CategoryItem& category) {
    if (categories_->PositionOf(category) == categories_->npos) return;
    dirty_ = true;
    std::shared_ptr<TopicCategory> item = category.self_.lock();
    Delivery (*this)([&](ProjectEvents& s) { s.TopicCategoryChanged(item); }).Finish();
}

void Project::FileChanged(const OtherFileItem& file, bool persisted) {
    if (files_->PositionOf(file) == files_->npos) return;
    if (persisted) dirty_ = true;
    std::shared_ptr<OtherFile> item = file.Self();
    Delivery (*this)([&](ProjectEvents& s) { s.OtherFileChanged(item); }).Finish();
}

void Project::ProfileChanged(const ProfileItem& profile) {
    if (profiles_->PositionOf(profile) == profiles_->npos) return;
    dirty_ = true;
    std::shared_ptr<BuildProfile> item = profile.self_.lock();
    Delivery (*this)([&](ProjectEvents& s) { s.BuildProfileChanged(item); }).Finish();
}

void Project::TellChange(const TopicItem& topic) {
    if (Holds(topic)) changes_->BeforeChange(std::shared_ptr<Topic>(topic.Self()));
}

void Project::TellChange(const CategoryItem& category) {
    if (categories_->PositionOf(category) != categories_->npos)
        changes_->BeforeChange(std::shared_ptr<TopicCategory>(category.self_.lock()));
}

void Project::TellChange(const OtherFileItem& file) {
    if (files_->PositionOf(file) != files_->npos)
        changes_->BeforeChange(std::shared_ptr<OtherFile>(file.Self()));
}

void Project::TellChange(const ProfileItem& profile) {
    if (profiles_->PositionOf(profile) != profiles_->npos)
        changes_->BeforeChange(std::shared_ptr<BuildProfile>(profile.self_.lock()));
}

// --- The project's own mutations ----------------------------------------------------------

std::shared_ptr<TopicCategory> Project::NewTopicCategory() {
    return CategoryItem::Create(self_, categoryIds_.Take(), std::string(), false);
}

void Project::NotifyTopicsReordered() {
    dirty_ = true;
    Delivery events(*this);
    for (const auto& weak : std::exchange(reinsertedTopics_, {}))
        if (std::shared_ptr<Topic> item = weak.lock(); item && Holds(*item))
            events([&](ProjectEvents& s) { s.TopicReOrdered(item); });
    events.Finish();
}

void Project::NotifyCategoriesReordered() {
    dirty_ = true;
    Delivery events(*this);
    for (const auto& weak : std::exchange(reinsertedCategories_, {}))
        if (std::shared_ptr<TopicCategory> item = weak.lock();
            item && categories_->PositionOf(*item) != categories_->npos)
            events([&](ProjectEvents& s) { s.TopicCategoryReOrdered(item); });
    events.Finish();
}

std::shared_ptr<OtherFile> Project::NewOtherFile(const std::string& filename) {
    std::string problem = FilePathProblem(folder_, filename);
    if (!problem.empty()) Invalid("file path \"" + filename + "\" " + problem);
    // A name of the disk in another encoding could be saved but never read back.
    RequireUtf8(filename, "file path \"" + filename + "\"");
    // The disk's spelling of whatever part of the path exists, as a loaded file takes it.
    std::string spec = disk::FindOnDisk(FileKey(filename));
    // A folder as the disk has it (a link to one included) would be listed as a missing file.
    struct stat st {};
    if ((!spec.empty() && spec.back() == '/') ||
        (::stat(spec.c_str(), &st) == 0 && S_ISDIR(st.st_mode)))
        Invalid("\"" + filename + "\" names a folder");
    return OtherFileItem::Create(self_, sharedFolder_, spec, true, true);
}

std::shared_ptr<TopicItem> Project::AddTopic(const std::string& id, const std::string& name,
                                             const std::string& title,
                                             const std::string& categoryId,
                                             const std::string& status, const std::string& file) {
    std::string newId = id.empty() ? topicIds_.Next() : id;
    CheckId('T', newId, "topic");
    RequireUtf8(name, "topic name");
    RequireUtf8(title, "topic title");
    RequireUtf8(status, "topic status");
    RequireUtf8(file, "topic file");
    if (topics_->Contains(newId)) KeyTaken(newId);
    if (!file.empty()) {
        std::string problem = TopicFileProblem(folder_, file);
        if (!problem.empty()) Invalid("topic file \"" + file + "\" " + problem);
    }
    std::shared_ptr<CategoryItem> category;
    if (!categoryId.empty()) category = GetCategory(categoryId);
    const std::string topicFile = file.empty() ? "topics\\" + newId + ".html" : file;
    auto topic = TopicItem::Create(
        self_,
        TopicItem::Fields{newId, name, title, title,
                          status.empty() ? options_.defaultStatus : status, true, topicFile},
        category);
    topics_->Add(topic, newId);
    return topic;
}

std::shared_ptr<CategoryItem> Project::AddCategory(const std::string& id, const std::string& name) {
    std::string newId = id.empty() ? categoryIds_.Next() : id;
    CheckId('C', newId, "category");
    RequireUtf8(name, "category name");
    if (categories_->Contains(newId)) KeyTaken(newId);
    auto category = CategoryItem::Create(self_, newId, name, false);
    categories_->Add(category, newId);
    return category;
}

std::shared_ptr<OtherFileItem> Project::AddFile(const std::string& path) {
    auto file = std::static_pointer_cast<OtherFileItem>(NewOtherFile(path));
    file->pending_ = false;
    std::string key = file->File()->LocalSpec();
    if (files_->Contains(key)) KeyTaken(key);
    files_->Add(file, key);
    return file;
}

std::shared_ptr<ProfileItem> Project::AddProfile(const std::string& id, const std::string& name) {
    std::string newId = id.empty() ? profileIds_.Next() : id;
    CheckId('B', newId, "build profile");
    RequireUtf8(name, "build profile name");
    if (profiles_->Contains(newId)) KeyTaken(newId);
    auto profile = ProfileItem::Create(
        self_, folder_,
        ProfileItem::Fields{newId, name, name, false, 0, "output\\" + newId, false});
    profiles_->Add(profile, newId);
    return profile;
}

void Project::MoveTopic(const std::string& id, const std::string& beforeId) {
    auto topic = GetTopic(id);
    std::shared_ptr<Topic> next = beforeId.empty() ? nullptr : GetTopic(beforeId);
    if (beforeId == id) return;
    if (changes_) {
        changes_->BeforeLeave(std::shared_ptr<Topic>(topic));
        changes_->BeforeArrive(std::shared_ptr<Topic>(topic), next);
    }
    std::shared_ptr<Topic> item = topics_->Erase(id);
    std::size_t position = beforeId.empty() ? topics_->Size() : topics_->PositionOf(beforeId);
    topics_->Insert(position, id, item);
    if (topic->category_) topic->category_->MarkUnsorted();
    dirty_ = true;
    Delivery (*this)([&](ProjectEvents& s) { s.TopicReOrdered(item); }).Finish();
}

void Project::MoveCategory(const std::string& id, const std::string& beforeId) {
    std::shared_ptr<TopicCategory> category = GetCategory(id);
    std::shared_ptr<TopicCategory> next = beforeId.empty() ? nullptr : GetCategory(beforeId);
    if (beforeId == id) return;
    if (changes_) {
        changes_->BeforeLeave(category);
        changes_->BeforeArrive(category, next);
    }
    std::shared_ptr<TopicCategory> item = categories_->Erase(id);
    std::size_t position =
        beforeId.empty() ? categories_->Size() : categories_->PositionOf(beforeId);
    categories_->Insert(position, id, item);
    dirty_ = true;
    Delivery (*this)([&](ProjectEvents& s) { s.TopicCategoryReOrdered(item); }).Finish();
}

void Project::SetTopicReadOnly(const std::string& id, bool readOnly) {
    auto topic = GetTopic(id);
    if (topic->File().empty())
        throw Error(err::FileNotFound, "File not found: topic " + id + " names no file");
    disk::SetReadOnlyMark(topic->DiskPath(), readOnly);
    std::shared_ptr<Topic> item = topic;
    Delivery (*this)([&](ProjectEvents& s) { s.TopicCheckoutStatusChanged(item); }).Finish();
}

void Project::SetFileReadOnly(const std::string& path, bool readOnly) {
    auto file = GetFile(path);
    disk::SetReadOnlyMark(file->File()->LocalSpec(), readOnly);
    std::shared_ptr<OtherFile> item = file;
    Delivery (*this)([&](ProjectEvents& s) { s.OtherFileCheckoutStatusChanged(item); }).Finish();
}

void Project::SetProjectReadOnly(bool readOnly) {
    disk::SetReadOnlyMark(path_, readOnly);
    Delivery (*this)([](ProjectEvents& s) { s.CheckoutStatusChanged(); }).Finish();
}

void Project::RaiseElementCheckout(int32_t projectElementType) {
    Delivery (*this)([&](ProjectEvents& s) {
        s.ProjectElementCheckOutStatusChanged(projectElementType);
    }).Finish();
}

void Project::RaiseFileCheckout(const std::string& path) {
    std::shared_ptr<OtherFile> item = GetFile(path);
    Delivery (*this)([&](ProjectEvents& s) { s.OtherFileCheckoutStatusChanged(item); }).Finish();
}

void Project::RaiseTopicCheckout(const std::string& id) {
    std::shared_ptr<Topic> item = GetTopic(id);
    Delivery (*this)([&](ProjectEvents& s) { s.TopicCheckoutStatusChanged(item); }).Finish();
}

void Project::RaiseProjectCheckout() {
    Delivery (*this)([](ProjectEvents& s) { s.CheckoutStatusChanged(); }).Finish();
}

void Project::SetUnderSourceControl(bool value) {
    underSourceControl_ = value;
    dirty_ = true;
    Delivery (*this)([](ProjectEvents& s) { s.CheckoutStatusChanged(); }).Finish();
}

void Project::SetAllowCategoryIndex(bool value) {
    allowCategoryIndex_ = value;
    dirty_ = true;
}

void Project::Save() {
    if (ReadOnly())
        throw Error(err::PathFileAccess, "Path/File access error: " + path_ +
                                             " is marked read-only; the project was not saved");
    SaveProjectFile(path_, [this](const ProjectFileText::Sink& write) {
        WriteProjectFileText(write, ProjectFileText::kPieceBytes);
    });
    dirty_ = false;
}

std::string Project::ProjectFileTextOf() const {
    std::string text;
    WriteProjectFileText([&text](std::string_view piece) { text += piece; },
                         ProjectFileText::kPieceBytes);
    return text;
}

void Project::WriteProjectFileText(const std::function<void(std::string_view)>& sink,
                                   std::size_t piece) const {
    ProjectFileText text({allowCategoryIndex_, underSourceControl_, topicIds_.NextNumber(),
                          categoryIds_.NextNumber(), profileIds_.NextNumber()},
                         sink, piece);

    // A category taken out during a reorder is written only once it is back.
    std::unordered_set<const CategoryItem*> held;
    held.reserve(categories_->Size());
    text.BeginCategories(categories_->Size());
    for (std::size_t i = 0; i < categories_->Size(); ++i) {
        auto& c = static_cast<const CategoryItem&>(*categories_->At(i));
        held.insert(&c);
        text.Category(c.id_, c.name_, c.autoGenerateIndex_);
    }
    text.BeginTopics(topics_->Size());
    for (std::size_t i = 0; i < topics_->Size(); ++i) {
        auto& t = static_cast<const TopicItem&>(*topics_->At(i));
        const bool categorized = t.category_ && held.count(t.category_.get()) != 0;
        const TopicItem::Fields f = t.Values();
        text.Topic({f.id, f.name, f.title, f.CaptionText(),
                    categorized ? std::string_view(t.category_->id_) : std::string_view(), f.status,
                    f.includeInOutput, f.file});
    }
    text.BeginFiles(files_->Size());
    std::string spec, relative; // one buffer each for all the files
    for (std::size_t i = 0; i < files_->Size(); ++i) {
        auto& f = static_cast<const OtherFileItem&>(*files_->At(i));
        spec.clear();
        f.file_.AppendLocalSpec(spec);
        const std::string& folder = *f.folder_;
        // As PathInProjectFile: relative ("\" separated) below the project folder, else whole.
        if (!folder.empty() && spec.size() > folder.size() &&
            spec.compare(0, folder.size(), folder) == 0) {
            relative.assign(spec, folder.size());
            std::replace(relative.begin(), relative.end(), '/', '\\');
            text.File(relative, f.includeInOutput_);
        } else {
            text.File(spec, f.includeInOutput_);
        }
    }
    text.BeginProfiles(profiles_->Size());
    for (std::size_t i = 0; i < profiles_->Size(); ++i) {
        auto& b = static_cast<const ProfileItem&>(*profiles_->At(i));
        text.Profile({b.f_.id, b.f_.name, b.f_.title, b.f_.compiledHelp, b.f_.helpFormat,
                      b.f_.outputFolder, b.f_.current});
    }
    text.Finish();
}

} // namespace qv
