#include "gui/TreeModel.h"

#include "contracts/ImageList.h"
#include "contracts/Picture.h"
#include "controls/LabelMarkup.h"
#include "gui/ErrorBoundary.h"
#include "gui/RowDescription.h"
#include "host/SystemColors.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QMimeData>
#include <QPixmap>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cstring>
#include <utility>

namespace qv {

namespace {
constexpr const char* kUriList = "text/uri-list";

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString LabelText(std::string_view markup) {
    if (markup.find('<') == std::string_view::npos) return FromUtf8(markup);
    return QString::fromStdString(PlainLabelText(markup));
}

std::vector<std::string> LocalFiles(const QMimeData& data) {
    std::vector<std::string> files;
    for (const QUrl& url : data.urls())
        if (url.isLocalFile()) files.push_back(url.toLocalFile().toStdString());
    return files;
}
} // namespace

// Counts the model as passing on a change for the length of an observer call.
struct TreeModel::Guard {
    explicit Guard(TreeModel& m) : model(m) { ++model.notifying_; }
    ~Guard() { --model.notifying_; }
    TreeModel& model;
};

TreeModel::TreeModel(HeadlessTreeView& tree, QObject* parent)
    : QAbstractItemModel(parent), tree_(tree) {
    // A tree whose redraw is off is in the middle of a rebuild: show it once it is done.
    resetting_ = !tree_.Redraw();
    tree_.SetObserver(this);
}

TreeModel::~TreeModel() {
    if (tree_.Observer() == this) tree_.SetObserver(nullptr);
}

// ---- Mapping -----------------------------------------------------------------------------

HeadlessNode* TreeModel::NodeOf(const QModelIndex& index) const {
    if (resetting_ || !index.isValid() || index.model() != this) return nullptr;
    return static_cast<HeadlessNode*>(index.internalPointer());
}

QModelIndex TreeModel::IndexOf(const Node* node) const {
    if (!node || resetting_) return {};
    auto* own = dynamic_cast<const HeadlessNode*>(node);
    if (!own || own->Tree() != &tree_) return {};
    const int row = shown_ ? ShownRow(*own) : own->Row();
    return row < 0 ? QModelIndex() : createIndex(row, 0, const_cast<HeadlessNode*>(own));
}

QModelIndex TreeModel::IndexOfParent(HeadlessNode* parent) const {
    return parent ? IndexOf(parent) : QModelIndex();
}

const std::vector<HeadlessNode*>* TreeModel::ShownRun(const HeadlessNode* parent) const {
    if (run_ && runParent_ == parent) return run_;
    const auto found = shown_->find(parent);
    if (found == shown_->end()) return nullptr;
    runParent_ = parent;
    run_ = &found->second;
    return run_;
}

int TreeModel::ShownRow(const HeadlessNode& node) const {
    const std::vector<HeadlessNode*>* run = ShownRun(node.ParentNode());
    if (!run) return -1;
    // A list keeps the tree's order, so rows in the tree order it too.
    const auto at =
        std::lower_bound(run->begin(), run->end(), node.Row(),
                         [](const HeadlessNode* n, int32_t row) { return n->Row() < row; });
    return at != run->end() && *at == &node ? static_cast<int>(at - run->begin()) : -1;
}

HeadlessNode* TreeModel::RowAt(const HeadlessNode* parent, int32_t row) const {
    if (!shown_) return parent ? parent->ChildAt(row) : tree_.TopLevelAt(row);
    const std::vector<HeadlessNode*>* run = ShownRun(parent);
    if (!run || row < 0 || static_cast<std::size_t>(row) >= run->size()) return nullptr;
    return (*run)[static_cast<std::size_t>(row)];
}

int32_t TreeModel::RowCountOf(const HeadlessNode* parent) const {
    const int32_t count = parent ? parent->ChildCount() : tree_.TopLevelCount();
    if (!shown_ || count == 0) return count;
    const std::vector<HeadlessNode*>* run = ShownRun(parent);
    return run ? static_cast<int32_t>(run->size()) : 0;
}

bool TreeModel::ExpandedOnScreen(const HeadlessNode& node) const {
    return node.Expanded() ||
           (shown_ && node.ChildCount() > 0 && ShownRun(&node) && !closedOnScreen_.contains(&node));
}

void TreeModel::SetClosedOnScreen(const HeadlessNode& node, bool closed) {
    if (!shown_) return;
    if (closed)
        closedOnScreen_.insert(&node);
    else
        closedOnScreen_.erase(&node);
}

const std::vector<HeadlessNode*>& TreeModel::Folders() const {
    if (foldersRead_) return folders_;
    folders_.clear();
    folderAt_.clear();
    for (int32_t i = 0; i < tree_.TopLevelCount(); ++i)
        if (HeadlessNode* node = tree_.TopLevelAt(i); node->ChildCount() > 0) AddFolder(*node);
    for (std::size_t next = 0; next < folders_.size(); ++next) {
        const HeadlessNode* folder = folders_[next];
        for (int32_t i = 0; i < folder->ChildCount(); ++i)
            if (HeadlessNode* child = folder->ChildAt(i); child->ChildCount() > 0)
                AddFolder(*child);
    }
    foldersRead_ = true;
    return folders_;
}

void TreeModel::AddFolder(HeadlessNode& node) const {
    if (folderAt_.try_emplace(&node, folders_.size()).second) folders_.push_back(&node);
}

void TreeModel::DropFolder(const HeadlessNode& node) {
    const auto found = folderAt_.find(&node);
    if (found == folderAt_.end()) return;
    const std::size_t at = found->second;
    folderAt_.erase(found);
    // The last folder takes the place of the one that goes: no order to keep.
    if (at + 1 != folders_.size()) {
        folders_[at] = folders_.back();
        folderAt_[folders_[at]] = at;
    }
    folders_.pop_back();
}

void TreeModel::DropFolders(const HeadlessNode& subtree) {
    if (subtree.ChildCount() == 0) return;
    std::vector<const HeadlessNode*> pending{&subtree};
    while (!pending.empty()) {
        const HeadlessNode* folder = pending.back();
        pending.pop_back();
        DropFolder(*folder);
        for (int32_t i = 0, count = folder->ChildCount(); i < count; ++i)
            if (const HeadlessNode* child = folder->ChildAt(i); child->ChildCount() > 0)
                pending.push_back(child);
    }
}

void TreeModel::ForgetFolders() {
    foldersRead_ = false;
    folders_.clear();
    folderAt_.clear();
}

void TreeModel::SetShown(std::optional<ShownChildren> shown) {
    if (resetting_ || (!shown && !shown_)) return;
    Guard g(*this);
    beginResetModel();
    shown_ = std::move(shown);
    if (!shown_) closedOnScreen_.clear();
    run_ = nullptr;
    runParent_ = nullptr;
    endResetModel();
    Q_EMIT rebuilt();
}

void TreeModel::BeginUnshow(HeadlessNode& node) {
    const int row = ShownRow(node);
    if (row < 0) return;
    Unshowing out{node.ParentNode(), row, {}};
    // Only shown nodes have lists, and the ancestors of a shown node are shown.
    std::vector<const HeadlessNode*> pending{&node};
    while (!pending.empty()) {
        const HeadlessNode* n = pending.back();
        pending.pop_back();
        if (const std::vector<HeadlessNode*>* run = ShownRun(n)) {
            out.lists.push_back(n);
            pending.insert(pending.end(), run->begin(), run->end());
        }
    }
    beginRemoveRows(IndexOfParent(node.ParentNode()), row, row);
    unshowing_ = std::move(out);
}

void TreeModel::EndUnshow() {
    if (!unshowing_) return;
    // The nodes may be gone: their addresses are keys only.
    std::vector<HeadlessNode*>& run = shown_->at(unshowing_->parent);
    run.erase(run.begin() + unshowing_->row);
    if (run.empty()) shown_->erase(unshowing_->parent);
    for (const HeadlessNode* n : unshowing_->lists)
        shown_->erase(n);
    run_ = nullptr;
    runParent_ = nullptr;
    unshowing_.reset();
    endRemoveRows();
}

QModelIndex TreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (resetting_ || column != 0 || (parent.isValid() && parent.column() != 0)) return {};
    HeadlessNode* node = RowAt(NodeOf(parent), row);
    return node ? createIndex(row, 0, node) : QModelIndex();
}

