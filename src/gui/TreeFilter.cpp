#include "gui/TreeFilter.h"

#include "controls/LabelMarkup.h"
#include "explorer/Text.h"
#include "find/PatternMatch.h"
#include "gui/TreeModel.h"
#include "gui/TreeWidget.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPalette>
#include <QSignalBlocker>
#include <QTimer>
#include <algorithm>
#include <optional>
#include <utility>

namespace qv {

namespace {

constexpr uint8_t kShown = 1; // the row matches or lies above a match

} // namespace

TreeFilter::TreeFilter(TreeWidget& view, QWidget* fieldParent)
    : QObject(fieldParent), view_(view), field_(new QLineEdit(fieldParent)) {
    field_->setObjectName("treeFilter");
    field_->setPlaceholderText(tr("Filter"));
    field_->setAccessibleName(tr("Filter the tree"));
    field_->setToolTip(tr("Shows the items whose name, title or file name holds the text (? any "
                          "one character, # any digit), with their folders; with * the pattern "
                          "matches a whole name, title or file name. Escape shows everything "
                          "again."));
    field_->setClearButtonEnabled(true);
    field_->installEventFilter(this);
    connect(field_, &QLineEdit::textChanged, this, &TreeFilter::Apply);

    connect(&view_.Model(), &TreeModel::treeChanged, this, &TreeFilter::TreeChanged);
    connect(&view_.Model(), &TreeModel::selectionMoved, this,
            [this] { selectedWhileFiltering_ = selectedWhileFiltering_ || Active(); });
}

TreeFilter::~TreeFilter() = default;

bool TreeFilter::eventFilter(QObject* watched, QEvent* event) {
    if (watched != field_) return false;
    if (event->type() == QEvent::FocusIn && !read_) Read(); // before the first keystroke
    if (event->type() != QEvent::KeyPress) return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Escape && !field_->text().isEmpty()) {
        field_->clear();
        return true;
    }
    if (key == Qt::Key_Down) {
        view_.setFocus(Qt::TabFocusReason);
        return true;
    }
    return false;
}

void TreeFilter::Apply(const QString& text) {
    if (field_->text() != text) {
        const QSignalBlocker quiet(field_);
        field_->setText(text);
    }
    std::string needle = text::Lower(text.toStdString());
    std::erase(needle, '\0'); // the separator of the texts: never part of a value
    if (needle == needle_ && read_) return;
    needle_ = std::move(needle);
    if (needle_.empty()) {
        matches_ = 0;
        MarkNoMatch(false);
        view_.Model().SetShown(std::nullopt); // the view follows the tree's expansion again
        // What the author picked among the matches stays in sight, its folders opened.
        if (std::exchange(selectedWhileFiltering_, false)) view_.RevealSelection();
        return;
    }
    if (!read_) Read();
    const bool pattern = needle_.find('*') != std::string::npos;
    literal_.clear();
    stars_.clear();
    if (pattern && needle_.find('[') == std::string::npos) {
        // The runs between wildcards; with "*" the only wildcard they decide the match alone.
        std::vector<std::string> runs;
        for (std::size_t start = 0;;) {
            const std::size_t end = std::min(needle_.find_first_of("*?#", start), needle_.size());
            runs.push_back(needle_.substr(start, end - start));
            if (runs.back().size() > literal_.size()) literal_ = runs.back();
            if (end == needle_.size()) break;
            start = end + 1;
        }
        if (needle_.find_first_of("?#") == std::string::npos) stars_ = std::move(runs);
    }
    matcher_.reset();
    if (pattern && stars_.empty()) matcher_.emplace(needle_);
    // "topic 4?3" without a "*": its wildcards too, anywhere in a value, as the plain text is
    // (besides the text itself, so that "what's new?" still finds its own question mark).
    anywhere_.reset();
    if (!pattern && needle_.find_first_of("?#") != std::string::npos &&
        needle_.find('[') == std::string::npos)
        anywhere_.emplace("*" + needle_ + "*");
    std::vector<uint8_t> state(rows_.size(), 0);
    matches_ = 0;
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (Matches(rows_[i], pattern)) {
            state[i] = kShown;
            ++matches_;
        }
    // Children follow their parent in rows_: going backwards, a row is final before its parent.
    for (std::size_t i = rows_.size(); i-- > 0;)
        if (state[i] && rows_[i].parent >= 0)
            state[static_cast<std::size_t>(rows_[i].parent)] = kShown;
    // Going forwards, each parent's shown children in the tree's order.
    TreeModel::ShownChildren shown;
    std::vector<HeadlessNode*>* top = nullptr;
    std::vector<std::vector<HeadlessNode*>*> lists(rows_.size(), nullptr);
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (!state[i]) continue;
        const int32_t parent = rows_[i].parent;
        std::vector<HeadlessNode*>*& list =
            parent < 0 ? top : lists[static_cast<std::size_t>(parent)];
        if (!list)
            list = &shown[parent < 0 ? nullptr : rows_[static_cast<std::size_t>(parent)].node];
        list->push_back(rows_[i].node);
    }
    view_.Model().SetShown(std::move(shown));
    MarkNoMatch(matches_ == 0);
}

