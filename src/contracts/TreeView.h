#pragma once

#include "contracts/Object.h"
#include "contracts/ProjectModel.h"
#include "contracts/Variant.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

class ImageList;

// Relationship of a new node to the relative node given to Nodes::Add.
namespace rel {
inline constexpr int32_t Last = 2;     // a new top-level node after the others (no relative)
inline constexpr int32_t Previous = 3; // just before the relative
inline constexpr int32_t Child = 4;    // last child of the relative
} // namespace rel

// AllowDrop bits and drop relationships.
namespace drop {
inline constexpr int32_t None = 0;
inline constexpr int32_t Into = 1;
inline constexpr int32_t Before = 2;
inline constexpr int32_t After = 4;
} // namespace drop

// A node of the tree. The tree owns its nodes; a Node* stays valid while the node is in the
// tree (shared_from_this() keeps it alive beyond that, detached). Setters that the tree
// refuses raise errors: an image key not in the image list raises 35601.
class Node : public virtual Object {
public:
    virtual std::string Text() const = 0;
    virtual void SetText(const std::string& text) = 0;
    virtual std::string Key() const = 0;
    // Key without a copy, for walks of the whole tree; valid until the node's key or text
    // changes (the two may share one block).
    virtual std::string_view KeyRef() const = 0;
    virtual void SetKey(const std::string& key) = 0; // 35602 when taken
    virtual Node* Parent() const = 0;
    // Moves the node with its subtree: it becomes the last child of the new parent (its
    // sorted place under a sorted parent).
    virtual void SetParent(Node* parent) = 0;
    virtual Node* PreviousSibling() const = 0;
    virtual Node* NextSibling() const = 0;
    virtual Node* FirstChild() const = 0;
    virtual int32_t ChildCount() const = 0;
    // The following node in whole-tree order: children before the next sibling.
    virtual Node* NextNode() const = 0;
    virtual const Variant& Tag() const = 0;
    virtual void SetTag(Variant tag) = 0;
    virtual void Remove() = 0; // removes the subtree
    virtual bool Selected() const = 0;
    virtual void SetSelected(bool value) = 0;
    virtual std::string Image() const = 0;
    virtual void SetImage(const std::string& key) = 0;
    virtual std::string ExpandedImage() const = 0;
    virtual void SetExpandedImage(const std::string& key) = 0;
    virtual bool Expanded() const = 0;
    virtual void SetExpanded(bool value) = 0;
    virtual void EnsureVisible() = 0;      // expands every ancestor
    virtual int32_t ForeColor() const = 0; // -1: the tree's default colour
    virtual void SetForeColor(int32_t color) = 0;
    virtual bool Sorted() const = 0;
    virtual void SetSorted(bool value) = 0;
    virtual int32_t AllowDrop() const = 0;
    virtual void SetAllowDrop(int32_t value) = 0;
    virtual bool AllowDrag() const = 0;
    virtual void SetAllowDrag(bool value) = 0;

protected:
    ~Node() override = default;
};

class Nodes : public virtual Object, public KeyedCollection {
public:
    const KeyedCollection* AsKeyedCollection() const override { return this; }
    // relative: nullptr (only with rel::Last) or the node the relationship refers to.
    // Raises 35602 for a key already in the tree, 35601 for an unknown image key.
    virtual Node* Add(Node* relative, int32_t relationship, const std::string& key,
                      const std::string& text, const std::string& image = {}) = 0;
    // The same with the relative named by its key (35601 when unknown).
    virtual Node* Add(const std::string& relativeKey, int32_t relationship, const std::string& key,
                      const std::string& text, const std::string& image = {}) = 0;
    virtual int32_t Count() const = 0;
    virtual Node& Item(const std::string& key) const = 0; // 35601 when unknown
    virtual void Remove(const std::string& key) = 0;      // 35601 when unknown
    virtual void Clear() = 0; // leaves nothing selected and raises nothing
    virtual Node* First() const = 0;
    // The node under the key, nullptr when there is none: one lookup where Contains and Item
    // take two.
    virtual Node* ItemOrNull(std::string_view key) const = 0;
    // Room for this many nodes in all, so that a large load does not grow the index step by
    // step. Only a hint.
    virtual void Reserve(std::size_t /*count*/) {}
    // A hint that a node under this key is about to be added or looked up, so that the index
    // can start fetching the key's place meanwhile. Changes nothing.
    virtual void Prefetch(std::string_view /*key*/) const {}

protected:
    ~Nodes() override = default;
};

