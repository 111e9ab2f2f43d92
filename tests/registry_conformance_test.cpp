// The registry helpers and the registry list item on whichever backend this build links: the
// substitute in the native build, the system's registry under Wine. Each case works in a scratch
// key of its own under HKEY_CURRENT_USER, which goes when the case ends.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <ranges>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "items/item_design.h"
#include "items/nv_reg.h"
#include "platform/backend.h"
#include "platform/substitute/substitute_toolkit.h"
#include "platform/utf16.h"
#include "registry/mod_reg.h"
#include "tests/support/registry_values.h"

namespace nivaro {
namespace {

using namespace std::literals;

constexpr std::wstring_view kTestsKey = L"Software\\Nivaro Tests";
// The platform's longest value name.
constexpr std::size_t kLongestName = 16383;
// ERROR_BAD_PATHNAME, which the helpers never tell apart from other failures.
constexpr long kBadPathname = 161;

struct Seed {
    std::wstring name;
    std::uint32_t type = reg_type::kNone;
    std::vector<std::byte> data;

    friend bool operator==(const Seed&, const Seed&) = default;
};

// Text as programs store it: with its terminating NUL.
Seed Text(std::wstring name, std::wstring_view text)
{
    std::wstring terminated(text);
    terminated.push_back(L'\0');
    return {std::move(name), reg_type::kString, EncodeUtf16(terminated)};
}

Seed UnterminatedText(std::wstring name, std::wstring_view text)
{
    return {std::move(name), reg_type::kString, EncodeUtf16(text)};
}

Seed Typed(std::wstring name, std::uint32_t type, std::initializer_list<unsigned> bytes)
{
    std::vector<std::byte> data;
    for (unsigned b : bytes) {
        data.push_back(static_cast<std::byte>(b));
    }
    return {std::move(name), type, std::move(data)};
}

Seed Binary(std::wstring name, std::initializer_list<unsigned> bytes)
{
    return Typed(std::move(name), reg_type::kBinary, bytes);
}

// Binary data of the given size in a pattern that does not repeat every few bytes.
Seed Bulk(std::wstring name, std::size_t bytes)
{
    std::vector<std::byte> data(bytes);
    for (std::size_t i = 0; i < bytes; ++i) {
        data[i] = static_cast<std::byte>((i * 131 + i / 251) & 0xFF);
    }
    return {std::move(name), reg_type::kBinary, std::move(data)};
}

std::vector<std::wstring> SortedNamedOf(const std::vector<Seed>& seeds)
{
    std::vector<std::wstring> names;
    for (const Seed& seed : seeds) {
        if (!seed.name.empty()) {
            names.push_back(seed.name);
        }
    }
    std::ranges::sort(names);
    return names;
}

std::wstring Widen(std::string_view ascii)
{
    return std::wstring(ascii.begin(), ascii.end());
}

class RegistryConformance : public ::testing::Test {
protected:
    void SetUp() override
    {
        const ::testing::TestInfo& test = *::testing::UnitTest::GetInstance()->current_test_info();
        scratch_ = std::wstring(kTestsKey) + L"\\" + Widen(test.test_suite_name()) + L"." + Widen(test.name());
        (void)DeleteKeyTree(*registry_, kCurrentUser, scratch_);  // what an interrupted run left behind
        ASSERT_EQ(registry_->CreateKey(kCurrentUser, scratch_, scratchKey_), reg_status::kSuccess);
    }

    void TearDown() override
    {
        scratchKey_.reset();
        EXPECT_EQ(DeleteKeyTree(*registry_, kCurrentUser, scratch_), reg_status::kSuccess);
        EXPECT_FALSE(Exists(scratch_)) << "the scratch key is gone";
    }

    std::wstring Under(std::wstring_view child) const { return scratch_ + L"\\" + std::wstring(child); }

