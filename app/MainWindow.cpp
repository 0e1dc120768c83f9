#include "MainWindow.h"

#include "BuildReportDialog.h"
#include "BuildRunner.h"
#include "DiskRefresh.h"
#include "FileReveal.h"
#include "NodeItems.h"
#include "ProfileDialog.h"
#include "TopicEditor.h"
#include "TopicPropertiesDialog.h"
#include "UndoMenu.h"
#include "contracts/Error.h"
#include "contracts/LoadScope.h"
#include "explorer/ProjectExplorer.h"
#include "gui/CommandBarWidget.h"
#include "gui/ErrorBoundary.h"
#include "gui/ErrorReportLog.h"
#include "gui/ExplorerWidget.h"
#include "gui/KeyboardMoves.h"
#include "gui/SpellMenu.h"
#include "gui/TreeModel.h"
#include "gui/TreeWidget.h"
#include "host/DesktopLauncher.h"
#include "host/ProfileBuilder.h"
#include "model/ProfileItem.h"
#include "model/Project.h"
#include "model/ProjectFileReader.h"
#include "model/TopicItem.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <optional>
#include <utility>
#include <vector>

namespace qv::app {

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// The project file a path names: the file itself, or the one .qvproj file of a folder.
QString ProjectFileOf(const QString& path, QString& problem) {
    const QFileInfo info(path);
    if (!info.exists()) {
        problem = QObject::tr("%1 does not exist.").arg(QDir::toNativeSeparators(path));
        return {};
    }
    if (!info.isDir()) return info.absoluteFilePath();
    const QStringList found = QDir(path).entryList({"*.qvproj"}, QDir::Files, QDir::Name);
    if (found.size() == 1) return QDir(path).absoluteFilePath(found.front());
    problem = found.isEmpty()
                  ? QObject::tr("The folder %1 holds no project file (*.qvproj).")
                        .arg(QDir::toNativeSeparators(path))
                  : QObject::tr("The folder %1 holds several project files: %2. Open one of "
                                "them with File > Open Project.")
                        .arg(QDir::toNativeSeparators(path), found.join(", "));
    return {};
}

// The same file on disk (device and inode) when both exist, else the same absolute path.
bool SameFile(const QString& a, const QString& b) {
    std::error_code error;
    const bool same = std::filesystem::equivalent(QFile::encodeName(a).toStdString(),
                                                  QFile::encodeName(b).toStdString(), error);
    return error ? QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath() : same;
}

QString ExceptionText() {
    try {
        throw;
    } catch (const Error& e) {
        return QObject::tr("Error %1: %2").arg(e.Number()).arg(Q(e.Description()));
    } catch (const std::bad_alloc&) {
        return QObject::tr("Out of memory");
    } catch (const std::exception& e) {
        return Q(e.what());
    } catch (...) {
        return QObject::tr("Unknown failure");
    }
}

} // namespace

// Keeps the title and the editor captions in step with the project.
class MainWindow::ProjectWatcher final : public ProjectEvents {
public:
    ProjectWatcher(MainWindow& window, QVProject& project)
        : window_(window), subscription_(project.Subscribe(*this)) {}

    void BuildProfileAdded(const std::shared_ptr<BuildProfile>&) override { Changed(); }
    void BuildProfileChanged(const std::shared_ptr<BuildProfile>&) override { Changed(); }
    void BuildProfileRemoved(const std::shared_ptr<BuildProfile>&) override { Changed(); }
    void OtherFileAdded(const std::shared_ptr<OtherFile>&) override { Changed(); }
    void OtherFileChanged(const std::shared_ptr<OtherFile>&) override { Changed(); }
    void OtherFileRemoved(const std::shared_ptr<OtherFile>&) override { Changed(); }
    void TopicAdded(const std::shared_ptr<Topic>&) override { Changed(); }
    void TopicCategoryAdded(const std::shared_ptr<TopicCategory>&) override { Changed(); }
    void TopicCategoryChanged(const std::shared_ptr<TopicCategory>&) override { Changed(); }
    void TopicCategoryRemoved(const std::shared_ptr<TopicCategory>&) override { Changed(); }
    void TopicCategoryReOrdered(const std::shared_ptr<TopicCategory>&) override { Changed(); }
    void TopicChanged(const std::shared_ptr<Topic>&) override { Changed(); }
    void TopicRemoved(const std::shared_ptr<Topic>&) override { Changed(); }
    void TopicReOrdered(const std::shared_ptr<Topic>&) override { Changed(); }

private:
    // Queued: the events come in the middle of the component's own work.
    void Changed() {
        if (queued_) return;
        queued_ = true;
        QMetaObject::invokeMethod(
            &window_,
            [this] {
                queued_ = false;
                window_.UpdateTitle();
                window_.RefreshEditorCaptions();
                window_.ShowCurrentProfile();
            },
            Qt::QueuedConnection);
    }

    MainWindow& window_;
    Subscription subscription_;
    bool queued_ = false;
};

// The container's side of the component's events.
class MainWindow::ExplorerSink final : public ExplorerEvents {
public:
    ExplorerSink(MainWindow& window, ProjectExplorer& control)
        : window_(window), subscription_(control.Subscribe(*this)) {}

    void ShowSpellContextMenu(std::shared_ptr<TreeViewSpell>&, float, float, float, float,
                              bool& cancelDefault) override {
        window_.ShowSpellMenu(cancelDefault);
    }
    void LoadProgress(const std::string& caption) override { window_.ShowLoadProgress(caption); }

private:
    MainWindow& window_;
    Subscription subscription_;
};

