#include "Session.h"

#include "Format.h"
#include "Script.h"
#include "contracts/Error.h"
#include "contracts/LoadScope.h"
#include "controls/TreeText.h"
#include "host/HelpContext.h"
#include "model/ModelErrors.h"
#include "model/ProjectFileReader.h"

#include <cmath>
#include <filesystem>
#include <new>
#include <ostream>

namespace qvx {

namespace {

int32_t ParseNumber(const std::string& text) {
    try {
        std::size_t used = 0;
        const long v = std::stol(text, &used, 0);
        if (used == text.size()) return static_cast<int32_t>(v);
    } catch (const std::exception&) {
    }
    throw UsageError("not a number: " + text);
}

// A number counts as the platform converts it: 0 is False, any other (the IDE's -1) True.
bool ParseBool(const std::string& text) {
    const std::string v = qv::AsciiLower(text);
    if (v == "true" || v == "on" || v == "yes") return true;
    if (v == "false" || v == "off" || v == "no") return false;
    try {
        return ParseNumber(text) != 0;
    } catch (const UsageError&) {
    }
    throw UsageError("not a Boolean: " + text);
}

void Need(const std::vector<std::string>& args, std::size_t minimum, std::size_t maximum,
          const char* usage) {
    if (args.size() < minimum || args.size() > maximum)
        throw UsageError(std::string("usage: ") + usage);
}

} // namespace

Session::Session(std::ostream& out, qv::PosixInstrumentation* instrumentation)
    : out_(out), instrumentation_(instrumentation), libraries_(boxes_, dialogs_) {
    boxes_.SetObserver(
        [this](int32_t buttons, const std::string& title, const std::string& text, int32_t answer) {
            // CR LF (or a lone LF) in the text is written as \n.
            const std::string quoted = QuoteLine(text);
            Line("msgbox " + std::to_string(buttons) + " " + QuoteLine(title) + " " + quoted +
                 " -> " + qv::AnswerWord(answer));
        });
    dialogs_.SetObserver([this](const std::string& title, const std::vector<std::string>& paths) {
        std::string line = "dialog " + QuoteLine(title) + " ->";
        if (paths.empty()) line += " none";
        for (const auto& p : paths)
            line += " " + QuoteLine(p);
        Line(line);
    });
    libraries_.ErrorComponent().SetObserver([this](const qv::ErrorComponentReport& r) {
        Line("report " + std::to_string(r.number) + " " + QuoteLine(r.module) + " " +
             QuoteLine(r.procedure) + " " + std::to_string(r.line) + " " +
             QuoteLine(r.description));
        // Every line of the text indented, a line break inside a dumped value (a lone LF)
        // included, so that no report line can pass for a line of another kind.
        std::size_t start = 0;
        while (start <= r.text.size()) {
            std::size_t end = r.text.find('\n', start);
            if (end == std::string::npos) end = r.text.size();
            const std::size_t cut = end > start && r.text[end - 1] == '\r' ? end - 1 : end;
            Line("  " + r.text.substr(start, cut - start));
            if (end == r.text.size()) break;
            start = end + 1;
        }
    });
    ide_ = std::make_shared<qv::IdeObject>(libraries_.Designer());
    ide_->SetObserver([this](std::string_view member, std::vector<qv::Variant>& args) {
        Line("host " + FormatCall(std::string(member), args));
    });
}

Session::~Session() {
    // A control still open ends with the session, as its container closes.
    try {
        EndControl();
    } catch (...) {
    }
}

void Session::Line(const std::string& text) {
    out_ << text << '\n';
}

template <class F> void Session::Guard(F&& call) {
    try {
        call();
    } catch (const UsageError&) {
        throw; // a wrong argument of the line, found as it runs (an unknown field, a Boolean)
    } catch (const qv::Error& e) {
        Line("raised " + std::to_string(e.Number()) + " " + QuoteLine(e.Description()));
    } catch (const std::exception& e) {
        Line("raised 51 " + QuoteLine(e.what()));
    }
}

void Session::LetPendingWorkRun() {
    if (instrumentation_) instrumentation_->Poll();
    Guard([&] { ui_.DoEvents(); });
}

// ---- Setting up ----

std::shared_ptr<qv::Project> Session::ReadProject(const std::string& projectFile) {
    try {
        qv::LoadOptions options;
        if (const auto* statuses = libraries_.Designer()->TopicStatuses();
            statuses && !statuses->empty())
            options.defaultStatus = statuses->front().name;
        auto project = qv::LoadProject(ExpandPath(projectFile), options);
        projectFolder_ = project->Folder();
        return project;
    } catch (const qv::Error& e) {
        throw ProjectLoadError(e.Description());
    } catch (const std::bad_alloc&) {
        throw ProjectLoadError(projectFile + ": not enough memory to read it");
    } catch (const std::exception& e) {
        throw ProjectLoadError(e.what());
    }
}

void Session::CreateControl(bool designer) {
    EndControl();
    ApplyOptions();
    qv::Site site{controls_, libraries_, ui_, windows_, keyboard_, true, instrumentation_};
    control_ = qv::ProjectExplorer::Create(site);
    events_ = control_->Subscribe(*this);
    control_->SetSize(4800, 7200);
    windows_.focus = control_->Tree().hWnd();
    if (designer) {
        Guard([&] { control_->Designer().Initialize(ide_); });
        Guard([&] { control_->Designer().LoadOptions(); });
    }
}

void Session::EndControl() {
    if (!control_) return;
    auto control = std::move(control_);
    Guard([&] { control->UserControl_Terminate(); });
    events_.Reset();
}

void Session::EndBeforeExit() {
    if (!control_) return;
    Guard([&] { control_->UserControl_Terminate(); });
    events_.Reset();
}

void Session::Open(const std::string& projectFile) {
    // One load from the file to the tree: the designer's load answers its files' existence
    // from the folder listings the reading took, instead of reading them again.
    qv::LoadScope load;
    project_ = ReadProject(projectFile);
    CreateControl(true);
    ide_->SetProject(project_);
    Guard([&] { control_->SetQVIDE(ide_); });
}

void Session::Load(const std::string& projectFile, const std::string& flags) {
    if (flags.size() != 6 || flags.find_first_not_of("01") != std::string::npos)
        throw UsageError("FLAGS must be six 0/1 digits");
    project_ = ReadProject(projectFile);
    CreateControl(false);
    auto f = [&](int i) { return flags[static_cast<std::size_t>(i)] == '1'; };
    Guard([&] { control_->LoadQVProjectEx(project_, f(0), f(1), f(2), f(3), f(4), f(5)); });
}

void Session::SetOption(const std::string& name, const std::string& value) {
    qv::HostOptions& o = options_;
    const std::string n = qv::AsciiLower(name);
    auto number = [&] {
        const std::string v = qv::AsciiLower(value);
        if (v == "true") return -1;
        if (v == "false") return 0;
        return ParseNumber(value);
    };
    if (n == "showbitmapsasicons")
        o.showBitmapsAsIcons = ParseBool(value);
    else if (n == "checkspelling")
        o.checkSpelling = ParseBool(value);
    else if (n == "toolbarstyle")
        o.toolbarStyle = number();
    else if (n == "warningbarstyle")
        o.warningBarStyle = number();
    else if (n == "suppressdeleteprompt")
        o.suppressDeletePrompt = ParseBool(value);
    else if (n == "errorcomponent")
        o.errorComponent = ParseBool(value);
    else
        throw UsageError("unknown option: " + name);
}

void Session::SetProperty(const std::string& name, const std::string& value) {
    const std::string n = qv::AsciiLower(name);
    const bool v = ParseBool(value);
    qv::ProjectExplorer& control = Control();
    if (n == "readonly")
        Guard([&] { control.SetReadOnly(v); });
    else if (n == "showtoolbar")
        Guard([&] { control.SetShowToolbar(v); });
    else if (n == "enabled")
        Guard([&] { control.SetEnabled(v); });
    else
        throw UsageError("unknown property: " + name);
}

// Arguments of "call": True/False, whole numbers, node:KEY, nothing, missing, else strings.
void Session::CallMethod(const std::vector<std::string>& args) {
    Need(args, 2, 64, "call METHOD [ARG...]");
    std::vector<qv::Variant> values;
    for (std::size_t i = 2; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "True" || a == "False") {
            values.emplace_back(a == "True");
        } else if (a == "nothing") {
            values.emplace_back(nullptr);
        } else if (a == "missing") {
            values.push_back(qv::Variant::Missing());
        } else if (a.rfind("node:", 0) == 0) {
            values.emplace_back(NodeByKey(a.substr(5)).shared_from_this());
        } else if (a == "project") {
            values.emplace_back(std::shared_ptr<qv::QVProject>(project_));
        } else if (!a.empty() && a.find_first_not_of("-0123456789") == std::string::npos &&
                   a != "-") {
            values.emplace_back(ParseNumber(a));
        } else {
            values.emplace_back(ExpandPath(a));
        }
    }
    qv::ProjectExplorer& control = Control();
    Guard([&] {
        qv::Variant result = control.Invoke(args[1], qv::CallKind::Method, values);
        if (!result.IsEmpty()) Line("result " + FormatValue(result));
    });
}