QModelIndex TreeModel::parent(const QModelIndex& child) const {
    HeadlessNode* node = NodeOf(child);
    return node ? IndexOfParent(node->ParentNode()) : QModelIndex();
}

int TreeModel::rowCount(const QModelIndex& parent) const {
    if (resetting_ || (parent.isValid() && parent.column() != 0)) return 0;
    HeadlessNode* node = NodeOf(parent);
    return parent.isValid() && !node ? 0 : RowCountOf(node);
}

int TreeModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() && parent.column() != 0 ? 0 : 1;
}

bool TreeModel::hasChildren(const QModelIndex& parent) const {
    return rowCount(parent) > 0;
}

// ---- Data --------------------------------------------------------------------------------

QIcon TreeModel::IconFromPicture(const Picture& picture) {
    QImage image(picture.Width(), picture.Height(), QImage::Format_ARGB32);
    for (int y = 0; y < picture.Height(); ++y)
        std::memcpy(image.scanLine(y),
                    &picture.Pixels()[static_cast<std::size_t>(y) *
                                      static_cast<std::size_t>(picture.Width())],
                    static_cast<std::size_t>(picture.Width()) * sizeof(uint32_t));
    return QIcon(QPixmap::fromImage(image));
}

QIcon TreeModel::IconFor(const std::string& imageKey) const {
    ImageList* images = tree_.Images();
    if (imageKey.empty() || !images || !images->Contains(imageKey)) return {};
    std::shared_ptr<const Picture> picture = images->Item(imageKey);
    if (!picture) return {};
    CachedIcon& cached = icons_[imageKey];
    if (cached.picture.lock() != picture) {
        cached.picture = picture;
        cached.icon = IconFromPicture(*picture);
    }
    return cached.icon;
}

