#include "GuiTestSupport.h"
#include "contracts/Error.h"
#include "contracts/HostServices.h"
#include "contracts/SpellEngine.h"
#include "gui/ErrorBoundary.h"
#include "gui/ErrorReportLog.h"
#include "gui/LabelDelegate.h"
#include "gui/QtFileDialogs.h"
#include "gui/QtMessageBoxes.h"
#include "gui/SpellMenu.h"
#include "gui/TreeModel.h"
#include "gui/TreeWidget.h"
#include "gui/Twips.h"
#include "host/DesktopLauncher.h"
#include "support/TempDir.h"

#include <QAction>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QStandardItemModel>
#include <QStyleOptionViewItem>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <new>
#include <optional>
#include <sstream>

namespace qvtest {
namespace {

TEST(Twips, PixelsFollowTheLogicalDpi) {
    struct Case {
        double dpi;
        double perPixel;
        int32_t twips;
        int pixels;
    };
    const Case cases[] = {
        {96, 15, 390, 26},     // one toolbar row at the common DPI
        {120, 12, 390, 33},    // 32.5 rounds up
        {144, 10, 15, 2},      // 1.5 rounds up
        {192, 7.5, 4800, 640}, // a fractional twip per pixel
        {0, 15, 240, 16},      // no DPI known: 96
    };
    for (const Case& c : cases) {
        const qv::TwipsScale s = qv::TwipsScale::FromDpi(c.dpi, c.dpi);
        EXPECT_DOUBLE_EQ(s.perPixelX, c.perPixel) << c.dpi;
        EXPECT_EQ(s.ToPixelsX(c.twips), c.pixels) << c.dpi;
        EXPECT_EQ(s.ToPixelsY(c.twips), c.pixels) << c.dpi;
        EXPECT_EQ(s.ToTwipsX(c.pixels), static_cast<int32_t>(std::lround(c.pixels * c.perPixel)));
    }
    EXPECT_EQ(qv::TwipsScale::FromDpi(192, 96).WholeTwipsPerPixelX(), 8);
    EXPECT_EQ(qv::TwipsScale::FromDpi(192, 96).WholeTwipsPerPixelY(), 15);
    EXPECT_EQ(qv::TwipsScale::FromDpi(2000, 2000).WholeTwipsPerPixelX(), 1);
}

TEST(FileDialogFilter, HostFiltersBecomeQtNameFilters) {
    const std::pair<const char*, const char*> cases[] = {
        {"Image files (*.png;*.jpg;*.bmp;*.gif)|*.png;*.jpg;*.bmp;*.gif",
         "Image files (*.png *.jpg *.bmp *.gif)"},
        {"All files (*.*)|*.*", "All files (*)"},
        {"Text|*.txt|All|*.*", "Text (*.txt);;All (*)"},
        {"Lonely description", "Lonely description (*)"},
        {"", ""},
    };
    for (const auto& [host, qt] : cases)
        EXPECT_EQ(qv::QtNameFilters(host).toStdString(), qt) << host;
}

TEST(MessageBoxLayout, FlagsGiveIconsButtonsDefaultAndEscape) {
    using B = QMessageBox;
    struct Case {
        int32_t flags;
        QMessageBox::Icon icon;
        std::vector<int32_t> codes;
        int defaultIndex;
        int escapeIndex;
    };
    const Case cases[] = {
        {36, B::Question, {6, 7}, 0, 1},    // Yes/No, question
        {35, B::Question, {6, 7, 2}, 0, 2}, // Yes/No/Cancel: Escape is Cancel
        {48, B::Warning, {1}, 0, 0},        // OK, exclamation
        {64, B::Information, {1}, 0, 0},    // OK, information
        {16, B::Critical, {1}, 0, 0},       // the error report's box
        {1 + 256, B::NoIcon, {1, 2}, 1, 1}, // OK/Cancel, second button default
        {2, B::NoIcon, {3, 4, 5}, 0, -1},   // Abort/Retry/Ignore: no escape
        {4 + 512, B::NoIcon, {6, 7}, 1, 1}, // a third default on two buttons: the last
    };
    for (const Case& c : cases) {
        const qv::BoxLayout layout = qv::LayoutOfBox(c.flags);
        EXPECT_EQ(layout.icon, c.icon) << c.flags;
        std::vector<int32_t> codes;
        for (const auto& b : layout.buttons)
            codes.push_back(b.second);
        EXPECT_EQ(codes, c.codes) << c.flags;
        EXPECT_EQ(layout.defaultIndex, c.defaultIndex) << c.flags;
        EXPECT_EQ(layout.escapeIndex, c.escapeIndex) << c.flags;
    }
}

TEST(LabelLayout, MarkupBecomesPiecesSideBySide) {
    const QFontMetrics metrics{QFont()};
    const auto pieces =
        qv::LayoutLabel("Intro <FORMAT spellcheck>to <FORMAT spellerror>wrold</FORMAT> "
                        "<FORMAT TEXT:0000FF>maps</FORMAT></FORMAT>",
                        metrics);
    std::string texts;
    for (const auto& p : pieces)
        texts += "[" + p.text.toStdString() + "]";
    EXPECT_EQ(texts, "[Intro ][to ][wrold][ ][maps]");
    ASSERT_EQ(pieces.size(), 5u);
    EXPECT_TRUE(pieces[2].wavy);
    EXPECT_FALSE(pieces[0].wavy || pieces[1].wavy || pieces[3].wavy || pieces[4].wavy);
    EXPECT_EQ(pieces[4].colour, QColor(255, 0, 0));
    EXPECT_FALSE(pieces[0].colour.isValid());
    EXPECT_EQ(pieces[0].width, metrics.horizontalAdvance(QStringLiteral("Intro ")));
    for (std::size_t i = 1; i < pieces.size(); ++i) // side by side
        EXPECT_EQ(pieces[i].x, pieces[i - 1].x + pieces[i - 1].width);
    const int x = pieces.back().x + pieces.back().width;
    EXPECT_EQ(qv::LayoutLabel("plain <b> text", metrics).size(), 1u);
    EXPECT_TRUE(qv::LayoutLabel("", metrics).empty());

    // Too wide: cut inside the piece that crosses the edge, ending in an ellipsis.
    const int width = pieces[2].x + pieces[2].width / 2;
    const auto cut = qv::ElideLabel(pieces, width, metrics);
    ASSERT_LE(cut.size(), 3u);
    EXPECT_TRUE(cut.back().text.endsWith(QChar(0x2026))) << cut.back().text.toStdString();
    EXPECT_LE(cut.back().x + cut.back().width, width);
    EXPECT_EQ(qv::ElideLabel(pieces, x, metrics).size(), pieces.size()); // fits: unchanged
}

TEST(LabelLayout, AGreyRunOnTheSelectedRowTakesTheSelectionsTextColour) {
    const QColor grey(0x80, 0x80, 0x80);
    QStandardItemModel model;
    auto* item = new QStandardItem(QStringLiteral("BetaFlags (Flags)"));
    item->setData(QStringLiteral("<FORMAT TEXT:808080>BetaFlags</FORMAT> (Flags)"),
                  qv::TreeModel::MarkupRole);
    model.appendRow(item);
    qv::LabelDelegate delegate;
    auto greyPixels = [&](bool selected) {
        QImage image(240, 24, QImage::Format_RGB32);
        image.fill(Qt::white);
        QStyleOptionViewItem option;
        option.rect = image.rect();
        option.font = QFont();
        option.palette.setColor(QPalette::Highlight, QColor(0x30, 0x8c, 0xc6));
        option.palette.setColor(QPalette::HighlightedText, Qt::white);
        option.state = QStyle::State_Enabled | QStyle::State_Active;
        if (selected) option.state |= QStyle::State_Selected;
        QPainter painter(&image);
        delegate.paint(&painter, option, model.index(0, 0));
        painter.end();
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += QColor(image.pixel(x, y)) == grey ? 1 : 0;
        return count;
    };
    EXPECT_GT(greyPixels(false), 0);
    EXPECT_EQ(greyPixels(true), 0);
}

class ListEngine final : public qv::SpellEngine {
public:
    std::vector<std::string> suggestions;
    std::string TypeName() const override { return "SpellEngine"; }
    bool Check(const std::string&) override { return false; }
    std::vector<std::string> Suggest(const std::string&) override { return suggestions; }
    void Add(const std::string&) override {}
    void Ignore(const std::string&) override {}
    uint64_t Revision() const override { return 0; }
};

TEST(SpellMenu, SuggestionsThenAddAndIgnoreEachNamingItsChoice) {
    using Kind = qv::SpellChoice::Kind;
    ListEngine engine;
    engine.suggestions = {"world", "would", "word"};
    QMenu menu;
    qv::FillSpellMenu(menu, engine, "wrold", 2);
    std::vector<std::string> texts;
    for (QAction* a : menu.actions())
        texts.push_back(a->isSeparator() ? "|" : a->text().toStdString());
    EXPECT_EQ(texts,
              (std::vector<std::string>{"world", "would", "|", "Add to Dictionary", "Ignore All"}));
    const auto first = qv::ChoiceOf(menu, menu.actions()[0], "wrold");
    EXPECT_EQ(first.kind, Kind::Replace);
    EXPECT_EQ(first.replacement, "world");
    EXPECT_EQ(qv::ChoiceOf(menu, menu.actions()[3], "wrold").kind, Kind::Add);
    EXPECT_EQ(qv::ChoiceOf(menu, menu.actions()[4], "wrold").kind, Kind::Ignore);
    EXPECT_EQ(qv::ChoiceOf(menu, nullptr, "wrold").kind, Kind::None);
    QAction foreign(QStringLiteral("world"));
    foreign.setData(QStringLiteral("replace:world"));
    EXPECT_EQ(qv::ChoiceOf(menu, &foreign, "wrold").kind, Kind::None);

    engine.suggestions.clear();
    qv::FillSpellMenu(menu, engine, "qqq");
    ASSERT_FALSE(menu.actions().isEmpty());
    EXPECT_FALSE(menu.actions()[0]->isEnabled()); // "(no suggestions)"
}

// The program's last boundary: whatever leaves an event handler, lack of memory included,
// reaches the error sink and the program goes on.
TEST(GuardedApplication, AFailureInAnEventHandlerIsReportedAndTheProgramGoesOn) {
    struct Failing : QObject {
        int thrown = 0;
        bool event(QEvent* e) override {
            if (e->type() != QEvent::User) return QObject::event(e);
            if (thrown++ == 0) throw std::bad_alloc();
            throw qv::Error(5, "Invalid procedure call or argument");
        }
    } failing;
    auto& errors = qvtest::GuiErrors();
    errors.clear();
    QEvent first(QEvent::User), second(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&failing, &first));
    EXPECT_FALSE(QCoreApplication::sendEvent(&failing, &second));
    EXPECT_EQ(errors, (std::vector<std::string>{"Out of memory",
                                                "Error 5: Invalid procedure call or argument"}));
    errors.clear();
}

TEST(ErrorReportLog, EachReportIsWrittenAndOneFailureIsShownOnce) {
    TempDir dir;
    qv::ErrorComponent component;
    qv::ErrorReportLog log(component, dir.Path() + "/state");
    std::vector<std::size_t> shown;
    std::vector<std::string> files;
    log.SetPresenter([&](const auto& reports, const auto& written) {
        shown.push_back(reports.size());
        files = written;
    });
    auto report = [&](int32_t number, const char* procedure) {
        std::vector<qv::Variant> args{qv::Variant(number),
                                      qv::Variant("QVLiteControls2"),
                                      qv::Variant("ProjectExplorer"),
                                      qv::Variant(procedure),
                                      qv::Variant("Subscript out of range"),
                                      qv::Variant(3),
                                      qv::Variant("mQVProject = Nothing\r\nKey = \"t:1\""),
                                      qv::Variant("1.0.0")};
        component.Invoke("ErrorHandler", qv::CallKind::Method, args);
    };
    report(9, "AddTopic");
    report(65535, "mQVProject_TopicAdded");
    EXPECT_TRUE(shown.empty()); // the burst is shown when the event loop runs
    RunPendingEvents();
    ASSERT_EQ(shown, std::vector<std::size_t>{2});
    ASSERT_EQ(files.size(), 2u);
    std::ifstream in(files[0]);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("Error 9 in ProjectExplorer.AddTopic (line 3)"), std::string::npos);
    EXPECT_NE(text.str().find("mQVProject = Nothing\nKey"), std::string::npos);
    report(13, "NodeClick");
    RunPendingEvents();
    EXPECT_EQ(shown, (std::vector<std::size_t>{2, 1}));
}