// ---- Acting as the rest of the IDE ----

void Session::ProjectCommand(const std::vector<std::string>& args) {
    Need(args, 2, 16, "project COMMAND ...");
    qv::Project& project = ActiveProject();
    const std::string& c = args[1];
    auto arg = [&](std::size_t i) -> std::string {
        if (i >= args.size()) throw UsageError("project " + c + ": missing argument");
        return ExpandPath(args[i]);
    };
    auto exact = [&](std::size_t n) {
        if (args.size() != n) throw UsageError("project " + c + ": wrong number of arguments");
    };
    if (c == "add-topic") {
        if (args.size() != 5 && args.size() != 6)
            throw UsageError("usage: project add-topic ID NAME TITLE [CATEGORY]");
        Guard([&] { project.AddTopic(arg(2), arg(3), arg(4), args.size() == 6 ? arg(5) : ""); });
    } else if (c == "add-category") {
        exact(4);
        Guard([&] { project.AddCategory(arg(2), arg(3)); });
    } else if (c == "set-topic") {
        exact(5);
        const std::string field = qv::AsciiLower(arg(3));
        const std::string value = arg(4);
        Guard([&] {
            auto topic = project.GetTopic(arg(2));
            if (field == "name")
                topic->SetName(value);
            else if (field == "title")
                topic->SetTitle(value);
            else if (field == "caption")
                topic->SetCaption(value);
            else if (field == "category")
                topic->SetCategory(value.empty() ? nullptr : project.GetCategory(value));
            else if (field == "status")
                topic->SetStatus(value);
            else if (field == "includeinoutput")
                topic->SetIncludeInOutput(ParseBool(value));
            else if (field == "readonly")
                project.SetTopicReadOnly(arg(2), ParseBool(value));
            else
                throw UsageError("unknown topic field: " + args[3]);
        });
    } else if (c == "set-file") {
        exact(5);
        const std::string field = qv::AsciiLower(arg(3));
        Guard([&] {
            if (field == "includeinoutput")
                project.GetFile(arg(2))->SetIncludeInOutput(ParseBool(arg(4)));
            else if (field == "readonly")
                project.SetFileReadOnly(arg(2), ParseBool(arg(4)));
            else
                throw UsageError("unknown file field: " + args[3]);
        });
    } else if (c == "move-topic") {
        exact(4);
        Guard([&] { project.MoveTopic(arg(2), arg(3)); });
    } else if (c == "move-category") {
        exact(4);
        Guard([&] { project.MoveCategory(arg(2), arg(3)); });
    } else if (c == "element-checkout") {
        exact(3);
        const int32_t type = ParseNumber(arg(2));
        Guard([&] { project.RaiseElementCheckout(type); });
    } else if (c == "remove-topic") {
        exact(3);
        Guard([&] { project.RemoveTopic(arg(2)); });
    } else if (c == "remove-category") {
        exact(3);
        Guard([&] { project.RemoveCategory(arg(2)); });
    } else if (c == "remove-file") {
        exact(3);
        Guard([&] { project.RemoveFile(arg(2)); });
    } else if (c == "remove-profile") {
        exact(3);
        Guard([&] { project.RemoveProfile(arg(2)); });
    } else if (c == "add-file") {
        exact(3);
        Guard([&] { project.AddFile(arg(2)); });
    } else if (c == "add-profile") {
        exact(4);
        Guard([&] { project.AddProfile(arg(2), arg(3)); });
    } else if (c == "readonly") {
        exact(3);
        const bool on = ParseBool(arg(2));
        Guard([&] { project.SetProjectReadOnly(on); });
    } else if (c == "save") {
        exact(2);
        Guard([&] { project.Save(); });
    } else {
        throw UsageError("unknown project command: " + c);
    }
}

