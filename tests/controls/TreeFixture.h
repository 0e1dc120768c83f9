#pragma once
// What the tree suites share: a sink that logs the tree's events and a tree with two images.
#include "controls/ImageList.h"
#include "controls/TreeView.h"
#include "support/EventLog.h"
#include "support/TreeInvariants.h"

#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace qvtest {

// Logs every event of the tree as one line; answers by-reference parameters from its settings and
// runs the action (or throws) named for an event after logging it.
struct TreeSink : qv::TreeViewEvents {
    qvtest::EventLog log;
    bool cancel = false;           // Before* events
    bool noPrompt = false;         // BeforeDeleteNodeEx
    std::string renameTo = "\x01"; // AfterLabelEdit: "\x01" leaves the text
    int32_t allowedEffects = 3;    // OLEStartDrag
    int32_t allowDrop = -1;        // NodeBeforeDropHighlight sets the target's AllowDrop
    int32_t effect = -1;           // OLEDragOver: -1 leaves it
    bool zeroKey = false;          // KeyDown
    std::map<std::string, std::function<void()>> act;
    std::string throwOn;

    static std::string K(const qv::Node* n) { return n ? n->Key() : "nothing"; }
    void On(const std::string& event, std::string line) {
        log.Add(event + line);
        if (event == throwOn) throw std::runtime_error(event);
        if (auto it = act.find(event); it != act.end()) it->second();
    }
    void BeforeLabeleEdit(qv::Node& n, bool& c) override {
        c = cancel;
        On("BeforeLabeleEdit", " " + K(&n));
    }
    void AfterLabelEdit(qv::Node& n, std::string& text) override {
        On("AfterLabelEdit", " " + K(&n) + " " + text);
        if (renameTo != "\x01") text = renameTo;
    }
    void BeforeAddSibling(qv::Node& s, std::string& key, std::string& text, std::string& image,
                          std::string& expandedImage, bool& c) override {
        c = cancel;
        On("BeforeAddSibling",
           " " + K(&s) + " " + key + " " + text + " " + image + "/" + expandedImage);
    }
    void AfterAddSibling(qv::Node& n) override { On("AfterAddSibling", " " + K(&n)); }
    void BeforeDeleteNodeEx(qv::Node& n, bool& c, bool& skipPrompt) override {
        c = cancel;
        skipPrompt = noPrompt;
        On("BeforeDeleteNodeEx", " " + K(&n));
    }
    void DeleteNode(qv::Node& n) override { On("DeleteNode", " " + K(&n)); }
    void BeforeSetParent(qv::Node& n, qv::Node& p, bool& c) override {
        c = cancel;
        On("BeforeSetParent", " " + K(&n) + " " + K(&p));
    }
    void AfterSetParent(qv::Node& n) override { On("AfterSetParent", " " + K(&n)); }
    void NodeMoved(qv::Node& n) override { On("NodeMoved", " " + K(&n)); }
    void OLEStartDrag(qv::DataObject& data, int32_t& allowed) override {
        allowed = allowedEffects;
        data.SetData(qv::Variant(), qv::Variant(std::string("item")));
        data.SetData(qv::Variant(), qv::Variant(std::string("type")));
        On("OLEStartDrag", "");
    }
    void OLESetData(qv::DataObject& data, qv::Variant& format) override {
        data.SetData(qv::Variant(std::string("v")), format);
        data.SetData(qv::Variant(), qv::Variant(std::string("late"))); // not asked for
        On("OLESetData", " " + format.ToString());
    }
    void OLEDragOver(qv::Node* n, qv::DataObject&, float, float, int32_t& e, int16_t, int16_t,
                     int16_t) override {
        On("OLEDragOver", " " + K(n) + " " + std::to_string(e));
        if (effect >= 0) e = effect;
    }
    void NodeBeforeDropHighlight(qv::DataObject& data, qv::Node* n, int32_t& r) override {
        On("NodeBeforeDropHighlight",
           " " + K(n) + " " + std::to_string(r) + " files=" + std::to_string(data.Files().size()));
        if (allowDrop >= 0) {
            r = allowDrop;
            n->SetAllowDrop(allowDrop);
        }
    }
    void OLECompleteDrag(int32_t& e) override { On("OLECompleteDrag", " " + std::to_string(e)); }
    void ExternalOLEDragDrop(qv::DataObject& data, float, float, int32_t& e, int16_t,
                             int16_t) override {
        On("ExternalOLEDragDrop", " " + std::to_string(e) + " " + data.Files().front());
    }
    void ContextMenu(float cx, float cy, float sx, float sy, const std::string& key) override {
        On("ContextMenu", " " + std::to_string(int(cx)) + "," + std::to_string(int(cy)) + " " +
                              std::to_string(int(sx)) + "," + std::to_string(int(sy)) + " " + key);
    }
    void KeyDown(int16_t& code, int16_t shift) override {
        On("KeyDown", " " + std::to_string(code) + " " + std::to_string(shift));
        if (zeroKey) code = 0;
    }
    void KeyUp(int16_t& code, int16_t) override { On("KeyUp", " " + std::to_string(code)); }
    void LostFocus() override { On("LostFocus", ""); }
    void MouseUp(float x, float, int16_t button, int16_t) override {
        On("MouseUp", " " + std::to_string(int(x)) + " " + std::to_string(button));
    }
    void NodeClicked(qv::Node* n) override { On("NodeClicked", " " + K(n)); }
    void NodeDoubleClicked(qv::Node* n) override { On("NodeDoubleClicked", " " + K(n)); }
};

class TreeFixture : public ::testing::Test {
protected:
    void SetUp() override {
        tree->SetImageList(images.get());
        sub = tree->Subscribe(sink);
        idleSub = tree->Subscribe(idle);
    }
    void TearDown() override { ExpectTreeInvariants(*tree); }

    qv::Node* Add(const std::string& rel, int32_t how, const std::string& key,
                  const std::string& text = {}, const std::string& image = {}) {
        return tree->Nodes().Add(rel, how, key, text.empty() ? key : text, image);
    }
    qv::Node& N(const std::string& key) { return tree->Nodes().Item(key); }

    std::shared_ptr<qv::HeadlessImageList> images = [] {
        auto list = std::make_shared<qv::HeadlessImageList>();
        for (const char* key : {"folder", "doc"})
            list->Add(key, std::make_shared<qv::Picture>(16, 16));
        return list;
    }();
    std::shared_ptr<qv::HeadlessTreeView> tree = std::make_shared<qv::HeadlessTreeView>();
    TreeSink sink;
    struct : qv::TreeViewEvents {
    } idle; // leaves every event to the default handlers
    qv::Subscription sub, idleSub;
};

} // namespace qvtest
