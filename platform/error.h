#pragma once
// An error is a value: a number and a description. Results that can fail carry one.

#include <cstdint>
#include <expected>
#include <string>
#include <utility>

namespace nivaro {

struct Error {
    std::int32_t number = 0;
    std::wstring description;

    friend bool operator==(const Error&, const Error&) = default;
};

template <class T = void>
using Result = std::expected<T, Error>;

inline std::unexpected<Error> Fail(std::int32_t number, std::wstring description)
{
    return std::unexpected(Error{number, std::move(description)});
}

// The numbers this program raises itself; platform failures carry the platform's own code.
namespace error_number {
inline constexpr std::int32_t kTypeMismatch = 13;  // also: a setting's value is of a type it cannot be
inline constexpr std::int32_t kPermissionDenied = 70;  // a protected folder, or a key that is a link
inline constexpr std::int32_t kPathNotFound = 76;      // a folder that is not there, or cannot be used
inline constexpr std::int32_t kNoSuchControlElement = 340;
inline constexpr std::int32_t kSetNotSupportedAtRunTime = 382;
}  // namespace error_number

// What the toolkit raises for an element of a control array that the window does not have.
inline Error NoSuchControlElement(int index)
{
    return {error_number::kNoSuchControlElement,
            L"Control array element '" + std::to_wstring(index) + L"' doesn't exist"};
}

}  // namespace nivaro