template <class F> bool MainWindow::Guard(F&& f) {
    try {
        f();
        return true;
    } catch (...) {
        const QString text = ExceptionText();
        Note(tr("Failed: %1").arg(text));
        QMessageBox::critical(this, tr("Quorvel"), text);
        return false;
    }
}

MainWindow::MainWindow(AppSettings& settings)
    : settings_(settings), boxes_(this), dialogs_(this), libraries_(boxes_, dialogs_),
      splitter_(new QSplitter(this)), editors_(new QTabWidget(this)),
      builder_(new BuildRunner(this)), buildTimer_(new QTimer(this)), buildLabel_(new QLabel(this)),
      buildProgress_(new QProgressBar(this)), cancelBuild_(new QPushButton(tr("Cancel"), this)) {
    setObjectName("mainWindow");
    setWindowIcon(QIcon::fromTheme("help-contents"));
    libraries_.SetFileService(trash_);
    HostOptions& options = libraries_.Options();
    options.checkSpelling = true;
    // Off: decoding every image file for its icon would make large projects slow to open.
    options.showBitmapsAsIcons = false;
    options.errorComponent = true;
    errorLog_ = std::make_unique<ErrorReportLog>(libraries_.ErrorComponent(), std::string(), this);

    boxes_.SetBeforeShow([this] { ShowSearching(false); });
    ide_ = std::make_shared<DesktopIde>(libraries_.Designer(), boxes_);
    DesktopIdeActions actions;
    actions.showTopicProperties = [this](const auto& topic) { ShowTopicProperties(topic); };
    actions.editTopic = [this](const auto& topic, bool newWindow) { EditTopic(topic, newWindow); };
    actions.editOtherFile = [this](const auto& file) { EditOtherFile(file); };
    actions.editBuildProfile = [this](const auto& profile) { EditBuildProfile(profile); };
    // The explorer selects a new topic only when it is its category's first: the author is
    // shown every new topic, once the command that made it is over.
    actions.topicCreated = [this](const auto& topic) {
        QMetaObject::invokeMethod(
            this, [this, key = "t:" + topic->ID()] { ShowNode(key); }, Qt::QueuedConnection);
    };
    actions.startBuild = [this](const std::shared_ptr<ProfileItem>& p) { StartBuild(p); };
    actions.buildFailed = [this](const Error& e) { BuildFailed(Q(e.Description())); };
    ide_->SetActions(std::move(actions));
    ide_->SetObserver([this](std::string_view member, std::vector<Variant>&) {
        // Called for each of a load's 100,000 progress reports: no copy for those.
        if (member.size() != 15 && member.size() != 22) return;
        const std::string name = AsciiLower(member);
        if (name == "createthumbnail" || name == "locatetopicintoceditor")
            Note(tr("%1: not offered by this program").arg(Q(std::string(member))));
    });

    editors_->setObjectName("editors");
    editors_->setTabsClosable(true);
    editors_->setDocumentMode(true);
    connect(editors_, &QTabWidget::tabCloseRequested, this, [this](int index) {
        CloseEditor(qobject_cast<TopicEditor*>(editors_->widget(index)));
    });
    auto* hint = new QLabel(tr("Double-click a topic to edit it."), this);
    hint->setAlignment(Qt::AlignCenter);
    hint->setEnabled(false);
    auto* right = new QWidget(this);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(editors_, 1);
    rightLayout->addWidget(hint);
    connect(editors_, &QTabWidget::currentChanged, hint,
            [this, hint] { hint->setVisible(editors_->count() == 0); });
    splitter_->addWidget(right);
    splitter_->setChildrenCollapsible(false);
    setCentralWidget(splitter_);

    BuildMenus();
    buildLabel_->setObjectName("buildLabel");
    buildProgress_->setObjectName("buildProgress");
    buildProgress_->setMaximumWidth(260);
    cancelBuild_->setObjectName("cancelBuild");
    connect(cancelBuild_, &QPushButton::clicked, this, [this] { CancelBuild(); });
    for (QWidget* w : {static_cast<QWidget*>(buildLabel_), static_cast<QWidget*>(buildProgress_),
                       static_cast<QWidget*>(cancelBuild_)}) {
        statusBar()->addPermanentWidget(w);
        w->hide();
    }
    // The build thread only counts; the bar follows the counts a few times a second.
    buildTimer_->setInterval(100);
    connect(buildTimer_, &QTimer::timeout, this, [this] { ShowBuildProgress(); });
    statusBar()->showMessage(tr("Ready"));
    resize(1100, 720);
    if (!settings_.WindowGeometry().isEmpty()) restoreGeometry(settings_.WindowGeometry());
    UpdateTitle();
}

MainWindow::~MainWindow() {
    builder_->Stop();
    // The component holds references to the services below; it must end first.
    try {
        if (explorer_ && !componentEnded_) {
            Control()->Designer().Terminate();
            Control()->UserControl_Terminate();
        }
    } catch (...) {
    }
    explorerSink_.reset();
    delete explorer_;
    undo_->Close(); // it holds the trash, a member that goes before the menu
    watcher_.reset();
}

ProjectExplorer* MainWindow::Control() const {
    return explorer_ ? &explorer_->Control() : nullptr;
}

TopicEditor* MainWindow::CurrentEditor() const {
    return qobject_cast<TopicEditor*>(editors_->currentWidget());
}

std::vector<TopicEditor*> MainWindow::WindowEditors() const {
    std::vector<TopicEditor*> editors;
    for (const auto& editor : windowEditors_)
        if (editor) editors.push_back(editor);
    return editors;
}