QVariant TreeModel::data(const QModelIndex& index, int role) const {
    HeadlessNode* node = NodeOf(index);
    if (!node) return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
    case Qt::AccessibleTextRole:
        return LabelText(node->TextRef());
    case Qt::AccessibleDescriptionRole:
        return QString::fromStdString(
            DescribeRow(*node, facts_ ? facts_(*node) : std::vector<std::string>()));
    case Qt::DecorationRole: {
        std::string key = node->Expanded() ? node->ExpandedImage() : std::string();
        if (key.empty()) key = node->Image();
        QIcon icon = IconFor(key);
        return icon.isNull() ? QVariant() : QVariant(icon);
    }
    case Qt::ForegroundRole: {
        if (node->ForeColor() == -1) return {};
        const auto bgr = TranslateColor(node->ForeColor());
        if (!bgr) return {};
        return QColor(static_cast<int>(*bgr & 0xFF), static_cast<int>((*bgr >> 8) & 0xFF),
                      static_cast<int>((*bgr >> 16) & 0xFF));
    }
    case Qt::FontRole: {
        if (boldKey_.empty() || node->KeyRef() != boldKey_) return {};
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    case MarkupRole:
        return FromUtf8(node->TextRef());
    case KeyRole:
        return FromUtf8(node->KeyRef());
    default:
        return {};
    }
}

void TreeModel::SetBoldKey(const std::string& key) {
    if (key == boldKey_) return;
    std::string old = std::exchange(boldKey_, key);
    for (const std::string* k : {&old, &boldKey_}) {
        if (k->empty() || resetting_ || !tree_.Nodes().Contains(*k)) continue;
        const QModelIndex index = IndexOf(&tree_.Nodes().Item(*k));
        if (index.isValid()) Q_EMIT dataChanged(index, index, {Qt::FontRole});
    }
}

bool TreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    HeadlessNode* node = NodeOf(index);
    if (!node || role != Qt::EditRole || tree_.EditingNode() != node) return false;
    const std::string text = value.toString().toStdString();
    return Guarded(nullptr, [&] { tree_.FinishLabelEdit(text); });
}

Qt::ItemFlags TreeModel::flags(const QModelIndex& index) const {
    // A locked tree offers nothing to drag and no place to drop, so the view starts no drag and
    // shows no drop cursor; the tree would refuse them anyway.
    const bool locked = tree_.Locked();
    HeadlessNode* node = NodeOf(index);
    if (!node) return locked ? Qt::NoItemFlags : Qt::ItemIsDropEnabled;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!locked) f |= Qt::ItemIsDropEnabled;
    if (node->AllowDrag() && !locked) f |= Qt::ItemIsDragEnabled;
    if (tree_.EditingNode() == node) f |= Qt::ItemIsEditable;
    if (node->ChildCount() == 0) f |= Qt::ItemNeverHasChildren;
    return f;
}

// ---- Drag and drop -----------------------------------------------------------------------

