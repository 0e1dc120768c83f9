#pragma once

#include <functional>
#include <string>

class QObject;

namespace qv {

// Opens a file with the desktop's default application for its type, as a file manager does,
// through the freedesktop.org launcher (xdg-open, found on PATH). A failure is never silent:
// `failed` gets a sentence for the author
//   - at once, when there is no launcher or it cannot be started;
//   - later, through the calling thread's event loop, when the launcher ends with a failure
//     (no application for the type, the file gone); the launcher's own words are quoted.
// `failed` runs at most once, and not after `context` is gone (it owns the launcher process).
// Qt's own QDesktopServices::openUrl only writes such failures to standard error, and reports
// success once a launcher has started, whatever it then does.
void OpenWithDesktop(const std::string& path, QObject& context,
                     std::function<void(const std::string& why)> failed);

} // namespace qv