QString MainWindow::ProjectName() const {
    return project_ ? QFileInfo(Q(project_->Path())).completeBaseName() : QString();
}

void MainWindow::Note(const QString& text) {
    statusBar()->showMessage(text, 8000);
    if (log_) log_(text);
}

void MainWindow::ShowLoadProgress(std::string_view caption, bool force) {
    if (!force && loadPainted_.isValid() && loadPainted_.elapsed() < 100) return;
    loadPainted_.start();
    const QString text = tr("Opening: %1").arg(QString::fromUtf8(caption.data(), caption.size()));
    statusBar()->showMessage(text);
    statusBar()->repaint();
    if (!log_) return;
    const QCursor* cursor = QApplication::overrideCursor();
    log_((cursor && cursor->shape() == Qt::WaitCursor ? "(busy cursor) " : "") + text);
}

void MainWindow::ShowSearching(bool running) {
    if (!running) {
        // Only its own note: a box of the search took it down already, and a note given since
        // stays.
        if (std::exchange(searchShown_, false)) statusBar()->clearMessage();
        return;
    }
    searchShown_ = true;
    const QComboBox* field = explorer_ ? explorer_->Commands().Field("FindValue") : nullptr;
    const QString text = tr("Searching for \"%1\"…").arg(field ? field->currentText() : QString());
    // The search holds the event loop: paint now.
    statusBar()->showMessage(text);
    statusBar()->repaint();
    if (!log_) return;
    const QCursor* cursor = QApplication::overrideCursor();
    log_((cursor && cursor->shape() == Qt::WaitCursor ? "(busy cursor) " : "") + text);
}

void MainWindow::OpenOnDesktop(const QString& path) {
    const QString shown = QDir::toNativeSeparators(path);
    Note(tr("Opening %1").arg(shown));
    OpenWithDesktop(path.toStdString(), *this, [this, shown](const std::string& why) {
        Note(tr("Could not open %1").arg(shown));
        QMessageBox::warning(this, tr("Open"), Q(why));
    });
}

void MainWindow::BuildMenus() {
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->addAction(tr("&Open Project..."), QKeySequence::Open, this,
                    [this] { ChooseProjectFile(); });
    file->addAction(tr("Open Project &Folder..."), this, [this] { ChooseProjectFolder(); });
    recentMenu_ = file->addMenu(tr("&Recent Projects"));
    file->addSeparator();
    saveAction_ = file->addAction(tr("&Save"), QKeySequence::Save, this, [this] { SaveAll(); });
    saveAction_->setObjectName("save");
    closeAction_ = file->addAction(tr("&Close Project"), this, [this] {
        if (CloseProject()) UpdateTitle();
    });
    file->addSeparator();
    file->addAction(tr("Reveal in File &Manager"), QKeySequence(tr("Ctrl+Alt+R")), this, [this] {
        QString path;
        RevealSelected(path);
    });
    file->addSeparator();
    file->addAction(tr("&Quit"), QKeySequence::Quit, this, [this] { close(); });

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    undo_ = new UndoMenu(*edit, *this);
    connect(undo_, &UndoMenu::Applied, this, [this](const QString& shownKey) {
        UpdateTitle(); // the step may have brought the project back to its save
        if (!explorer_) return;
        // The item the step is about is selected and shown, as the gesture it takes back or
        // does again left it; otherwise the selection stays where the tree put it. Either way
        // the node is clicked: the explorer sets its tools (the status, include in output)
        // then, and the step may have changed what they show.
        if (!shownKey.isEmpty() && ShowNode(shownKey.toStdString())) return;
        if (Node* node = Control()->Tree().SelectedItem()) ShowNode(node->Key());
    });
    edit->addSeparator();
    // The window's own key, beside the command set's: it reaches the find field from anywhere.
    edit->addAction(tr("&Find in Project"), QKeySequence::Find, this, [this] {
        if (explorer_) explorer_->FocusFindField();
    });

    QMenu* build = menuBar()->addMenu(tr("&Build"));
    buildAction_ = build->addAction(tr("&Build Current Profile"), QKeySequence(Qt::Key_F7), this,
                                    [this] { BuildCurrent(); });
    profileActions_ = new QActionGroup(this);
    connect(build, &QMenu::aboutToShow, this, [this, build] { FillProfileMenu(*build); });
    build->addAction(tr("Open &Output"), this, [this] {
        Guard([&] {
            if (!project_) return;
            auto profile = ProfileBuilder::CurrentProfile(*project_);
            if (!profile) throw Error(err::InvalidArgument, "No build profile is current");
            const QString index = Q(profile->OutputFolder()) + "index.html";
            if (!QFileInfo::exists(index))
                throw Error(err::FileNotFound, "The build profile \"" + profile->Name() +
                                                   "\" has not been built yet: there is no " +
                                                   index.toStdString());
            OpenOnDesktop(index);
        });
    });

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->addAction(tr("&About"), this, [this] {
        QMessageBox::about(this, tr("About Quorvel"),
                           tr("Quorvel: the project explorer of a help project.\n\nSettings: %1")
                               .arg(QDir::toNativeSeparators(settings_.FilePath())));
    });
    UpdateRecentMenu();
}

