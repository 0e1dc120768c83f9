#include "support/ExplorerHarness.h"

#include "model/ProjectFileReader.h"
#include "support/TreeDump.h"
#include "support/TreeInvariants.h"

#include <filesystem>

namespace qvtest {

std::string Describe(const qv::Variant& value) {
    if (value.IsMissing()) return "missing";
    if (value.Type() != qv::VarType::Object) return value.ToString();
    const auto& o = value.ObjectValue();
    if (!o) return "nothing";
    if (auto t = std::dynamic_pointer_cast<qv::Topic>(o)) return "topic:" + t->ID();
    if (auto c = std::dynamic_pointer_cast<qv::TopicCategory>(o)) return "category:" + c->ID();
    if (auto f = std::dynamic_pointer_cast<qv::OtherFile>(o))
        return "file:" + f->File()->FileName();
    if (auto b = std::dynamic_pointer_cast<qv::BuildProfile>(o)) return "profile:" + b->ID();
    return o->TypeName();
}

ExplorerHarness::ExplorerHarness(bool userMode, qv::Instrumentation* instrumentation)
    : userMode_(userMode), instrumentation_(instrumentation) {
    boxes.SetObserver(
        [this](int32_t buttons, const std::string& title, const std::string& text, int32_t answer) {
            log.Add("msgbox " + std::to_string(buttons) + " " + title + ": " + text + " -> " +
                    qv::AnswerWord(answer));
        });
    libraries.ErrorComponent().SetObserver([this](const qv::ErrorComponentReport& r) {
        log.Add("report " + std::to_string(r.number) + " " + r.procedure);
        reports.push_back(r);
    });
    // The status icons of the source tree, as qvx has them beside its program.
    libraries.Designer()->SetAppFolder(std::string(QV_SOURCE_DIR) + "/resources/");
    ide = std::make_shared<qv::IdeObject>(libraries.Designer());
    ide->SetObserver([this](std::string_view member, std::vector<qv::Variant>& args) {
        std::string line = "host " + std::string(member);
        for (const auto& a : args)
            line += " " + Describe(a);
        log.Add(line);
    });
    CreateControl();
}

void ExplorerHarness::CreateControl() {
    qv::Site site{controls, libraries, ui, windows, keyboard, userMode_, instrumentation_};
    control = qv::ProjectExplorer::Create(site);
    events_ = control->Subscribe(*this);
    windows.focus = control->Tree().hWnd();
}

void ExplorerHarness::Restart() {
    events_.Reset();
    control->UserControl_Terminate();
    control.reset();
    CreateControl();
}

ExplorerHarness::~ExplorerHarness() {
    events_.Reset();
    control.reset();
}

void ExplorerHarness::Open(std::shared_ptr<qv::Project> p) {
    project = std::move(p);
    control->Designer().Initialize(ide);
    control->Designer().LoadOptions();
    ide->SetProject(project);
    control->SetQVIDE(ide);
}

std::shared_ptr<qv::Project> ExplorerHarness::Sample() {
    std::filesystem::copy(std::string(QV_SOURCE_DIR) + "/samples/Handbook",
                          dir.Path() + "/Handbook", std::filesystem::copy_options::recursive);
    return qv::LoadProject(dir.Path() + "/Handbook/Handbook.qvproj");
}

std::shared_ptr<qv::Project> ExplorerHarness::NewProject() {
    return qv::Project::Create(dir.Path() + "/Test.qvproj");
}

std::shared_ptr<qv::Project> ExplorerHarness::TwoCategoryProject() {
    auto p = NewProject();
    p->AddCategory("C1", "Basics");
    p->AddCategory("C2", "Advanced");
    p->AddTopic("T1", "Intro", "Intro", "C1", "Draft");
    p->AddTopic("T2", "Next", "Next", "C1", "Draft");
    p->AddTopic("T3", "Deep", "Deep", "C2", "Draft");
    return p;
}

std::shared_ptr<qv::Project> ExplorerHarness::SmallProject() {
    auto p = TwoCategoryProject();
    p->AddTopic("T4", "Loose", "Loose", "", "Complete");
    dir.Write("images/shots/a.png", "picture");
    dir.Write("readme.txt", "text");
    p->AddFile("images\\shots\\a.png");
    p->AddFile("readme.txt");
    p->AddProfile("B1", "Web")->SetOutputFolder("out\\web");
    p->AddProfile("B2", "Compiled")->SetOutputFolder("out\\chm");
    p->GetProfile("B1")->SetCurrent(true);
    p->GetProfile("B2")->SetCompiledHelp(true);
    p->GetProfile("B2")->SetHelpFormat(1);
    p->SetAllowCategoryIndex(true);
    return p;
}

std::string ExplorerHarness::ProjectFolder() const {
    return project ? project->Folder() : "";
}

qv::HeadlessTreeView& ExplorerHarness::Tree() {
    return static_cast<qv::HeadlessTreeView&>(control->Tree());
}

qv::HeadlessCommandBar& ExplorerHarness::Dock() {
    return static_cast<qv::HeadlessCommandBar&>(control->Dock());
}

qv::Node& ExplorerHarness::NodeAt(const std::string& key) {
    if (key.rfind("o:", 0) == 0 && key.rfind("o:/", 0) != 0)
        return Tree().Nodes().Item("o:" + ProjectFolder() + key.substr(2));
    return Tree().Nodes().Item(key);
}

void ExplorerHarness::Select(const std::string& key) {
    Tree().Click(&NodeAt(key));
}

std::string ExplorerHarness::Dump() {
    ExpectTreeInvariants(Tree());
    return DumpTree(Tree());
}

std::string ExplorerHarness::Menu() {
    std::string out;
    for (auto* entry : Dock().VisibleMenuEntries("popContext")) {
        if (!out.empty()) out += " ";
        out += entry->Tool().Name();
    }
    return out;
}

void ExplorerHarness::TopicSelected(const std::shared_ptr<qv::Topic>& t) {
    log.Add("event TopicSelected " + Describe(qv::Variant(t)));
}
void ExplorerHarness::OtherFileSelected(const std::shared_ptr<qv::OtherFile>& f) {
    log.Add("event OtherFileSelected " + Describe(qv::Variant(f)));
}
void ExplorerHarness::FolderNodeSelected() {
    log.Add("event FolderNodeSelected");
}
void ExplorerHarness::DoubleClick() {
    log.Add("event DoubleClick");
}
void ExplorerHarness::DesignerInitialize(const std::shared_ptr<qv::Object>&) {
    log.Add("event DesignerInitialize");
}
void ExplorerHarness::DesignerTerminate() {
    log.Add("event DesignerTerminate");
}
void ExplorerHarness::LoadProgress(const std::string& caption) {
    log.Add("event LoadProgress " + caption);
}
void ExplorerHarness::CaptureImageRequest() {
    log.Add("event CaptureImageRequest");
}
void ExplorerHarness::ReCaptureImageRequest(const std::shared_ptr<qv::OtherFile>& f) {
    log.Add("event ReCaptureImageRequest " + Describe(qv::Variant(f)));
}
void ExplorerHarness::CreateImageMapRequest(const std::shared_ptr<qv::OtherFile>& f) {
    log.Add("event CreateImageMapRequest " + Describe(qv::Variant(f)));
}
void ExplorerHarness::ImageProcessingRequest(const std::shared_ptr<qv::OtherFile>& f) {
    log.Add("event ImageProcessingRequest " + Describe(qv::Variant(f)));
}
void ExplorerHarness::RefreshTools() {
    log.Add("event RefreshTools");
}
void ExplorerHarness::TopicDblClick(const std::shared_ptr<qv::Topic>& t) {
    log.Add("event TopicDblClick " + Describe(qv::Variant(t)));
}

} // namespace qvtest
