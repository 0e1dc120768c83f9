#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace qv {

// Run-time error numbers of the original platform that callers rely on.
namespace err {
inline constexpr int32_t SubscriptOutOfRange = 9;
inline constexpr int32_t FileNotFound = 53;
inline constexpr int32_t PathNotFound = 76;
inline constexpr int32_t ObjectRequired = 424;
inline constexpr int32_t ObjectNotSet = 91;
inline constexpr int32_t CannotCreateObject = 429;
inline constexpr int32_t UnknownMember = 438;
inline constexpr int32_t WrongArgumentCount = 450;
inline constexpr int32_t InvalidArgument = 5;
inline constexpr int32_t TypeMismatch = 13;
inline constexpr int32_t ElementNotFound = 35601;
inline constexpr int32_t KeyNotUnique = 35602;
inline constexpr int32_t InvalidKey = 35603;
inline constexpr int32_t ControlDeleted = 35605;
inline constexpr int32_t PassedOn = 65535;
} // namespace err

// The platform's run-time error: a number, a description and the source that raised it.
class Error : public std::runtime_error {
public:
    Error(int32_t number, std::string description, std::string source = {})
        : std::runtime_error(description), number_(number), description_(std::move(description)),
          source_(std::move(source)) {}

    int32_t Number() const noexcept { return number_; }
    const std::string& Description() const noexcept { return description_; }
    const std::string& Source() const noexcept { return source_; }

private:
    int32_t number_;
    std::string description_;
    std::string source_;
};

} // namespace qv
