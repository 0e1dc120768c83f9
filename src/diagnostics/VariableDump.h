#pragma once

#include "contracts/Variant.h"

#include <cstdint>
#include <exception>
#include <string>

namespace qv::diag {

// One variable as tagged text: "<Name>value</ShortName>" CR LF, where ShortName is Name up to
// its first space, arrays and enumerable objects element by element. Arrays of four or more
// dimensions write "{Dump truncated at 4 dimensions}" in place of their elements. An object
// met again inside its own enumeration (a collection that holds itself) fails with error 28.
// Never throws: a failure gives "{Error N formatting for output}" for that variable alone,
// without tags or line break.
std::string DumpVariable(const std::string& name, const Variant& value);

// True when asking for the lower bound of the 1-based dimension fails with error 9; false for
// a value that is not an array.
bool IsUninitialisedArray(const Variant& value, int32_t dimension);

// The fixed texts that stand for values the dump does not handle, as a whole tagged variable
// with no line break after it: "<name>{Can't dump UDT parameters}</name>" and
// "<name>{Cannot dump external UDTs}</name>".
std::string UdtParameterText(const std::string& name);
std::string ExternalUdtText(const std::string& name);

// "{Error N formatting for output}" for the failure: a qv::Error's number, 7 for lack of
// memory, 5 for anything else.
std::string FormattingErrorText(std::exception_ptr error);

} // namespace qv::diag
