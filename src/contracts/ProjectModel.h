#pragma once

#include "contracts/Object.h"
#include "contracts/Subscription.h"
#include "contracts/Variant.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace qv {

class QVProject;
class TopicCategory;

// A file on disk as the project model sees it. Disk paths use the platform separator.
class FileObject : public virtual Object {
public:
    // Points the object at a path (a folder path ends with the separator); "\" becomes the
    // platform separator.
    virtual void SetSpec(const std::string& spec) = 0;
    virtual std::string FileName() const = 0;  // name with extension, no folder
    virtual std::string LocalSpec() const = 0; // full path, unique per file
    virtual std::string Folder() const = 0;    // full path of the folder, ending with separator
    virtual std::string Extension() const = 0; // without the dot
    // LocalSpec added to the text, without a string of its own (a key made for each file).
    virtual void AppendLocalSpec(std::string& text) const = 0;
    virtual void SetExtension(const std::string& extension) = 0;
    virtual bool Exists() const = 0;
    virtual bool ReadOnly() const = 0; // no write permission bit set for anyone
    virtual void Delete() = 0;

    // Temporary-file steps: choose a name not yet taken in the folder (keeping the
    // extension), write the text into a new file and close it.
    virtual void MakeUnique() = 0;
    virtual void WriteText(const std::string& text) = 0;

protected:
    ~FileObject() override = default;
};

// A collection of project items in project order. Positions are 1-based; an unknown key or
// position raises error 9. Enumerate() yields the items in order.
template <class T> class Collection : public virtual Object {
public:
    virtual int32_t Count() const = 0;
    virtual std::shared_ptr<T> Item(int32_t index) const = 0;
    virtual std::shared_ptr<T> Item(const std::string& key) const = 0;
    // The item under the key, nullptr when there is none: no copy, no count taken, nothing
    // raised, for readers of many items. Valid while the item stays in the collection.
    virtual T* ItemOrNull(std::string_view key) const = 0;
    // ItemOrNull taken in steps, for a reader that keeps several lookups going: each Step reads
    // what the step before asked memory for and asks for what the next one reads, so that the
    // memory reads of lookups stepped in turn overlap instead of following one another. Step
    // answers true once item holds the answer (what ItemOrNull gives); it raises nothing. The
    // key's text must stay valid, and the collection unchanged, until then.
    struct Lookup {
        explicit Lookup(std::string_view k = {}) : key(k) {}
        std::string_view key;
        T* item = nullptr;
        // The collection's own progress.
        int step = 0;
        std::size_t hash = 0;
        std::size_t place = 0;
    };
    // Here the whole lookup is one step.
    virtual bool Step(Lookup& lookup) const {
        lookup.item = ItemOrNull(lookup.key);
        return true;
    }
    virtual bool Contains(const std::string& key) const = 0;
    // 1-based position of the item, 0 when it is not in the collection.
    virtual int32_t IndexOf(const T& item) const = 0;
    // Before/After name a position (1-based) or a key; Empty/Missing appends.
    virtual void Add(std::shared_ptr<T> item, const std::string& key = {},
                     const Variant& before = {}, const Variant& after = {}) = 0;
    virtual void Remove(const std::string& key) = 0;

protected:
    ~Collection() override = default;
};

class Topic : public virtual Object {
public:
    virtual std::string ID() const = 0;
    virtual std::string Name() const = 0;
    virtual std::string Title() const = 0;
    virtual std::string Caption() const = 0;
    // Name, Title and Caption without a copy, for readers of many topics (a find through the
    // whole tree); valid until the topic changes.
    virtual std::string_view NameRef() const = 0;
    virtual std::string_view TitleRef() const = 0;
    virtual std::string_view CaptionRef() const = 0;
    // ID and Status likewise, for the designer's load (a key and an image per topic).
    virtual std::string_view IDRef() const = 0;
    virtual std::string_view StatusRef() const = 0;
    virtual std::shared_ptr<TopicCategory> Category() const = 0; // nullptr: un-categorized
    virtual void SetCategory(std::shared_ptr<TopicCategory> category) = 0;
    virtual bool IncludeInOutput() const = 0;
    virtual void SetIncludeInOutput(bool value) = 0;
    virtual std::string Status() const = 0;
    virtual void SetStatus(const std::string& status) = 0;
    virtual std::shared_ptr<QVProject> Project() const = 0;
    virtual bool ReadOnly() const = 0;
    // Full disk path of the topic's content file; "" when it names none. A file the project
    // lists, which no delete of another item may reach.
    virtual std::string ContentFile() const = 0;

protected:
    ~Topic() override = default;
};

using TopicCollection = Collection<Topic>;

class TopicCategory : public virtual Object {
public:
    virtual std::string ID() const = 0;
    // The ID without a copy, valid while the category lives (an ID never changes).
    virtual std::string_view IDRef() const = 0;
    virtual std::string Name() const = 0;
    virtual void SetName(const std::string& name) = 0;
    // The category's own topics, in the project's topic order.
    virtual std::shared_ptr<TopicCollection> Topics() const = 0;
    virtual bool AutoGenerateIndex() const = 0;
    virtual void SetAutoGenerateIndex(bool value) = 0;

protected:
    ~TopicCategory() override = default;
};