QStringList TreeModel::mimeTypes() const {
    QStringList types{QString::fromLatin1(kNodeMime), QString::fromLatin1(kUriList)};
    for (const std::string& format : tree_.RegisteredDragFormats())
        types << QString::fromLatin1(kFormatMimePrefix) + QString::fromStdString(format);
    return types;
}

QMimeData* TreeModel::mimeData(const QModelIndexList& indexes) const {
    HeadlessNode* node = nullptr;
    for (const QModelIndex& index : indexes)
        if ((node = NodeOf(index))) break;
    if (!node || node->KeyRef().empty()) return nullptr;
    auto* data = new QMimeData;
    const QByteArray key =
        QByteArray(node->KeyRef().data(), static_cast<qsizetype>(node->KeyRef().size()));
    data->setData(QString::fromLatin1(kNodeMime), key);
    for (const std::string& format : tree_.RegisteredDragFormats())
        data->setData(QString::fromLatin1(kFormatMimePrefix) + QString::fromStdString(format), key);
    return data;
}

Qt::DropActions TreeModel::supportedDropActions() const {
    return Qt::CopyAction | Qt::MoveAction;
}

Qt::DropActions TreeModel::supportedDragActions() const {
    return Qt::MoveAction;
}

HeadlessNode* TreeModel::DropTarget(int row, const QModelIndex& parent, int32_t& relationship,
                                    const HeadlessNode* source) const {
    HeadlessNode* parentNode = NodeOf(parent);
    if (parent.isValid() && !parentNode) return nullptr;
    if (row < 0) {
        relationship = rel::Child;
        return parentNode;
    }
    const int count = RowCountOf(parentNode);
    if (row < count) {
        relationship = rel::Previous;
        return RowAt(parentNode, row);
    }
    if (count == 0) {
        relationship = rel::Child;
        return parentNode;
    }
    relationship = rel::Last; // after the last row
    HeadlessNode* after = RowAt(parentNode, count - 1);
    // The gap below a last child is also the gap below its parent, and below the parent's
    // parent while each is a last child: of these places the one among the dragged node's
    // siblings is meant (a category dropped under the last topic of the category above).
    if (source) {
        HeadlessNode* n = after;
        auto lastRow = [&](const HeadlessNode* m) {
            return IndexOf(m).row() + 1 == RowCountOf(m->ParentNode());
        };
        while (n->ParentNode() != source->ParentNode() && n->ParentNode() &&
               (n == after || lastRow(n)))
            n = n->ParentNode();
        if (n->ParentNode() == source->ParentNode()) after = n;
    }
    return after;
}

HeadlessNode* TreeModel::DraggedNode(const QMimeData& data) const {
    if (!data.hasFormat(QString::fromLatin1(kNodeMime))) return nullptr;
    const std::string key = data.data(QString::fromLatin1(kNodeMime)).toStdString();
    if (!tree_.Nodes().Contains(key)) return nullptr;
    return static_cast<HeadlessNode*>(&tree_.Nodes().Item(key));
}

bool TreeModel::canDropMimeData(const QMimeData* data, Qt::DropAction, int row, int,
                                const QModelIndex& parent) const {
    if (!data || resetting_ || tree_.Locked()) return false;
    int32_t relationship = 0;
    if (data->hasFormat(QString::fromLatin1(kNodeMime))) {
        HeadlessNode* source = DraggedNode(*data);
        return source && DropTarget(row, parent, relationship, source);
    }
    HeadlessNode* target = DropTarget(row, parent, relationship);
    if (data->hasUrls()) {
        // Files go into the node they are dropped on, or the parent of the gap they fall in.
        HeadlessNode* onto = row < 0 ? target : NodeOf(parent);
        return onto && !LocalFiles(*data).empty();
    }
    return false;
}

