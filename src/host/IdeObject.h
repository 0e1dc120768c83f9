#pragma once

#include "contracts/Dispatch.h"
#include "contracts/HostServices.h"
#include "contracts/SpellEngine.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

class Project;
class TopicItem;

// The IDE object ("QVIDE") of a host without an IDE around it. It answers the members the
// component calls by name (any case) and raises 438 for any other name:
//   ActiveQVproject        the active project, or Nothing
//   CreateTopic(name, ?, categoryId)  appends a topic named and titled by name, with the
//                          host's first topic status, in the category (none when empty)
//   CreateCategory(name)   appends a category; returns it
//   CreateBuildProfile()   appends "New Build Profile"; returns it
//   commonSpell            the host's spelling engine, made by the spell-engine factory at
//                          the first call that succeeds and kept; Nothing while the factory
//                          fails (the reason is in SpellEngineError) or there is none
//   FireLoadProgress, ShowTopicProperties, edittopic, EditOtherFile, EditBuildProfile,
//   CreateThumbnail, LocateTopicInTOCEditor, Build, flashtopic, helpContextChanged:
//                          nothing beyond the report.
// Every call is first reported to the observer with the name as the caller spelled it and
// its arguments; the changes then go through the project, which raises its events before
// the call returns. The create members raise 91 without an active project and 449 without
// their name argument.
class IdeObject : public Dispatch {
public:
    using Observer = std::function<void(std::string_view member, std::vector<Variant>& args)>;

    // Makes the spelling engine; may raise qv::Error (a missing dictionary).
    using SpellEngineFactory = std::function<std::shared_ptr<SpellEngine>()>;

    // The status list comes from the designer helper when a topic is made; nullptr, or a
    // helper without statuses, leaves the project's default status. The spelling engine is
    // by default HunspellEngine::FromEnvironment.
    explicit IdeObject(std::shared_ptr<qv::DesignerHelper> designer,
                       SpellEngineFactory spellEngine = DefaultSpellEngine());

    std::string TypeName() const override { return "QVIDE"; }

    void SetProject(std::shared_ptr<Project> project) { project_ = std::move(project); }
    const std::shared_ptr<Project>& ActiveProject() const { return project_; }
    void SetObserver(Observer observer) { observer_ = std::move(observer); }
    // Replaces the factory and forgets the engine made so far; an empty factory: no engine.
    void SetSpellEngineFactory(SpellEngineFactory factory);
    // The engine ("commonSpell" without the report); nullptr while it cannot be made.
    std::shared_ptr<qv::SpellEngine> SpellingEngine();
    // Why the last attempt to make the engine failed; "" after a success.
    const std::string& SpellEngineError() const { return spellError_; }
    static SpellEngineFactory DefaultSpellEngine();

    Variant Invoke(std::string_view name, CallKind kind, std::vector<Variant>& args) override;

protected:
    // Runs a known member, whose handler Invoke found, once the call was reported to the
    // observer.
    virtual Variant Run(std::string_view name, const DispatchTable::Handler& handler, CallKind kind,
                        std::vector<Variant>& args);
    // The topic of CreateTopic, appended to the project (with the default file name).
    virtual std::shared_ptr<TopicItem> NewTopic(Project& project, const std::string& name,
                                                const std::string& categoryId,
                                                const std::string& status);
    Project& RequireProject() const;

private:
    std::string FirstStatus() const;
    // The handler of the name, nullptr when unknown. The one found last is kept with the name
    // as asked: a load asks for one member per item, 150,000 times in a row.
    const DispatchTable::Handler* Member(std::string_view name);

    std::shared_ptr<qv::DesignerHelper> designer_;
    std::shared_ptr<Project> project_;
    Observer observer_;
    SpellEngineFactory spellFactory_;
    std::shared_ptr<qv::SpellEngine> spellEngine_;
    std::string spellError_;
    DispatchTable table_; // filled once, by the constructor
    std::string lastName_;
    const DispatchTable::Handler* lastMember_ = nullptr;
};

} // namespace qv
