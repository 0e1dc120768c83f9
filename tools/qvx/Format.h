#pragma once

#include "contracts/Variant.h"

#include <string>
#include <vector>

namespace qvx {

// One argument as qvx prints it: topic:ID, category:ID, file:PATH, profile:ID, node:KEY,
// nothing, missing, True/False, decimal numbers, quoted strings.
std::string FormatValue(const qv::Variant& value);

// "NAME ARG ARG ..." with each argument formatted.
std::string FormatCall(const std::string& name, const std::vector<qv::Variant>& args);

} // namespace qvx
