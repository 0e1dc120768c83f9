#include "gui/LabelDelegate.h"

#include "controls/LabelMarkup.h"
#include "gui/TreeModel.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <algorithm>

namespace qv {

namespace {
constexpr int kWaveHalfPeriod = 2; // pixels
constexpr int kWaveDepth = 2;      // pixels from crest to trough

QColor ColourOf(const std::optional<uint32_t>& rgb) {
    if (!rgb) return {};
    return QColor(static_cast<int>((*rgb >> 16) & 0xFF), static_cast<int>((*rgb >> 8) & 0xFF),
                  static_cast<int>(*rgb & 0xFF));
}

void DrawWave(QPainter& painter, int left, int right, int top) {
    QPainterPath path;
    path.moveTo(left, top);
    bool down = true;
    for (int x = left + kWaveHalfPeriod; x <= right; x += kWaveHalfPeriod, down = !down)
        path.lineTo(x, top + (down ? kWaveDepth : 0));
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(Qt::red, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
    painter.restore();
}

int TextMargin(const QWidget* widget) {
    QStyle* style = widget ? widget->style() : QApplication::style();
    return style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
}
} // namespace

std::vector<LabelPiece> LayoutLabel(std::string_view markup, const QFontMetrics& metrics) {
    std::vector<LabelPiece> pieces;
    auto add = [&](QString text, QColor colour, bool wavy) {
        const int x = pieces.empty() ? 0 : pieces.back().x + pieces.back().width;
        const int width = metrics.horizontalAdvance(text);
        pieces.push_back({std::move(text), colour, wavy, x, width});
    };
    if (markup.find('<') == std::string_view::npos) {
        if (!markup.empty())
            add(QString::fromUtf8(markup.data(), static_cast<qsizetype>(markup.size())), {}, false);
        return pieces;
    }
    for (const LabelRun& run : ParseLabelMarkup(markup))
        add(QString::fromStdString(run.text), ColourOf(run.colour), run.spellerror);
    return pieces;
}

std::vector<LabelPiece> ElideLabel(std::vector<LabelPiece> pieces, int width,
                                   const QFontMetrics& metrics) {
    if (pieces.empty() || pieces.back().x + pieces.back().width <= width) return pieces;
    const QString ellipsis(QChar(0x2026));
    const int room = width - metrics.horizontalAdvance(ellipsis);
    std::size_t keep = 0;
    while (keep < pieces.size() && pieces[keep].x + pieces[keep].width <= room)
        ++keep;
    // The piece that crosses the edge keeps what fits of it, then the ellipsis.
    if (keep < pieces.size()) {
        LabelPiece& cut = pieces[keep];
        cut.text = metrics.elidedText(cut.text, Qt::ElideRight, std::max(0, width - cut.x));
        // It fits, the pieces after it do not: it gives up room for the ellipsis.
        if (!cut.text.endsWith(ellipsis)) {
            while (!cut.text.isEmpty() && cut.x + metrics.horizontalAdvance(cut.text) > room)
                cut.text.chop(1);
            cut.text += ellipsis;
        }
        cut.width = metrics.horizontalAdvance(cut.text);
        ++keep;
    }
    pieces.resize(keep);
    return pieces;
}

void DrawLabel(QPainter& painter, const std::vector<LabelPiece>& pieces, int x, int baseline,
               const QColor& defaultColour) {
    for (const LabelPiece& piece : pieces) {
        painter.setPen(piece.colour.isValid() ? piece.colour : defaultColour);
        painter.drawText(x + piece.x, baseline, piece.text);
        if (piece.wavy) DrawWave(painter, x + piece.x, x + piece.x + piece.width, baseline + 2);
    }
}

QRect LabelDelegate::TextRect(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QWidget* widget = opt.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    QRect rect = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget);
    const int margin = TextMargin(widget);
    return rect.adjusted(margin, 0, -margin, 0);
}

bool LabelDelegate::Elided(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString markup = index.data(TreeModel::MarkupRole).toString();
    const auto pieces = LayoutLabel(markup.toStdString(), QFontMetrics(opt.font));
    return !pieces.empty() &&
           pieces.back().x + pieces.back().width > TextRect(option, index).width();
}

void LabelDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const {
    const QString markup = index.data(TreeModel::MarkupRole).toString();
    if (!markup.contains(QLatin1Char('<'))) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QRect textRect = TextRect(option, index);
    const QWidget* widget = opt.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    // Background, selection, icon and focus as usual; the text is ours.
    opt.text.clear();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

    const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (opt.state & QStyle::State_Active) ? QPalette::Normal
                                                                            : QPalette::Inactive;
    const QColor colour = opt.palette.color(
        group, (opt.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text);
    const QFontMetrics metrics(opt.font);
    auto pieces = ElideLabel(LayoutLabel(markup.toStdString(), metrics), textRect.width(), metrics);
    if (opt.state & QStyle::State_Selected)
        for (LabelPiece& piece : pieces)
            piece.colour = QColor();
    painter->save();
    painter->setFont(opt.font);
    painter->setClipRect(textRect.adjusted(0, 0, 0, 1));
    const int baseline =
        textRect.top() + (textRect.height() - metrics.height()) / 2 + metrics.ascent();
    DrawLabel(*painter, pieces, textRect.left(), baseline, colour);
    painter->restore();
}

} // namespace qv
