#pragma once

#include <QString>

namespace qv::app {

struct RevealOutcome {
    bool shown = false;
    QString how;     // shown: "file manager" (the item selected in it) or "folder" (opened)
    QString problem; // not shown: why, for the user
};

// Shows a file in the desktop's file manager with the file selected, through the
// freedesktop.org FileManager1 interface on the session bus where a file manager offers it;
// else opens the file's folder with the desktop's default handler. A missing file shows its
// folder when that exists. Waits at most a few seconds for the file manager's answer.
RevealOutcome RevealInFileManager(const QString& path);

} // namespace qv::app
