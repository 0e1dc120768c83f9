#include "controls/HeadlessControls.h"

#include "controls/BuiltInImages.h"
#include "controls/CommandBar.h"
#include "controls/LabelSpellChecker.h"
#include "controls/TreeView.h"
#include "controls/WarningBar.h"

namespace qv {

std::shared_ptr<TreeView> HeadlessControls::CreateTreeView() {
    return std::make_shared<HeadlessTreeView>();
}

std::shared_ptr<CommandBar> HeadlessControls::CreateCommandBar() {
    return std::make_shared<HeadlessCommandBar>();
}

std::shared_ptr<WarningBar> HeadlessControls::CreateWarningBar() {
    return std::make_shared<HeadlessWarningBar>();
}

std::shared_ptr<ImageList> HeadlessControls::CreateImageList() {
    return MakeBuiltInImageList();
}

std::shared_ptr<TreeViewSpell> HeadlessControls::CreateTreeViewSpell() {
    return std::make_shared<LabelSpellChecker>();
}

} // namespace qv