TEST(ErrorReportLog, TheStateFolderFollowsXdgStateHome) {
    {
        ScopedEnv state("XDG_STATE_HOME", "/tmp/qvstate");
        EXPECT_EQ(qv::ErrorReportLog::DefaultFolder(), "/tmp/qvstate/Quorvel2");
    }
    ScopedEnv state("XDG_STATE_HOME", nullptr);
    ScopedEnv home("HOME", "/home/someone");
    EXPECT_EQ(qv::ErrorReportLog::DefaultFolder(), "/home/someone/.local/state/Quorvel2");
}

// A launcher that gives up says so with its status. A missing launcher and one that gives its
// reason are the end-to-end script's "Open" messages; one that succeeds, its reveal.
TEST(DesktopLauncher, ALauncherThatFailsSaysItsStatus) {
    TempDir dir;
    const std::string script = dir.Write("xdg-open", "#!/bin/sh\nexit 4");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    ScopedEnv path("PATH", dir.Path().c_str());
    QObject context;
    std::optional<std::string> failure;
    qv::OpenWithDesktop("/x/a.png", context, [&](const std::string& why) { failure = why; });
    // The launcher is done when its process object is gone.
    for (QDeadlineTimer deadline(10000); !context.children().isEmpty() && !deadline.hasExpired();) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    ASSERT_TRUE(failure);
    EXPECT_NE(failure->find("xdg-open ended with status 4."), std::string::npos) << *failure;
}

} // namespace
} // namespace qvtest
