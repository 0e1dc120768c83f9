#include "host/UndoHistory.h"

#include "contracts/ProjectModel.h"
#include "host/FileServices.h"
#include "model/CategoryItem.h"
#include "model/ModelErrors.h"
#include "model/OtherFileItem.h"
#include "model/ProfileItem.h"
#include "model/Project.h"
#include "model/TopicItem.h"

#include <new>
#include <optional>
#include <sys/stat.h>
#include <unordered_map>
#include <utility>
#include <vector>

namespace qv {

namespace {

// What a step's name is made of.
struct Summary {
    enum Field : unsigned {
        Name = 1,
        Props = 2,
        Status = 4,
        Include = 8,
        Current = 16,
        Index = 32
    };
    bool deleted = false;
    bool moved = false;
    bool recategorized = false;
    const char* added = nullptr;
    unsigned fields = 0;
};

// The values of an item that a step puts back; order and presence are kept beside them.
struct TopicState {
    std::string name, title, caption, status;
    bool include = true;
    std::shared_ptr<TopicCategory> category;
    bool operator==(const TopicState&) const = default;
};
struct CategoryState {
    std::string name;
    bool autoIndex = false;
    bool operator==(const CategoryState&) const = default;
};
struct FileState {
    bool include = true;
    bool operator==(const FileState&) const = default;
};
struct ProfileState {
    std::string name, title;
    bool compiled = false;
    int32_t format = 0;
    std::string output;
    bool current = false;
    bool operator==(const ProfileState&) const = default;
};

// How each kind of item is read, written, named and moved.
template <class T> struct Kind;

template <> struct Kind<Topic> {
    using State = TopicState;
    static constexpr const char* kNew = "New Topic";
    static constexpr const char* kNode = "t:";
    static Collection<Topic>& Items(Project& p) { return *p.Topics(); }
    static std::string Key(const Topic& t) { return t.ID(); }
    static State Read(const Topic& t) {
        return {t.Name(), t.Title(), t.Caption(), t.Status(), t.IncludeInOutput(), t.Category()};
    }
    // Setters of a topic outside the project only change the value: a topic comes back with
    // its values and category already in place.
    static void Write(Topic& item, const State& to) {
        auto& t = static_cast<TopicItem&>(item);
        if (t.Name() != to.name) t.SetName(to.name);
        if (t.Title() != to.title) t.SetTitle(to.title);
        if (t.Caption() != to.caption) t.SetCaption(to.caption);
        if (t.Status() != to.status) t.SetStatus(to.status);
        if (t.IncludeInOutput() != to.include) t.SetIncludeInOutput(to.include);
        if (t.Category() != to.category) t.SetCategory(to.category);
    }
    static void Diff(const State& a, const State& b, Summary& s) {
        if (a.name != b.name) s.fields |= Summary::Name;
        if (a.title != b.title || a.caption != b.caption) s.fields |= Summary::Props;
        if (a.status != b.status) s.fields |= Summary::Status;
        if (a.include != b.include) s.fields |= Summary::Include;
        if (a.category != b.category) s.recategorized = true;
    }
    static void Move(Project& p, const std::shared_ptr<Topic>& item, const Topic* before) {
        p.MoveTopic(item->ID(), before ? before->ID() : std::string());
    }
};

template <> struct Kind<TopicCategory> {
    using State = CategoryState;
    static constexpr const char* kNew = "New Category";
    static constexpr const char* kNode = "c:";
    static Collection<TopicCategory>& Items(Project& p) { return *p.TopicCategories(); }
    static std::string Key(const TopicCategory& c) { return c.ID(); }
    static State Read(const TopicCategory& c) { return {c.Name(), c.AutoGenerateIndex()}; }
    static void Write(TopicCategory& c, const State& to) {
        if (c.Name() != to.name) c.SetName(to.name);
        if (c.AutoGenerateIndex() != to.autoIndex) c.SetAutoGenerateIndex(to.autoIndex);
    }
    static void Diff(const State& a, const State& b, Summary& s) {
        if (a.name != b.name) s.fields |= Summary::Name;
        if (a.autoIndex != b.autoIndex) s.fields |= Summary::Index;
    }
    static void Move(Project& p, const std::shared_ptr<TopicCategory>& item,
                     const TopicCategory* before) {
        p.MoveCategory(item->ID(), before ? before->ID() : std::string());
    }
};

// Files and profiles have no move of their own: they leave and come back before the other.
template <class T>
void Reinsert(Collection<T>& items, const std::shared_ptr<T>& item, const std::string& key,
              const std::string& before) {
    items.Remove(key);
    try {
        items.Add(item, key, before.empty() ? Variant() : Variant(before));
    } catch (...) {
        if (items.IndexOf(*item) == 0) items.Add(item, key); // never lost to a failed move
        throw;
    }
}

template <> struct Kind<OtherFile> {
    using State = FileState;
    static constexpr const char* kNew = "Add File";
    static constexpr const char* kNode = "o:";
    static Collection<OtherFile>& Items(Project& p) { return *p.OtherFiles(); }
    static std::string Key(const OtherFile& f) { return f.File()->LocalSpec(); }
    static State Read(const OtherFile& f) { return {f.IncludeInOutput()}; }
    static void Write(OtherFile& f, const State& to) {
        if (f.IncludeInOutput() != to.include) f.SetIncludeInOutput(to.include);
    }
    static void Diff(const State& a, const State& b, Summary& s) {
        if (a.include != b.include) s.fields |= Summary::Include;
    }
    static void Move(Project& p, const std::shared_ptr<OtherFile>& item, const OtherFile* before) {
        Reinsert(Items(p), item, Key(*item), before ? Key(*before) : std::string());
    }
};

template <> struct Kind<BuildProfile> {
    using State = ProfileState;
    static constexpr const char* kNew = "New Build Profile";
    static constexpr const char* kNode = "bp:";
    static Collection<BuildProfile>& Items(Project& p) { return *p.BuildProfiles(); }
    static std::string Key(const BuildProfile& b) { return b.ID(); }
    static State Read(const BuildProfile& item) {
        const auto& b = static_cast<const ProfileItem&>(item);
        return {b.Name(),   b.Title(), b.CompiledHelp(), b.HelpFormat(), b.OutputFolderInFile(),
                b.Current()};
    }
    static void Write(BuildProfile& item, const State& to) {
        auto& b = static_cast<ProfileItem&>(item);
        if (b.Name() != to.name) b.SetName(to.name);
        if (b.Title() != to.title) b.SetTitle(to.title);
        if (b.CompiledHelp() != to.compiled) b.SetCompiledHelp(to.compiled);
        if (b.HelpFormat() != to.format) b.SetHelpFormat(to.format);
        if (b.OutputFolderInFile() != to.output) b.SetOutputFolder(to.output);
        if (b.Current() != to.current) b.SetCurrent(to.current);
    }
    static void Diff(const State& a, const State& b, Summary& s) {
        if (a.name != b.name) s.fields |= Summary::Name;
        if (a.title != b.title || a.compiled != b.compiled || a.format != b.format ||
            a.output != b.output)
            s.fields |= Summary::Props;
        if (a.current != b.current) s.fields |= Summary::Current;
    }
    static void Move(Project& p, const std::shared_ptr<BuildProfile>& item,
                     const BuildProfile* before) {
        Reinsert(Items(p), item, Key(*item), before ? Key(*before) : std::string());
    }
};

// One side of a recorded item: whether it was in the project, its values and the item that
// followed it (nullptr: the last).
template <class T> struct Side {
    bool present = false;
    typename Kind<T>::State state{};
    std::shared_ptr<T> next;
    bool operator==(const Side& o) const {
        return present == o.present && (!present || (state == o.state && next == o.next));
    }
};

// An item a step changed, or whose successor it changed: [0] as the step began, [1] as it
// ended.
template <class T> struct Capture {
    std::shared_ptr<T> item;
    Side<T> side[2];
    bool moved = false; // it left its place (a reorder, or a removal and a re-insert)
};

template <class T> struct Captures {
    std::vector<Capture<T>> list;                      // in order of first change
    std::unordered_map<const T*, std::size_t> index{}; // while the step is open
};

struct TrashedFile {
    std::string original;
    std::string trashed; // "" when it could not go to the trash again
};

struct Step {
    Captures<TopicCategory> categories;
    Captures<Topic> topics;
    Captures<OtherFile> files;
    Captures<BuildProfile> profiles;
    std::vector<TrashedFile> trashed;
    std::string name;
    uint64_t serial = 0; // tells the step apart from every other of the history, never 0