    // Creates the key, with its missing parents, and sets the values.
    void Fill(const std::wstring& path, const std::vector<Seed>& seeds)
    {
        RegistryKey key;
        ASSERT_EQ(registry_->CreateKey(kCurrentUser, path, key), reg_status::kSuccess);
        for (const Seed& seed : seeds) {
            ASSERT_EQ(registry_->SetValue(key, seed.name, seed.type, seed.data), reg_status::kSuccess);
        }
    }

    bool Exists(const std::wstring& path)
    {
        RegistryKey key;
        return registry_->OpenKey(kCurrentUser, path, KeyAccess::kQuery, key) == reg_status::kSuccess;
    }

    // The key's named values, sorted: the platform promises no enumeration order. Nullopt when
    // the key cannot be opened.
    std::optional<std::vector<std::wstring>> SortedNames(const std::wstring& path)
    {
        auto names = ListValueNames(*registry_, kCurrentUser, path);
        if (!names) {
            return std::nullopt;
        }
        std::ranges::sort(*names);
        return *names;
    }

    // The value as stored, or nullopt when it or its key is not there.
    std::optional<Seed> Read(const std::wstring& path, std::wstring_view name)
    {
        RegistryKey key;
        if (registry_->OpenKey(kCurrentUser, path, KeyAccess::kQuery, key) != reg_status::kSuccess) {
            return std::nullopt;
        }
        Seed value;
        value.name = name;
        std::uint32_t size = 0;
        if (registry_->QueryValue(key, name, value.type, {}, size) != reg_status::kSuccess) {
            return std::nullopt;
        }
        value.data.resize(size);
        if (size > 0 && registry_->QueryValue(key, name, value.type, value.data, size) != reg_status::kSuccess) {
            return std::nullopt;
        }
        return value;
    }

    KeyInfo Info(const RegistryKey& key)
    {
        KeyInfo info;
        EXPECT_EQ(registry_->QueryInfoKey(key, info), reg_status::kSuccess);
        return info;
    }

