#pragma once

#include "contracts/CommandBar.h"
#include "contracts/Designer.h"
#include "contracts/Dispatch.h"
#include "contracts/DynamicHelp.h"
#include "contracts/ExplorerEvents.h"
#include "contracts/HostServices.h"
#include "contracts/ImageList.h"
#include "contracts/ProjectModel.h"
#include "contracts/Site.h"
#include "contracts/TreeView.h"
#include "contracts/UiLoop.h"
#include "contracts/WarningBar.h"
#include "diagnostics/ErrorReport.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qv {

// The project explorer: a tree of the open help project that follows the project's events
// and lets the author work on the project from it.
//
// Everything runs on the host's UI thread; nothing is locked. Create it with Create(), which
// runs the container's start-up; a designer host then calls the Designer() face.
class ProjectExplorer final : public Dispatch, public DynamicHelpContext {
public:
    // Creates the control as a container does: the object comes into being
    // (UserControl_Initialize), then the container hands over its properties
    // (UserControl_ReadProperties, run-mode set-up when site.userMode).
    static std::shared_ptr<ProjectExplorer> Create(const Site& site);
    ~ProjectExplorer() override;
    ProjectExplorer(const ProjectExplorer&) = delete;
    ProjectExplorer& operator=(const ProjectExplorer&) = delete;

    std::string TypeName() const override { return "ProjectExplorer"; }
    // Late-bound calls of the public members by name (any case).
    Variant Invoke(std::string_view name, CallKind kind, std::vector<Variant>& args) override;
    // Late-bound calls by DISPID.
    Variant InvokeById(int32_t dispid, CallKind kind, std::vector<Variant>& args);

    // Events to the container. Sinks are called in subscription order.
    Subscription Subscribe(ExplorerEvents& sink);
    // Raises event 1..14 with its arguments, as a late-bound container sees it.
    void RaiseEvent(int32_t number, std::vector<Variant>& args);

    // ---- Public properties ----
    bool Enabled() const { return mEnabled; }
    void SetEnabled(bool value);
    std::shared_ptr<Object> QVIDE() const { return mQVIDE; }
    void SetQVIDE(const std::shared_ptr<Object>& value);
    bool ReadOnly() const { return mReadOnly; }
    void SetReadOnly(bool value);
    bool ShowToolbar() const { return mShowToolbar; }
    void SetShowToolbar(bool value);
    Node* SelectedItem();
    void SetSelectedItem(Node* node);
    qv::Nodes* Nodes();
    std::shared_ptr<qv::TreeViewSpell> TreeViewSpell() const { return mTreeViewSpell; }

    // ---- Public methods ----
    void LoadQVProject(const std::shared_ptr<QVProject>& project, bool loadTopics = true,
                       bool loadImages = true, bool loadOtherFiles = true);
    void LoadQVProjectEx(const std::shared_ptr<QVProject>& project, bool loadTopics = true,
                         bool loadImages = true, bool loadOtherFiles = true,
                         bool loadBuildFlags = false, bool loadBuildProfiles = false,
                         bool loadBooklets = false);
    bool ToolStatus(const std::string& name);
    void ClickTool(const std::string& name);
    Node* HitTest(float x, float y);
    void SpellCheckNode(Node* node);
    void SpellCheckCurrentNode();
    void InitSpell();
    void Terminate();
    void RedoSpellCheck();
    void RemoveBadWord(const std::string& word);
    void HideEditControls();
    void ShowOnlyFindBar();
    void AddFileImage(const std::string& filename);
    void RemoveAllFileImages();
    void AddExtensionImage(const std::string& extension);
    bool CtrlKeyPressed();
    void SetToolbarStyle(int32_t style);

