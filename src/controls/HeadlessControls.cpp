#include "controls/HeadlessControls.h"

#include "controls/BuiltInImages.h"
#include "controls/CommandBar.h"
#include "controls/HeadlessSurface.h"
#include "controls/LabelSpellChecker.h"
#include "controls/TreeView.h"
#include "controls/WarningBar.h"

namespace qv {

std::shared_ptr<Surface> HeadlessControls::CreateSurface() {
    return std::make_shared<HeadlessSurface>();
}

std::shared_ptr<TreeView> HeadlessControls::CreateTreeView(Surface& parent) {
    auto tree = std::make_shared<HeadlessTreeView>();
    tree->SetParentSurface(&parent);
    return tree;
}

std::shared_ptr<CommandBar> HeadlessControls::CreateCommandBar(Surface& parent) {
    auto bar = std::make_shared<HeadlessCommandBar>();
    bar->SetParentSurface(&parent);
    return bar;
}

std::shared_ptr<WarningBar> HeadlessControls::CreateWarningBar(Surface&) {
    return std::make_shared<HeadlessWarningBar>();
}

std::shared_ptr<ImageList> HeadlessControls::CreateImageList() {
    return MakeBuiltInImageList();
}

std::shared_ptr<TreeViewSpell> HeadlessControls::CreateTreeViewSpell() {
    return std::make_shared<LabelSpellChecker>();
}

} // namespace qv
