#pragma once

#include "contracts/Site.h"

namespace qv {

// Makes the headless controls. Every call makes a new, independent control.
class HeadlessControls final : public ControlFactory {
public:
    std::shared_ptr<Surface> CreateSurface() override; // a HeadlessSurface
    // The tree and the command bar take the user's input only while the surface is enabled.
    std::shared_ptr<TreeView> CreateTreeView(Surface& parent) override;
    std::shared_ptr<CommandBar> CreateCommandBar(Surface& parent) override;
    std::shared_ptr<WarningBar> CreateWarningBar(Surface& parent) override;
    std::shared_ptr<ImageList> CreateImageList() override; // the built-in images
    // A new LabelSpellChecker, unbound until its Init.
    std::shared_ptr<TreeViewSpell> CreateTreeViewSpell() override;
};

} // namespace qv
