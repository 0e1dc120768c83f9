#include "gui/CommandBarWidget.h"

#include "gui/ErrorBoundary.h"
#include "gui/TreeModel.h"
#include "gui/Twips.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace qv {

namespace {

struct IconName {
    const char* id;
    const char* theme;
    QStyle::StandardPixmap fallback;
};
// The desktop icon theme's names for the command set's pictures, and a style picture for a
// desktop without a theme (Delete: the red cross, as the style's grey bin reads as disabled).
constexpr IconName kIcons[] = {
    {"new category", "folder-new", QStyle::SP_FileDialogNewFolder},
    {"new topic", "document-new", QStyle::SP_FileIcon},
    {"add other file", "list-add", QStyle::SP_FileIcon},
    {"delete", "edit-delete", QStyle::SP_DialogCancelButton},
    {"up arrow", "go-up", QStyle::SP_ArrowUp},
    {"down arrow", "go-down", QStyle::SP_ArrowDown},
    {"add image", "insert-image", QStyle::SP_FileIcon},
    {"edit", "document-edit", QStyle::SP_FileDialogDetailedView},
    {"check in", "document-send", QStyle::SP_ArrowUp},
    {"check out", "document-open", QStyle::SP_ArrowDown},
    {"undo check out", "edit-undo", QStyle::SP_ArrowBack},
    {"get latest version", "view-refresh", QStyle::SP_BrowserReload},
    {"find", "edit-find", QStyle::SP_FileDialogContentsView},
    {"refresh capture", "view-refresh", QStyle::SP_BrowserReload},
    {"new capture", "camera-photo", QStyle::SP_DesktopIcon},
    {"image map", "image-x-generic", QStyle::SP_FileIcon},
    {"image processing", "applications-graphics", QStyle::SP_FileIcon},
    {"node", "go-jump", QStyle::SP_ArrowRight},
    {"new build profile", "document-properties", QStyle::SP_FileDialogInfoView},
    {"new build flag", "flag", QStyle::SP_FileDialogInfoView},
    {"new booklet", "x-office-document", QStyle::SP_FileIcon},
    {"build", "system-run", QStyle::SP_MediaPlay},
    {"thumbnail", "image-x-generic", QStyle::SP_FileIcon},
};

QString CaptionText(const std::string& caption) {
    return QString::fromStdString(caption);
}

// A caption without its access-key marks, for tooltips.
QString PlainCaption(const std::string& caption) {
    QString text = QString::fromStdString(caption);
    text.replace(QLatin1String("&&"), QLatin1String("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text;
}

Qt::ToolButtonStyle ButtonStyle(ToolStyle style) {
    switch (style) {
    case ToolStyle::Caption:
        return Qt::ToolButtonTextOnly;
    case ToolStyle::IconAndCaption:
        return Qt::ToolButtonTextBesideIcon;
    default:
        return Qt::ToolButtonIconOnly;
    }
}

// A field whose drop-down opens also with an empty list, so that the arrow always answers.
class FieldBox final : public QComboBox {
public:
    using QComboBox::QComboBox;
    void showPopup() override {
        if (count() > 0) {
            QComboBox::showPopup();
            return;
        }
        if (!empty_) {
            empty_ = new QMenu(this);
            empty_->setObjectName(QStringLiteral("emptyList"));
            empty_->addAction(tr("(empty)"))->setEnabled(false);
        }
        empty_->setMinimumWidth(width());
        empty_->popup(mapToGlobal(QPoint(0, height())));
    }
    void hidePopup() override {
        if (empty_) empty_->hide();
        QComboBox::hidePopup();
    }

private:
    QMenu* empty_ = nullptr;
};

// The place of one entry on a toolbar: its action and the separator its group start owns.
struct Slot {
    HeadlessEntry* entry;
    QAction* action;
    QAction* separator; // nullptr unless the entry begins a group
};

} // namespace

struct CommandBarWidget::BarSlots {
    std::vector<Slot> slotList;
};

CommandBarWidget::CommandBarWidget(HeadlessCommandBar& bar, QWidget* parent)
    : QWidget(parent), bar_(bar) {
    Build();
    bar_.SetObserver(this);
    Refresh();
}

CommandBarWidget::~CommandBarWidget() {
    bar_.SetObserver(nullptr);
}

QAction* CommandBarWidget::Action(const std::string& toolName) const {
    auto it = actions_.find(toolName);
    return it == actions_.end() ? nullptr : it->second;
}

QToolBar* CommandBarWidget::ToolBar(const std::string& barName) const {
    auto it = toolbars_.find(barName);
    return it == toolbars_.end() ? nullptr : it->second;
}

QComboBox* CommandBarWidget::Field(const std::string& toolName) const {
    auto it = fields_.find(toolName);
    return it == fields_.end() ? nullptr : it->second;
}

void CommandBarWidget::SetIcon(const std::string& iconId, const QIcon& icon) {
    icons_[iconId] = icon;
    Refresh();
}

QIcon CommandBarWidget::IconOf(const HeadlessTool& tool) const {
    if (tool.Icon().empty()) return {};
    if (auto it = icons_.find(tool.Icon()); it != icons_.end()) return it->second;
    // Looked up once: the style decodes its icon files on each call, and a refresh asks for
    // every tool's icon (milliseconds per selection).
    if (auto it = themeIcons_.find(tool.Icon()); it != themeIcons_.end()) return it->second;
    for (const IconName& name : kIcons) {
        if (tool.Icon() != name.id) continue;
        QIcon icon = QIcon::fromTheme(QString::fromLatin1(name.theme));
        if (icon.isNull()) icon = style()->standardIcon(name.fallback);
        return themeIcons_[tool.Icon()] = icon;
    }
    return {};
}

// ---- Building ----------------------------------------------------------------------------

void CommandBarWidget::Build() {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    const int barHeight = TwipsScale::Of(*this).ToPixelsY(HeadlessCommandBar::ToolbarHeight);

    // One action per tool, for shortcuts and for hosts that want to reach a command.
    for (int32_t i = 1; i <= bar_.ToolCount(); ++i) {
        auto& tool = static_cast<HeadlessTool&>(bar_.ToolAt(i));
        if (tool.Kind() != toolkind::Button) continue;
        auto* action = new QAction(CaptionText(tool.Caption()), this);
        action->setObjectName(QString::fromStdString(tool.Name()));
        if (!tool.Shortcut().empty()) {
            action->setShortcut(QKeySequence(QString::fromStdString(tool.Shortcut())));
            action->setShortcutContext(Qt::WindowShortcut);
        }
        const std::string name = tool.Name();
        connect(action, &QAction::triggered, this, [this, name] { Execute(name); });
        addAction(action);
        actions_[name] = action;
    }

    for (int32_t b = 1; b <= bar_.BandCount(); ++b) {
        auto& band = static_cast<HeadlessBar&>(bar_.Band(b));
        if (band.Menu()) continue;
        // The title is the name a screen reader says (Qt reads a toolbar's name from it).
        const QString title = band.Name() == "FindBar" ? tr("Find bar")
                              : band.Name() == "Tools" ? tr("Explorer toolbar")
                                                       : QString::fromStdString(band.Name());
        auto* toolbar = new QToolBar(title, this);
        toolbar->setObjectName(QString::fromStdString(band.Name()));
        toolbar->setAccessibleName(title);
        toolbar->setIconSize(QSize(16, 16));
        toolbar->setMovable(false);
        toolbar->setFloatable(false);
        toolbar->setFixedHeight(barHeight);
        auto barSlots = std::make_shared<BarSlots>();
        slots_[band.Name()] = barSlots;
        for (int32_t e = 1; e <= band.EntryCount(); ++e) {
            auto& entry = static_cast<HeadlessEntry&>(band.EntryAt(e));
            auto& tool = static_cast<HeadlessTool&>(entry.Tool());
            const std::string name = tool.Name();
            QAction* separator = entry.BeginGroup() ? toolbar->addSeparator() : nullptr;
            QAction* action = nullptr;
            if (tool.Kind() == toolkind::Field) {
                auto* box = new QWidget(toolbar);
                auto* row = new QHBoxLayout(box);
                row->setContentsMargins(2, 0, 2, 0);
                auto* label = new QLabel(CaptionText(tool.Caption()), box);
                auto* combo = new FieldBox(box);
                combo->setObjectName(QString::fromStdString(name));
                combo->setEditable(name != "Status");
                combo->setMinimumWidth(tool.Width() * 3 / 2);
                combo->setInsertPolicy(QComboBox::NoInsert);
                label->setBuddy(combo);
                row->addWidget(label);
                row->addWidget(combo, 1);
                if (combo->isEditable()) {
                    connect(combo->lineEdit(), &QLineEdit::textEdited, this,
                            [this, name](const QString& text) { FieldEdited(name, text); });
                    connect(combo->lineEdit(), &QLineEdit::returnPressed, this, [this, name] {
                        RunGesture(name, [&] { bar_.UserKeyDown(name, 13, 0); });
                        Q_EMIT userCommand(QString::fromStdString(name));
                    });
                }
                connect(combo, &QComboBox::activated, this, [this, name, combo](int index) {
                    if (updating_) return;
                    const auto& list = bar_.Find(name).List();
                    if (index < 0 || index >= static_cast<int>(list.size())) return;
                    // A status is chosen by its name; a find value by its text.
                    const std::string& value = name == "Status"
                                                   ? list[static_cast<std::size_t>(index)].name
                                                   : list[static_cast<std::size_t>(index)].text;
                    FieldEdited(name, QString::fromStdString(value));
                    if (combo->isEditable()) combo->setEditText(QString::fromStdString(value));
                });
                action = toolbar->addWidget(box);
                fields_[name] = combo;
            } else if (tool.Kind() == toolkind::Menu) {
                auto* button = new QToolButton(toolbar);
                auto* menu = new QMenu(button);
                button->setMenu(menu);
                button->setPopupMode(QToolButton::InstantPopup);
                button->setToolButtonStyle(Qt::ToolButtonTextOnly);
                button->setText(CaptionText(tool.Caption()));
                connect(menu, &QMenu::aboutToShow, this, [this, name, menu] {
                    Guarded(this, [&] {
                        Refresh();
                        FillMenu(name, *menu);
                    });
                });
                action = toolbar->addWidget(button);
                menuButtons_[name] = button;
            } else {
                action = new QAction(CaptionText(entry.Caption()), toolbar);
                connect(action, &QAction::triggered, this, [this, name] { Execute(name); });
                toolbar->addAction(action);
                if (auto* button = qobject_cast<QToolButton*>(toolbar->widgetForAction(action)))
                    button->setToolButtonStyle(ButtonStyle(tool.Style()));
            }
            barSlots->slotList.push_back({&entry, action, separator});
        }
        column->addWidget(toolbar);
        toolbars_[band.Name()] = toolbar;
    }
    column->addStretch(1);
    popup_ = new QMenu(this);
    popup_->setObjectName(QStringLiteral("popContext"));
}

// ---- Showing the bar's state -------------------------------------------------------------

void CommandBarWidget::Changed() {
    if (refreshPending_) return;
    refreshPending_ = true;
    QTimer::singleShot(0, this, [this] {
        if (refreshPending_) Refresh();
    });
}

void CommandBarWidget::Refresh() {
    refreshPending_ = false;
    ++updating_;
    for (const auto& [name, action] : actions_) {
        const HeadlessTool& tool = bar_.Find(name);
        action->setText(CaptionText(tool.Caption()));
        action->setIcon(IconOf(tool));
        action->setToolTip(tool.Tooltip().empty() ? PlainCaption(tool.Caption())
                                                  : QString::fromStdString(tool.Tooltip()));
        action->setStatusTip(QString::fromStdString(tool.Description()));
        action->setCheckable(tool.Toggle());
        action->setChecked(tool.Checked() == 1);
        action->setEnabled(tool.Enabled());
        action->setVisible(tool.Visible());
    }
    bool moved = false;
    for (const auto& [barName, toolbar] : toolbars_) {
        const bool visible = bar_.Band(barName).Visible();
        if (toolbar->isHidden() == visible) {
            toolbar->setVisible(visible);
            moved = true;
        }
        RefreshBar(barName);
    }
    for (const auto& [name, combo] : fields_) {
        const HeadlessTool& tool = bar_.Find(name);
        const auto& list = tool.List();
        if (combo->count() != static_cast<int>(list.size())) {
            const QString edit = combo->currentText();
            combo->clear();
            for (const ListItem& item : list) {
                QIcon icon;
                if (auto picture = tool.Image(item.image))
                    icon = TreeModel::IconFromPicture(*picture);
                combo->addItem(icon, QString::fromStdString(item.text),
                               QString::fromStdString(item.name));
            }
            if (combo->isEditable()) combo->setEditText(edit);
        }
        const QString text = QString::fromStdString(tool.Text());
        if (combo->isEditable()) {
            if (combo->currentText() != text) combo->setEditText(text);
        } else {
            int current = combo->findData(text);
            if (current < 0) current = combo->findText(text);
            combo->setCurrentIndex(current);
        }
        combo->setEnabled(tool.Enabled());
    }
    for (const auto& [name, button] : menuButtons_)
        button->setText(MenuButtonText(name));
    --updating_;
    if (moved) Q_EMIT layoutChanged();
}

void CommandBarWidget::RefreshBar(const std::string& barName) {
    const qv::Bar& band = bar_.Band(barName);
    bool shownAny = false;
    QAction* pendingSeparator = nullptr;
    for (const Slot& slot : slots_.at(barName)->slotList) {
        auto& tool = static_cast<HeadlessTool&>(slot.entry->Tool());
        if (slot.separator) {
            slot.separator->setVisible(false);
            pendingSeparator = slot.separator;
        }
        const bool shown = slot.entry->Visible() && tool.Visible();
        slot.action->setVisible(shown);
        if (!shown) continue;
        if (pendingSeparator && shownAny) pendingSeparator->setVisible(true);
        pendingSeparator = nullptr;
        shownAny = true;
        slot.action->setEnabled(tool.Enabled() && band.Enabled());
        if (tool.Kind() != toolkind::Button) continue;
        slot.action->setText(CaptionText(slot.entry->Caption()));
        slot.action->setIcon(IconOf(tool));
        slot.action->setToolTip(tool.Tooltip().empty() ? PlainCaption(slot.entry->Caption())
                                                       : QString::fromStdString(tool.Tooltip()));
        slot.action->setStatusTip(QString::fromStdString(tool.Description()));
        slot.action->setCheckable(tool.Toggle());
        slot.action->setChecked(tool.Checked() == 1);
    }
}

int CommandBarWidget::ToolbarsHeight() const {
    int height = 0;
    for (const auto& [name, toolbar] : toolbars_)
        if (!toolbar->isHidden()) height += toolbar->height();
    return height;
}

QString CommandBarWidget::MenuButtonText(const std::string& menuTool) const {
    if (!menuButtons_.contains(menuTool)) return {};
    const HeadlessTool& tool = bar_.Find(menuTool);
    const QString caption = CaptionText(tool.Caption());
    const qv::Bar* band = tool.SubBand();
    if (!band || band->EntryCount() == 0) return caption;
    QStringList checked;
    for (int32_t e = 1; e <= band->EntryCount(); ++e) {
        const auto& entry = static_cast<const HeadlessTool&>(band->EntryAt(e).Tool());
        if (!entry.Toggle()) return caption; // a menu of commands says nothing more
        if (entry.Checked() == 1) checked << PlainCaption(entry.Caption());
    }
    if (checked.size() == band->EntryCount()) return caption + tr(": all");
    return caption + ": " + (checked.isEmpty() ? tr("none") : checked.join(", "));
}

// ---- Menus -------------------------------------------------------------------------------

void CommandBarWidget::FillMenu(const std::string& menuTool, QMenu& menu) const {
    menu.clear();
    AddMenuEntries(menuTool, menu);
}

void CommandBarWidget::AddMenuEntries(const std::string& menuTool, QMenu& menu,
                                      std::function<void(const std::string&)> run) const {
    const qv::Bar* band = bar_.Find(menuTool).SubBand();
    if (!band) return;
    // Entries appended to a menu that holds others begin a group of their own.
    bool pendingGroup = !menu.isEmpty() && !menu.actions().back()->isSeparator();
    auto* self = const_cast<CommandBarWidget*>(this);
    for (int32_t e = 1; e <= band->EntryCount(); ++e) {
        const Entry& entry = band->EntryAt(e);
        auto& tool = static_cast<HeadlessTool&>(entry.Tool());
        if (entry.BeginGroup()) pendingGroup = true;
        if (!entry.Visible() || !tool.Visible()) continue;
        if (pendingGroup && !menu.isEmpty()) menu.addSeparator();
        pendingGroup = false;
        const std::string name = tool.Name();
        if (tool.Kind() == toolkind::Field) {
            QMenu* sub = menu.addMenu(CaptionText(entry.Caption()));
            sub->menuAction()->setObjectName(QString::fromStdString(name));
            sub->menuAction()->setEnabled(tool.Enabled());
            auto* group = new QActionGroup(sub);
            for (const ListItem& item : tool.List()) {
                QIcon icon;
                if (auto picture = tool.Image(item.image))
                    icon = TreeModel::IconFromPicture(*picture);
                QAction* a = sub->addAction(icon, QString::fromStdString(item.text));
                a->setCheckable(true);
                a->setChecked(item.name == tool.Text());
                group->addAction(a);
                connect(a, &QAction::triggered, self, [self, name, value = item.name] {
                    self->FieldEdited(name, QString::fromStdString(value));
                });
            }
        } else if (tool.Kind() == toolkind::Menu) {
            QMenu* sub = menu.addMenu(CaptionText(entry.Caption()));
            sub->menuAction()->setObjectName(QString::fromStdString(name));
            sub->menuAction()->setEnabled(tool.Enabled());
            AddMenuEntries(name, *sub, run);
        } else {
            QAction* a = menu.addAction(IconOf(tool), CaptionText(entry.Caption()));
            a->setObjectName(QString::fromStdString(name));
            a->setStatusTip(QString::fromStdString(tool.Description()));
            a->setCheckable(tool.Toggle());
            a->setChecked(tool.Checked() == 1);
            a->setEnabled(tool.Enabled());
            connect(a, &QAction::triggered, self, [self, name, run] {
                if (!run) return self->Execute(name);
                Guarded(self, [&] { run(name); });
                self->Refresh();
            });
        }
    }
}

void CommandBarWidget::PopupRequested(HeadlessTool& menu) {
    // Not blocking: the command the user picks runs from the event loop, after the component's
    // call that asked for the menu has returned.
    Refresh();
    FillMenu(menu.Name(), *popup_);
    popup_->popup(popupAt_ ? popupAt_() : QCursor::pos());
}

// ---- Input -------------------------------------------------------------------------------

void CommandBarWidget::RunGesture(const std::string& toolName,
                                  const std::function<void()>& gesture) {
    if (toolName != "FindNow" && toolName != "FindValue") {
        Guarded(this, gesture);
        return;
    }
    // Inside the boundary, so that the cursor is back before a failure's box shows.
    Guarded(this, [&] {
        struct Busy {
            CommandBarWidget& bar;
            explicit Busy(CommandBarWidget& b) : bar(b) {
                QApplication::setOverrideCursor(Qt::WaitCursor);
                Q_EMIT bar.searching(true);
            }
            ~Busy() {
                QApplication::restoreOverrideCursor();
                Q_EMIT bar.searching(false);
            }
        } busy(*this);
        gesture();
    });
}

void CommandBarWidget::Execute(const std::string& toolName) {
    RunGesture(toolName, [&] { bar_.UserClick(toolName); });
    Refresh();
    Q_EMIT userCommand(QString::fromStdString(toolName));
}

void CommandBarWidget::FieldEdited(const std::string& toolName, const QString& text) {
    if (updating_) return;
    const std::string value = text.toStdString();
    Guarded(this, [&] { bar_.UserSetFieldText(toolName, value); });
    Changed();
}

} // namespace qv