    // ---- The designer interface ----
    qv::Designer& Designer();
    bool IQVDesigner_Load(const std::string& filename);
    bool IQVDesigner_Save(bool saveAs);
    bool IQVDesigner_Dirty() const { return false; }
    void IQVDesigner_SetDirty(bool) {}
    void IQVDesigner_Initialize(const std::shared_ptr<Object>& ide);
    bool IQVDesigner_CommitEdits() { return false; }
    void IQVDesigner_SetEnabled(bool value);
    bool IQVDesigner_Enabled() const { return false; }
    void IQVDesigner_Terminate();
    Variant IQVDesigner_Name() const { return {}; }
    std::shared_ptr<Object> IQVDesigner_Object() const { return nullptr; }
    std::shared_ptr<Object> IQVDesigner_IDynamicHelpContext();
    void IQVDesigner_CommandClick(const std::string&) {}
    void IQVDesigner_BeforeClose(bool&) {}
    std::string IQVDesigner_Caption() const { return {}; }
    void IQVDesigner_LoadOptions();
    void IQVDesigner_OpenItemsChanged() {}
    void IQVDesigner_Deactivated() {}
    void IQVDesigner_Activated() {}
    bool IQVDesigner_UsesBinder() const { return false; }
    std::shared_ptr<Object> IQVDesigner_Form() const { return nullptr; }

    // ---- The dynamic-help interface ----
    void Initialise(const std::shared_ptr<Object>& notify) override {
        IDynamicHelpContext_Initialise(notify);
    }
    void QueryContext(KeywordCollection& keywords, Object& attributes) override {
        IDynamicHelpContext_QueryContext(keywords, attributes);
    }
    void IDynamicHelpContext_Initialise(const std::shared_ptr<Object>& notify);
    void IDynamicHelpContext_QueryContext(KeywordCollection& keywordCollection, Object& attributes);

    // ---- The container's side ----
    // The control's own end: releases, saves the find options, withdraws the instance count.
    // Runs at most once; the destructor runs it when the container did not.
    void UserControl_Terminate();
    // The container gives the control a new size (twips) and the control lays itself out.
    void SetSize(int32_t width, int32_t height);
    // The control's own surface and its child controls, for hosts that draw them and tests
    // that drive them.
    qv::Surface& ControlSurface() { return *surface_; }
    qv::TreeView& Tree() { return *tvw; }
    qv::CommandBar& Dock() { return *Dock_; }
    qv::WarningBar& Warning() { return *WarningBar_; }
    qv::ImageList& Images() { return *img16x16; }
    // The component's fields in the error report's format.
    std::string DumpModuleVariables() const;

private:
    struct PrivateTag {};

public:
    ProjectExplorer(PrivateTag, const Site& site);

private:
    class DesignerFace;
    class Sinks;

    void ConnectSinks();

    // Start-up
    void UserControl_Initialize();
    void UserControl_ReadProperties();
    void Initialize(const std::shared_ptr<Object>& ide);
    void LoadOptions();

    // Node keys and folders
    bool IsFolderNode(const Node* node);
    Node* GetFolderNode(const std::shared_ptr<OtherFile>& file);
    // The folder node a load found before for the file's folder on disk, if still in the
    // tree; nullptr otherwise (and outside a load). Raises nothing.
    Node* LoadFolderNode(const OtherFile& file) noexcept;
    std::string GetFolderName(const Node* node);

    // Loading
    void FireLoadProgress(const std::string& caption);
    // The progress of one item: prefix + name + "'", built in a buffer kept for the load.
    void FireItemProgress(std::string_view prefix, std::string_view name);
    void AddCategory(const std::shared_ptr<TopicCategory>& category);
    void AddTopic(const std::shared_ptr<Topic>& topic);
    // labelled: the node was made with the label MakeTopicLabel left in labelBuffer_.
    void UpdateTopicNode(const std::shared_ptr<Topic>& topic, Node* node, bool labelled = false);
    // A topic node's label: the name (grey when left out of the output), then the title.
    void MakeTopicLabel(const Topic& topic, std::string& label);
    void AddOtherFile(const std::shared_ptr<OtherFile>& file);
    void AddBuildProfile(const std::shared_ptr<BuildProfile>& profile);

