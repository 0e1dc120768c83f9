#pragma once

#include <QString>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QPoint;

namespace qv {

class SpellEngine;

// What the user chose in the spelling menu.
struct SpellChoice {
    enum class Kind { None, Replace, Add, Ignore };
    Kind kind = Kind::None;
    std::string word;
    std::string replacement; // Replace only
};

// Fills menu for a misspelt word: up to maxSuggestions suggestions of the engine (or a
// disabled "(no suggestions)"), a separator, "Add to Dictionary" and "Ignore All". Each
// action's data names its choice ("replace:" + text, "add", "ignore").
void FillSpellMenu(QMenu& menu, SpellEngine& engine, const std::string& word,
                   int maxSuggestions = 8);
// The choice an action of such a menu stands for (None for nullptr or a foreign action).
SpellChoice ChoiceOf(const QMenu& menu, const QAction* action, const std::string& word);
// Carries out Add and Ignore on the engine (nothing for the other kinds); false when the
// engine failed (the failure went to the GUI error sink).
bool TellEngine(SpellEngine& engine, const SpellChoice& choice);
// Shows the menu at the screen point and waits for the choice. Add and Ignore are carried out
// on the engine here; Replace is the caller's (it changes the topic's title in the project).
// Engine failures go to the GUI error sink and end as None.
SpellChoice ExecSpellMenu(SpellEngine& engine, const std::string& word, const QPoint& screenPos);

} // namespace qv
