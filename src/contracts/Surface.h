#pragma once

#include "contracts/Object.h"

namespace qv {

// The control's own window, on which its child controls (tree, command bar, warning bar) are
// placed. Disabling it stops the user's input to every child at once, as a disabled parent
// window does; each child's own Enabled flag is left as it is, and a child takes input only
// while both are True.
class Surface : public virtual Object {
public:
    virtual bool Enabled() const = 0;
    virtual void SetEnabled(bool value) = 0;

protected:
    ~Surface() override = default;
};

} // namespace qv