    // Images
    std::string TopicImage(const std::shared_ptr<Topic>& topic);
    // The same into result, whose room is reused: a load sets 100,000 images or more.
    void TopicImage(const std::shared_ptr<Topic>& topic, std::string& result);
    std::string OtherFileImage(const std::shared_ptr<OtherFile>& file);
    // The same into result, whose room is reused: a load sets 50,000 file images or more.
    // known: the file's object, when the caller holds it already.
    void OtherFileImage(const std::shared_ptr<OtherFile>& file, std::string& result,
                        FileObject* known = nullptr);
    std::string BuildProfileImage(const std::shared_ptr<BuildProfile>& profile);
    int32_t OtherFileNodeColor(const std::shared_ptr<OtherFile>& file);
    // The system's grey text: a topic or file left out of the output.
    static constexpr int32_t kGreyTextColor = static_cast<int32_t>(0x80000011);
    // OtherFileNodeColor's answer without its frame, for a file in hand (nothing can fail).
    static int32_t FileNodeColor(const OtherFile& file) {
        return file.IncludeInOutput() ? 0 : kGreyTextColor;
    }
    bool CustomShellIcon(const std::shared_ptr<OtherFile>& file);
    void CreateAlternateImages(const std::string& key);
    std::shared_ptr<FileObject> MakeTemporaryFile(const std::string& extension);

    // Selection
    void NodeClick(Node* node);
    void tvw_NodeClicked(Node* node);
    void tvw_NodeDoubleClicked(Node* node);

    // Commands and dock events
    void Dock_CommandClick(Tool* command);
    void Dock_CommandKeyDown(Tool& command, int16_t keyCode, int16_t shift);
    void Dock_CommandChange(Tool& command, const std::string& fieldText, bool& cancel);
    void Dock_ClientResize();
    Variant IsChildWindow(int64_t window, int64_t ancestor);
    void StartLabelEdit();
    void mStartLabelEdit_Timer();
    void AddFiles(Tool& command, const std::string& nodeKey);
    void CreateNewOtherFile(const std::string& filename, bool& autoCopy, bool& cancel,
                            const std::string& autoCopyFolder);
    bool CopyIntoProject(const std::string& source, const std::string& target);
    void FindNow();

    // Tree editing
    void tvw_BeforeLabeleEdit(Node& node, bool& cancel);
    void tvw_AfterLabelEdit(Node& node, std::string& newString);
    void tvw_BeforeAddSibling(Node& selectedNode, std::string& newKey, std::string& newText,
                              std::string& image, std::string& expandedImage, bool& cancel);
    void tvw_AfterAddSibling(Node& newNode);
    void tvw_BeforeDeleteNodeEx(Node& node, bool& cancel, bool& noPrompt);
    void tvw_DeleteNode(Node& node);
    void DeleteFromDisk(const std::shared_ptr<OtherFile>& file, Node& node);
    void tvw_BeforeSetParent(Node& node, Node& newParent, bool& cancel);
    void tvw_AfterSetParent(Node& node);
    void tvw_NodeMoved(Node& node);
    void tvw_OLEStartDrag(DataObject& data, int32_t& allowedEffects);
    void tvw_OLESetData(DataObject& data, Variant& dataFormat);
    void tvw_OLEDragOver(Node* node, DataObject& data, float x, float y, int32_t& effect,
                         int16_t button, int16_t shift, int16_t state);
    void tvw_NodeBeforeDropHighlight(DataObject& data, Node* node,
                                     int32_t& dropHighlightRelationship);
    void tvw_OLECompleteDrag(int32_t& effect);
    void tvw_ExternalOLEDragDrop(DataObject& data, float x, float y, int32_t& effect,
                                 int16_t button, int16_t shift);
    bool IsFileFolderNode(const Node& node);
    void tvw_ContextMenu(float clientX, float clientY, float screenX, float screenY,
                         const std::string& key);
    void tvw_KeyDown(int16_t& keyCode, int16_t shift);
    void tvw_KeyUp(int16_t& keyCode, int16_t shift);
    void tvw_LostFocus();
    void tvw_MouseUp(float x, float y, int16_t button, int16_t shift);

