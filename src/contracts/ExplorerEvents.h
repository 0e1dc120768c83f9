#pragma once

#include "contracts/ProjectModel.h"
#include "contracts/Variant.h"

#include <memory>
#include <string>

namespace qv {

class TreeViewSpell;

// The component's events to its container, numbered 1 to 14 (the number is the DISPID).
// Handlers run synchronously; a handler that throws passes the failure to the raiser.
class ExplorerEvents {
public:
    virtual void ShowSpellContextMenu(std::shared_ptr<TreeViewSpell>& /*spell*/, float /*clientX*/,
                                      float /*clientY*/, float /*screenX*/, float /*screenY*/,
                                      bool& /*cancelDefault*/) {}              // 1
    virtual void TopicSelected(const std::shared_ptr<Topic>&) {}               // 2
    virtual void OtherFileSelected(const std::shared_ptr<OtherFile>&) {}       // 3
    virtual void FolderNodeSelected() {}                                       // 4
    virtual void DoubleClick() {}                                              // 5
    virtual void DesignerInitialize(const std::shared_ptr<Object>& /*ide*/) {} // 6
    virtual void DesignerTerminate() {}                                        // 7
    virtual void LoadProgress(const std::string& /*caption*/) {}               // 8
    virtual void CaptureImageRequest() {}                                      // 9
    virtual void ReCaptureImageRequest(const std::shared_ptr<OtherFile>&) {}   // 10
    virtual void CreateImageMapRequest(const std::shared_ptr<OtherFile>&) {}   // 11
    virtual void ImageProcessingRequest(const std::shared_ptr<OtherFile>&) {}  // 12
    virtual void RefreshTools() {}                                             // 13
    virtual void TopicDblClick(const std::shared_ptr<Topic>&) {}               // 14

protected:
    ~ExplorerEvents() = default;
};

} // namespace qv