    template <class T> Captures<T>& Of() {
        if constexpr (std::is_same_v<T, Topic>)
            return topics;
        else if constexpr (std::is_same_v<T, TopicCategory>)
            return categories;
        else if constexpr (std::is_same_v<T, OtherFile>)
            return files;
        else
            return profiles;
    }
    template <class T> const Captures<T>& Of() const { return const_cast<Step*>(this)->Of<T>(); }
    bool Empty() const {
        return topics.list.empty() && categories.list.empty() && files.list.empty() &&
               profiles.list.empty() && trashed.empty();
    }
};

// Runs each part of an undo or redo to the end and raises the first failure afterwards, with
// the description of every failure.
class Failures {
public:
    template <class F> void Run(F&& part) {
        try {
            part();
        } catch (const Error& e) {
            Add(e.Number(), e.Description());
        } catch (const std::bad_alloc&) {
            Add(7, "Out of memory");
        } catch (const std::exception& e) {
            Add(51, std::string("Internal error: ") + e.what());
        }
    }
    void Raise() const {
        if (number_ != 0) throw Error(number_, text_);
    }
    bool Any() const { return number_ != 0; }

private:
    void Add(int32_t number, const std::string& text) {
        if (number_ == 0) number_ = number;
        if (!text_.empty()) text_ += "\n";
        text_ += text;
    }
    int32_t number_ = 0;
    std::string text_;
};

} // namespace

class UndoHistory::Impl final : private ProjectChangeObserver {
public:
    Impl(std::shared_ptr<Project> project, TrashFileService* trash)
        : project_(std::move(project)), trash_(trash) {
        project_->SetChangeObserver(this);
        if (trash_)
            trash_->SetObserver([this](const std::string& original, const std::string& trashed) {
                if (applying_) return;
                open_.trashed.push_back({original, trashed});
                Opened();
            });
        if (!project_->Dirty()) MarkSaved();
    }
    ~Impl() {
        if (project_->ChangeObserver() == this) project_->SetChangeObserver(nullptr);
        if (trash_) trash_->SetObserver(nullptr);
    }