    // Image tool requests
    void CaptureImage();
    void ReCaptureImage();
    void CreateImageMap();
    void ImageProcessing();
    std::shared_ptr<OtherFile> SelectedOtherFile();

    // Project events
    void mQVProject_BuildProfileAdded(const std::shared_ptr<BuildProfile>& profile);
    void mQVProject_BuildProfileChanged(const std::shared_ptr<BuildProfile>& profile);
    void mQVProject_BuildProfileRemoved(const std::shared_ptr<BuildProfile>& profile);
    void mQVProject_CheckoutStatusChanged();
    void mQVProject_OtherFileAdded(const std::shared_ptr<OtherFile>& file);
    void mQVProject_OtherFileChanged(const std::shared_ptr<OtherFile>& file);
    void mQVProject_OtherFileCheckoutStatusChanged(const std::shared_ptr<OtherFile>& file);
    void mQVProject_OtherFileRemoved(const std::shared_ptr<OtherFile>& file);
    void mQVProject_ProjectElementCheckOutStatusChanged(int32_t projectElementType);
    void mQVProject_TopicAdded(const std::shared_ptr<Topic>& topic);
    void mQVProject_TopicCategoryAdded(const std::shared_ptr<TopicCategory>& category);
    void mQVProject_TopicCategoryChanged(const std::shared_ptr<TopicCategory>& category);
    void mQVProject_TopicCategoryRemoved(const std::shared_ptr<TopicCategory>& category);
    void mQVProject_TopicCategoryReOrdered(const std::shared_ptr<TopicCategory>& category);
    void mQVProject_TopicChanged(const std::shared_ptr<Topic>& topic);
    void mQVProject_TopicCheckoutStatusChanged(const std::shared_ptr<Topic>& topic);
    void mQVProject_TopicRemoved(const std::shared_ptr<Topic>& topic);
    void mQVProject_TopicReOrdered(const std::shared_ptr<Topic>& topic);
    bool AppliesToFile(const std::shared_ptr<OtherFile>& file);

    // Find options
    void SaveFindOptions();

    // Layout and warning bar
    void ConfigureWarningBar();
    std::string WarningBarCaption(const std::string& localSpec, const std::string& prefix);
    bool IsSourceControlAvailable() { return false; }
    void UserControl_Resize();

    // Spelling
    void TerminateSpell(bool removeBadWordMarkup);

    // Helpers
    qv::SharedHelper& Shared();
    qv::DesignerHelper& DesignerHelp();
    qv::Registry& RegistryObject();
    std::string KeyType(const std::string& key) { return Shared().KeyType(key); }
    std::string KeyValue(const std::string& key) { return Shared().KeyValue(key); }
    Variant CallHost(const char* member, std::vector<Variant> args);
    Variant CallHostWith(const char* member, std::vector<Variant>& args);
    template <class... A> void Raise(void (ExplorerEvents::*event)(A...), auto&&... args);
    void ProjectChanged(); // moves the project event subscription to mQVProject

    // ---- Fields, in the order of the error report ----
    std::shared_ptr<Object> mDynamicHelpHost;
    std::shared_ptr<QVProject> mQVProject;
    bool mLoadedImages = false;
    bool mLoadedOtherFiles = false;
    bool mLoadedTopics = false;
    bool mLoadedBuildProfiles = false;
    bool mPosting = false;
    std::shared_ptr<Object> mQVIDE;
    bool mWarningBarVisible = false;
    bool mReadOnly = false;
    bool mShowToolbar = false;
    bool mEnabled = false;
    bool mUserMode = false;
    std::shared_ptr<qv::TreeViewSpell> mTreeViewSpell;
    bool mNoEditControls = false;
    bool mShowBitmapsAsIcons = false;
    bool mIgnoreEvents = false;
    bool mShowOnlyFindBar = false;
    bool mLabelEditInProgress = false;
    std::shared_ptr<Timer> mStartLabelEdit;