// ---- Acting as the user ----

void Session::Answer(const std::vector<std::string>& args) {
    Need(args, 2, 64, "answer yes|no|cancel|ok...");
    std::vector<int32_t> codes;
    for (std::size_t i = 1; i < args.size(); ++i) {
        auto code = qv::AnswerCode(args[i]);
        if (!code) throw UsageError("not an answer: " + args[i]);
        codes.push_back(*code);
    }
    for (int32_t code : codes)
        boxes_.Queue(code);
}

void Session::Choose(const std::vector<std::string>& args) {
    Need(args, 2, 256, "choose PATH...|none");
    if (args.size() == 2 && args[1] == "none") {
        dialogs_.Queue({});
        return;
    }
    std::vector<std::string> paths;
    for (std::size_t i = 1; i < args.size(); ++i)
        paths.push_back(FullPath(args[i]));
    dialogs_.Queue(std::move(paths));
}

// ---- Printing ----

void Session::PrintTree() {
    out_ << qv::TreeText(Tree(), "tree ");
}

void Session::Print(const std::vector<std::string>& args) {
    Need(args, 2, 3, "print tree|tools|menu|bars|selected|images|warning|layout|field TOOL");
    const std::string& what = args[1];
    auto bit = [](bool b) { return b ? "1" : "0"; };
    if (what == "tree") {
        Need(args, 2, 2, "print tree");
        PrintTree();
    } else if (what == "tools") {
        qv::CommandBar& dock = Dock();
        for (int32_t i = 1; i <= dock.ToolCount(); ++i) {
            qv::Tool& t = dock.ToolAt(i);
            Line("tool " + t.Name() + " enabled=" + bit(t.Enabled()) +
                 " visible=" + bit(t.Visible()) + " checked=" + bit(t.Checked() == 1));
        }
    } else if (what == "menu") {
        for (auto* entry : Dock().VisibleMenuEntries("popContext"))
            Line("entry " + entry->Tool().Name() + " " + QuoteLine(entry->Caption()) +
                 " enabled=" + bit(entry->Tool().Enabled()));
    } else if (what == "bars") {
        qv::CommandBar& dock = Dock();
        for (int32_t i = 1; i <= dock.BandCount(); ++i)
            Line("bar " + dock.Band(i).Name() + " visible=" + bit(dock.Band(i).Visible()));
    } else if (what == "selected") {
        qv::Node* s = Tree().SelectedItem();
        Line(s ? "selected " + s->Key() : "selected none");
    } else if (what == "field") {
        Need(args, 3, 3, "print field TOOL");
        Line("field " + args[2] + " " + QuoteLine(Dock().Item(args[2]).Text()));
    } else if (what == "images") {
        qv::ImageList& images = Control().Images();
        for (int32_t i = 1; i <= images.Count(); ++i)
            Line("image " + images.Key(i));
    } else if (what == "warning") {
        qv::WarningBar& w = Control().Warning();
        Line(std::string("warning visible=") + bit(w.Visible()) + " " + QuoteLine(w.Caption()));
    } else if (what == "layout") {
        qv::WarningBar& w = Control().Warning();
        Line("layout warningbar " + std::to_string(w.Left()) + " " + std::to_string(w.Top()) + " " +
             std::to_string(w.Width()) + " " + std::to_string(w.Height()));
        const qv::Rect d = Dock().Position();
        Line("layout dock " + std::to_string(d.left) + " " + std::to_string(d.top) + " " +
             std::to_string(d.width) + " " + std::to_string(d.height));
    } else {
        throw UsageError("unknown print: " + what);
    }
}

