#include "host/EnvironmentHelper.h"

#include <cstdlib>

namespace qv {

namespace {
const char* Lookup(const std::string& name) {
    const char* v = name.empty() ? nullptr : std::getenv(name.c_str());
    return v && *v ? v : nullptr;
}
} // namespace

std::string HostEnvironmentHelper::Variable(const std::string& name,
                                            const std::string& fallback) const {
    if (const char* v = Lookup(name)) return v;
    if (name == "TMP") {
        if (const char* v = Lookup("TMPDIR")) return v;
        return "/tmp";
    }
    return fallback;
}

} // namespace qv
