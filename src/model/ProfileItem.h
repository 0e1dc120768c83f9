#pragma once

#include "contracts/ProjectModel.h"

#include <memory>
#include <string>

namespace qv {

class Project;

// A build profile. Setters on a profile in its project's BuildProfiles raise
// BuildProfileChanged.
class ProfileItem final : public BuildProfile {
public:
    struct Fields {
        std::string id, name, title;
        bool compiledHelp = false;
        int32_t helpFormat = 0;
        std::string outputFolder; // as in the project file: relative ("\") or absolute
        bool current = false;
    };
    // Made by the project only.
    static std::shared_ptr<ProfileItem> Create(std::weak_ptr<Project> project,
                                               std::string projectFolder, Fields fields);

    std::string TypeName() const override { return "BuildProfile"; }
    std::string ID() const override { return f_.id; }
    std::string Name() const override { return f_.name; }
    std::string Title() const override { return f_.title; }
    bool CompiledHelp() const override { return f_.compiledHelp; }
    int32_t HelpFormat() const override { return f_.helpFormat; }
    std::string OutputFolder() const override;
    void SetCurrent(bool value) override;

    bool Current() const { return f_.current; }
    const std::string& OutputFolderInFile() const { return f_.outputFolder; }
    void SetName(const std::string& name);
    void SetTitle(const std::string& title);
    void SetCompiledHelp(bool value);
    void SetHelpFormat(int32_t value);
    // A relative path may not climb out of the project folder nor name the folder itself
    // (error 5).
    void SetOutputFolder(const std::string& folder);

private:
    friend class qv::Project;
    ProfileItem(std::weak_ptr<qv::Project> project, std::string projectFolder, Fields fields);
    // Makes the change, telling the project before and after it.
    template <class Assign> void Change(Assign&& assign);

    std::weak_ptr<qv::Project> project_;
    std::weak_ptr<ProfileItem> self_;
    std::string folder_; // the project folder, ending with "/"
    Fields f_;
};

} // namespace qv