// ---- Lookups ----

qv::ProjectExplorer& Session::Control() {
    if (!control_) throw UsageError("no control: open or load a project first");
    return *control_;
}

qv::HeadlessTreeView& Session::Tree() {
    return static_cast<qv::HeadlessTreeView&>(Control().Tree());
}

qv::HeadlessCommandBar& Session::Dock() {
    return static_cast<qv::HeadlessCommandBar&>(Control().Dock());
}

qv::Project& Session::ActiveProject() {
    if (!project_) throw UsageError("no project: open or load a project first");
    return *project_;
}

qv::Node& Session::NodeByKey(const std::string& key) {
    const std::string k = ExpandPath(key);
    if (!Tree().Nodes().Contains(k)) throw UsageError("no node with the key " + k);
    return Tree().Nodes().Item(k);
}

// A dialog and a file manager hand over full paths: a relative one is taken from the current
// folder.
std::string Session::FullPath(const std::string& path) const {
    const std::string expanded = ExpandPath(path);
    if (expanded.empty() || expanded[0] == '/') return expanded;
    return (std::filesystem::current_path() / expanded).lexically_normal().string();
}

std::string Session::ExpandPath(const std::string& path) const {
    static const std::string marker = "$PROJECT/";
    std::string out = path;
    for (std::size_t at = out.find(marker); at != std::string::npos;
         at = out.find(marker, at + projectFolder_.size()))
        out.replace(at, marker.size(), projectFolder_);
    return out;
}

