#include "explorer/Need.h"
#include "explorer/ProjectExplorer.h"

namespace qv {

using diag::Procedure;

void ProjectExplorer::IDynamicHelpContext_Initialise(const std::shared_ptr<Object>& notify) {
    Procedure p(errors_, "IDynamicHelpContext_Initialise", {{"Notify", notify}});
    p.Run([&] { mDynamicHelpHost = notify; });
}

void ProjectExplorer::IDynamicHelpContext_QueryContext(KeywordCollection& keywordCollection,
                                                       Object& attributes) {
    std::string nodeType;
    std::string value;
    const std::shared_ptr<Object> keywords = keywordCollection.weak_from_this().lock();
    const std::shared_ptr<Object> attributeObject = attributes.weak_from_this().lock();
    Procedure p(errors_, "IDynamicHelpContext_QueryContext",
                {{"KeywordCollection", keywords}, {"Attributes", attributeObject}},
                {{"NodeType", nodeType}, {"Value", value}});
    p.Run([&] {
        p.line = 1;
        keywordCollection.Add("QV.ProjectExplorer");
        p.line = 2;
        Node* selected = tvw->SelectedItem();
        if (!selected) return;
        nodeType = KeyType(selected->Key());
        if (nodeType == "o")
            value = "File";
        else if (nodeType == "t")
            value = "Topic";
        else if (nodeType == "c")
            value = "Category";
        else if (nodeType == "bp")
            value = "BuildProfile";
        else if (IsFolderNode(selected))
            value = "File";
        if (value.empty()) return;
        Need(site_.libraries.HelpAttributes())
            .Add(attributes, "QV.ProjectExplorer.NodeType", value);
    });
}

} // namespace qv
