#include "contracts/Error.h"
#include "explorer/ProjectExplorer.h"

namespace qv {

void ProjectExplorer::AddFiles(Tool&, const std::string&) {
    throw Error(err::InvalidArgument, "Adding files is not available in this version");
}

void ProjectExplorer::CreateNewOtherFile(const std::string&, bool&, bool&, const std::string&) {
    throw Error(err::InvalidArgument, "Adding files is not available in this version");
}

} // namespace qv