// ---- The command table ----

void Session::Run(const std::vector<std::string>& args) {
    if (args.empty()) return;
    const std::string& c = args[0];
    if (c == "open") {
        Need(args, 2, 2, "open PROJECTFILE");
        Open(args[1]);
    } else if (c == "load") {
        Need(args, 2, 3, "load PROJECTFILE [FLAGS]");
        Load(args[1], args.size() == 3 ? args[2] : "111000");
    } else if (c == "option") {
        Need(args, 3, 3, "option NAME VALUE");
        SetOption(args[1], args[2]);
    } else if (c == "loadoptions") {
        Need(args, 1, 1, "loadoptions");
        qv::ProjectExplorer& control = Control();
        ApplyOptions();
        Guard([&] { control.Designer().LoadOptions(); });
    } else if (c == "set") {
        Need(args, 3, 3, "set PROPERTY VALUE");
        SetProperty(args[1], args[2]);
    } else if (c == "call") {
        CallMethod(args);
    } else if (c == "close") {
        Need(args, 1, 1, "close");
        qv::ProjectExplorer& control = Control();
        Guard([&] { control.Designer().Terminate(); });
        EndControl();
    } else if (c == "select") {
        Need(args, 2, 2, "select KEY|none");
        qv::HeadlessTreeView& tree = Tree();
        if (args[1] == "none") {
            Guard([&] { tree.SetSelectedItem(nullptr); });
        } else {
            qv::Node& node = NodeByKey(args[1]);
            Guard([&] { tree.Click(&node); });
        }
    } else if (c == "dblclick") {
        Need(args, 2, 2, "dblclick KEY");
        qv::Node& node = NodeByKey(args[1]);
        qv::HeadlessTreeView& tree = Tree();
        // As a platform tree: the first click selects, the double click opens or closes a node
        // with children as its expander does, then the tree reports the double click.
        Guard([&] {
            tree.Click(&node);
            if (node.ChildCount() > 0) {
                if (node.Expanded())
                    tree.Collapse(&node);
                else
                    tree.Expand(&node);
            }
            tree.DoubleClick(&node);
        });
    } else if (c == "expand" || c == "collapse") {
        Need(args, 2, 2, "expand|collapse KEY");
        qv::Node& node = NodeByKey(args[1]);
        qv::HeadlessTreeView& tree = Tree();
        Guard([&] {
            if (c == "expand")
                tree.Expand(&node);
            else
                tree.Collapse(&node);
        });
    } else if (c == "click") {
        Need(args, 2, 2, "click TOOL");
        qv::ProjectExplorer& control = Control();
        Guard([&] { control.ClickTool(args[1]); });
    } else if (c == "field") {
        Need(args, 3, 3, "field TOOL TEXT");
        qv::HeadlessCommandBar& dock = Dock();
        Guard([&] { dock.UserSetFieldText(args[1], args[2]); });
    } else if (c == "enter") {
        Need(args, 2, 2, "enter TOOL");
        qv::HeadlessCommandBar& dock = Dock();
        Guard([&] { dock.UserKeyDown(args[1], 13, 0); });
    } else if (c == "help") {
        Need(args, 1, 1, "help");
        qv::ProjectExplorer& control = Control();
        auto keywords = std::make_shared<qv::HelpKeywordList>();
        auto attributes = std::make_shared<qv::HelpAttributeSet>();
        Guard([&] { control.QueryContext(*keywords, *attributes); });
        for (const auto& k : keywords->Items())
            Line("help keyword " + k);
        for (const auto& [name, value] : attributes->pairs)
            Line("help attribute " + name + " " + value);
    } else if (c == "key") {
        Need(args, 2, 3, "key Enter|F2|F4|Delete|Insert [shift]");
        static const std::pair<const char*, int16_t> kKeys[] = {
            {"enter", 13}, {"f2", 113}, {"f4", 115}, {"delete", 46}, {"insert", 45}};
        int16_t code = 0;
        for (const auto& [name, value] : kKeys)
            if (qv::AsciiLower(args[1]) == name) code = value;
        if (code == 0) throw UsageError("unknown key: " + args[1]);
        if (args.size() == 3 && qv::AsciiLower(args[2]) != "shift")
            throw UsageError("usage: key NAME [shift]");
        const int16_t shift = args.size() == 3 ? 1 : 0;
        qv::HeadlessTreeView& tree = Tree();
        Guard([&] { tree.KeyDown(code, shift); });
    } else if (c == "type") {
        Need(args, 2, 2, "type TEXT");
        qv::HeadlessTreeView& tree = Tree();
        if (!tree.LabelEditOpen()) throw UsageError("type: no label edit is open");
        Guard([&] { tree.FinishLabelEdit(args[1]); });
    } else if (c == "drag") {
        Need(args, 5, 5, "drag KEY onto KEY into|before|after");
        if (args[2] != "onto") throw UsageError("usage: drag KEY onto KEY into|before|after");
        const std::string& where = args[4];
        const int32_t relationship = where == "into"     ? 4
                                     : where == "before" ? 3
                                     : where == "after"  ? 2
                                                         : 0;
        if (relationship == 0) throw UsageError("drag: into, before or after, not " + where);
        qv::Node& source = NodeByKey(args[1]);
        qv::Node& target = NodeByKey(args[3]);
        qv::HeadlessTreeView& tree = Tree();
        Guard([&] { tree.Drag(&source, &target, relationship); });
    } else if (c == "dropfiles") {
        Need(args, 3, 256, "dropfiles KEY PATH...");
        qv::Node& target = NodeByKey(args[1]);
        std::vector<std::string> paths;
        for (std::size_t i = 2; i < args.size(); ++i)
            paths.push_back(FullPath(args[i]));
        qv::HeadlessTreeView& tree = Tree();
        Guard([&] { tree.DropFiles(&target, paths); });
    } else if (c == "rightclick") {
        Need(args, 1, 1, "rightclick");
        qv::HeadlessTreeView& tree = Tree();
        Guard([&] { tree.RightClick(); });
    } else if (c == "answer") {
        Answer(args);
    } else if (c == "choose") {
        Choose(args);
    } else if (c == "project") {
        ProjectCommand(args);
    } else if (c == "print") {
        Print(args);
    } else {
        throw UsageError("unknown command: " + c);
    }
}

