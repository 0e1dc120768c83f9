#pragma once

#include "contracts/Dispatch.h"
#include "contracts/Object.h"
#include "contracts/Picture.h"
#include "contracts/Platform.h"
#include "contracts/ProjectModel.h"
#include "contracts/Variant.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qv {

class CommandBar;
class DataObject;

// Splits node keys and tests collections; also the open-file dialog and the delete-prompt
// switch of the host libraries.
class SharedHelper : public virtual Object {
public:
    // Type and value split at the first colon; a key without one is all type, "" value.
    virtual std::string KeyType(const std::string& key) const = 0;
    virtual std::string KeyValue(const std::string& key) const = 0;
    // Whether the keyed collection (tree nodes, image list, a field's images, a project
    // collection) holds the key. Never raises.
    virtual bool InCollection(const Object& collection, const std::string& key) const = 0;
    virtual bool SuppressDeletePrompt() const = 0;
    // The open-file dialog: with several files the result is the folder, then each file
    // name, separated by Chr(0); one file gives its full path; cancel gives "".
    virtual std::string BrowseForFiles(const std::string& title, const std::string& filter,
                                       const std::string& startFolder, bool multiSelect) = 0;

protected:
    ~SharedHelper() override = default;
};

// The IDE options the component reads in LoadOptions.
class DesignerOptions : public virtual Object {
public:
    virtual bool ShowBitmapsAsIcons() const = 0;
    virtual int32_t ToolbarStyle() const = 0;
    virtual bool CheckSpelling() const = 0;

protected:
    ~DesignerOptions() override = default;
};

struct TopicStatus {
    std::string name;     // key name, e.g. "Draft"
    std::string text;     // display text
    std::string iconFile; // file name below AppFolder + "icons\"
};

class DesignerHelper : public virtual Object {
public:
    virtual std::shared_ptr<DesignerOptions> Options() = 0;
    virtual int32_t WarningBarStyle() const = 0;
    // The colour as the host writes it: "&H" + six hex digits (BBGGRR) + "&".
    virtual std::string ColorToHex(int32_t color) const = 0;
    // A 16x16 picture of the file, or nullptr when it cannot make one (message says why).
    virtual std::shared_ptr<Picture> FilePicture(const std::string& path, bool smallIcon,
                                                 int32_t maskColor, std::string& message,
                                                 int32_t backColor) = 0;
    // nullptr when the host has no status list ("not an object").
    virtual const std::vector<TopicStatus>* TopicStatuses() const = 0;
    virtual std::string AppFolder() const = 0; // ends with the path separator
    virtual void ConfirmTopicDelete(const std::shared_ptr<Topic>& topic, bool& cancel,
                                    bool& noPrompt) = 0;
    // A message box whose answer can be remembered under valueName; returns the answer.
    virtual int32_t MsgBoxWithAutoOption(const std::string& prompt, int32_t buttons,
                                         const std::string& title, const std::string& valueName,
                                         const std::string& optionText) = 0;
    virtual int32_t ItemFormat() const = 0;
    virtual int32_t TypeFormat() const = 0;
    virtual int32_t DragDataType(const DataObject& data) const = 0;
    virtual void SetDragItem(DataObject& data, const std::string& id) = 0;
    virtual void SetDragType(DataObject& data, int32_t type) = 0;
    // Gives the command bar the visual style numbered style; the number is the host's.
    virtual void ApplyToolbarStyle(CommandBar& dock, int32_t style) = 0;

protected:
    ~DesignerHelper() override = default;
};

namespace hive {
inline constexpr int32_t ClassesRoot = 0;
inline constexpr int32_t CurrentUser = 1;
} // namespace hive

class Registry : public virtual Object {
public:
    // Empty when the key or value does not exist.
    virtual Variant GetValue(int32_t hive, const std::string& key,
                             const std::string& valueName) const = 0;
    virtual void SetValue(int32_t hive, const std::string& key, const std::string& valueName,
                          const Variant& value) = 0;
    virtual void CreateKey(int32_t hive, const std::string& key) = 0;

protected:
    ~Registry() override = default;
};

