#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace qvx {

// A script line that cannot run: qvx stops with exit status 1 and names the line.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Splits one script line into arguments: blanks separate, double quotes keep blanks and allow
// an empty argument, with \" and \\ inside. Throws UsageError for an unterminated quote.
std::vector<std::string> SplitArguments(std::string_view line);

// The text as a script would quote it: always in double quotes, " and \ escaped.
std::string Quote(std::string_view text);
// The same for an output line, which a line break may not end: CR LF and a lone LF are
// written as \n (a backslash of the text itself being \\, the two cannot be confused).
std::string QuoteLine(std::string_view text);

} // namespace qvx