    void Break() {
        if (open_.Empty()) return;
        Step step = std::exchange(open_, Step{});
        Close<TopicCategory>(step);
        Close<Topic>(step);
        Close<OtherFile>(step);
        Close<BuildProfile>(step);
        if (!step.Empty()) {
            step.name = Name(step, false);
            if (step.name.empty()) step.name = "Change";
            step.serial = ++serials_;
            undo_.push_back(std::move(step));
            redo_.clear();
        }
        Notify();
    }

    bool CanUndo() const { return !undo_.empty() || !OpenName().empty(); }
    // A new change drops the steps that were undone, once its step ends.
    bool CanRedo() const { return !redo_.empty() && OpenName().empty(); }
    std::string UndoName() const {
        std::string name = OpenName();
        if (name.empty() && !undo_.empty()) name = undo_.back().name;
        return name;
    }
    std::string RedoName() const { return CanRedo() ? redo_.back().name : std::string(); }

    void Undo() {
        Break();
        if (undo_.empty()) return;
        Step step = std::move(undo_.back());
        undo_.pop_back();
        Failures failures;
        {
            Applying applying(applying_);
            // The files first, so that the items that come back find theirs.
            for (auto it = step.trashed.rbegin(); it != step.trashed.rend(); ++it)
                if (!it->trashed.empty())
                    failures.Run([&] { RestoreFromTrash(it->trashed, it->original); });
            Apply(step, 0, failures);
        }
        redo_.push_back(std::move(step));
        Applied(redo_.back(), 0, failures);
        Notify();
        failures.Raise();
    }

    void Redo() {
        Break();
        if (redo_.empty()) return;
        Step step = std::move(redo_.back());
        redo_.pop_back();
        Failures failures;
        {
            Applying applying(applying_);
            Apply(step, 1, failures);
            for (TrashedFile& file : step.trashed) {
                struct stat st {};
                if (!trash_ || ::lstat(file.original.c_str(), &st) != 0) {
                    file.trashed.clear(); // gone meanwhile: nothing to take back later
                    continue;
                }
                failures.Run([&] {
                    file.trashed.clear();
                    file.trashed = trash_->MoveToTrash(file.original);
                });
            }
        }
        undo_.push_back(std::move(step));
        Applied(undo_.back(), 1, failures);
        Notify();
        failures.Raise();
    }

    const std::string& ShownKey() const { return shown_; }

