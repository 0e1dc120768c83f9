#pragma once

#include "controls/TreeView.h"
#include "gui/TreeModel.h"

#include <QCoreApplication>
#include <string>
#include <vector>

namespace qvtest {

// What QAbstractItemModelTester reported (its "qt.modeltest" messages) since the last clear.
std::vector<std::string>& ModelTesterFailures();
// What the GUI's error boundary caught since the last clear.
std::vector<std::string>& GuiErrors();

inline void RunPendingEvents() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

} // namespace qvtest
