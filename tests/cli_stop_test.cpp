// An error that no item expects (the system out of memory or handles) ends the command line's run
// in an exit code of its own, after a report of what went before it; it never aborts the program.

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "cli/cli_app.h"
#include "platform/backend.h"
#include "platform/utf8.h"
#include "registry/mod_reg.h"
#include "tests/support/folder_fixture.h"

namespace nivaro {
namespace {

// The environment of the substitute backend, but one that fails as the system might when asked to
// expand a folder's variables.
class FailingEnvironment final : public Environment {
public:
    std::optional<std::wstring> KnownFolder(KnownPlace place) override { return real_->KnownFolder(place); }
    std::vector<SystemFolder> SystemFolders() override { return real_->SystemFolders(); }
    std::wstring Expand(std::wstring_view) override { throw std::runtime_error("no handles left"); }
    std::wstring GroupedCount(std::uint64_t count) override { return real_->GroupedCount(count); }
    WindowsVersion RunningWindows() override { return real_->RunningWindows(); }

private:
    std::unique_ptr<Environment> real_ = MakeEnvironment();
};

TEST(CliStop, AnUnexpectedErrorEndsTheRunInItsOwnCodeAfterReportingWhatWentBefore)
{
    const std::wstring typedUrls = L"Software\\Microsoft\\Internet Explorer\\TypedURLs";
    std::unique_ptr<RegistryApi> registry = MakeRegistry();
    std::unique_ptr<FileSystem> files = MakeFileSystem();
    std::unique_ptr<Shell> shell = MakeShell();
    FailingEnvironment environment;
    const PlatformServices services{*registry, *files, *shell, environment};
    RegistryKey key;
    ASSERT_EQ(registry->CreateKey(kCurrentUser, typedUrls, key), reg_status::kSuccess);
    const std::byte data[2]{};
    ASSERT_EQ(registry->SetValue(key, L"url1", reg_type::kString, data), reg_status::kSuccess);
    FolderFixture disk;
    const std::wstring itemsFile = FolderFixture::Join(disk.Root(), L"items.ini");
    ASSERT_TRUE(disk.WriteFile(itemsFile, "[Boom]\nFileKey1=%Public%\\Boom|*.tmp\n"));

    for (const bool json : {false, true}) {
        SCOPED_TRACE(json ? "JSON" : "text");
        std::wstring out;
        std::wstring err;
        std::vector<std::wstring> args = {L"preview", L"typed-urls", L"user-boom", L"--items", itemsFile};
        if (json) {
            args.emplace_back(L"--json");
        }
        const int code = cli::RunCli(args, services,
                                     {[&](std::wstring_view text) { return out += text, true; },
                                      [&](std::wstring_view text) { return err += text, true; }});

        EXPECT_EQ(code, cli::exit_code::kStopped);
        EXPECT_NE(err.find(L"Boom: stopped by an unexpected error: no handles left"), std::wstring::npos) << ToUtf8(err);
        const std::wstring told = json ? L"\"name\": \"url1\"" : L"  remove  \"url1\"";
        EXPECT_NE(out.find(told), std::wstring::npos) << "the item before is reported: " << ToUtf8(out);
        EXPECT_NE(out.find(L"stopped by an unexpected error"), std::wstring::npos) << ToUtf8(out);
        if (json) {
            EXPECT_NE(out.find(L"\"exitCode\": 5"), std::wstring::npos) << ToUtf8(out);
        }
    }
    EXPECT_EQ(registry->DeleteValue(key, L"url1"), reg_status::kSuccess) << "a preview removed nothing";
}

}  // namespace
}  // namespace nivaro