void MainWindow::FillProfileMenu(QMenu& build) {
    for (QAction* a : profileActions_->actions())
        delete a;
    if (!project_) return;
    const auto profiles = project_->BuildProfiles();
    if (profiles->Count() > 0) profileActions_->addAction(build.addSeparator());
    for (int32_t i = 1; i <= profiles->Count(); ++i) {
        auto profile = std::dynamic_pointer_cast<ProfileItem>(profiles->Item(i));
        if (!profile) continue;
        QAction* a = build.addAction(Q(profile->Name()).replace('&', "&&"));
        a->setCheckable(true);
        a->setChecked(profile->Current());
        a->setStatusTip(tr("Make %1 the current build profile").arg(Q(profile->Name())));
        profileActions_->addAction(a);
        connect(a, &QAction::triggered, this, [this, id = profile->ID()] {
            Guard([&] {
                if (!project_ || ide_->RefuseReadOnly("The current build profile was not changed."))
                    return;
                const auto all = project_->BuildProfiles();
                for (int32_t j = 1; j <= all->Count(); ++j)
                    all->Item(j)->SetCurrent(all->Item(j)->ID() == id);
            });
        });
    }
}

void MainWindow::ShowCurrentProfile() {
    if (!explorer_ || !project_) return;
    auto profile = ProfileBuilder::CurrentProfile(*project_);
    explorer_->Tree().Model().SetBoldKey(profile ? "bp:" + profile->ID() : std::string());
    buildAction_->setText(profile ? tr("&Build %1").arg(Q(profile->Name()).replace('&', "&&"))
                                  : tr("&Build Current Profile"));
}

void MainWindow::UpdateRecentMenu() {
    recentMenu_->clear();
    const QStringList recent = settings_.RecentProjects();
    for (const QString& path : recent)
        recentMenu_->addAction(QDir::toNativeSeparators(path), this, [this, path] {
            if (!OpenProject(path) && !QFileInfo::exists(path)) {
                settings_.RemoveRecentProject(path);
                UpdateRecentMenu();
            }
        });
    recentMenu_->setEnabled(!recent.isEmpty());
}

void MainWindow::UpdateTitle() {
    const bool open = project_ != nullptr;
    QString title = tr("Quorvel");
    if (open) {
        title = ProjectName() + (Modified() ? "*" : "") + " - " + title;
        if (project_->ReadOnly()) title += tr(" (read-only)");
    }
    setWindowTitle(title);
    saveAction_->setEnabled(open);
    closeAction_->setEnabled(open);
    buildAction_->setEnabled(open && !Building());
}

void MainWindow::RefreshEditorCaptions() {
    // An editor stays open, with its text, when its topic leaves the project (deleted, or an
    // undo took it away); its caption says so.
    auto caption = [this](const TopicEditor& editor) {
        const bool inProject = project_ && project_->FindTopic(editor.Topic()->ID());
        return editor.Caption() + (inProject ? QString() : tr(" (not in the project)"));
    };
    for (int i = 0; i < editors_->count(); ++i)
        if (auto* editor = qobject_cast<TopicEditor*>(editors_->widget(i)))
            editors_->setTabText(i, caption(*editor));
    for (const auto& editor : windowEditors_)
        if (editor) editor->window()->setWindowTitle(caption(*editor));
}

bool MainWindow::Modified() const {
    if (project_ && project_->Dirty()) return true;
    for (int i = 0; i < editors_->count(); ++i)
        if (auto* editor = qobject_cast<TopicEditor*>(editors_->widget(i));
            editor && editor->Modified())
            return true;
    for (const auto& editor : windowEditors_)
        if (editor && editor->Modified()) return true;
    return false;
}

