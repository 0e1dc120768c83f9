#pragma once

#include <string>
#include <string_view>

namespace qv {

// Text made safe for HTML element content and quoted attribute values: & < > " ' become
// character references; everything else, UTF-8 included, passes unchanged.
std::string EscapeHtml(std::string_view text);

// A "/" separated relative path made safe for an href: each segment percent-encoded, so that
// spaces, "#", "?" and "%" in file names do not change what the link names.
std::string HrefOfPath(std::string_view relativePath);

// Position of the first opening tag <name> or <name ...> at or after from, ASCII letters
// compared without case; npos when there is none.
std::size_t FindOpeningTag(const std::string& html, std::string_view name, std::size_t from = 0);

// Replaces the text between the first <name ...> and the following </name>; false (and the
// text unchanged) when there is no such element.
bool ReplaceElementText(std::string& html, std::string_view name, const std::string& inner);

} // namespace qv
