#pragma once
// Traces in every target of the built-in layout, for the tests that run the whole program: the
// four registry lists filled, each with values that must survive (the unnamed default value and
// a subkey), and the user's History and Cookies folders pointed at scratch folders with files and
// a subfolder in them.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "platform/backend.h"
#include "platform/file_system.h"
#include "tests/support/folder_fixture.h"
#include "platform/registry.h"
#include "tests/support/registry_values.h"

namespace nivaro::testing {

// Everything the traces touch, as bytes: a preview must leave it exactly as it was.
struct TraceSnapshot {
    using Value = StoredValue;
    struct File {
        std::uint32_t attributes = 0;
        std::optional<std::string> bytes;  // nothing for a folder
        friend bool operator==(const File&, const File&) = default;
    };
    std::map<std::wstring, std::map<std::wstring, Value>> keys;  // key path to its values, the default as ""
    std::map<std::wstring, File> files;                         // path to the entry

    friend bool operator==(const TraceSnapshot&, const TraceSnapshot&) = default;
};

class LayoutTraces {
public:
    // The named values seeded in each registry list, by the item's id.
    static const std::map<std::string, int>& ValuesPerList();
    static constexpr int kHistoryFiles = 3;
    static constexpr int kCookiesFiles = 2;

    LayoutTraces(RegistryApi& registry, FileSystem& files);
    ~LayoutTraces();
    LayoutTraces(const LayoutTraces&) = delete;
    LayoutTraces& operator=(const LayoutTraces&) = delete;

    // False when the scratch folders or the Shell Folders values could not be made.
    bool Ready() const;

    const std::wstring& History() const { return history_; }
    const std::wstring& Cookies() const { return cookies_; }
    FolderFixture& Disk() { return disk_; }

    // Points the History value at another path, for as long as the traces live.
    void MoveHistory(std::wstring_view path);

    // The named values of a list now, sorted; nothing when its key is gone.
    std::optional<std::vector<std::wstring>> Names(std::string_view id) const;
    bool KeptValuesAreThere(std::string_view id) const;

    TraceSnapshot Snapshot() const;

private:
    void SeedList(const std::wstring& path, int values);
    void SeedFolder(const std::wstring& folder, int files);

    RegistryApi& registry_;
    FileSystem& files_;
    FolderFixture disk_;
    std::wstring history_;
    std::wstring cookies_;
    std::unique_ptr<ShellFolderValue> historyValue_;
    std::unique_ptr<ShellFolderValue> cookiesValue_;
};

// A test on the built-in layout's targets, filled with traces.
class LayoutTracesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(traces_.Ready()); }

    std::unique_ptr<RegistryApi> registry_ = MakeRegistry();
    std::unique_ptr<FileSystem> files_ = MakeFileSystem();
    LayoutTraces traces_{*registry_, *files_};
};

}  // namespace nivaro::testing