    void MarkSaved() {
        Break();
        saved_ = {Top(), project_->NextId('T'), project_->NextId('C'), project_->NextId('B')};
    }

    void SetObserver(std::function<void()> changed) { observer_ = std::move(changed); }

private:
    // Marks the history's own changes, which no step records.
    class Applying {
    public:
        explicit Applying(bool& flag) : flag_(flag) { flag_ = true; }
        ~Applying() { flag_ = false; }
        Applying(const Applying&) = delete;
        Applying& operator=(const Applying&) = delete;

    private:
        bool& flag_;
    };

    // The last step not undone (0: none), which names the project's place in the history.
    uint64_t Top() const { return undo_.empty() ? 0 : undo_.back().serial; }

    // After an undo or redo: what it shows, and a clean project when it is back at its save.
    // A step that could not be applied in full leaves the project somewhere no save was.
    void Applied(const Step& step, int side, const Failures& failures) {
        shown_ = Shown(step, side);
        if (failures.Any()) {
            saved_.reset();
        } else if (saved_ && saved_->top == Top() && saved_->topicId == project_->NextId('T') &&
                   saved_->categoryId == project_->NextId('C') &&
                   saved_->profileId == project_->NextId('B')) {
            project_->SetDirty(false);
        }
    }
    std::string Shown(const Step& step, int side) const {
        // Where items went away, the tree already put the selection beside them.
        if (Removes<TopicCategory>(step, side) || Removes<Topic>(step, side) ||
            Removes<OtherFile>(step, side) || Removes<BuildProfile>(step, side))
            return {};
        std::string key = Shown<TopicCategory>(step, side, true);
        if (key.empty()) key = Shown<Topic>(step, side, true);
        if (key.empty()) key = Shown<OtherFile>(step, side, true);
        if (key.empty()) key = Shown<BuildProfile>(step, side, true);
        if (key.empty()) key = Shown<TopicCategory>(step, side, false);
        if (key.empty()) key = Shown<Topic>(step, side, false);
        if (key.empty()) key = Shown<OtherFile>(step, side, false);
        if (key.empty()) key = Shown<BuildProfile>(step, side, false);
        return key;
    }
    template <class T> static bool Removes(const Step& step, int side) {
        for (const auto& c : step.Of<T>().list)
            if (c.side[1 - side].present && !c.side[side].present) return true;
        return false;
    }
    // The first item that arrives on that side, or (arrived false) that stays and moved or
    // changed its values.
    template <class T> std::string Shown(const Step& step, int side, bool arrived) const {
        for (const auto& c : step.Of<T>().list) {
            const Side<T>& to = c.side[side];
            const Side<T>& from = c.side[1 - side];
            if (!to.present || from.present == arrived) continue;
            if (arrived || (c.moved && to.next != from.next) || !(to.state == from.state))
                return Kind<T>::kNode + Kind<T>::Key(*c.item);
        }
        return {};
    }

    // --- Recording ------------------------------------------------------------------------

    void BeforeChange(const std::shared_ptr<BuildProfile>& b) override { Touch(b); }
    void BeforeLeave(const std::shared_ptr<BuildProfile>& b) override { Leaving(b); }
    void BeforeArrive(const std::shared_ptr<BuildProfile>& b,
                      const std::shared_ptr<BuildProfile>& next) override {
        Arriving(b, next);
    }
    void BeforeChange(const std::shared_ptr<OtherFile>& f) override { Touch(f); }
    void BeforeLeave(const std::shared_ptr<OtherFile>& f) override { Leaving(f); }
    void BeforeArrive(const std::shared_ptr<OtherFile>& f,
                      const std::shared_ptr<OtherFile>& next) override {
        Arriving(f, next);
    }
    void BeforeChange(const std::shared_ptr<Topic>& t) override { Touch(t); }
    void BeforeLeave(const std::shared_ptr<Topic>& t) override { Leaving(t); }
    void BeforeArrive(const std::shared_ptr<Topic>& t,
                      const std::shared_ptr<Topic>& next) override {
        Arriving(t, next);
    }
    void BeforeChange(const std::shared_ptr<TopicCategory>& c) override { Touch(c); }
    void BeforeLeave(const std::shared_ptr<TopicCategory>& c) override { Leaving(c); }
    void BeforeArrive(const std::shared_ptr<TopicCategory>& c,
                      const std::shared_ptr<TopicCategory>& next) override {
        Arriving(c, next);
    }

