#pragma once

#include "contracts/CommandBar.h"
#include "contracts/HostServices.h"
#include "contracts/ImageList.h"
#include "contracts/Instrumentation.h"
#include "contracts/Platform.h"
#include "contracts/SpellChecker.h"
#include "contracts/Surface.h"
#include "contracts/TreeView.h"
#include "contracts/UiLoop.h"
#include "contracts/WarningBar.h"

#include <memory>

namespace qv {

// Makes the child controls and objects the component contains. A child control is made on a
// surface made here first, which must outlive it.
class ControlFactory {
public:
    virtual std::shared_ptr<Surface> CreateSurface() = 0;
    virtual std::shared_ptr<TreeView> CreateTreeView(Surface& parent) = 0;
    virtual std::shared_ptr<CommandBar> CreateCommandBar(Surface& parent) = 0;
    virtual std::shared_ptr<WarningBar> CreateWarningBar(Surface& parent) = 0;
    virtual std::shared_ptr<ImageList> CreateImageList() = 0; // with the built-in images
    virtual std::shared_ptr<TreeViewSpell> CreateTreeViewSpell() = 0;

protected:
    ~ControlFactory() = default;
};

// What the container hands the component when it creates it. Every reference must outlive
// the component.
struct Site {
    ControlFactory& controls;
    HostLibraries& libraries;
    UiLoop& ui;
    WindowSystem& windows;
    KeyboardState& keyboard;
    bool userMode = true;                       // the container's ambient UserMode
    Instrumentation* instrumentation = nullptr; // nullptr: no instrumentation at all
};

} // namespace qv