// Drag data: values by format, and the files of an external drop.
class DataObject : public virtual Object {
public:
    virtual void SetData(const Variant& value, const Variant& format) = 0;
    virtual Variant GetData(const Variant& format) const = 0;
    virtual bool GetFormat(const Variant& format) const = 0;
    virtual const std::vector<std::string>& Files() const = 0;

protected:
    ~DataObject() override = default;
};

// Events of the tree, raised on the UI thread. By-reference parameters may be set by the
// handler. Handlers may throw; the tree stays consistent and passes the failure on.
class TreeViewEvents {
public:
    virtual void BeforeLabeleEdit(Node&, bool& /*cancel*/) {}
    virtual void AfterLabelEdit(Node&, std::string& /*newString*/) {}
    virtual void BeforeAddSibling(Node& /*selected*/, std::string& /*newKey*/,
                                  std::string& /*newText*/, std::string& /*image*/,
                                  std::string& /*expandedImage*/, bool& /*cancel*/) {}
    virtual void AfterAddSibling(Node&) {}
    virtual void BeforeDeleteNodeEx(Node&, bool& /*cancel*/, bool& /*noPrompt*/) {}
    virtual void DeleteNode(Node&) {}
    virtual void BeforeSetParent(Node&, Node& /*newParent*/, bool& /*cancel*/) {}
    virtual void AfterSetParent(Node&) {}
    virtual void NodeMoved(Node&) {}
    virtual void OLEStartDrag(DataObject&, int32_t& /*allowedEffects*/) {}
    virtual void OLESetData(DataObject&, Variant& /*dataFormat*/) {}
    virtual void OLEDragOver(Node*, DataObject&, float /*x*/, float /*y*/, int32_t& /*effect*/,
                             int16_t /*button*/, int16_t /*shift*/, int16_t /*state*/) {}
    virtual void NodeBeforeDropHighlight(DataObject&, Node*,
                                         int32_t& /*dropHighlightRelationship*/) {}
    virtual void OLECompleteDrag(int32_t& /*effect*/) {}
    virtual void ExternalOLEDragDrop(DataObject&, float /*x*/, float /*y*/, int32_t& /*effect*/,
                                     int16_t /*button*/, int16_t /*shift*/) {}
    virtual void ContextMenu(float /*clientX*/, float /*clientY*/, float /*screenX*/,
                             float /*screenY*/, const std::string& /*key*/) {}
    virtual void KeyDown(int16_t& /*keyCode*/, int16_t /*shift*/) {}
    virtual void KeyUp(int16_t& /*keyCode*/, int16_t /*shift*/) {}
    virtual void LostFocus() {}
    virtual void MouseUp(float /*x*/, float /*y*/, int16_t /*button*/, int16_t /*shift*/) {}
    virtual void NodeClicked(Node*) {}
    virtual void NodeDoubleClicked(Node*) {}

protected:
    ~TreeViewEvents() = default;
};

class TreeView : public virtual Object {
public:
    virtual qv::Nodes& Nodes() = 0;
    virtual Node* SelectedItem() const = 0;
    // Selecting another node raises NodeClicked.
    virtual void SetSelectedItem(Node* node) = 0;
    virtual Node* DropHighlight() const = 0;
    virtual void SetDropHighlight(Node* node) = 0;
    virtual int64_t hWnd() const = 0;
    virtual void SetRedraw(bool value) = 0;
    virtual bool Enabled() const = 0;
    virtual void SetEnabled(bool value) = 0;
    virtual void SetImageList(ImageList* images) = 0; // nullptr clears
    virtual void SetOLEDragFormat(const std::string& format) = 0;
    virtual void SetFullRowSelect(bool value) = 0; // the Boolean setting of start-up
    virtual void SetHideSelection(bool value) = 0; // the Boolean cleared by the warning bar
    virtual int32_t Mode() const = 0;              // 2 editable, 0 locked
    virtual void SetMode(int32_t value) = 0;
    virtual void StartLabelEdit() = 0;
    virtual void ExecuteCommand(const std::string& name) = 0;
    virtual bool CommandEnabled(const std::string& name) const = 0;
    virtual void SetCommandEnabled(const std::string& name, bool value) = 0;
    virtual bool CanExecuteCommand(const std::string& name) const = 0;
    virtual Node* HitTest(float x, float y) const = 0;
    virtual void SetFocus() = 0;
    virtual void Move(int32_t left, int32_t top, int32_t width, int32_t height) = 0;
    virtual void ZOrder(int32_t position) = 0;

    virtual Subscription Subscribe(TreeViewEvents& sink) = 0;

protected:
    ~TreeView() override = default;
};

} // namespace qv