bool TreeModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                             const QModelIndex& parent) {
    if (!canDropMimeData(data, action, row, column, parent)) return false;
    int32_t relationship = 0;
    HeadlessNode* source = DraggedNode(*data);
    HeadlessNode* target = DropTarget(row, parent, relationship, source);
    // The gesture runs once the drag is over: the component may ask questions, and a modal
    // box inside a drop would hold the dragging program.
    std::shared_ptr<Object> holdTarget = target->shared_from_this();
    if (source) {
        std::shared_ptr<Object> holdSource = source->shared_from_this();
        QTimer::singleShot(
            0, this,
            [this, source, target, relationship, holdSource, holdTarget, x = dropX_, y = dropY_] {
                if (source->Tree() != &tree_ || target->Tree() != &tree_) return;
                Guarded(nullptr, [&] {
                    tree_.Drag(source, target, relationship, x, y);
                    // What went into a closed row is shown where it went.
                    if (relationship == rel::Child && source->Tree() == &tree_ &&
                        source->ParentNode() == target && !target->Expanded())
                        tree_.Expand(target);
                });
                if (source->Tree() == &tree_ && tree_.SelectedItem() == source)
                    Q_EMIT dropShown(IndexOf(source));
            });
        return true;
    }
    HeadlessNode* onto = row < 0 ? target : NodeOf(parent);
    std::shared_ptr<Object> holdOnto = onto->shared_from_this();
    QTimer::singleShot(0, this,
                       [this, onto, holdOnto, files = LocalFiles(*data), x = dropX_, y = dropY_] {
                           if (onto->Tree() != &tree_) return;
                           Guarded(nullptr, [&] { tree_.DropFiles(onto, files, x, y); });
                       });
    return true;
}

// ---- The tree's changes ------------------------------------------------------------------

void TreeModel::NodeAboutToBeInserted(HeadlessNode* parent, int32_t row) {
    Guard g(*this);
    if (!shown_) beginInsertRows(IndexOfParent(parent), row, row);
}

void TreeModel::NodeInserted(HeadlessNode& node) {
    Guard g(*this);
    if (!shown_) endInsertRows();
    if (HeadlessNode* parent = node.ParentNode();
        foldersRead_ && parent && parent->ChildCount() == 1)
        AddFolder(*parent);
    Q_EMIT treeChanged();
}

void TreeModel::NodeAboutToBeRemoved(HeadlessNode& node) {
    Guard g(*this);
    if (foldersRead_) DropFolders(node);
    std::erase_if(closedOnScreen_, [&node](const HeadlessNode* closed) {
        for (const HeadlessNode* n = closed; n; n = n->ParentNode())
            if (n == &node) return true;
        return false;
    });
    if (shown_)
        BeginUnshow(node);
    else
        beginRemoveRows(IndexOfParent(node.ParentNode()), node.Row(), node.Row());
}

void TreeModel::NodeRemoved(HeadlessNode* parent, int32_t) {
    Guard g(*this);
    if (shown_)
        EndUnshow();
    else
        endRemoveRows();
    if (foldersRead_ && parent && parent->ChildCount() == 0) DropFolder(*parent);
    Q_EMIT treeChanged();
}

void TreeModel::NodeAboutToBeMoved(HeadlessNode& node, HeadlessNode* newParent,
                                   int32_t destination) {
    Guard g(*this);
    movedFrom_ = node.ParentNode();
    if (shown_) {
        const int row = ShownRow(node);
        const std::vector<HeadlessNode*>* to = ShownRun(newParent);
        if (row >= 0 && to) {
            // Among shown rows it stays shown, where it goes, rather than leave until the filter
            // applies anew on the next turn. Qt declines a move that changes no row's place.
            const auto at = std::lower_bound(
                to->begin(), to->end(), destination,
                [](const HeadlessNode* n, int32_t place) { return n->Row() < place; });
            movedShownRow_ = row;
            moving_ = beginMoveRows(IndexOfParent(node.ParentNode()), row, row,
                                    IndexOfParent(newParent), static_cast<int>(at - to->begin()));
            return;
        }
        // Out of the rows now; the filter, applied anew, decides whether it shows where it went.
        BeginUnshow(node);
        EndUnshow();
        return;
    }
    const int row = node.Row();
    moving_ = beginMoveRows(IndexOfParent(node.ParentNode()), row, row, IndexOfParent(newParent),
                            destination);
    if (!moving_) beginResetModel(); // not a move Qt can describe: show the tree anew
}

void TreeModel::NodeMoved(HeadlessNode& node) {
    Guard g(*this);
    if (foldersRead_) {
        if (movedFrom_ && movedFrom_->ChildCount() == 0) DropFolder(*movedFrom_);
        if (HeadlessNode* parent = node.ParentNode(); parent && parent->ChildCount() == 1)
            AddFolder(*parent);
    }
    if (movedShownRow_ >= 0) {
        std::vector<HeadlessNode*>& from = shown_->at(movedFrom_);
        from.erase(from.begin() + movedShownRow_);
        if (from.empty()) shown_->erase(movedFrom_);
        std::vector<HeadlessNode*>& to = (*shown_)[node.ParentNode()];
        to.insert(
            std::lower_bound(to.begin(), to.end(), node.Row(),
                             [](const HeadlessNode* n, int32_t row) { return n->Row() < row; }),
            &node);
        run_ = nullptr;
        runParent_ = nullptr;
        movedShownRow_ = -1;
    }
    movedFrom_ = nullptr;
    if (moving_) {
        endMoveRows();
    } else if (!shown_) {
        endResetModel();
        Q_EMIT rebuilt();
    }
    moving_ = false;
    Q_EMIT treeChanged();
}

