#include "gui/SpellMenu.h"

#include "contracts/SpellEngine.h"
#include "gui/ErrorBoundary.h"

#include <QAction>
#include <QMenu>
#include <QPoint>

namespace qv {

namespace {
const QString kReplace = QStringLiteral("replace:");
const QString kAdd = QStringLiteral("add");
const QString kIgnore = QStringLiteral("ignore");
} // namespace

void FillSpellMenu(QMenu& menu, SpellEngine& engine, const std::string& word, int maxSuggestions) {
    menu.clear();
    const std::vector<std::string> suggestions = engine.Suggest(word);
    int shown = 0;
    for (const std::string& s : suggestions) {
        if (shown++ >= maxSuggestions) break;
        QAction* a = menu.addAction(QString::fromStdString(s));
        a->setData(kReplace + QString::fromStdString(s));
        QFont bold = a->font();
        bold.setBold(true);
        a->setFont(bold);
    }
    if (shown == 0) menu.addAction(QStringLiteral("(no suggestions)"))->setEnabled(false);
    menu.addSeparator();
    menu.addAction(QStringLiteral("Add to Dictionary"))->setData(kAdd);
    menu.addAction(QStringLiteral("Ignore All"))->setData(kIgnore);
}

SpellChoice ChoiceOf(const QMenu& menu, const QAction* action, const std::string& word) {
    SpellChoice choice;
    if (!action || !menu.actions().contains(const_cast<QAction*>(action))) return choice;
    const QString data = action->data().toString();
    choice.word = word;
    if (data.startsWith(kReplace)) {
        choice.kind = SpellChoice::Kind::Replace;
        choice.replacement = data.mid(kReplace.size()).toStdString();
    } else if (data == kAdd) {
        choice.kind = SpellChoice::Kind::Add;
    } else if (data == kIgnore) {
        choice.kind = SpellChoice::Kind::Ignore;
    } else {
        choice.word.clear();
    }
    return choice;
}

SpellChoice ExecSpellMenu(SpellEngine& engine, const std::string& word, const QPoint& screenPos) {
    QMenu menu;
    if (!Guarded(nullptr, [&] { FillSpellMenu(menu, engine, word); })) return {};
    SpellChoice choice = ChoiceOf(menu, menu.exec(screenPos), word);
    return TellEngine(engine, choice) ? choice : SpellChoice{};
}

bool TellEngine(SpellEngine& engine, const SpellChoice& choice) {
    return Guarded(nullptr, [&] {
        if (choice.kind == SpellChoice::Kind::Add) engine.Add(choice.word);
        if (choice.kind == SpellChoice::Kind::Ignore) engine.Ignore(choice.word);
    });
}

} // namespace qv