bool MainWindow::OpenProject(const QString& path) {
    QString problem;
    const QString projectFile = ProjectFileOf(path, problem);
    if (projectFile.isEmpty()) {
        QMessageBox::warning(this, tr("Open Project"), problem);
        return false;
    }
    if (!CloseProject()) return false;
    return Guard([&] {
        // Until the tree is complete, also when the open fails (before its message shows).
        struct Busy {
            MainWindow& window;
            explicit Busy(MainWindow& w) : window(w) {
                QApplication::setOverrideCursor(Qt::WaitCursor);
                window.loadPainted_.invalidate();
            }
            ~Busy() {
                QApplication::restoreOverrideCursor();
                window.loadPainted_.invalidate();
            }
        } busy(*this);
        ShowLoadProgress(tr("Reading %1").arg(QDir::toNativeSeparators(projectFile)).toStdString(),
                         true);
        LoadOptions options;
        if (const auto* statuses = libraries_.Designer()->TopicStatuses();
            statuses && !statuses->empty())
            options.defaultStatus = statuses->front().name;
        // One load from the file to the tree: the designer's load answers its files'
        // existence from the folder listings the reading took. It ends with the tree.
        std::optional<LoadScope> load(std::in_place);
        std::shared_ptr<Project> project;
        try {
            project = LoadProject(projectFile.toStdString(), options);
        } catch (const Error& e) {
            throw Error(e.Number(), "The project could not be opened.\n" + e.Description());
        }
        project_ = project;
        // Before the explorer and the IDE object, which may change the project.
        undo_->Open(project_, trash_);
        ide_->SetProject(project_);
        watcher_ = std::make_unique<ProjectWatcher>(*this, *project_);

        Site site{controls_, libraries_, ui_, windows_, keyboard_, true};
        auto control = ProjectExplorer::Create(site);
        explorerSink_ = std::make_unique<ExplorerSink>(*this, *control);
        explorer_ = new ExplorerWidget(control, splitter_);
        explorer_->setObjectName("explorer");
        connect(&explorer_->Moves(), &KeyboardMoves::notice, this, &MainWindow::Note);
        connect(&explorer_->Commands(), &CommandBarWidget::searching, this,
                &MainWindow::ShowSearching);
        splitter_->insertWidget(0, explorer_);
        if (!settings_.SplitterState().isEmpty())
            splitter_->restoreState(settings_.SplitterState());
        else
            splitter_->setSizes({360, 740});
        // As the IDE hosts its designers: initialise, read the options, hand over the IDE
        // object, which loads its active project.
        Guarded(this, [&] { control->Designer().Initialize(ide_); });
        Guarded(this, [&] { control->Designer().LoadOptions(); });
        Guarded(this, [&] { control->SetQVIDE(ide_); });
        load.reset();
        RestoreExpansion(settings_.ExpandedNodes(Q(project_->Path())));
        // A file outside the project folder is named by its whole path.
        explorer_->Tree().SetToolTipProvider(
            [folder = Q(project_->Folder())](const HeadlessNode& n) {
                const std::string key(n.KeyRef());
                if (key.rfind("o:", 0) != 0) return QString();
                const QString path = Q(key.substr(2));
                return path.startsWith(folder) ? QString() : QDir::toNativeSeparators(path);
            });
        ShowCurrentProfile();
        explorer_->Relayout();
        control->Tree().SetFocus();
        explorer_->Tree().Model().SetRowFacts([project = project_.get()](const HeadlessNode& node) {
            return RowFacts(*project, node);
        });
        disk_ = new DiskRefresh(project_, this);
        // Queued: a reload replaces the watcher, which must not happen inside its own call.
        connect(disk_, &DiskRefresh::Refreshed, this, &MainWindow::DiskRefreshed,
                Qt::QueuedConnection);
        connect(disk_, &DiskRefresh::Watching, this, [this](int unwatched) {
            if (unwatched > 0)
                Note(tr("%n folder(s) of the project cannot be watched (the system's limit of "
                        "watches): the tree does not follow changes made there by other "
                        "programs.",
                        nullptr, unwatched));
        });

        settings_.AddRecentProject(Q(project_->Path()));
        UpdateRecentMenu();
        UpdateTitle();
        QString opened = tr("Opened %1").arg(QDir::toNativeSeparators(Q(project_->Path())));
        // Without a dictionary the titles are simply not checked: the author should know why.
        if (!ide_->SpellEngineError().empty())
            opened += tr(". Spelling is not checked: %1").arg(Q(ide_->SpellEngineError()));
        Note(opened);
    });
}