    // ---- Not part of the instance state the report lists ----
    Site site_;
    std::shared_ptr<qv::Surface> surface_; // made first: the child controls stand on it
    std::shared_ptr<qv::TreeView> tvw;
    std::shared_ptr<qv::CommandBar> Dock_;
    std::shared_ptr<qv::WarningBar> WarningBar_;
    std::shared_ptr<qv::ImageList> img16x16;
    // The global helper objects, created on first use and kept for the control's life.
    std::shared_ptr<qv::SharedHelper> sharedHelper_;
    std::shared_ptr<qv::DesignerHelper> designerHelper_;
    std::shared_ptr<qv::Registry> registry_;
    diag::ErrorReporter reporter_;
    diag::ErrorContext errors_;
    std::unique_ptr<Sinks> sinks_;
    std::unique_ptr<DesignerFace> designer_;
    Subscription projectSubscription_;
    Subscription timerSubscription_;
    std::vector<Subscription> controlSubscriptions_;
    std::vector<ExplorerEvents*> eventSinks_;
    int32_t width_ = 4800;  // twips
    int32_t height_ = 7200; // twips
    bool terminated_ = false;
    // Reused by each item's progress event of a load (taken out during the event, so that a
    // load started from inside one finds them empty).
    std::string progressCaption_;
    std::vector<Variant> progressArgs_;
    std::string labelBuffer_; // the room of the last topic label made
    std::string keyBuffer_;   // the room of the last file node's key made
    std::string imageBuffer_; // the room of the last topic image key made
    // The host's late-bound face, cast once per host object rather than once per call. The pin
    // keeps the object's control block, so that no later object passes for this one.
    struct HostCast {
        const Object* object = nullptr;
        std::weak_ptr<Object> pin;
        Dispatch* dispatch = nullptr;
    } hostCast_;
    // While a load adds its files: the folder node GetFolderNode found for each folder on disk,
    // one set for images and one for other files (by key, so that a node removed meanwhile is
    // not used). A load meets a folder's files in runs, often many runs a folder.
    struct LoadFolders {
        struct FolderHash {
            using is_transparent = void;
            std::size_t operator()(std::string_view s) const {
                return std::hash<std::string_view>{}(s);
            }
        };
        // The file's folder on disk (FolderRef) -> its folder node's key.
        using Keys = std::unordered_map<std::string, std::string, FolderHash, std::equal_to<>>;
        bool active = false;
        struct Kind {
            Keys keys;
            const Keys::value_type* last = nullptr; // asked first: the run's folder
        } kind[2];                                  // [IsImage]
    } loadFolders_;
};

// Events go to every sink in subscription order.
template <class... A>
void ProjectExplorer::Raise(void (ExplorerEvents::*event)(A...), auto&&... args) {
    // A snapshot: a sink may unsubscribe while the event runs. A few sinks are copied onto the
    // stack: a load raises an event per item.
    ExplorerEvents* few[4];
    std::vector<ExplorerEvents*> many;
    ExplorerEvents* const* sinks = few;
    const std::size_t count = eventSinks_.size();
    if (count <= std::size(few)) {
        std::copy(eventSinks_.begin(), eventSinks_.end(), few);
    } else {
        many = eventSinks_;
        sinks = many.data();
    }
    for (std::size_t i = 0; i < count; ++i)
        if (std::find(eventSinks_.begin(), eventSinks_.end(), sinks[i]) != eventSinks_.end())
            (sinks[i]->*event)(args...);
}

} // namespace qv
