#include "host/IdeObject.h"

#include "contracts/Error.h"
#include "host/HunspellEngine.h"
#include "model/Project.h"

namespace qv {

namespace {

constexpr int32_t kArgumentNotOptional = 449;

// Members whose whole work is the report.
constexpr const char* kReportOnly[] = {
    "FireLoadProgress",   "ShowTopicProperties",   "edittopic", "EditOtherFile",
    "EditBuildProfile",   "CreateThumbnail",       "Build",     "flashtopic",
    "helpContextChanged", "LocateTopicInTOCEditor"};

bool Given(const std::vector<Variant>& args, std::size_t index) {
    return index < args.size() && !args[index].IsMissing();
}

std::string TextArgument(const std::vector<Variant>& args, std::size_t index) {
    if (!Given(args, index)) throw Error(kArgumentNotOptional, "Argument not optional");
    return args[index].ToString();
}

} // namespace

IdeObject::IdeObject(std::shared_ptr<qv::DesignerHelper> designer, SpellEngineFactory spellEngine)
    : designer_(std::move(designer)), spellFactory_(std::move(spellEngine)) {
    table_.Add("ActiveQVproject", [this](CallKind, std::vector<Variant>&) {
        return project_ ? Variant(project_) : Variant(nullptr);
    });
    table_.Add("CreateTopic", [this](CallKind, std::vector<Variant>& args) {
        const std::string name = TextArgument(args, 0);
        const std::string category = Given(args, 2) ? args[2].ToString() : std::string();
        return Variant(NewTopic(RequireProject(), name, category, FirstStatus()));
    });
    table_.Add("CreateCategory", [this](CallKind, std::vector<Variant>& args) {
        const std::string name = TextArgument(args, 0);
        return Variant(RequireProject().AddCategory({}, name));
    });
    table_.Add("CreateBuildProfile", [this](CallKind, std::vector<Variant>&) {
        return Variant(RequireProject().AddProfile({}, "New Build Profile"));
    });
    table_.Add("commonSpell", [this](CallKind, std::vector<Variant>&) {
        auto engine = SpellingEngine();
        return engine ? Variant(std::shared_ptr<Object>(engine)) : Variant(nullptr);
    });
    for (const char* member : kReportOnly)
        table_.Add(member, [](CallKind, std::vector<Variant>&) { return Variant(); });
}

Variant IdeObject::Invoke(std::string_view name, CallKind kind, std::vector<Variant>& args) {
    const DispatchTable::Handler* handler = Member(name);
    if (!handler) throw Error(err::UnknownMember, "Object doesn't support this property or method");
    if (observer_) observer_(name, args);
    return Run(name, *handler, kind, args);
}

Variant IdeObject::Run(std::string_view /*name*/, const DispatchTable::Handler& handler,
                       CallKind kind, std::vector<Variant>& args) {
    return handler(kind, args);
}

const DispatchTable::Handler* IdeObject::Member(std::string_view name) {
    if (!lastMember_ || name != lastName_) {
        lastMember_ = table_.Find(name);
        lastName_.assign(name);
    }
    return lastMember_;
}

std::shared_ptr<TopicItem> IdeObject::NewTopic(Project& project, const std::string& name,
                                               const std::string& categoryId,
                                               const std::string& status) {
    return project.AddTopic({}, name, name, categoryId, status);
}

IdeObject::SpellEngineFactory IdeObject::DefaultSpellEngine() {
    return [] { return std::shared_ptr<qv::SpellEngine>(HunspellEngine::FromEnvironment()); };
}

void IdeObject::SetSpellEngineFactory(SpellEngineFactory factory) {
    spellFactory_ = std::move(factory);
    spellEngine_.reset();
    spellError_.clear();
}

std::shared_ptr<SpellEngine> IdeObject::SpellingEngine() {
    if (spellEngine_ || !spellFactory_) return spellEngine_;
    // A failure is kept as text, not raised: the checker then fails on the missing engine in
    // the component's own error report, and a later call tries again.
    try {
        spellEngine_ = spellFactory_();
        spellError_.clear();
    } catch (const Error& e) {
        spellError_ = e.Description();
    } catch (const std::exception& e) {
        spellError_ = e.what();
    }
    return spellEngine_;
}

Project& IdeObject::RequireProject() const {
    if (!project_) throw Error(err::ObjectNotSet, "Object variable or With block variable not set");
    return *project_;
}

std::string IdeObject::FirstStatus() const {
    const std::vector<TopicStatus>* statuses = designer_ ? designer_->TopicStatuses() : nullptr;
    return statuses && !statuses->empty() ? statuses->front().name : std::string();
}

} // namespace qv