// ---- Events of the control ----

void Session::ShowSpellContextMenu(std::shared_ptr<qv::TreeViewSpell>& spell, float clientX,
                                   float clientY, float screenX, float screenY,
                                   bool& cancelDefault) {
    Line("event " + FormatCall("ShowSpellContextMenu", {qv::Variant(spell), clientX, clientY,
                                                        screenX, screenY, cancelDefault}));
}
void Session::TopicSelected(const std::shared_ptr<qv::Topic>& t) {
    Line("event " + FormatCall("TopicSelected", {qv::Variant(t)}));
}
void Session::OtherFileSelected(const std::shared_ptr<qv::OtherFile>& f) {
    Line("event " + FormatCall("OtherFileSelected", {qv::Variant(f)}));
}
void Session::FolderNodeSelected() {
    Line("event FolderNodeSelected");
}
void Session::DoubleClick() {
    Line("event DoubleClick");
}
void Session::DesignerInitialize(const std::shared_ptr<qv::Object>& ide) {
    Line("event " + FormatCall("DesignerInitialize", {qv::Variant(ide)}));
}
void Session::DesignerTerminate() {
    Line("event DesignerTerminate");
}
void Session::LoadProgress(const std::string& caption) {
    Line("event LoadProgress " + QuoteLine(caption));
}
void Session::CaptureImageRequest() {
    Line("event CaptureImageRequest");
}
void Session::ReCaptureImageRequest(const std::shared_ptr<qv::OtherFile>& f) {
    Line("event " + FormatCall("ReCaptureImageRequest", {qv::Variant(f)}));
}
void Session::CreateImageMapRequest(const std::shared_ptr<qv::OtherFile>& f) {
    Line("event " + FormatCall("CreateImageMapRequest", {qv::Variant(f)}));
}
void Session::ImageProcessingRequest(const std::shared_ptr<qv::OtherFile>& f) {
    Line("event " + FormatCall("ImageProcessingRequest", {qv::Variant(f)}));
}
void Session::RefreshTools() {
    Line("event RefreshTools");
}
void Session::TopicDblClick(const std::shared_ptr<qv::Topic>& t) {
    Line("event " + FormatCall("TopicDblClick", {qv::Variant(t)}));
}

} // namespace qvx
