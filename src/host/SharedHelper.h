#pragma once

#include "contracts/HostServices.h"
#include "host/FileDialogs.h"
#include "host/HostOptions.h"

#include <memory>
#include <string>

namespace qv {

// The host's SharedHelper. Dialogs go to the given service, which must outlive the helper.
class HostSharedHelper : public SharedHelper {
public:
    HostSharedHelper(std::shared_ptr<const HostOptions> options, FileDialogs& dialogs);

    std::string TypeName() const override { return "SharedHelper"; }

    std::string KeyType(const std::string& key) const override;
    std::string KeyValue(const std::string& key) const override;
    bool InCollection(const Object& collection, const std::string& key) const override;
    bool SuppressDeletePrompt() const override;
    // Several files that share no folder give their deepest common folder and the names
    // below it (which then contain the platform separator). The folder comes without a
    // trailing separator, as the platform's multi-select result has it.
    std::string BrowseForFiles(const std::string& title, const std::string& filter,
                               const std::string& startFolder, bool multiSelect) override;

private:
    std::shared_ptr<const HostOptions> options_;
    FileDialogs& dialogs_;
};

} // namespace qv
