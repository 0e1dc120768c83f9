#pragma once

#include "contracts/Object.h"
#include "contracts/Subscription.h"

#include <cstdint>
#include <string>

namespace qv {

class WarningBarEvents {
public:
    virtual void Click() {}

protected:
    ~WarningBarEvents() = default;
};

// A banner across the top of the component.
class WarningBar : public virtual Object {
public:
    virtual std::string Caption() const = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual bool Visible() const = 0;
    virtual void SetVisible(bool value) = 0;
    virtual int32_t Style() const = 0;
    virtual void SetStyle(int32_t value) = 0;
    virtual void SetCloseButton(bool value) = 0; // the Boolean cleared after the caption
    virtual int32_t Height() const = 0;          // twips
    virtual void Place(int32_t left, int32_t top, int32_t width) = 0;
    virtual int32_t Left() const = 0;
    virtual int32_t Top() const = 0;
    virtual int32_t Width() const = 0;

    virtual Subscription Subscribe(WarningBarEvents& sink) = 0;

protected:
    ~WarningBar() override = default;
};

} // namespace qv
