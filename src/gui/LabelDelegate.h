#pragma once

#include <QColor>
#include <QString>
#include <QStyledItemDelegate>
#include <string_view>
#include <vector>

class QFontMetrics;
class QPainter;

namespace qv {

// One run of a label as drawn: its text, its colour (invalid: the row's text colour), whether it
// carries the wavy misspelling underline, and where it lies, in pixels from the label's start.
struct LabelPiece {
    QString text;
    QColor colour;
    bool wavy = false;
    int x = 0;
    int width = 0;
};

// Lays out the label markup (coloured runs, misspelt words) from x = 0 with the font's metrics.
// A label without markup is one piece.
std::vector<LabelPiece> LayoutLabel(std::string_view markup, const QFontMetrics& metrics);
// The pieces cut to fit width pixels, the last one kept ending in "…"; unchanged when they fit.
std::vector<LabelPiece> ElideLabel(std::vector<LabelPiece> pieces, int width,
                                   const QFontMetrics& metrics);
// Draws the pieces with their baseline at y, starting at x; wavy pieces get a red wave under.
void DrawLabel(QPainter& painter, const std::vector<LabelPiece>& pieces, int x, int baseline,
               const QColor& defaultColour);

// Draws a row of the tree: the node's icon, then its label with the markup drawn, cut with "…"
// when the row is too narrow for it. On a selected row every run takes the selection's text
// colour, so that a grey run stays readable; the misspelling wave stays red. The editor of a
// label edit is a line edit holding the label without markup.
class LabelDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    // Where the label's text starts inside the row's rectangle (x in view coordinates).
    QRect TextRect(const QStyleOptionViewItem& option, const QModelIndex& index) const;
    // Whether the row shows its label cut short.
    bool Elided(const QStyleOptionViewItem& option, const QModelIndex& index) const;
};

} // namespace qv
