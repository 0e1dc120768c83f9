#pragma once

#include "explorer/ProjectExplorer.h"

namespace qv {

// The component's handlers for the events of its child controls, its timer and its project.
// Each event goes to the handler of the same name with the source's prefix.
class ProjectExplorer::Sinks final : private TreeViewEvents,
                                     private CommandBarEvents,
                                     private ProjectEvents,
                                     private TimerEvents,
                                     private WarningBarEvents {
public:
    explicit Sinks(ProjectExplorer& self) : self_(self) {}

    TreeViewEvents& Tree() { return *this; }
    CommandBarEvents& Dock() { return *this; }
    ProjectEvents& Project() { return *this; }
    TimerEvents& Timer() { return *this; }
    WarningBarEvents& Warning() { return *this; }

private:
    // Tree
    void NodeClicked(Node* node) override { self_.tvw_NodeClicked(node); }
    void NodeDoubleClicked(Node* node) override { self_.tvw_NodeDoubleClicked(node); }
    void BeforeLabeleEdit(Node& node, bool& cancel) override {
        self_.tvw_BeforeLabeleEdit(node, cancel);
    }
    void AfterLabelEdit(Node& node, std::string& newString) override {
        self_.tvw_AfterLabelEdit(node, newString);
    }
    void BeforeAddSibling(Node& selected, std::string& newKey, std::string& newText,
                          std::string& image, std::string& expandedImage, bool& cancel) override {
        self_.tvw_BeforeAddSibling(selected, newKey, newText, image, expandedImage, cancel);
    }
    void AfterAddSibling(Node& node) override { self_.tvw_AfterAddSibling(node); }
    void BeforeDeleteNodeEx(Node& node, bool& cancel, bool& noPrompt) override {
        self_.tvw_BeforeDeleteNodeEx(node, cancel, noPrompt);
    }
    void DeleteNode(Node& node) override { self_.tvw_DeleteNode(node); }
    void BeforeSetParent(Node& node, Node& newParent, bool& cancel) override {
        self_.tvw_BeforeSetParent(node, newParent, cancel);
    }
    void AfterSetParent(Node& node) override { self_.tvw_AfterSetParent(node); }
    void NodeMoved(Node& node) override { self_.tvw_NodeMoved(node); }
    void OLEStartDrag(DataObject& data, int32_t& allowedEffects) override {
        self_.tvw_OLEStartDrag(data, allowedEffects);
    }
    void OLESetData(DataObject& data, Variant& format) override {
        self_.tvw_OLESetData(data, format);
    }
    void OLEDragOver(Node* node, DataObject& data, float x, float y, int32_t& effect,
                     int16_t button, int16_t shift, int16_t state) override {
        self_.tvw_OLEDragOver(node, data, x, y, effect, button, shift, state);
    }
    void NodeBeforeDropHighlight(DataObject& data, Node* node, int32_t& relationship) override {
        self_.tvw_NodeBeforeDropHighlight(data, node, relationship);
    }
    void OLECompleteDrag(int32_t& effect) override { self_.tvw_OLECompleteDrag(effect); }
    void ExternalOLEDragDrop(DataObject& data, float x, float y, int32_t& effect, int16_t button,
                             int16_t shift) override {
        self_.tvw_ExternalOLEDragDrop(data, x, y, effect, button, shift);
    }
    void ContextMenu(float clientX, float clientY, float screenX, float screenY,
                     const std::string& key) override {
        self_.tvw_ContextMenu(clientX, clientY, screenX, screenY, key);
    }
    void KeyDown(int16_t& keyCode, int16_t shift) override { self_.tvw_KeyDown(keyCode, shift); }
    void KeyUp(int16_t& keyCode, int16_t shift) override { self_.tvw_KeyUp(keyCode, shift); }
    void LostFocus() override { self_.tvw_LostFocus(); }
    void MouseUp(float x, float y, int16_t button, int16_t shift) override {
        self_.tvw_MouseUp(x, y, button, shift);
    }

    // Command bar
    void CommandClick(qv::Tool& tool) override { self_.Dock_CommandClick(&tool); }
    void CommandKeyDown(qv::Tool& tool, int16_t& keyCode, int16_t shift) override {
        self_.Dock_CommandKeyDown(tool, keyCode, shift);
    }
    void CommandChange(qv::Tool& tool, const std::string& text, bool& cancel) override {
        self_.Dock_CommandChange(tool, text, cancel);
    }
    void ClientResize() override { self_.Dock_ClientResize(); }

    // Timer and warning bar
    void Tick() override { self_.mStartLabelEdit_Timer(); }
    void Click() override {} // the warning bar's click changes nothing

    // Project
    void BuildProfileAdded(const std::shared_ptr<BuildProfile>& x) override {
        self_.mQVProject_BuildProfileAdded(x);
    }
    void BuildProfileChanged(const std::shared_ptr<BuildProfile>& x) override {
        self_.mQVProject_BuildProfileChanged(x);
    }
    void BuildProfileRemoved(const std::shared_ptr<BuildProfile>& x) override {
        self_.mQVProject_BuildProfileRemoved(x);
    }
    void CheckoutStatusChanged() override { self_.mQVProject_CheckoutStatusChanged(); }
    void OtherFileAdded(const std::shared_ptr<OtherFile>& x) override {
        self_.mQVProject_OtherFileAdded(x);
    }
    void OtherFileChanged(const std::shared_ptr<OtherFile>& x) override {
        self_.mQVProject_OtherFileChanged(x);
    }
    void OtherFileCheckoutStatusChanged(const std::shared_ptr<OtherFile>& x) override {
        self_.mQVProject_OtherFileCheckoutStatusChanged(x);
    }
    void OtherFileRemoved(const std::shared_ptr<OtherFile>& x) override {
        self_.mQVProject_OtherFileRemoved(x);
    }
    void ProjectElementCheckOutStatusChanged(int32_t type) override {
        self_.mQVProject_ProjectElementCheckOutStatusChanged(type);
    }
    void TopicAdded(const std::shared_ptr<Topic>& x) override { self_.mQVProject_TopicAdded(x); }
    void TopicCategoryAdded(const std::shared_ptr<TopicCategory>& x) override {
        self_.mQVProject_TopicCategoryAdded(x);
    }
    void TopicCategoryChanged(const std::shared_ptr<TopicCategory>& x) override {
        self_.mQVProject_TopicCategoryChanged(x);
    }
    void TopicCategoryRemoved(const std::shared_ptr<TopicCategory>& x) override {
        self_.mQVProject_TopicCategoryRemoved(x);
    }
    void TopicCategoryReOrdered(const std::shared_ptr<TopicCategory>& x) override {
        self_.mQVProject_TopicCategoryReOrdered(x);
    }
    void TopicChanged(const std::shared_ptr<Topic>& x) override {
        self_.mQVProject_TopicChanged(x);
    }
    void TopicCheckoutStatusChanged(const std::shared_ptr<Topic>& x) override {
        self_.mQVProject_TopicCheckoutStatusChanged(x);
    }
    void TopicRemoved(const std::shared_ptr<Topic>& x) override {
        self_.mQVProject_TopicRemoved(x);
    }
    void TopicReOrdered(const std::shared_ptr<Topic>& x) override {
        self_.mQVProject_TopicReOrdered(x);
    }

    ProjectExplorer& self_;
};

} // namespace qv