    std::unique_ptr<RegistryApi> registry_ = MakeRegistry();
    std::wstring scratch_;
    RegistryKey scratchKey_;
};

// --- Emptying a key -------------------------------------------------------------------------

TEST_F(RegistryConformance, DeleteAllValuesDeletesEveryNamedValueAsItIsNamed)
{
    struct Case {
        const char* what;
        std::vector<Seed> seeds;
        std::size_t deleted;
    };
    const Case cases[] = {
        {"a key with no values", {}, 0},
        {"the default value and three named values",
         {Text(L"", L"default"), Text(L"a", L"first"), Binary(L"b", {1, 2, 3}), Typed(L"c", reg_type::kDword, {7, 0, 0, 0})},
         3},
        {"a name with blanks around it and a name of blanks only",
         {Text(L"", L"default"), Text(L"  padded  ", L"x"), Text(L"   ", L"y")},
         2},
        {"data of 4,000 and of 1,000,000 bytes", {Bulk(L"small", 4000), Bulk(L"large", 1000000)}, 2},
        {"a name of the longest length", {Text(std::wstring(kLongestName, L'n'), L"long")}, 1},
        {"names beyond ASCII", {Text(L"café", L"1"), Text(L"Ωmega", L"2"), Text(L"日本", L"3")}, 3},
    };
    int number = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring path = Under(L"case " + std::to_wstring(++number));
        ASSERT_NO_FATAL_FAILURE(Fill(path, c.seeds));
        ASSERT_EQ(SortedNames(path), SortedNamedOf(c.seeds)) << "each name is listed exactly as it was set";

        EXPECT_EQ(DeleteAllValues(*registry_, kCurrentUser, path), c.deleted);

        EXPECT_EQ(SortedNames(path), std::vector<std::wstring>()) << "the key stays, without named values";
        std::optional<Seed> keptDefault;
        for (const Seed& seed : c.seeds) {
            if (seed.name.empty()) {
                keptDefault = seed;
            } else {
                EXPECT_EQ(Read(path, seed.name), std::nullopt) << "deleted by its own name";
            }
        }
        EXPECT_EQ(Read(path, L""), keptDefault) << "the default value is never touched";
    }
}

TEST_F(RegistryConformance, AMissingKeyCountsNothingAndIsNotCreated)
{
    EXPECT_EQ(DeleteAllValues(*registry_, kCurrentUser, Under(L"Missing\\Deeper")), 0u);

    EXPECT_FALSE(Exists(Under(L"Missing")));
    EXPECT_EQ(Info(scratchKey_).subkeyCount, 0u);
}

TEST_F(RegistryConformance, SubkeysAndTheirValuesAreLeftAsTheyAre)
{
    const std::wstring child = Under(L"List\\Child");
    const std::wstring grandchild = Under(L"List\\Child\\Grandchild");
    ASSERT_NO_FATAL_FAILURE(Fill(Under(L"List"), {Text(L"a", L"1"), Text(L"b", L"2")}));
    ASSERT_NO_FATAL_FAILURE(Fill(child, {Text(L"", L"own default"), Text(L"c", L"3"), Text(L"d", L"4")}));
    ASSERT_NO_FATAL_FAILURE(Fill(grandchild, {Text(L"e", L"5")}));

    EXPECT_EQ(DeleteAllValues(*registry_, kCurrentUser, Under(L"List")), 2u);

    EXPECT_EQ(SortedNames(Under(L"List")), std::vector<std::wstring>());
    EXPECT_EQ(SortedNames(child), (std::vector<std::wstring>{L"c", L"d"}));
    EXPECT_EQ(Read(child, L""), Text(L"", L"own default"));
    EXPECT_EQ(Read(grandchild, L"e"), Text(L"e", L"5"));
}

TEST_F(RegistryConformance, APathThatStartsWithASeparatorNamesNoKey)
{
    const std::wstring path = Under(L"List");
    ASSERT_NO_FATAL_FAILURE(Fill(path, {Text(L"a", L"1"), Text(L"b", L"2")}));

    EXPECT_EQ(DeleteAllValues(*registry_, kCurrentUser, L"\\" + path), 0u);
    EXPECT_EQ(GetRegString(*registry_, kCurrentUser, L"\\" + path, L"a"), L"");
    EXPECT_EQ(SortedNames(path), (std::vector<std::wstring>{L"a", L"b"}));
}

TEST_F(RegistryConformance, ASecondRunFindsNothingLeft)
{
    const std::wstring path = Under(L"List");
    ASSERT_NO_FATAL_FAILURE(Fill(path, {Text(L"a", L"1"), Text(L"b", L"2"), Text(L"c", L"3")}));

    EXPECT_EQ(DeleteAllValues(*registry_, kCurrentUser, path), 3u);
    EXPECT_EQ(DeleteAllValues(*registry_, kCurrentUser, path), 0u);
    EXPECT_TRUE(Exists(path));
}

TEST_F(RegistryConformance, FortyThousandValuesAreAllDeleted)
{
    constexpr std::size_t kValues = 40000;
    std::vector<Seed> seeds;
    seeds.reserve(kValues);
    for (std::size_t i = 0; i < kValues; ++i) {
        std::wstring name = std::to_wstring(i);
        name.insert(0, 5 - name.size(), L'0');  // in name order, so seeding appends
        seeds.push_back(Text(L"v" + name, L"http://example.invalid/" + name));
    }
    const std::wstring path = Under(L"List");
    ASSERT_NO_FATAL_FAILURE(Fill(path, seeds));

    EXPECT_EQ(DeleteAllValues(*registry_, kCurrentUser, path), kValues);

    RegistryKey key;
    ASSERT_EQ(registry_->OpenKey(kCurrentUser, path, KeyAccess::kQuery, key), reg_status::kSuccess);
    EXPECT_EQ(Info(key).valueCount, 0u);
}

// --- Reading a value as text ------------------------------------------------------------------

TEST_F(RegistryConformance, GetRegStringReadsTextAndShortBinaryValues)
{
    const std::wstring folders = Under(L"Explorer\\Shell Folders");
    const std::wstring cookies = L"C:\\Users\\Me\\AppData\\Local\\Microsoft\\Windows\\INetCookies";
    ASSERT_NO_FATAL_FAILURE(Fill(folders, {
                                              Text(L"Cookies", cookies),
                                              UnterminatedText(L"Unterminated", L"no NUL at the end"),
                                              Text(L"Inner NUL", L"before\0after"sv),
                                              Text(L"Empty", L""),
                                              Binary(L"All ones", {0xFF, 0xFF, 0xFF, 0xFF}),
                                              Binary(L"Two bytes", {0x01, 0x02}),
                                              Binary(L"One byte", {0x80}),
                                              Binary(L"Eight bytes", {1, 2, 3, 4, 5, 6, 7, 8}),
                                              Typed(L"Number", reg_type::kDword, {7, 0, 0, 0}),
                                              Typed(L"Expandable", reg_type::kExpandString, {'%', 0, 'T', 0, '%', 0, 0, 0}),
                                          }));
    struct Case {
        const char* what;
        std::wstring path;
        std::wstring_view name;
        std::wstring text;
    };
    const Case cases[] = {
        {"a folder path stored with its NUL", folders, L"Cookies", cookies},
        {"names match without regard to case", folders, L"COOKIES", cookies},
        {"text stored without a terminating NUL", folders, L"Unterminated", L"no NUL at the end"},
        {"text holding a NUL ends there", folders, L"Inner NUL", L"before"},
        {"empty text", folders, L"Empty", L""},
        {"binary FF FF FF FF is -1", folders, L"All ones", L"-1"},
        {"binary is little-endian", folders, L"Two bytes", L"513"},
        {"one byte is not sign-extended", folders, L"One byte", L"128"},
        {"binary longer than 4 bytes is no integer", folders, L"Eight bytes", L""},
        {"other types give no text", folders, L"Number", L""},
        {"expandable text gives no text", folders, L"Expandable", L""},
        {"a missing value", folders, L"History", L""},
        {"a missing key", Under(L"Explorer\\Missing"), L"Cookies", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(GetRegString(*registry_, kCurrentUser, c.path, c.name), c.text);
    }
    EXPECT_FALSE(Exists(Under(L"Explorer\\Missing"))) << "reading creates no key";
}

// Forwards every call to the backend and keeps, for each value read with a buffer, the most
// bytes the backend was allowed to write: what a buffer overrun would exceed.
class WatchedRegistry final : public RegistryApi {
public:
    explicit WatchedRegistry(RegistryApi& inner) : inner_(inner) {}

    using RegistryApi::OpenKey;
    long OpenKey(RegistryRoot root, std::wstring_view path, KeyAccess access, KeyLinks links, RegistryKey& key) override
    {
        return inner_.OpenKey(root, path, access, links, key);  // the key belongs to the backend and closes there
    }
    long OpenSubkey(const RegistryKey& parent, std::wstring_view name, KeyAccess access, KeyLinks links,
                    RegistryKey& key) override
    {
        return inner_.OpenSubkey(parent, name, access, links, key);
    }
    long OpenKeyToRead(RegistryRoot root, std::wstring_view path, RegistryView view, RegistryKey& key) override
    {
        return inner_.OpenKeyToRead(root, path, view, key);
    }
    long CreateKey(RegistryRoot root, std::wstring_view path, RegistryKey& key) override
    {
        return inner_.CreateKey(root, path, key);
    }
    long DeleteKey(const RegistryKey& key) override { return inner_.DeleteKey(key); }
    long QueryInfoKey(const RegistryKey& key, KeyInfo& info) override { return inner_.QueryInfoKey(key, info); }
    long EnumValueName(const RegistryKey& key, std::uint32_t index, std::span<wchar_t> buffer,
                       std::uint32_t& nameChars) override
    {
        return inner_.EnumValueName(key, index, buffer, nameChars);
    }
    long EnumKeyName(const RegistryKey& key, std::uint32_t index, std::span<wchar_t> buffer,
                     std::uint32_t& nameChars) override
    {
        return inner_.EnumKeyName(key, index, buffer, nameChars);
    }
    long QueryValue(const RegistryKey& key, std::wstring_view name, std::uint32_t& type, std::span<std::byte> data,
                    std::uint32_t& size) override
    {
        if (!data.empty()) {
            std::size_t& most = writable[std::wstring(name)];
            most = std::max({most, data.size(), std::size_t{size}});
        }
        return inner_.QueryValue(key, name, type, data, size);
    }
    long SetValue(const RegistryKey& key, std::wstring_view name, std::uint32_t type,
                  std::span<const std::byte> data) override
    {
        return inner_.SetValue(key, name, type, data);
    }
    long DeleteValue(const RegistryKey& key, std::wstring_view name) override { return inner_.DeleteValue(key, name); }
    long KeyName(const RegistryKey& key, std::wstring& name) override { return inner_.KeyName(key, name); }

    std::map<std::wstring, std::size_t> writable;

private:
    void CloseKey(std::uintptr_t) noexcept override {}  // never handed a key of its own

    RegistryApi& inner_;
};

TEST_F(RegistryConformance, BinaryValuesAreReadIntoNoMoreThanFourBytes)
{
    ASSERT_NO_FATAL_FAILURE(
        Fill(scratch_, {Binary(L"All ones", {0xFF, 0xFF, 0xFF, 0xFF}), Binary(L"Eight bytes", {1, 2, 3, 4, 5, 6, 7, 8})}));
    WatchedRegistry watched(*registry_);

    EXPECT_EQ(GetRegString(watched, kCurrentUser, scratch_, L"All ones"), L"-1");
    EXPECT_EQ(GetRegString(watched, kCurrentUser, scratch_, L"Eight bytes"), L"");

    EXPECT_EQ(watched.writable[L"All ones"], 4u) << "the watch sees the reads";
    EXPECT_LE(watched.writable[L"Eight bytes"], 4u) << "eight bytes do not fit a 32-bit integer";
}

// --- The registry list item -------------------------------------------------------------------

struct ListItem {
    explicit ListItem(RegistryApi& registry, const std::wstring& path) : item(site, registry)
    {
        EXPECT_TRUE(item.ReadProperties({{L"RegKey", path}}));
    }

    SubstituteItemSite site;
    NvReg item;
};

TEST_F(RegistryConformance, TheRegistryListItemEmptiesItsKeyAndShowsTheCount)
{
    const std::wstring path = Under(L"TypedURLs");
    ASSERT_NO_FATAL_FAILURE(Fill(path, {Text(L"url1", L"http://a.invalid/"), Text(L"url2", L"http://b.invalid/"),
                                        Text(L"url3", L"http://c.invalid/"), Text(L"url4", L"http://d.invalid/"),
                                        Text(L"url5", L"http://e.invalid/")}));
    ListItem list(*registry_, path);

    ASSERT_TRUE(list.item.Start());
    EXPECT_EQ(list.site.status, L"5 Items clean...");
    EXPECT_EQ(list.site.bandFillWrites, (std::vector<std::int32_t>{band_fill::kSolid, band_fill::kSolid}));
    EXPECT_EQ(SortedNames(path), std::vector<std::wstring>()) << "the key itself stays";

    ASSERT_TRUE(list.item.Start());
    EXPECT_EQ(list.site.status, L"0 Items clean...");
}

TEST_F(RegistryConformance, TheRegistryListItemOnAMissingKeyCountsNothingAndCreatesNothing)
{
    ListItem list(*registry_, Under(L"Missing"));

    ASSERT_TRUE(list.item.Start());
    EXPECT_EQ(list.site.status, L"0 Items clean...");
    EXPECT_FALSE(Exists(Under(L"Missing")));
}

// --- The platform conventions the helpers rely on ------------------------------------------------

TEST_F(RegistryConformance, ResultCodesFollowThePlatform)
{
    // The name "only" is 4 characters; its text "data" with the NUL is 10 bytes.
    ASSERT_NO_FATAL_FAILURE(Fill(scratch_, {Text(L"only", L"data")}));
    using Use = std::function<long(RegistryApi&, const RegistryKey&)>;
    struct Case {
        const char* what;
        std::wstring path;
        KeyAccess access;
        Use use;
        long expected;
    };
    const auto nameInto = [](std::size_t capacity, std::uint32_t index) -> Use {
        return [capacity, index](RegistryApi& r, const RegistryKey& k) {
            std::vector<wchar_t> name(capacity);
            auto chars = static_cast<std::uint32_t>(capacity);
            return r.EnumValueName(k, index, name, chars);
        };
    };
    const auto dataInto = [](std::size_t capacity, std::wstring_view value) -> Use {
        return [capacity, value](RegistryApi& r, const RegistryKey& k) {
            std::vector<std::byte> data(capacity);
            std::uint32_t type = 0;
            auto size = static_cast<std::uint32_t>(capacity);
            return r.QueryValue(k, value, type, data, size);
        };
    };
    const auto opened = [](RegistryApi&, const RegistryKey&) { return reg_status::kSuccess; };
    const Case cases[] = {
        {"the name of the last value", scratch_, KeyAccess::kQuery, nameInto(5, 0), reg_status::kSuccess},
        {"enumerating past the last value", scratch_, KeyAccess::kQuery, nameInto(5, 1), reg_status::kNoMoreItems},
        {"a name buffer without room for the NUL", scratch_, KeyAccess::kQuery, nameInto(4, 0), reg_status::kMoreData},
        {"a data buffer that fits", scratch_, KeyAccess::kQuery, dataInto(10, L"only"), reg_status::kSuccess},
        {"a data buffer one byte short", scratch_, KeyAccess::kQuery, dataInto(9, L"only"), reg_status::kMoreData},
        {"opening a missing key", Under(L"Missing"), KeyAccess::kQuery, opened, reg_status::kFileNotFound},
        {"opening a missing key for set", Under(L"Missing"), KeyAccess::kQueryAndSet, opened, reg_status::kFileNotFound},
        {"opening a path that starts with a separator", L"\\" + scratch_, KeyAccess::kQuery, opened, kBadPathname},
        {"querying a missing value", scratch_, KeyAccess::kQuery, dataInto(10, L"other"), reg_status::kFileNotFound},
        {"deleting a missing value", scratch_, KeyAccess::kQueryAndSet,
         [](RegistryApi& r, const RegistryKey& k) { return r.DeleteValue(k, L"other"); }, reg_status::kFileNotFound},
        {"deleting through a handle opened for query only", scratch_, KeyAccess::kQuery,
         [](RegistryApi& r, const RegistryKey& k) { return r.DeleteValue(k, L"only"); }, reg_status::kAccessDenied},
        {"setting through a handle opened for query only", scratch_, KeyAccess::kQuery,
         [](RegistryApi& r, const RegistryKey& k) { return r.SetValue(k, L"new", reg_type::kBinary, {}); },
         reg_status::kAccessDenied},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RegistryKey key;
        long status = registry_->OpenKey(kCurrentUser, c.path, c.access, key);
        EXPECT_EQ(static_cast<bool>(key), status == reg_status::kSuccess) << "a key is handed out only on success";
        if (status == reg_status::kSuccess) {
            status = c.use(*registry_, key);
        }
        EXPECT_EQ(status, c.expected);
    }
    EXPECT_EQ(Read(scratch_, L"only"), Text(L"only", L"data")) << "a refused delete leaves the value";
    EXPECT_EQ(Read(scratch_, L"new"), std::nullopt) << "a refused set adds nothing";
    EXPECT_FALSE(Exists(Under(L"Missing")));
}

// Cut at its NUL, a name would address another value or key: the calls that take C strings
// refuse it instead. Deleting takes the counted name (the hostile-input table covers it).
TEST_F(RegistryConformance, NamesWithANulAreRefusedRatherThanCutShort)
{
    ASSERT_NO_FATAL_FAILURE(Fill(scratch_, {Binary(L"url1", {1})}));
    const Seed one = Binary(L"url1", {2});
    EXPECT_EQ(registry_->SetValue(scratchKey_, L"url1\0hidden"sv, one.type, one.data), reg_status::kInvalidParameter);
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    EXPECT_EQ(registry_->QueryValue(scratchKey_, L"url1\0other"sv, type, {}, size), reg_status::kInvalidParameter);
    EXPECT_EQ(DeleteAllValues(*registry_, kCurrentUser, scratch_ + L"\0\\Missing"s), 0u) << "nor is a path cut";
    EXPECT_EQ(SortedNames(scratch_), std::vector<std::wstring>{L"url1"});
    EXPECT_EQ(Read(scratch_, L"url1"), Binary(L"url1", {1})) << "the value that a cut name would address is unchanged";
}

TEST_F(RegistryConformance, EnumeratedNamesComeBackWithTheirLengthWithoutTheNul)
{
    const std::vector<std::wstring> names = {L"", L"x", L"only", L"日本", std::wstring(kLongestName, L'n')};
    std::vector<Seed> seeds;
    for (const std::wstring& name : names) {
        seeds.push_back(Binary(name, {1}));
    }
    ASSERT_NO_FATAL_FAILURE(Fill(scratch_, seeds));
    RegistryKey key;
    ASSERT_EQ(registry_->OpenKey(kCurrentUser, scratch_, KeyAccess::kQuery, key), reg_status::kSuccess);

    std::vector<std::wstring> listed;
    for (std::uint32_t index = 0; index < names.size(); ++index) {
        // A buffer that fits the name and its NUL exactly, as QueryInfoKey's figure + 1 does for the longest.
        std::vector<wchar_t> buffer(kLongestName + 1, L'?');
        std::uint32_t chars = static_cast<std::uint32_t>(buffer.size());
        ASSERT_EQ(registry_->EnumValueName(key, index, buffer, chars), reg_status::kSuccess);
        ASSERT_LT(chars, buffer.size());
        EXPECT_EQ(buffer[chars], L'\0') << "the length leaves out the NUL";
        const std::wstring name(buffer.data(), chars);
        listed.push_back(name);

        std::vector<wchar_t> exact(name.size() + 1);
        std::uint32_t exactChars = static_cast<std::uint32_t>(exact.size());
        EXPECT_EQ(registry_->EnumValueName(key, index, exact, exactChars), reg_status::kSuccess);
        EXPECT_EQ(exactChars, name.size());
    }
    std::vector<std::wstring> expected = names;
    std::ranges::sort(expected);
    std::ranges::sort(listed);
    EXPECT_EQ(listed, expected) << "the default value enumerates with an empty name";

    const KeyInfo info = Info(key);
    EXPECT_EQ(info.valueCount, names.size());
    EXPECT_EQ(info.maxValueNameChars, kLongestName) << "the longest name without its NUL";
    EXPECT_EQ(info.maxValueDataBytes, 1u);
}

TEST_F(RegistryConformance, QueryValueReportsTypeAndSizeAndNeverWritesPastItsBuffer)
{
    ASSERT_NO_FATAL_FAILURE(Fill(scratch_, {Binary(L"eight", {1, 2, 3, 4, 5, 6, 7, 8}), Text(L"text", L"abc"),
                                            UnterminatedText(L"bare", L"ab")}));
    RegistryKey key;
    ASSERT_EQ(registry_->OpenKey(kCurrentUser, scratch_, KeyAccess::kQuery, key), reg_status::kSuccess);
    constexpr unsigned kUntouched = 0xCC;

    struct Case {
        const char* what;
        std::wstring_view name;
        std::uint32_t capacity;  // what `size` says the buffer holds; 0 passes no buffer
        long status;
        std::uint32_t type;
        std::uint32_t size;
        std::vector<unsigned> buffer;  // the buffer's first `capacity` bytes afterwards, where defined
    };
    const Case cases[] = {
        {"no buffer reports the type and size", L"eight", 0, reg_status::kSuccess, reg_type::kBinary, 8, {}},
        {"text counts its NUL", L"text", 0, reg_status::kSuccess, reg_type::kString, 8, {}},
        {"a short buffer is told the size it needs", L"eight", 4, reg_status::kMoreData, reg_type::kBinary, 8, {}},
        {"an exact buffer", L"eight", 8, reg_status::kSuccess, reg_type::kBinary, 8, {1, 2, 3, 4, 5, 6, 7, 8}},
        {"a larger buffer", L"eight", 12, reg_status::kSuccess, reg_type::kBinary, 8,
         {1, 2, 3, 4, 5, 6, 7, 8, kUntouched, kUntouched, kUntouched, kUntouched}},
        {"text that has its NUL gains nothing", L"text", 12, reg_status::kSuccess, reg_type::kString, 8,
         {'a', 0, 'b', 0, 'c', 0, 0, 0, kUntouched, kUntouched, kUntouched, kUntouched}},
        {"text without its NUL gains one where the buffer has room", L"bare", 8, reg_status::kSuccess,
         reg_type::kString, 4, {'a', 0, 'b', 0, 0, 0, kUntouched, kUntouched}},
        {"but not where the room is less than one character", L"bare", 5, reg_status::kSuccess, reg_type::kString, 4,
         {'a', 0, 'b', 0, kUntouched}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::array<std::byte, 16> data;
        data.fill(std::byte{kUntouched});
        std::uint32_t type = reg_type::kNone;
        std::uint32_t size = c.capacity;
        const std::span<std::byte> buffer = c.capacity == 0 ? std::span<std::byte>() : std::span(data);

        EXPECT_EQ(registry_->QueryValue(key, c.name, type, buffer, size), c.status);
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(size, c.size);
        const auto past = std::ranges::subrange(data.begin() + c.capacity, data.end());
        EXPECT_TRUE(std::ranges::all_of(past, [](std::byte b) { return b == std::byte{kUntouched}; }))
            << "nothing written past the capacity given in size";
        if (!c.buffer.empty()) {
            std::vector<unsigned> written;
            for (std::byte b : std::span(data).first(c.capacity)) {
                written.push_back(std::to_integer<unsigned>(b));
            }
            EXPECT_EQ(written, c.buffer);
        }
    }
}

TEST_F(RegistryConformance, KeysAndValueNamesMatchWithoutRegardToCase)
{
    struct Case {
        std::wstring_view stored;
        std::wstring_view asked;
        bool same;
    };
    const Case cases[] = {
        {L"MRUList", L"mrulist", true},
        {L"café", L"CAFÉ", true},
        {L"Ωmega", L"ωMEGA", true},
        {L"Журнал", L"ЖУРНАЛ", true},
        {L"ǆemal", L"ǄEMAL", true},
        {L"cafe", L"café", false},
        {L"straße", L"STRASSE", false},
        // Only letters that map to each other both ways are one: these have no partner of their own.
        {L"\u0131ndex", L"INDEX", false},        // dotless i
        {L"\u212Aelvin", L"kelvin", false},      // Kelvin sign
        {L"\u03C2igma", L"\u03C3IGMA", false},   // final sigma
        {L"\u01C5ar", L"\u01C4AR", false},       // title-case DZ with caron
        // Case is folded one UTF-16 unit at a time; a character beyond 16 bits is two units.
        {L"\U00010428", L"\U00010400", false},  // Deseret
    };
    int number = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "stored as " << std::wstring(c.stored) << ", asked as " << std::wstring(c.asked));
        const std::wstring parent = Under(L"case " + std::to_wstring(++number)) + L"\\";
        const std::wstring key = parent + std::wstring(c.stored);
        ASSERT_NO_FATAL_FAILURE(Fill(key, {Binary(std::wstring(c.stored), {1})}));

        EXPECT_EQ(Exists(parent + std::wstring(c.asked)), c.same) << "the key";
        EXPECT_EQ(Read(key, c.asked).has_value(), c.same) << "the value name";
        if (c.same) {
            EXPECT_EQ(SortedNames(key), std::vector<std::wstring>{std::wstring(c.stored)})
                << "the name keeps the case it was set with";
        }
    }
}

}  // namespace
}  // namespace nivaro
