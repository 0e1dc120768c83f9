#include "explorer/ProjectExplorer.h"

#include "contracts/Error.h"
#include "diagnostics/InstanceCounting.h"
#include "diagnostics/VariableDump.h"
#include "explorer/EventSinks.h"
#include "explorer/TypeInfo.h"

#include <algorithm>

namespace qv {

using diag::Procedure;
using diag::Var;

// Adapts the designer interface to the component's IQVDesigner_ members.
class ProjectExplorer::DesignerFace final : public qv::Designer {
public:
    explicit DesignerFace(ProjectExplorer& self) : self_(self) {}
    bool Load(const std::string& filename) override { return self_.IQVDesigner_Load(filename); }
    bool Save(bool saveAs) override { return self_.IQVDesigner_Save(saveAs); }
    bool Dirty() const override { return self_.IQVDesigner_Dirty(); }
    void SetDirty(bool value) override { self_.IQVDesigner_SetDirty(value); }
    void Initialize(const std::shared_ptr<qv::Object>& ide) override {
        self_.IQVDesigner_Initialize(ide);
    }
    bool CommitEdits() override { return self_.IQVDesigner_CommitEdits(); }
    void SetEnabled(bool value) override { self_.IQVDesigner_SetEnabled(value); }
    bool Enabled() const override { return self_.IQVDesigner_Enabled(); }
    void Terminate() override { self_.IQVDesigner_Terminate(); }
    Variant Name() const override { return self_.IQVDesigner_Name(); }
    std::shared_ptr<qv::Object> Object() const override { return self_.IQVDesigner_Object(); }
    std::shared_ptr<qv::Object> IDynamicHelpContext() override {
        return self_.IQVDesigner_IDynamicHelpContext();
    }
    void CommandClick(const std::string& name) override { self_.IQVDesigner_CommandClick(name); }
    void BeforeClose(bool& cancel) override { self_.IQVDesigner_BeforeClose(cancel); }
    std::string Caption() const override { return self_.IQVDesigner_Caption(); }
    void LoadOptions() override { self_.IQVDesigner_LoadOptions(); }
    void OpenItemsChanged() override { self_.IQVDesigner_OpenItemsChanged(); }
    void Deactivated() override { self_.IQVDesigner_Deactivated(); }
    void Activated() override { self_.IQVDesigner_Activated(); }
    bool UsesBinder() const override { return self_.IQVDesigner_UsesBinder(); }
    std::shared_ptr<qv::Object> Form() const override { return self_.IQVDesigner_Form(); }

private:
    ProjectExplorer& self_;
};

std::shared_ptr<ProjectExplorer> ProjectExplorer::Create(const Site& site) {
    auto control = std::make_shared<ProjectExplorer>(PrivateTag{}, site);
    control->UserControl_Initialize();
    control->UserControl_ReadProperties();
    return control;
}

ProjectExplorer::ProjectExplorer(PrivateTag, const Site& site)
    : site_(site), reporter_(site.libraries), errors_{reporter_, "ProjectExplorer",
                                                      [this] { return DumpModuleVariables(); }} {
    surface_ = site_.controls.CreateSurface();
    tvw = site_.controls.CreateTreeView(*surface_);
    Dock_ = site_.controls.CreateCommandBar(*surface_);
    WarningBar_ = site_.controls.CreateWarningBar(*surface_);
    img16x16 = site_.controls.CreateImageList();
    designer_ = std::make_unique<DesignerFace>(*this);
    ConnectSinks();
}

ProjectExplorer::~ProjectExplorer() {
    // The container normally ends the control itself; failures cannot leave a destructor.
    diag::IgnoreErrors([&] { UserControl_Terminate(); });
}

void ProjectExplorer::ConnectSinks() {
    sinks_ = std::make_unique<Sinks>(*this);
    controlSubscriptions_.push_back(tvw->Subscribe(sinks_->Tree()));
    controlSubscriptions_.push_back(Dock_->Subscribe(sinks_->Dock()));
    controlSubscriptions_.push_back(WarningBar_->Subscribe(sinks_->Warning()));
}

qv::Designer& ProjectExplorer::Designer() {
    return *designer_;
}

void ProjectExplorer::SetSize(int32_t width, int32_t height) {
    width_ = width;
    height_ = height;
    UserControl_Resize();
}

Subscription ProjectExplorer::Subscribe(ExplorerEvents& sink) {
    eventSinks_.push_back(&sink);
    std::weak_ptr<Object> alive = weak_from_this();
    return Subscription([this, alive, sink = &sink] {
        if (alive.expired()) return;
        auto it = std::find(eventSinks_.begin(), eventSinks_.end(), sink);
        if (it != eventSinks_.end()) eventSinks_.erase(it);
    });
}

void ProjectExplorer::RaiseEvent(int32_t number, std::vector<Variant>& args) {
    auto arg = [&](std::size_t i) -> Variant& {
        if (i >= args.size()) throw Error(err::InvalidArgument, "Argument not optional");
        return args[i];
    };
    namespace ev = typeinfo::event;
    switch (number) {
    case ev::ShowSpellContextMenu: {
        auto spell = arg(0).As<qv::TreeViewSpell>();
        bool cancel = arg(5).ToBool();
        Raise(&ExplorerEvents::ShowSpellContextMenu, spell, static_cast<float>(arg(1).ToDouble()),
              static_cast<float>(arg(2).ToDouble()), static_cast<float>(arg(3).ToDouble()),
              static_cast<float>(arg(4).ToDouble()), cancel);
        arg(5) = cancel;
        arg(0) = Variant(spell);
        break;
    }
    case ev::TopicSelected:
        Raise(&ExplorerEvents::TopicSelected, arg(0).As<Topic>());
        break;
    case ev::OtherFileSelected:
        Raise(&ExplorerEvents::OtherFileSelected, arg(0).As<OtherFile>());
        break;
    case ev::FolderNodeSelected:
        Raise(&ExplorerEvents::FolderNodeSelected);
        break;
    case ev::DoubleClick:
        Raise(&ExplorerEvents::DoubleClick);
        break;
    case ev::DesignerInitialize:
        Raise(&ExplorerEvents::DesignerInitialize, arg(0).ObjectValue());
        break;
    case ev::DesignerTerminate:
        Raise(&ExplorerEvents::DesignerTerminate);
        break;
    case ev::LoadProgress:
        Raise(&ExplorerEvents::LoadProgress, arg(0).ToString());
        break;
    case ev::CaptureImageRequest:
        Raise(&ExplorerEvents::CaptureImageRequest);
        break;
    case ev::ReCaptureImageRequest:
        Raise(&ExplorerEvents::ReCaptureImageRequest, arg(0).As<OtherFile>());
        break;
    case ev::CreateImageMapRequest:
        Raise(&ExplorerEvents::CreateImageMapRequest, arg(0).As<OtherFile>());
        break;
    case ev::ImageProcessingRequest:
        Raise(&ExplorerEvents::ImageProcessingRequest, arg(0).As<OtherFile>());
        break;
    case ev::RefreshTools:
        Raise(&ExplorerEvents::RefreshTools);
        break;
    case ev::TopicDblClick:
        Raise(&ExplorerEvents::TopicDblClick, arg(0).As<Topic>());
        break;
    default:
        throw Error(err::InvalidArgument, "Invalid procedure call or argument");
    }
}

// ---- Helper objects ----

qv::SharedHelper& ProjectExplorer::Shared() {
    if (!sharedHelper_) sharedHelper_ = site_.libraries.SharedHelper();
    if (!sharedHelper_)
        throw Error(err::CannotCreateObject, "ActiveX component can't create object");
    return *sharedHelper_;
}

qv::DesignerHelper& ProjectExplorer::DesignerHelp() {
    if (!designerHelper_) designerHelper_ = site_.libraries.DesignerHelper();
    if (!designerHelper_)
        throw Error(err::CannotCreateObject, "ActiveX component can't create object");
    return *designerHelper_;
}

qv::Registry& ProjectExplorer::RegistryObject() {
    if (!registry_) registry_ = site_.libraries.Registry();
    if (!registry_) throw Error(err::CannotCreateObject, "ActiveX component can't create object");
    return *registry_;
}

Variant ProjectExplorer::CallHost(const char* member, std::vector<Variant> args) {
    return CallHostWith(member, args);
}

Variant ProjectExplorer::CallHostWith(const char* member, std::vector<Variant>& args) {
    const std::shared_ptr<Object> ide = mQVIDE; // lives through the call, whatever it sets
    if (ide.get() != hostCast_.object || hostCast_.pin.owner_before(ide) ||
        ide.owner_before(hostCast_.pin))
        hostCast_ = {ide.get(), ide, dynamic_cast<Dispatch*>(ide.get())};
    if (!hostCast_.dispatch)
        throw Error(err::ObjectNotSet, "Object variable or With block variable not set");
    return hostCast_.dispatch->Invoke(member, CallKind::Method, args);
}

void ProjectExplorer::ProjectChanged() {
    projectSubscription_.Reset();
    if (mQVProject) projectSubscription_ = mQVProject->Subscribe(sinks_->Project());
}

// ---- Public properties ----

void ProjectExplorer::SetEnabled(bool value) {
    Procedure p(errors_, "Enabled", {{"New_Enabled", value}}, {Var::ExternalUdt("cb")});
    p.Run([&] {
        for (int32_t i = 1; i <= Dock_->BandCount(); ++i)
            Dock_->Band(i).SetEnabled(value);
        tvw->SetEnabled(value);
        mEnabled = value;
    });
}

void ProjectExplorer::SetQVIDE(const std::shared_ptr<Object>& value) {
    std::shared_ptr<QVProject> project;
    Procedure p(errors_, "QVIDE", {{"New_QVIDE", value}}, {{"Project", project}});
    p.Run([&] {
        mQVIDE = value;
        if (!value) return;
        auto host = std::dynamic_pointer_cast<Dispatch>(value);
        if (!host)
            throw Error(err::UnknownMember, "Object doesn't support this property or method");
        project = host->Get("ActiveQVproject").As<QVProject>();
        if (!project) throw Error(err::ObjectRequired, "Object required");
        LoadQVProjectEx(project, true, true, true, true, true, true);
    });
}

void ProjectExplorer::SetReadOnly(bool value) {
    Procedure p(errors_, "ReadOnly", {{"New_ReadOnly", value}});
    p.Run([&] {
        mReadOnly = value;
        UserControl_Resize();
    });
}

void ProjectExplorer::SetShowToolbar(bool value) {
    Procedure p(errors_, "ShowToolbar", {{"New_ShowToolbar", value}});
    p.Run([&] {
        mShowToolbar = value;
        Dock_->Band(1).SetVisible(value);
        if (!value) {
            Dock_->SetBorderStyle(0);
            Dock_->SetClientAreaFlat(1);
        }
    });
}

Node* ProjectExplorer::SelectedItem() {
    Node* result = nullptr;
    Procedure p(errors_, "SelectedItem");
    p.Run([&] { result = tvw->SelectedItem(); });
    return result;
}

void ProjectExplorer::SetSelectedItem(Node* node) {
    Procedure p(errors_, "SelectedItem", {{"New_SelectedItem", node}});
    p.Run([&] { tvw->SetSelectedItem(node); });
}

qv::Nodes* ProjectExplorer::Nodes() {
    qv::Nodes* result = nullptr;
    Procedure p(errors_, "Nodes");
    p.Run([&] { result = &tvw->Nodes(); });
    return result;
}

Node* ProjectExplorer::HitTest(float x, float y) {
    Node* result = nullptr;
    Procedure p(errors_, "HitTest", {{"x", x}, {"y", y}});
    p.Run([&] { result = tvw->HitTest(x, y); });
    return result;
}

bool ProjectExplorer::ToolStatus(const std::string& name) {
    bool result = false;
    Procedure p(errors_, "ToolStatus", {{"Name", name}});
    p.Run([&] { result = Dock_->Item(name).Enabled(); });
    return result;
}

void ProjectExplorer::ClickTool(const std::string& name) {
    Tool* tool = nullptr;
    Procedure p(errors_, "ClickTool", {{"Name", name}});
    p.Run([&] {
        diag::IgnoreErrors([&] { tool = &Dock_->Item(name); });
        Dock_CommandClick(tool);
    });
}

bool ProjectExplorer::CtrlKeyPressed() {
    bool result = false;
    Procedure p(errors_, "CtrlKeyPressed");
    p.Run([&] { result = site_.keyboard.IsKeyDown(0x11); });
    return result;
}

void ProjectExplorer::SetToolbarStyle(int32_t style) {
    Procedure p(errors_, "SetToolbarStyle", {Var::UdtParameter("Style")});
    p.Run([&] { DesignerHelp().ApplyToolbarStyle(*Dock_, style); });
}

void ProjectExplorer::HideEditControls() {
    Procedure p(errors_, "HideEditControls");
    p.Run([&] {
        mNoEditControls = true;
        for (const char* name :
             {"AddCategory", "AddTopic", "AddImage", "CaptureImage", "AddOtherFile", "Edit",
              "EditNewWindow", "Delete", "MoveUp", "MoveDown"})
            Dock_->Item(name).SetVisible(false);
    });
}

void ProjectExplorer::ShowOnlyFindBar() {
    Procedure p(errors_, "ShowOnlyFindBar");
    p.Run([&] {
        mShowOnlyFindBar = true;
        Dock_->Band("Tools").SetVisible(false);
        Dock_->Band("FindBar").SetVisible(true);
        Dock_->Item("FindIn").SetVisible(false);
        Dock_->StateItem("FindInName").SetChecked(1);
        Dock_->StateItem("FindInCaption").SetChecked(1);
    });
}

// ---- The designer interface ----

bool ProjectExplorer::IQVDesigner_Load(const std::string&) {
    return false;
}
bool ProjectExplorer::IQVDesigner_Save(bool) {
    return false;
}

void ProjectExplorer::Initialize(const std::shared_ptr<Object>& ide) {
    Procedure p(errors_, "Initialize", {{"QVIDE", ide}});
    p.Run([&] {
        mQVIDE = ide;
        for (const char* name :
             {"IncludeInBookletOutput", "AddBuildFlag", "AddBooklet", "CaptureImage",
              "ReCaptureImage", "CreateImageMap", "OpenImageProcessing"})
            Dock_->Item(name).Hide();
    });
}

void ProjectExplorer::IQVDesigner_Initialize(const std::shared_ptr<Object>& ide) {
    Procedure p(errors_, "IQVDesigner_Initialize", {{"QVIDE", ide}});
    p.Run([&] {
        Initialize(ide);
        mQVIDE = ide;
        Raise(&ExplorerEvents::DesignerInitialize, ide);
    });
}

void ProjectExplorer::IQVDesigner_SetEnabled(bool value) {
    Procedure p(errors_, "IQVDesigner_Enabled", {{"RHS", value}});
    // The control's own surface: every child control at once, each keeping its own Enabled;
    // the Enabled property stays.
    p.Run([&] { surface_->SetEnabled(value); });
}

void ProjectExplorer::IQVDesigner_Terminate() {
    Procedure p(errors_, "IQVDesigner_Terminate");
    p.Run([&] {
        Terminate();
        Raise(&ExplorerEvents::DesignerTerminate);
    });
}

std::shared_ptr<Object> ProjectExplorer::IQVDesigner_IDynamicHelpContext() {
    return shared_from_this();
}

void ProjectExplorer::IQVDesigner_LoadOptions() {
    Procedure p(errors_, "IQVDesigner_LoadOptions");
    p.Run([&] { LoadOptions(); });
}

void ProjectExplorer::LoadOptions() {
    std::shared_ptr<DesignerOptions> options;
    Procedure p(errors_, "LoadOptions", {}, {{"Options", options}});
    p.Run([&] {
        options = DesignerHelp().Options();
        if (!options)
            throw Error(err::ObjectNotSet, "Object variable or With block variable not set");
        p.line = 1;
        mShowBitmapsAsIcons = options->ShowBitmapsAsIcons();
        p.line = 2;
        SetToolbarStyle(options->ToolbarStyle());
        p.line = 3;
        WarningBar_->SetStyle(DesignerHelp().WarningBarStyle());
        p.line = 4;
        if (mQVIDE) {
            if (!mTreeViewSpell && options->CheckSpelling()) {
                InitSpell();
                if (mTreeViewSpell) mTreeViewSpell->Start();
                RedoSpellCheck();
            } else if (mTreeViewSpell && !options->CheckSpelling()) {
                TerminateSpell(true);
            } else if (mTreeViewSpell) {
                RedoSpellCheck();
            }
        }
        p.line = 5;
        for (const char* name : {"CheckIn", "CheckOut", "GetLatestVersion", "UndoCheckOut"})
            Dock_->Item(name).SetVisible(IsSourceControlAvailable());
    });
}

// ---- The control's end ----

void ProjectExplorer::UserControl_Terminate() {
    if (terminated_) return;
    terminated_ = true;
    Procedure p(errors_, "Usercontrol_Terminate");
    p.Run([&] {
        diag::IgnoreErrors([&] { mQVIDE.reset(); });
        if (mUserMode && !mShowOnlyFindBar) diag::IgnoreErrors([&] { SaveFindOptions(); });
        p.line = 3;
        diag::ReleaseInstance(diag::kProjectExplorerComponent);
    });
}

// ---- The field dump ----

std::string ProjectExplorer::DumpModuleVariables() const {
    using diag::DumpVariable;
    std::string out;
    out += DumpVariable("mDynamicHelpHost", Variant(mDynamicHelpHost));
    out += DumpVariable("mQVProject", Variant(mQVProject));
    out += DumpVariable("mLoadedImages", mLoadedImages);
    out += DumpVariable("mLoadedOtherFiles", mLoadedOtherFiles);
    out += DumpVariable("mLoadedTopics", mLoadedTopics);
    out += DumpVariable("mLoadedBuildProfiles", mLoadedBuildProfiles);
    out += DumpVariable("mPosting", mPosting);
    out += DumpVariable("mQVIDE", Variant(mQVIDE));
    out += DumpVariable("mWarningBarVisible", mWarningBarVisible);
    out += DumpVariable("mReadOnly", mReadOnly);
    out += DumpVariable("mShowToolbar", mShowToolbar);
    out += DumpVariable("mEnabled", mEnabled);
    out += DumpVariable("mUserMode", mUserMode);
    out += DumpVariable("mTreeViewSpell", Variant(mTreeViewSpell));
    out += DumpVariable("mNoEditControls", mNoEditControls);
    out += DumpVariable("mShowBitmapsAsIcons", mShowBitmapsAsIcons);
    out += DumpVariable("mIgnoreEvents", mIgnoreEvents);
    out += DumpVariable("mShowOnlyFindBar", mShowOnlyFindBar);
    out += DumpVariable("mLabelEditInProgress", mLabelEditInProgress);
    out += DumpVariable("mStartLabelEdit", Variant(mStartLabelEdit));
    return out;
}

} // namespace qv
