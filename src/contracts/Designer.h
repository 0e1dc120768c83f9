#pragma once

#include "contracts/Object.h"
#include "contracts/Variant.h"

#include <memory>
#include <string>

namespace qv {

// The host's designer interface, in the order of its slots. A designer host drives the
// component through it: Initialize, LoadOptions (any number of times), Terminate.
class Designer {
public:
    virtual bool Load(const std::string& filename) = 0;
    virtual bool Save(bool saveAs) = 0;
    virtual bool Dirty() const = 0;
    virtual void SetDirty(bool value) = 0;
    virtual void Initialize(const std::shared_ptr<qv::Object>& ide) = 0;
    virtual bool CommitEdits() = 0;
    virtual void SetEnabled(bool value) = 0;
    virtual bool Enabled() const = 0;
    virtual void Terminate() = 0;
    virtual Variant Name() const = 0;
    virtual std::shared_ptr<qv::Object> Object() const = 0;
    virtual std::shared_ptr<qv::Object> IDynamicHelpContext() = 0;
    virtual void CommandClick(const std::string& commandName) = 0;
    virtual void BeforeClose(bool& cancel) = 0;
    virtual std::string Caption() const = 0;
    virtual void LoadOptions() = 0;
    virtual void OpenItemsChanged() = 0;
    virtual void Deactivated() = 0;
    virtual void Activated() = 0;
    virtual bool UsesBinder() const = 0;
    virtual std::shared_ptr<qv::Object> Form() const = 0;

protected:
    ~Designer() = default;
};

} // namespace qv