void TreeFilter::MarkNoMatch(bool none) {
    // An empty tree alone might be taken for a project without items.
    QPalette palette; // nothing set: the field's own colours
    if (none) palette.setColor(QPalette::Base, QColor(0xFD, 0xE2, 0xE2));
    field_->setPalette(palette);
    field_->setAccessibleDescription(none ? tr("Nothing matches") : QString());
}

void TreeFilter::AppendLower(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            texts_ += text::Lower(text.substr(i));
            return;
        }
        texts_ += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
}

void TreeFilter::AddTexts(std::string_view label) {
    if (label.find('<') == std::string_view::npos) {
        AppendLower(label);
        texts_ += '\0';
        return;
    }
    const std::vector<MarkupPiece> pieces = ScanLabelMarkup(label);
    auto text = [&](const MarkupPiece& piece) { return piece.kind == MarkupPiece::Kind::Text; };
    auto title = [&](const MarkupPiece& piece) { return text(piece) && piece.spellcheck; };
    const auto first = std::find_if(pieces.begin(), pieces.end(), title);
    // A topic's label: the name, " (", the title in the spell-checked run, ")".
    for (auto piece = pieces.begin(); piece != first; ++piece)
        if (text(*piece)) AppendLower(label.substr(piece->offset, piece->length));
    if (first == pieces.end()) {
        texts_ += '\0';
        return;
    }
    if (texts_.ends_with(" (")) texts_.resize(texts_.size() - 2);
    texts_ += '\0';
    for (auto piece = first; piece != pieces.end(); ++piece)
        if (title(*piece)) AppendLower(label.substr(piece->offset, piece->length));
    texts_ += '\0';
}

void TreeFilter::Read() {
    rows_.clear();
    texts_.clear();
    const HeadlessTreeView& tree = view_.Tree();
    struct Level {
        int32_t row; // in rows_; -1: the top level
        int32_t count;
        int32_t next;
    };
    std::vector<Level> levels{{-1, tree.TopLevelCount(), 0}};
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.next == level.count) {
            levels.pop_back();
            continue;
        }
        const int32_t parent = level.row;
        HeadlessNode* node =
            parent < 0 ? tree.TopLevelAt(level.next)
                       : rows_[static_cast<std::size_t>(parent)].node->ChildAt(level.next);
        ++level.next;
        const auto begin = static_cast<uint32_t>(texts_.size());
        // Items have a key with a colon; folders and "(Un-categorized)" show only above a match.
        const std::string_view key = node->KeyRef();
        if (key.find(':') != std::string_view::npos && key != "c:uncategorized")
            AddTexts(node->TextRef());
        rows_.push_back({node, parent, begin, static_cast<uint32_t>(texts_.size())});
        if (const int32_t children = node->ChildCount(); children > 0)
            levels.push_back({static_cast<int32_t>(rows_.size() - 1), children, 0});
    }
    view_.Model().Folders(); // read now too, so that no keystroke pays for it
    read_ = true;
}

namespace {
// Whether one of a row's values ('\0' after each) passes the test.
template <class Test> bool AnyValue(std::string_view texts, const Test& test) {
    for (std::size_t at = 0; at < texts.size();) {
        const std::size_t end = texts.find('\0', at);
        if (test(texts.substr(at, end - at))) return true;
        at = end + 1;
    }
    return false;
}
} // namespace

bool TreeFilter::Matches(const Row& row, bool pattern) const {
    const std::string_view texts(texts_.data() + row.begin, row.end - row.begin);
    if (!pattern)
        return texts.find(needle_) != std::string_view::npos ||
               (anywhere_ &&
                AnyValue(texts, [&](std::string_view v) { return anywhere_->Matches(v); }));
    // A value the pattern matches holds its longest literal run: a quick test first.
    if (!literal_.empty() && texts.find(literal_) == std::string_view::npos) return false;
    return AnyValue(texts, [&](std::string_view v) {
        return matcher_ ? matcher_->Matches(v) : MatchesStars(v);
    });
}

bool TreeFilter::MatchesStars(std::string_view value) const {
    // The leftmost place of each run leaves the most room for the runs after it.
    const std::string& first = stars_.front();
    const std::string& last = stars_.back();
    if (value.size() < first.size() + last.size() || !value.starts_with(first) ||
        !value.ends_with(last))
        return false;
    std::size_t at = first.size();
    const std::string_view middle = value.substr(0, value.size() - last.size());
    for (std::size_t i = 1; i + 1 < stars_.size(); ++i) {
        const std::size_t found = middle.find(stars_[i], at);
        if (found == std::string_view::npos) return false;
        at = found + stars_[i].size();
    }
    return true;
}

void TreeFilter::TreeChanged() {
    read_ = false;
    if (!Active() || pending_) return;
    pending_ = true;
    QTimer::singleShot(0, this, [this] {
        pending_ = false;
        if (!Active() || read_) return;
        needle_.clear(); // so that the same text applies anew
        Apply(field_->text());
    });
}

int32_t TreeFilter::ShownRows() const {
    const TreeModel& model = view_.Model();
    int32_t count = 0;
    std::vector<QModelIndex> pending{QModelIndex()};
    while (!pending.empty()) {
        const QModelIndex parent = pending.back();
        pending.pop_back();
        for (int row = 0, rows = model.rowCount(parent); row < rows; ++row) {
            ++count;
            const QModelIndex index = model.index(row, 0, parent);
            if (view_.isExpanded(index)) pending.push_back(index);
        }
    }
    return count;
}

} // namespace qv
