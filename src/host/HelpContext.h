#pragma once

#include "contracts/HostServices.h"

#include <string>
#include <utility>
#include <vector>

namespace qv {

// The keyword collection a host hands to the component's help query.
class HelpKeywordList final : public KeywordCollection {
public:
    std::string TypeName() const override { return "Collection"; }
    void Add(const Variant& item) override { items_.push_back(item.ToString()); }
    const std::vector<std::string>& Items() const { return items_; }

private:
    std::vector<std::string> items_;
};

// The attribute object a host hands to the component's help query: name/value pairs in the
// order they were added.
class HelpAttributeSet final : public Object {
public:
    std::string TypeName() const override { return "Attributes"; }
    std::vector<std::pair<std::string, std::string>> pairs;
};

// The global HelpAttributes object: records a pair into a HelpAttributeSet (error 13 for any
// other object).
class HostHelpAttributes final : public HelpAttributes {
public:
    std::string TypeName() const override { return "HelpAttributes"; }
    void Add(Object& attributes, const std::string& name, const std::string& value) override;
};

} // namespace qv
