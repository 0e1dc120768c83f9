#pragma once

#include <string>

namespace qvbench {

// What a fresh process measures: "floor" (the plain path of Floor.h) or "open" (the real open:
// LoadProject, then the designer's load into the headless tree) of the project file, once.
// Prints "cpu_ns wall_ns rss_kb nodes" (rss: the resident memory after the open) on standard
// output; returns the exit status. trim: then hands the heap's free pages back to the system
// (malloc_trim) and adds the resident memory after that as a fifth figure.
int RunFreshOpen(const std::string& kind, const std::string& projectFile, bool trim = false);

} // namespace qvbench
