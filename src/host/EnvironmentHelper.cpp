#include "host/EnvironmentHelper.h"

#include <cstdlib>
#include <filesystem>

namespace qv {

namespace {
const char* Lookup(const std::string& name) {
    const char* v = name.empty() ? nullptr : std::getenv(name.c_str());
    return v && *v ? v : nullptr;
}
} // namespace

std::string HostEnvironmentHelper::Variable(const std::string& name,
                                            const std::string& fallback) const {
    if (name == "TMP") {
        // A temporary folder that is not there would fail every file type's picture: the
        // first that exists of $TMP, $TMPDIR and /tmp; the first given when none does.
        const char* tmp = Lookup("TMP");
        const char* tmpdir = Lookup("TMPDIR");
        std::error_code ec;
        for (const char* folder : {tmp, tmpdir, "/tmp"})
            if (folder && std::filesystem::is_directory(folder, ec)) return folder;
        return tmp ? tmp : tmpdir ? tmpdir : "/tmp";
    }
    if (const char* v = Lookup(name)) return v;
    return fallback;
}

} // namespace qv