bool MainWindow::CloseProject() {
    if (!project_) return true;
    if (Modified()) {
        const auto answer = QMessageBox::question(
            this, tr("Close Project"),
            tr("The project %1 has unsaved changes. Save them?").arg(ProjectName()),
            QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
        if (answer == QMessageBox::Cancel) return false;
        if (answer == QMessageBox::Save && !SaveAll()) return false;
    }
    // The build reads a copy of the project, but its pages belong to this one.
    if (Building()) {
        builder_->Stop();
        Note(tr("The build of %1 was cancelled").arg(buildName_));
    }
    ShowBuildProgress();
    if (report_) report_->close();
    settings_.SetExpandedNodes(Q(project_->Path()), ExpandedKeys());
    settings_.SetSplitterState(splitter_->saveState());
    while (editors_->count() > 0) {
        QWidget* w = editors_->widget(0);
        editors_->removeTab(0);
        delete w;
    }
    for (auto& editor : windowEditors_)
        if (editor) delete editor->window();
    windowEditors_.clear();
    if (explorer_) {
        Guarded(this, [&] { Control()->Designer().Terminate(); });
        Guarded(this, [&] { Control()->UserControl_Terminate(); });
        explorerSink_.reset();
        delete explorer_;
    }
    delete disk_;
    disk_ = nullptr;
    watcher_.reset();
    undo_->Close();
    ide_->SetProject(nullptr);
    project_.reset();
    return true;
}

bool MainWindow::SaveAll() {
    if (!project_) return true;
    const bool saved = Guard([&] {
        auto save = [](TopicEditor* editor) {
            if (editor && editor->Modified()) editor->Save();
        };
        for (int i = 0; i < editors_->count(); ++i)
            save(qobject_cast<TopicEditor*>(editors_->widget(i)));
        for (const auto& editor : windowEditors_)
            save(editor);
        if (project_->Dirty()) {
            project_->Save();
            if (disk_) disk_->Watcher().TakeProjectFileAsKnown(); // our own change
            undo_->MarkSaved();
        }
        Note(tr("Saved %1").arg(QDir::toNativeSeparators(Q(project_->Path()))));
    });
    RefreshEditorCaptions();
    UpdateTitle();
    return saved;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    settings_.SetWindowGeometry(saveGeometry());
    if (project_ && Modified()) {
        const auto answer = QMessageBox::question(
            this, tr("Quit"),
            tr("The project %1 has unsaved changes. Save them?").arg(ProjectName()),
            QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
        if (answer == QMessageBox::Cancel || (answer == QMessageBox::Save && !SaveAll())) {
            event->ignore();
            return;
        }
    }
    event->accept();
    // The rest of the end is EndProcess, once the event loop has returned; a report window
    // still open must not keep the loop going.
    QCoreApplication::quit();
}

void MainWindow::EndComponent() {
    if (!project_ || componentEnded_) return;
    settings_.SetExpandedNodes(Q(project_->Path()), ExpandedKeys());
    settings_.SetSplitterState(splitter_->saveState());
    if (explorer_) {
        Guarded(this, [&] { Control()->Designer().Terminate(); });
        Guarded(this, [&] { Control()->UserControl_Terminate(); });
    }
    componentEnded_ = true;
}

#ifdef QV_COVERAGE
extern "C" void __gcov_dump();
#endif

void MainWindow::EndProcess(int status) {
    builder_->Stop();
    if (isVisible()) settings_.SetWindowGeometry(saveGeometry());
    EndComponent();
    if (!settings_.Flush()) {
        const QString why = tr("The settings could not be written to %1: the recent projects, "
                               "the window's place and the tree's expansion are not kept.")
                                .arg(QDir::toNativeSeparators(settings_.FilePath()));
        std::fprintf(stderr, "quorvel: %s\n", why.toLocal8Bit().constData());
        QMessageBox::warning(isVisible() ? this : nullptr, tr("Quit"), why);
    }
    Q_EMIT Exiting();
    std::fflush(nullptr);
    // Not exit(): it would run the destructors of statics (Qt's among them) over objects that
    // were never destroyed. Everything the program keeps is written by now.
#ifdef QV_COVERAGE
    __gcov_dump(); // _Exit skips the write of the coverage counters that exit() does
#endif
    std::_Exit(status);
}

void MainWindow::ChooseProjectFile() {
    const QString start = project_ ? Q(project_->Folder()) : QDir::homePath();
    const QString file = QFileDialog::getOpenFileName(this, tr("Open Project"), start,
                                                      tr("Help projects (*.qvproj)"));
    if (!file.isEmpty()) OpenProject(file);
}

void MainWindow::ChooseProjectFolder() {
    const QString start = project_ ? Q(project_->Folder()) : QDir::homePath();
    const QString folder =
        QFileDialog::getExistingDirectory(this, tr("Open Project Folder"), start);
    if (!folder.isEmpty()) OpenProject(folder);
}

void MainWindow::BuildCurrent() {
    // The explorer's own command: with a build profile selected, it becomes current first.
    if (auto* control = Control()) Guarded(this, [&] { control->ClickTool("Build"); });
}

void MainWindow::ShowTopicProperties(const std::shared_ptr<TopicItem>& topic) {
    static const std::vector<TopicStatus> none;
    const auto* statuses = libraries_.Designer()->TopicStatuses();
    TopicPropertiesDialog dialog(topic, statuses ? *statuses : none, this);
    while (dialog.exec() == QDialog::Accepted) {
        // The file may have become read-only while the dialog was open.
        if (ide_->RefuseReadOnly("The topic's properties were not changed.")) break;
        if (Guard([&] { dialog.Apply(); })) break;
    }
}

void MainWindow::EditTopic(const std::shared_ptr<TopicItem>& topic, bool newWindow) {
    // One editor per file, wherever it shows: two would each save over the other's text.
    const QString path = Q(topic->DiskPath());
    auto editing = [&](const TopicEditor* e) {
        return e && (e->Topic() == topic || (!path.isEmpty() && SameFile(e->Path(), path)));
    };
    for (const auto& e : windowEditors_)
        if (editing(e)) {
            e->window()->raise();
            e->window()->activateWindow();
            e->Text()->setFocus();
            return;
        }
    TopicEditor* editor = nullptr;
    for (int i = 0; i < editors_->count() && !editor; ++i)
        if (auto* e = qobject_cast<TopicEditor*>(editors_->widget(i)); editing(e)) {
            if (!newWindow) {
                editors_->setCurrentIndex(i);
                e->Text()->setFocus();
                return;
            }
            editors_->removeTab(i); // into a window of its own, with its text
            editor = e;
        }
    if (!editor) {
        // A content file that cannot be read is said so, and no editor opens on it.
        if (!Guard([&] { editor = new TopicEditor(*project_, topic); })) return;
        connect(editor, &TopicEditor::ModifiedChanged, this, [this] {
            RefreshEditorCaptions();
            UpdateTitle();
        });
    }
    if (newWindow) {
        auto* window = new QWidget(this, Qt::Window);
        window->setObjectName("editorWindow");
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->installEventFilter(this);
        auto* layout = new QVBoxLayout(window);
        layout->addWidget(editor);
        editor->show(); // a page the tabs hid stays hidden otherwise
        window->resize(700, 560);
        windowEditors_.emplace_back(editor);
        RefreshEditorCaptions();
        window->show();
        window->activateWindow();
    } else {
        editors_->setCurrentIndex(editors_->addTab(editor, editor->Caption()));
    }
    editor->Text()->setFocus();
    Note(tr("Editing %1").arg(QDir::toNativeSeparators(editor->Path())));
}

void MainWindow::ShowSpellMenu(bool& cancelDefault) {
    if (!explorer_ || !project_) return;
    TreeWidget& tree = explorer_->Tree();
    auto* node = static_cast<HeadlessNode*>(Control()->Tree().SelectedItem());
    // From the keyboard the menu is the selected row's; from the mouse, the word's under it.
    const std::optional<QPoint> anchor = tree.MenuAnchor();
    const std::optional<std::string> word =
        anchor ? (node ? tree.FirstMisspeltWord(*node) : std::nullopt)
               : tree.MisspeltWordAt(tree.viewport()->mapFromGlobal(QCursor::pos()));
    std::shared_ptr<SpellEngine> engine = word ? ide_->SpellingEngine() : nullptr;
    if (!engine) return;
    auto* menu = new QMenu(this);
    menu->setObjectName("spellContext");
    menu->setAttribute(Qt::WA_DeleteOnClose);
    if (!Guarded(this, [&] { FillSpellMenu(*menu, *engine, *word); })) {
        delete menu;
        return;
    }
    cancelDefault = true;
    // The component's own entries follow, run as the host runs a command.
    QPointer<ExplorerWidget> explorer = explorer_;
    explorer_->Commands().AddMenuEntries("popContext", *menu, [explorer](const std::string& name) {
        if (explorer) explorer->Control().ClickTool(name);
    });
    const std::string key = node ? node->Key() : std::string();
    connect(menu, &QMenu::triggered, this, [this, menu, engine, word = *word, key](QAction* a) {
        const SpellChoice choice = ChoiceOf(*menu, a, word);
        if (choice.kind != SpellChoice::Kind::None && TellEngine(*engine, choice))
            ApplySpellChoice(choice, key);
    });
    // Not blocking: the choice runs from the event loop, after the component's call.
    menu->popup(anchor.value_or(QCursor::pos()));
}

void MainWindow::ApplySpellChoice(const SpellChoice& choice, const std::string& key) {
    if (!project_ || !explorer_) return;
    Guard([&] {
        if (choice.kind == SpellChoice::Kind::Add || choice.kind == SpellChoice::Kind::Ignore) {
            Control()->RemoveBadWord(choice.word);
        } else if (choice.kind == SpellChoice::Kind::Replace && key.rfind("t:", 0) == 0) {
            if (ide_->RefuseReadOnly("The title was not changed.")) return;
            auto topic = project_->FindTopic(key.substr(2));
            if (!topic) return;
            std::string title = topic->Title();
            const auto at = title.find(choice.word);
            if (at == std::string::npos) return;
            title.replace(at, choice.word.size(), choice.replacement);
            topic->SetTitle(title); // the tree follows by TopicChanged
        }
    });
}

bool MainWindow::SettleEditor(TopicEditor& editor) {
    if (!editor.Modified()) return true;
    const auto answer = QMessageBox::question(
        editor.window(), tr("Close Topic"),
        tr("The topic \u201c%1\u201d of the project %2 has unsaved changes. Save them?")
            .arg(Q(editor.Topic()->Title()), ProjectName()),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer == QMessageBox::Cancel) return false;
    return answer != QMessageBox::Save || Guard([&] { editor.Save(); });
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Close) return QMainWindow::eventFilter(watched, event);
    for (auto it = windowEditors_.begin(); it != windowEditors_.end(); ++it) {
        if (!*it || (*it)->window() != watched) continue;
        if (!SettleEditor(**it)) {
            event->ignore();
            return true;
        }
        // The window goes on its own (delete on close); its changes no longer count.
        windowEditors_.erase(it);
        UpdateTitle();
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

bool MainWindow::CloseEditor(TopicEditor* editor) {
    if (!editor) return true;
    if (!SettleEditor(*editor)) return false;
    editors_->removeTab(editors_->indexOf(editor));
    delete editor;
    UpdateTitle();
    return true;
}

void MainWindow::EditOtherFile(const std::shared_ptr<OtherFileItem>& file) {
    const QString path = Q(file->File()->LocalSpec());
    if (!QFileInfo::exists(path)) {
        QMessageBox::warning(this, tr("Open File"),
                             tr("%1 does not exist.").arg(QDir::toNativeSeparators(path)));
        return;
    }
    OpenOnDesktop(path);
}

void MainWindow::EditBuildProfile(const std::shared_ptr<ProfileItem>& profile) {
    ProfileDialog dialog(profile, Q(project_->Folder()), this);
    while (dialog.exec() == QDialog::Accepted) {
        if (ide_->RefuseReadOnly("The build profile was not changed.")) break;
        if (Guard([&] { dialog.Apply(); })) break;
    }
}

BuildReportDialog* MainWindow::ReportWindow() const {
    return report_;
}

bool MainWindow::Building() const {
    return builder_->Running();
}

void MainWindow::CancelBuild() {
    if (!Building()) return;
    builder_->Cancel();
    cancelBuild_->setEnabled(false);
    buildLabel_->setText(tr("Cancelling the build of %1...").arg(buildName_));
}

void MainWindow::StartBuild(const std::shared_ptr<ProfileItem>& profile) {
    if (Building()) {
        Note(tr("The build of %1 is still running").arg(buildName_));
        return;
    }
    buildName_ = Q(profile->Name());
    // The copy is taken here, on the UI thread, so that the build never reads the project
    // while the author changes it.
    builder_->Start(ProfileBuilder::Snapshot(*project_, *profile),
                    [this](const BuildRunner::Outcome& outcome) {
                        ShowBuildProgress();
                        if (outcome.report)
                            ShowBuildResult(*outcome.report, outcome.summary);
                        else
                            BuildFailed(outcome.failure);
                        Q_EMIT BuildEnded();
                    });
    cancelBuild_->setEnabled(true);
    buildProgress_->setRange(0, 0); // busy until the build knows its size
    ShowBuildProgress();
    buildTimer_->start();
    Note(tr("Building %1...").arg(buildName_));
}

void MainWindow::ShowBuildProgress() {
    const bool running = Building();
    if (!running) buildTimer_->stop();
    buildLabel_->setVisible(running);
    buildProgress_->setVisible(running);
    cancelBuild_->setVisible(running);
    UpdateTitle();
    if (!running) return;
    const BuildProgress& progress = builder_->Progress();
    const int total = progress.total.load(std::memory_order_relaxed);
    const int done = progress.done.load(std::memory_order_relaxed);
    if (total > 0) {
        buildProgress_->setRange(0, total);
        buildProgress_->setValue(done);
    }
    if (cancelBuild_->isEnabled())
        buildLabel_->setText(
            total > 0 ? tr("Building %1: %L2 of %L3").arg(buildName_).arg(done).arg(total)
                      : tr("Building %1...").arg(buildName_));
}

void MainWindow::ShowBuildResult(const BuildReport& report, const QString& summary) {
    QString note = tr("Build %1: %2").arg(Q(report.profileName), Q(report.Headline()));
    // What was not written is said here too, not only in the report window.
    QStringList missing;
    const auto skipped = static_cast<qsizetype>(report.problems.size());
    if (skipped > 0)
        missing << (skipped == 1 ? tr("1 item skipped") : tr("%L1 items skipped").arg(skipped));
    if (report.filesLeftOut > 0)
        missing << (report.filesLeftOut == 1 ? tr("1 file left out")
                                             : tr("%L1 files left out").arg(report.filesLeftOut));
    if (!missing.isEmpty()) note += tr("; %1 (named in the report)").arg(missing.join(", "));
    Note(note);
    if (report_) report_->close();
    report_ = new BuildReportDialog(
        report, summary, [this](const QString& path) { OpenOnDesktop(path); }, this);
    report_->show();
}

void MainWindow::BuildFailed(const QString& why) {
    Note(tr("Build failed: %1").arg(why));
    QMessageBox::warning(this, tr("Build"), tr("The build could not run.\n\n%1").arg(why));
}

RevealOutcome MainWindow::RevealSelected(QString& path) {
    Node* node = explorer_ ? Control()->Tree().SelectedItem() : nullptr;
    path = project_ ? DiskPathOfNode(*project_, node ? node->Key() : std::string()) : QString();
    RevealOutcome outcome;
    if (path.isEmpty())
        outcome.problem =
            project_ ? tr("The selected item names no file") : tr("No project is open");
    else
        outcome = RevealInFileManager(path);
    if (outcome.shown)
        Note(tr("Showed %1 (%2)").arg(QDir::toNativeSeparators(path), outcome.how));
    else
        Note(tr("Cannot reveal: %1").arg(outcome.problem));
    return outcome;
}

int MainWindow::DiskRefreshesBegun() {
    if (!disk_) return 0;
    disk_->Poll();
    return disk_->Begun();
}

void MainWindow::DiskRefreshed(bool projectFileChanged, int refresh) {
    if (projectFileChanged && project_) {
        const QString path = Q(project_->Path());
        const bool changed = Modified();
        QMessageBox box(QMessageBox::Question, tr("Project Changed on Disk"),
                        tr("The project file %1 was changed by another program.")
                            .arg(QDir::toNativeSeparators(path)),
                        QMessageBox::NoButton, this);
        box.setInformativeText(changed
                                   ? tr("Reload it? The changes you have not saved will be lost.")
                                   : tr("Reload it?"));
        QPushButton* reload = box.addButton(tr("&Reload"), QMessageBox::AcceptRole);
        QPushButton* ignore = box.addButton(tr("&Ignore"), QMessageBox::RejectRole);
        box.setDefaultButton(changed ? ignore : reload);
        box.exec();
        if (box.clickedButton() == reload) {
            const std::shared_ptr<Project> before = project_;
            const bool dirty = before->Dirty();
            before->SetDirty(false); // the author chose the file's version
            // Kept open (the question about the editors' changes was cancelled, or the file
            // is gone): its own changes still wait to be saved.
            if (!OpenProject(path) && project_ == before && dirty) before->SetDirty(true);
            UpdateTitle();
        }
    }
    Q_EMIT DiskChecked(refresh);
}

QStringList MainWindow::ExpandedKeys() const {
    QStringList keys;
    if (!explorer_) return keys;
    // In tree order, through the nodes that hold children: expand-all marks every leaf too, and
    // a leaf has nothing to show when expanded again. A category holds topics only, which
    // hold nothing, so its children are not visited: quitting does not walk 100,000 topics.
    std::vector<Node*> stack;
    for (Node* n = Control()->Tree().Nodes().First(); n; n = n->NextSibling())
        stack.push_back(n);
    std::reverse(stack.begin(), stack.end());
    std::vector<Node*> children;
    while (!stack.empty()) {
        Node* node = stack.back();
        stack.pop_back();
        Node* child = node->FirstChild();
        if (!child) continue;
        const std::string key = node->Key();
        if (node->Expanded()) keys << Q(key);
        if (key.rfind("c:", 0) == 0) continue;
        for (children.clear(); child; child = child->NextSibling())
            children.push_back(child);
        stack.insert(stack.end(), children.rbegin(), children.rend());
    }
    return keys;
}

void MainWindow::RestoreExpansion(const QStringList& keys) {
    if (keys.isEmpty() || !explorer_) return;
    Guarded(this, [&] {
        Nodes& nodes = Control()->Tree().Nodes();
        for (const QString& key : keys)
            if (Node* node = nodes.ItemOrNull(key.toStdString())) node->SetExpanded(true);
        explorer_->Tree().SyncFromTree();
    });
}

bool MainWindow::ShowNode(const std::string& key) {
    if (!explorer_ || key.empty()) return false;
    Node* found = Control()->Tree().Nodes().ItemOrNull(key);
    if (!found) return false;
    Guarded(this, [&] {
        Node& node = *found;
        node.EnsureVisible();
        HeadlessTreeView& tree = explorer_->Tree().Tree();
        // A click on the selected node tells the explorer nothing, and its tools would go on
        // showing what the node's item was before: the selection leaves it first (which tells
        // nothing either).
        if (tree.SelectedItem() == &node) tree.SetSelectedItem(nullptr);
        tree.Click(&node);
        explorer_->Tree().SyncFromTree();
    });
    return true;
}

} // namespace qv::app