void TreeModel::ChildrenAboutToBeReordered(HeadlessNode* parent) {
    Guard g(*this);
    QList<QPersistentModelIndex> parents;
    if (const QModelIndex index = IndexOf(parent); index.isValid()) parents << index;
    Q_EMIT layoutAboutToBeChanged(parents, QAbstractItemModel::VerticalSortHint);
    reorderedBefore_ = persistentIndexList();
    reorderedNodes_.clear();
    for (const QModelIndex& index : reorderedBefore_)
        reorderedNodes_.push_back(static_cast<HeadlessNode*>(index.internalPointer()));
}

void TreeModel::ChildrenReordered(HeadlessNode* parent) {
    Guard g(*this);
    if (shown_) {
        if (const auto found = shown_->find(parent); found != shown_->end())
            std::sort(
                found->second.begin(), found->second.end(),
                [](const HeadlessNode* a, const HeadlessNode* b) { return a->Row() < b->Row(); });
    }
    QModelIndexList after;
    after.reserve(reorderedBefore_.size());
    for (std::size_t i = 0; i < reorderedNodes_.size(); ++i) {
        const QModelIndex now = IndexOf(reorderedNodes_[i]);
        const int column = reorderedBefore_[static_cast<int>(i)].column();
        after << (now.isValid() ? createIndex(now.row(), column, now.internalPointer()) : now);
    }
    changePersistentIndexList(reorderedBefore_, after);
    reorderedBefore_.clear();
    reorderedNodes_.clear();
    QList<QPersistentModelIndex> parents;
    if (const QModelIndex index = IndexOf(parent); index.isValid()) parents << index;
    Q_EMIT layoutChanged(parents, QAbstractItemModel::VerticalSortHint);
    Q_EMIT treeChanged();
}

void TreeModel::NodeChanged(HeadlessNode& node) {
    Guard g(*this);
    if (const QModelIndex index = IndexOf(&node); index.isValid()) Q_EMIT dataChanged(index, index);
    Q_EMIT treeChanged();
}

void TreeModel::ExpandedChanged(HeadlessNode& node) {
    Guard g(*this);
    if (node.Expanded()) closedOnScreen_.erase(&node);
    const QModelIndex index = IndexOf(&node);
    if (!index.isValid()) return;
    Q_EMIT dataChanged(index, index, {Qt::DecorationRole});
    Q_EMIT expansionChanged(index, node.Expanded());
}

void TreeModel::AboutToBeReset() {
    Guard g(*this);
    if (resetting_) return;
    beginResetModel();
    ForgetFolders();
    Q_EMIT treeChanged();
    shown_.reset(); // its nodes are going
    closedOnScreen_.clear();
    run_ = nullptr;
    resetting_ = true;
    resetBegun_ = true;
}

void TreeModel::Reset() {
    Guard g(*this);
    if (!resetBegun_) beginResetModel();
    shown_.reset();
    closedOnScreen_.clear();
    run_ = nullptr;
    resetting_ = false;
    resetBegun_ = false;
    endResetModel();
    // Before rebuilt: its listeners read the folders anew (a walk of the whole tree), which the
    // changes after it then keep up to date.
    ForgetFolders();
    Q_EMIT treeChanged();
    Q_EMIT rebuilt();
}

void TreeModel::SelectionChanged(HeadlessNode* selected) {
    Guard g(*this);
    Q_EMIT selectionMoved(IndexOf(selected));
}

void TreeModel::LabelEditChanged(HeadlessNode* editing) {
    Guard g(*this);
    Q_EMIT labelEditChanged(IndexOf(editing));
}

void TreeModel::FocusRequested() {
    Q_EMIT focusRequested();
}

void TreeModel::StateChanged() {
    Guard g(*this);
    Q_EMIT stateChanged();
}

} // namespace qv