    // Records the item as it is now, unless the open step has already recorded it: called
    // before each change, this is the item as the step began.
    template <class T> void Touch(const std::shared_ptr<T>& item) {
        if (applying_) return;
        auto& captures = open_.Of<T>();
        if (captures.index.count(item.get())) return;
        Capture<T> capture;
        capture.item = item;
        capture.side[0] = Now(*item);
        captures.index.emplace(item.get(), captures.list.size());
        captures.list.push_back(std::move(capture));
        Opened();
    }
    // The item and the one before it, whose successor changes.
    template <class T> void Leaving(const std::shared_ptr<T>& item) {
        if (applying_) return;
        auto& items = Kind<T>::Items(*project_);
        const int32_t index = items.IndexOf(*item);
        Touch(item);
        if (index > 1) Touch(items.Item(index - 1));
        auto& captures = open_.Of<T>();
        captures.list[captures.index.at(item.get())].moved = true;
    }
    // The item (absent before an add) and the one that will precede it.
    template <class T>
    void Arriving(const std::shared_ptr<T>& item, const std::shared_ptr<T>& next) {
        if (applying_) return;
        auto& items = Kind<T>::Items(*project_);
        Touch(item);
        const int32_t at = next ? items.IndexOf(*next) : items.Count() + 1;
        if (at > 1) Touch(items.Item(at - 1));
    }

    // The open step gets its first change: Undo becomes possible.
    void Opened() {
        if (!notifiedOpen_) {
            notifiedOpen_ = true;
            Notify();
        }
    }
    void Notify() {
        notifiedOpen_ = !open_.Empty();
        if (observer_) observer_();
    }

    // --- Steps ----------------------------------------------------------------------------

    // Whether the item is in the project, its values and the item that follows it.
    template <class T> Side<T> Now(const T& item) const {
        const auto& items = Kind<T>::Items(*project_);
        const int32_t index = items.IndexOf(item);
        if (index == 0) return {};
        return {true, Kind<T>::Read(item), index < items.Count() ? items.Item(index + 1) : nullptr};
    }
    // Takes each item's state at the end of the step; items that end as they began are
    // dropped, as if the step had never touched them.
    template <class T> void Close(Step& step) {
        auto& captures = step.Of<T>();
        captures.index.clear();
        std::vector<Capture<T>> kept;
        for (auto& capture : captures.list) {
            capture.side[1] = Now(*capture.item);
            if (!(capture.side[0] == capture.side[1])) kept.push_back(std::move(capture));
        }
        captures.list = std::move(kept);
    }

    template <class T> void Summarize(const Step& step, bool open, Summary& s) const {
        for (const auto& c : step.Of<T>().list) {
            const Side<T> after = open ? Now(*c.item) : c.side[1];
            const Side<T>& before = c.side[0];
            if (before == after) continue;
            if (before.present && !after.present) {
                s.deleted = true;
            } else if (!before.present && after.present) {
                if (!s.added) s.added = Kind<T>::kNew;
            } else if (before.present) {
                if (c.moved && before.next != after.next) s.moved = true;
                Kind<T>::Diff(before.state, after.state, s);
            }
        }
    }
    std::string Name(const Step& step, bool open) const {
        Summary s;
        Summarize<TopicCategory>(step, open, s);
        Summarize<Topic>(step, open, s);
        Summarize<OtherFile>(step, open, s);
        Summarize<BuildProfile>(step, open, s);
        if (s.deleted || (!step.trashed.empty() && !s.added)) return "Delete";
        if (s.added) return s.added;
        if (s.moved) return "Move";
        if (s.recategorized) return s.fields ? "Properties" : "Change Category";
        switch (s.fields) {
        case 0:
            return {};
        case Summary::Name:
            return "Rename";
        case Summary::Status:
            return "Change Status";
        case Summary::Include:
            return "Include in Output";
        case Summary::Current:
            return "Set Current Profile";
        case Summary::Index:
            return "Auto-Generate Index";
        default:
            return "Properties";
        }
    }
    std::string OpenName() const { return open_.Empty() ? std::string() : Name(open_, true); }

