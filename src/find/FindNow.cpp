#include "contracts/Error.h"
#include "explorer/ProjectExplorer.h"

namespace qv {

void ProjectExplorer::FindNow() {
    diag::Procedure p(errors_, "FindNow");
    p.Run([&] { throw Error(err::InvalidArgument, "Find is not available in this version"); });
}

} // namespace qv