class OtherFile : public virtual Object {
public:
    virtual std::shared_ptr<FileObject> File() const = 0;
    // *File() without a shared pointer (every other file has its file object); it lives as
    // long as the other file.
    virtual FileObject& FileRef() const = 0;
    // File()->FileName() without a copy (every other file has its file object); valid until the
    // file changes.
    virtual std::string_view FileNameRef() const = 0;
    // File()->Folder() without a copy; valid until the file changes.
    virtual std::string_view FolderRef() const = 0;
    // File()->Extension() without a copy; valid until the file changes.
    virtual std::string_view ExtensionRef() const = 0;
    virtual bool IsImage() const = 0;
    // "\" separated path below the project folder; the file name alone for a file outside it.
    virtual std::string RelativePath() const = 0;
    virtual bool IncludeInOutput() const = 0;
    virtual void SetIncludeInOutput(bool value) = 0;
    virtual bool Pending() const = 0;
    virtual void SetPending(bool value) = 0;
    virtual bool IsTemplateFile() const = 0;

protected:
    ~OtherFile() override = default;
};

class BuildProfile : public virtual Object {
public:
    virtual std::string ID() const = 0;
    virtual std::string Name() const = 0;
    virtual std::string Title() const = 0;
    virtual bool CompiledHelp() const = 0;
    virtual int32_t HelpFormat() const = 0;
    virtual std::string OutputFolder() const = 0; // full path ending with the separator
    virtual void SetCurrent(bool value) = 0;

protected:
    ~BuildProfile() override = default;
};

using CategoryCollection = Collection<TopicCategory>;
using FileCollection = Collection<OtherFile>;
using ProfileCollection = Collection<BuildProfile>;

// The project's change events. A sink that throws passes the failure back to whoever made
// the change. Every event is raised after the change is complete.
class ProjectEvents {
public:
    virtual void BuildProfileAdded(const std::shared_ptr<BuildProfile>&) {}
    virtual void BuildProfileChanged(const std::shared_ptr<BuildProfile>&) {}
    virtual void BuildProfileRemoved(const std::shared_ptr<BuildProfile>&) {}
    virtual void CheckoutStatusChanged() {}
    virtual void OtherFileAdded(const std::shared_ptr<OtherFile>&) {}
    virtual void OtherFileChanged(const std::shared_ptr<OtherFile>&) {}
    virtual void OtherFileCheckoutStatusChanged(const std::shared_ptr<OtherFile>&) {}
    virtual void OtherFileRemoved(const std::shared_ptr<OtherFile>&) {}
    virtual void ProjectElementCheckOutStatusChanged(int32_t /*projectElementType*/) {}
    virtual void TopicAdded(const std::shared_ptr<Topic>&) {}
    virtual void TopicCategoryAdded(const std::shared_ptr<TopicCategory>&) {}
    virtual void TopicCategoryChanged(const std::shared_ptr<TopicCategory>&) {}
    virtual void TopicCategoryRemoved(const std::shared_ptr<TopicCategory>&) {}
    virtual void TopicCategoryReOrdered(const std::shared_ptr<TopicCategory>&) {}
    virtual void TopicChanged(const std::shared_ptr<Topic>&) {}
    virtual void TopicCheckoutStatusChanged(const std::shared_ptr<Topic>&) {}
    virtual void TopicRemoved(const std::shared_ptr<Topic>&) {}
    virtual void TopicReOrdered(const std::shared_ptr<Topic>&) {}

protected:
    ~ProjectEvents() = default;
};

class QVProject : public virtual Object {
public:
    virtual std::shared_ptr<FileObject> ProjectFile() const = 0;
    virtual std::shared_ptr<TopicCollection> Topics() const = 0;
    virtual std::shared_ptr<CategoryCollection> TopicCategories() const = 0;
    virtual std::shared_ptr<FileCollection> OtherFiles() const = 0;
    virtual std::shared_ptr<ProfileCollection> BuildProfiles() const = 0;
    virtual bool ReadOnly() const = 0;
    virtual bool UnderSourceControl() const = 0;
    virtual bool AllowCategoryIndex() const = 0;
    virtual void SetDirty(bool value) = 0;
    virtual void SetUpdatingOrder(bool value) = 0;
    // New items that are not yet in a collection.
    virtual std::shared_ptr<TopicCategory> NewTopicCategory() = 0;
    virtual std::shared_ptr<OtherFile> NewOtherFile(const std::string& filename) = 0;
    virtual void NotifyTopicsReordered() = 0;
    virtual void NotifyCategoriesReordered() = 0;

    // Events go to the sink until the subscription ends; sinks added during an event do
    // not receive that event.
    virtual Subscription Subscribe(ProjectEvents& sink) = 0;

protected:
    ~QVProject() override = default;
};

} // namespace qv