class EnvironmentHelper : public virtual Object {
public:
    virtual std::string Variable(const std::string& name, const std::string& fallback) const = 0;

protected:
    ~EnvironmentHelper() override = default;
};

// The image-file dialog of the host libraries.
class ImageFileDialog : public virtual Object {
public:
    // The chosen files as full paths, in order; empty when cancelled.
    virtual std::vector<std::string> BrowseForImages(const std::string& title,
                                                     const std::string& filter,
                                                     const std::string& defaultExtension,
                                                     const std::string& startFolder,
                                                     bool multiSelect) = 0;

protected:
    ~ImageFileDialog() override = default;
};

// A collection of help keywords that the host hands in; the component adds to it.
class KeywordCollection : public virtual Object {
public:
    virtual void Add(const Variant& item) = 0;

protected:
    ~KeywordCollection() override = default;
};

// Records help attributes (name/value pairs) into the attribute object the host handed in.
class HelpAttributes : public virtual Object {
public:
    virtual void Add(Object& attributes, const std::string& name, const std::string& value) = 0;

protected:
    ~HelpAttributes() override = default;
};

// Message box buttons/icons and answers.
namespace mb {
inline constexpr int32_t OkOnly = 0;
inline constexpr int32_t OkCancel = 1;
inline constexpr int32_t AbortRetryIgnore = 2;
inline constexpr int32_t YesNoCancel = 3;
inline constexpr int32_t YesNo = 4;
inline constexpr int32_t RetryCancel = 5;
inline constexpr int32_t ButtonsMask = 0x0F;
inline constexpr int32_t Critical = 16;
inline constexpr int32_t Question = 32;
inline constexpr int32_t Exclamation = 48;
inline constexpr int32_t Information = 64;
inline constexpr int32_t IconMask = 0x70;
inline constexpr int32_t DefaultButtonMask = 0xF00;
inline constexpr int32_t Ok = 1;
inline constexpr int32_t Cancel = 2;
inline constexpr int32_t Abort = 3;
inline constexpr int32_t Retry = 4;
inline constexpr int32_t Ignore = 5;
inline constexpr int32_t Yes = 6;
inline constexpr int32_t No = 7;
} // namespace mb

// Everything the component reaches outside itself, given to it by whoever creates it. The
// global helper objects are created on first use and kept by the component.
class HostLibraries {
public:
    virtual std::shared_ptr<qv::SharedHelper> SharedHelper() = 0;
    virtual std::shared_ptr<qv::DesignerHelper> DesignerHelper() = 0;
    virtual std::shared_ptr<qv::Registry> Registry() = 0;
    virtual std::shared_ptr<qv::EnvironmentHelper> EnvironmentHelper() = 0;
    virtual std::shared_ptr<qv::HelpAttributes> HelpAttributes() = 0;
    // A new image-file dialog object.
    virtual std::shared_ptr<qv::ImageFileDialog> ImageFileDialog() = 0;
    // A new file object pointing nowhere yet.
    virtual std::shared_ptr<FileObject> NewFileObject() = 0;
    // Identities of files and the deleting of the files the author asked to delete.
    virtual qv::FileService& FileService() = 0;
    // The platform's picture loader; raises 53 for a missing file, 481 for a bad picture.
    virtual std::shared_ptr<Picture> LoadPicture(const std::string& path) = 0;
    // A creatable class by name ("VeltaError.Error"); raises 429 when it cannot be created.
    virtual std::shared_ptr<Dispatch> CreateObject(const std::string& className) = 0;
    // A modal message box; returns the button code of the answer.
    virtual int32_t MsgBox(const std::string& prompt, int32_t buttons,
                           const std::string& title) = 0;

protected:
    ~HostLibraries() = default;
};

} // namespace qv
