#include "model/ModelErrors.h"

#include "contracts/Utf8.h"
#include "model/DiskPath.h"

namespace qv {

namespace {
std::string Describe(const std::string& path, int32_t line, const std::string& what) {
    std::string text = disk::FileNameOf(path);
    if (text.empty()) text = path;
    if (line > 0) text += ":" + std::to_string(line);
    return text + ": " + what;
}
} // namespace

ProjectFileError::ProjectFileError(int32_t number, std::string path, int32_t line,
                                   const std::string& what)
    : Error(number, Describe(path, line, what), "QVProject"), path_(std::move(path)), line_(line) {}

void RequireUtf8(std::string_view text, std::string_view what) {
    if (!utf8::IsValid(text))
        throw Error(err::InvalidArgument,
                    "Invalid procedure call or argument: " + std::string(what) +
                        " is not UTF-8 text, which a project file holds");
    if (text.find('\0') != std::string_view::npos)
        throw Error(err::InvalidArgument,
                    "Invalid procedure call or argument: " + std::string(what) +
                        " holds a NUL character, which a project file cannot hold");
}

void ThrowSubscriptOutOfRange() {
    throw Error(err::SubscriptOutOfRange, "Subscript out of range");
}

} // namespace qv
