#pragma once
// The registry as the logic sees it: a thin mirror of the platform's wide registry functions,
// with their result codes (0 for success) and their buffer conventions.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <utility>

namespace nivaro {

// A root key as property sets store it: a signed 32-bit handle.
using RegistryRoot = std::int32_t;
inline constexpr RegistryRoot kClassesRoot = static_cast<RegistryRoot>(0x80000000u);
inline constexpr RegistryRoot kCurrentUser = static_cast<RegistryRoot>(0x80000001u);
inline constexpr RegistryRoot kLocalMachine = static_cast<RegistryRoot>(0x80000002u);
inline constexpr RegistryRoot kUsers = static_cast<RegistryRoot>(0x80000003u);

// The platform's result codes that the logic tells apart.
namespace reg_status {
inline constexpr long kSuccess = 0;
inline constexpr long kFileNotFound = 2;
inline constexpr long kAccessDenied = 5;
inline constexpr long kInvalidHandle = 6;
inline constexpr long kInvalidParameter = 87;
inline constexpr long kMoreData = 234;
inline constexpr long kNoMoreItems = 259;
inline constexpr long kKeyDeleted = 1018;
}  // namespace reg_status

namespace reg_type {
inline constexpr std::uint32_t kNone = 0;
inline constexpr std::uint32_t kString = 1;  // REG_SZ
inline constexpr std::uint32_t kExpandString = 2;
inline constexpr std::uint32_t kBinary = 3;
inline constexpr std::uint32_t kDword = 4;
inline constexpr std::uint32_t kLink = 6;  // REG_LINK: where a link key leads
inline constexpr std::uint32_t kMultiString = 7;
inline constexpr std::uint32_t kQword = 11;

// The types whose data is UTF-16 text.
constexpr bool IsString(std::uint32_t type)
{
    return type == kString || type == kExpandString || type == kMultiString;
}
}  // namespace reg_type

// kQuery reads a key's values and lists its subkeys; kQueryAndSet also changes its values;
// kQuerySetAndDelete may also delete the key itself.
enum class KeyAccess { kQuery, kQueryAndSet, kQuerySetAndDelete };
// Which of the machine's two views of its keys a key is read in, where 32-bit programs' keys are
// kept apart from 64-bit ones' (HKLM\Software and HKCR): the calling program's own, or either.
enum class RegistryView { kOwn, k64, k32 };
// Whether a key that is a link is followed to where it leads, or opened as itself.
enum class KeyLinks { kFollow, kOpenLinkItself };

struct KeyInfo {
    std::uint32_t subkeyCount = 0;
    std::uint32_t valueCount = 0;
    std::uint32_t maxValueNameChars = 0;  // without the terminating NUL
    std::uint32_t maxValueDataBytes = 0;
};

class RegistryApi;

// An open key. Move-only; the key is closed when its owner goes.
class RegistryKey {
public:
    RegistryKey() = default;
    RegistryKey(RegistryApi& api, std::uintptr_t raw) : api_(&api), raw_(raw) {}
    RegistryKey(RegistryKey&& other) noexcept
        : api_(std::exchange(other.api_, nullptr)), raw_(std::exchange(other.raw_, 0))
    {
    }
    RegistryKey& operator=(RegistryKey&& other) noexcept
    {
        if (this != &other) {
            reset();
            api_ = std::exchange(other.api_, nullptr);
            raw_ = std::exchange(other.raw_, 0);
        }
        return *this;
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    ~RegistryKey() { reset(); }

    void reset() noexcept;
    std::uintptr_t get() const { return raw_; }
    explicit operator bool() const { return raw_ != 0; }

private:
    RegistryApi* api_ = nullptr;
    std::uintptr_t raw_ = 0;
};

class RegistryApi {
public:
    virtual ~RegistryApi() = default;

    // Opens an existing key; never creates one. On failure `key` is left empty. Links on the way
    // to the key are followed; the key itself is followed only when `links` says so.
    virtual long OpenKey(RegistryRoot root, std::wstring_view path, KeyAccess access, KeyLinks links,
                         RegistryKey& key) = 0;
    long OpenKey(RegistryRoot root, std::wstring_view path, KeyAccess access, RegistryKey& key)
    {
        return OpenKey(root, path, access, KeyLinks::kFollow, key);
    }
    // Opens the subkey of exactly this name of an open key, relative to it; a key that is a link is
    // followed only when `links` says so. A name that holds a separator or a NUL is refused.
    virtual long OpenSubkey(const RegistryKey& parent, std::wstring_view name, KeyAccess access, KeyLinks links,
                            RegistryKey& key) = 0;
    // Opens an existing key to read it only, in one view of the machine's keys; links are followed.
    virtual long OpenKeyToRead(RegistryRoot root, std::wstring_view path, RegistryView view, RegistryKey& key) = 0;
    // Opens a key for query and set, creating it and its missing parents.
    virtual long CreateKey(RegistryRoot root, std::wstring_view path, RegistryKey& key) = 0;
    // Deletes the key the handle is on (opened with kQuerySetAndDelete), a link key as itself and
    // never what it leads to, values and all; refused while the key has subkeys.
    virtual long DeleteKey(const RegistryKey& key) = 0;
    virtual long QueryInfoKey(const RegistryKey& key, KeyInfo& info) = 0;
    // The name of the value at `index`, without its data. `nameChars` holds the buffer's capacity in
    // characters on the way in and the name's length without the NUL on the way out. Answers
    // kMoreData when the name does not fit and kNoMoreItems past the last value.
    virtual long EnumValueName(const RegistryKey& key, std::uint32_t index, std::span<wchar_t> buffer,
                               std::uint32_t& nameChars) = 0;
    // The value's type and data. With an empty `data` only the type and size are reported; a
    // buffer too small answers kMoreData. `size` is in bytes: the capacity in, the data's size out.
    // The name of the subkey at `index`, with the same conventions as EnumValueName.
    virtual long EnumKeyName(const RegistryKey& key, std::uint32_t index, std::span<wchar_t> buffer,
                             std::uint32_t& nameChars) = 0;
    virtual long QueryValue(const RegistryKey& key, std::wstring_view name, std::uint32_t& type,
                            std::span<std::byte> data, std::uint32_t& size) = 0;
    virtual long SetValue(const RegistryKey& key, std::wstring_view name, std::uint32_t type,
                          std::span<const std::byte> data) = 0;
    // Deletes the value of exactly this name, embedded NULs and all; the empty name is the key's
    // unnamed default value.
    virtual long DeleteValue(const RegistryKey& key, std::wstring_view name) = 0;
    // The key's name as the kernel gives it for the open handle, wherever links on the way led:
    // \REGISTRY\USER\<the user's SID>\Software\... for a key of the user's hive.
    virtual long KeyName(const RegistryKey& key, std::wstring& name) = 0;

private:
    friend class RegistryKey;
    virtual void CloseKey(std::uintptr_t raw) noexcept = 0;
};

inline void RegistryKey::reset() noexcept
{
    if (api_ != nullptr && raw_ != 0) {
        api_->CloseKey(raw_);
    }
    raw_ = 0;
}

}  // namespace nivaro
