#pragma once

#include "contracts/Site.h"

namespace qv {

// Makes the headless controls. Every call makes a new, independent control.
class HeadlessControls final : public ControlFactory {
public:
    std::shared_ptr<TreeView> CreateTreeView() override;
    std::shared_ptr<CommandBar> CreateCommandBar() override;
    std::shared_ptr<WarningBar> CreateWarningBar() override;
    std::shared_ptr<ImageList> CreateImageList() override; // the built-in images
    // A new LabelSpellChecker, unbound until its Init.
    std::shared_ptr<TreeViewSpell> CreateTreeViewSpell() override;
};

} // namespace qv