    // Puts every recorded item as it was on the side given (0 before the step, 1 after).
    void Apply(Step& step, int side, Failures& failures) {
        // What is not there on that side leaves first, topics before their categories.
        Leave<Topic>(step, side, failures);
        Leave<OtherFile>(step, side, failures);
        Leave<BuildProfile>(step, side, failures);
        Leave<TopicCategory>(step, side, failures);
        Arrive<TopicCategory>(step, side, failures);
        Arrive<Topic>(step, side, failures);
        Arrive<OtherFile>(step, side, failures);
        Arrive<BuildProfile>(step, side, failures);
    }
    template <class T> void Leave(Step& step, int side, Failures& failures) {
        auto& items = Kind<T>::Items(*project_);
        auto& list = step.Of<T>().list;
        for (auto it = list.rbegin(); it != list.rend(); ++it)
            if (!it->side[side].present && items.IndexOf(*it->item) != 0)
                failures.Run([&] { items.Remove(Kind<T>::Key(*it->item)); });
    }
    // The values first (an item that comes back arrives with them), then the order: each item
    // goes just before the item that followed it on that side. Items whose follower is not
    // recorded are placed first, as that follower has not moved; then the item before each
    // placed one, back along the chain.
    template <class T> void Arrive(Step& step, int side, Failures& failures) {
        auto& list = step.Of<T>().list;
        std::unordered_map<const T*, Capture<T>*> arriving;
        // Undo writes in the reverse order of the changes, redo in their order. A topic that
        // rejoins its category then finds its later neighbour there already, so the tree
        // places it without a search through the project's topics.
        for (std::size_t i = 0; i < list.size(); ++i) {
            Capture<T>& c = list[side == 0 ? list.size() - 1 - i : i];
            if (!c.side[side].present) continue;
            failures.Run([&] { Kind<T>::Write(*c.item, c.side[side].state); });
            arriving.emplace(c.item.get(), &c);
        }
        std::unordered_map<const T*, Capture<T>*> predecessor;
        for (auto& [item, c] : arriving)
            if (const T* next = c->side[side].next.get(); next && arriving.count(next))
                predecessor.emplace(next, c);
        for (auto& c : list) {
            const T* next = c.side[side].next.get();
            if (!c.side[side].present || (next && arriving.count(next))) continue;
            for (Capture<T>* at = &c; at;) {
                failures.Run([&] { Place(at->item, at->side[side].next.get()); });
                auto it = predecessor.find(at->item.get());
                at = it == predecessor.end() ? nullptr : it->second;
            }
        }
    }
    template <class T> void Place(const std::shared_ptr<T>& item, const T* next) {
        auto& items = Kind<T>::Items(*project_);
        const int32_t index = items.IndexOf(*item);
        if (index == 0) {
            items.Add(item, Kind<T>::Key(*item), next ? Variant(Kind<T>::Key(*next)) : Variant());
            return;
        }
        const T* now = index < items.Count() ? items.Item(index + 1).get() : nullptr;
        if (now != next) Kind<T>::Move(*project_, item, next);
    }

    std::shared_ptr<Project> project_;
    TrashFileService* trash_;
    Step open_;
    std::vector<Step> undo_;
    std::vector<Step> redo_;
    bool applying_ = false;
    bool notifiedOpen_ = false;
    uint64_t serials_ = 0;
    std::string shown_;
    struct Saved {
        uint64_t top;
        std::string topicId, categoryId, profileId;
    };
    std::optional<Saved> saved_;
    std::function<void()> observer_;
};

UndoHistory::UndoHistory(std::shared_ptr<Project> project, TrashFileService* trash)
    : impl_(std::make_unique<Impl>(std::move(project), trash)) {}

UndoHistory::~UndoHistory() = default;

void UndoHistory::Break() {
    impl_->Break();
}
bool UndoHistory::CanUndo() const {
    return impl_->CanUndo();
}
bool UndoHistory::CanRedo() const {
    return impl_->CanRedo();
}
std::string UndoHistory::UndoName() const {
    return impl_->UndoName();
}
std::string UndoHistory::RedoName() const {
    return impl_->RedoName();
}
void UndoHistory::Undo() {
    impl_->Undo();
}
void UndoHistory::Redo() {
    impl_->Redo();
}
const std::string& UndoHistory::ShownKey() const {
    return impl_->ShownKey();
}
void UndoHistory::MarkSaved() {
    impl_->MarkSaved();
}
void UndoHistory::SetObserver(std::function<void()> changed) {
    impl_->SetObserver(std::move(changed));
}

} // namespace qv
