#pragma once

#include "find/PatternMatch.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QLineEdit;
class QWidget;

namespace qv {

class HeadlessNode;
class TreeWidget;

// Filter as you type over the tree on screen, with its field (a line edit). Only the rows of
// the items that match the field's text stay shown, with the folders above them, which are
// expanded on screen so that the matches show. Items are topics, categories, other files and
// build profiles, tested by what their label shows: a topic's name and its title (the run of
// the label the spell checker reads; the label is "name (title)"), a category's or profile's
// name, a file's name. Folders and "(Un-categorized)" show only above a match. The find bar's
// rules: a text holding "*" is a pattern that a whole value must match ("?", "#", "[a-z]" ...),
// any other text a substring; case is ignored.
//
// Only the view changes: the rows left out leave the view's model (TreeModel::SetShown), and
// the folders above matches show open, so the tree's nodes, their Expanded, the selection and
// the explorer's events stay as they were; what the author does meanwhile (a click, an
// expander, a key) reaches the tree as ever. The view then lays out the rows shown only, and
// HitTest and TopRow count those. Escape in the field (or an empty text) shows every row again
// with the expansion the tree has, which is the author's, and a node selected meanwhile
// revealed (its folders expanded in the tree). Down in the field gives the tree the focus.
//
// Each row's texts are read once, lower-cased, into one buffer (when the field takes the focus,
// so that the first keystroke does not pay for it); a keystroke tests them in one pass and
// hands the rows shown to the model in one reset. A change of the tree drops what was read;
// while a filter is on, the filter applies anew on the next turn of the event loop.
class TreeFilter final : public QObject {
    Q_OBJECT
public:
    // The field is made as a child of fieldParent; the caller places it. The view must outlive
    // this object.
    TreeFilter(TreeWidget& view, QWidget* fieldParent);
    ~TreeFilter() override;

    QLineEdit& Field() const { return *field_; }
    // Filters by text ("": no filter), as typing it into the field does.
    void Apply(const QString& text);
    bool Active() const { return !needle_.empty(); }
    // Items that match the current text (0 without a filter).
    int32_t Matches() const { return matches_; }
    // Rows on screen if the view were tall enough: every ancestor expanded.
    int32_t ShownRows() const;

private:
    struct Row {
        HeadlessNode* node;
        int32_t parent; // index in rows_, -1 at the top level
        uint32_t begin; // texts_[begin, end): the lower-case values, '\0' after each
        uint32_t end;   // begin == end: not an item
    };

    bool eventFilter(QObject* watched, QEvent* event) override;
    // Reads every row's texts from the tree.
    void Read();
    void AddTexts(std::string_view label);
    void AppendLower(std::string_view text);
    bool Matches(const Row& row, bool pattern) const;
    bool MatchesStars(std::string_view value) const;
    // The field's background turns red while nothing matches its text.
    void MarkNoMatch(bool none);
    void TreeChanged();

    TreeWidget& view_;
    QLineEdit* field_;
    std::string needle_;             // lower case
    std::string literal_;            // of a pattern without "[": its longest run without wildcards
    std::vector<std::string> stars_; // of a pattern whose only wildcard is "*": its runs
    std::optional<find::TextMatcher> matcher_;  // any other pattern, compiled once per text
    std::optional<find::TextMatcher> anywhere_; // a text with "?" or "#" but no "*"
    std::vector<Row> rows_;
    std::string texts_;
    bool read_ = false; // rows_ and texts_ describe the tree as it is
    bool pending_ = false;
    bool selectedWhileFiltering_ = false;
    int32_t matches_ = 0;
};

} // namespace qv
