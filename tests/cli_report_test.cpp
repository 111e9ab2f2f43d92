// The command line's reports of the user's items, run in this process on this build's backend:
// the warnings before a clean, the refused lines by reason, registry targets named by their keys,
// and every part of an item that could not run.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <set>
#include <string>
#include <vector>

#include "cli/cli_app.h"
#include "platform/utf16.h"
#include "platform/utf8.h"
#include "registry/mod_reg.h"
#include "tests/support/folder_fixture.h"
#include "tests/support/known_folders.h"
#include "tests/support/registry_values.h"

namespace nivaro {
namespace {

using Json = nlohmann::json;

struct Written {
    bool error = false;  // standard error, else standard output
    std::string text;
};

struct CliRun {
    int exitCode = 0;
    std::vector<Written> written;  // in the order it was written

    std::string Out() const { return Joined(false); }
    std::string Err() const { return Joined(true); }

private:
    std::string Joined(bool error) const
    {
        std::string text;
        for (const Written& w : written) {
            text += w.error == error ? w.text : "";
        }
        return text;
    }
};

class CliReport : public ::testing::Test {
protected:
    CliReport()
    {
        itemsPath_ = FolderFixture::Join(known_.Disk().Root(), L"items.ini");
    }
    ~CliReport() override
    {
        for (const std::wstring& key : keys_) {
            (void)DeleteKeyTree(known_.Services().registry, kCurrentUser, key);
        }
    }

    void WriteItems(std::string_view text) { ASSERT_TRUE(known_.Disk().WriteFile(itemsPath_, text)); }

    CliRun RunWith(std::vector<std::wstring> args)
    {
        args.push_back(L"--items");
        args.push_back(itemsPath_);
        CliRun run;
        const auto write = [&](bool error) {
            return [&run, error](std::wstring_view text) {
                run.written.push_back({error, ToUtf8(text)});
                return true;
            };
        };
        run.exitCode = cli::RunCli(args, known_.Services(), {write(false), write(true)});
        return run;
    }

    void SetValue(const std::wstring& key, std::wstring_view name)
    {
        if (std::ranges::find(keys_, L"Software\\Nivaro Tests") == keys_.end()) {
            keys_.push_back(L"Software\\Nivaro Tests");
        }
        RegistryKey opened;
        ASSERT_EQ(known_.Services().registry.CreateKey(kCurrentUser, key, opened), reg_status::kSuccess);
        const std::vector<std::byte> data = EncodeUtf16(std::wstring(L"x") + L'\0');
        ASSERT_EQ(known_.Services().registry.SetValue(opened, name, reg_type::kString, data), reg_status::kSuccess);
    }

    KnownFolders known_;
    std::wstring itemsPath_;
    std::vector<std::wstring> keys_;
};

TEST_F(CliReport, ACleanSaysEachWarningOnStandardErrorBeforeAnythingGoes)
{
    ASSERT_TRUE(known_.Ready());
    SetValue(L"Software\\Nivaro Tests\\Warned", L"v");
    SetValue(L"Software\\Nivaro Tests\\Quiet", L"v");
    WriteItems("[Warned *]\n"
               "Warning=This also forgets your open tabs.\n"
               "RegKey1=HKCU\\Software\\Nivaro Tests\\Warned|v\n"
               "[Quiet *]\n"
               "RegKey1=HKCU\\Software\\Nivaro Tests\\Quiet|v\n");

    const CliRun preview = RunWith({L"preview", L"user-warned", L"user-quiet", L"--json"});
    EXPECT_EQ(preview.Err().find("warning"), std::string::npos) << "a preview removes nothing: " << preview.Err();
    const Json planned = Json::parse(preview.Out());
    EXPECT_EQ(planned.at("items").at(0).at("warning"), "This also forgets your open tabs.");
    EXPECT_TRUE(planned.at("items").at(1).at("warning").is_null());

    const CliRun clean = RunWith({L"clean", L"user-warned", L"user-quiet"});
    ASSERT_EQ(clean.exitCode, 0) << clean.Err();
    ASSERT_FALSE(clean.written.empty());
    EXPECT_TRUE(clean.written.front().error) << "the warning comes first";
    EXPECT_EQ(clean.Err(), "nivaro-cli: warning: Warned: This also forgets your open tabs.\n");
    EXPECT_NE(clean.Out().find("1 removed"), std::string::npos) << clean.Out();
}

TEST_F(CliReport, RefusedLinesAreSummedUpByReasonWithTheFirstFewOfEachOrAllOfThem)
{
    ASSERT_TRUE(known_.Ready());
    std::string file = "[Machine *]\nRegKey1=HKCU\\Software\\Nivaro Tests\\Machine\n";
    for (int i = 2; i <= 6; ++i) {
        file += "RegKey" + std::to_string(i) + "=HKLM\\Software\\Nivaro Tests\\K" + std::to_string(i) + "\n";
    }
    file += "[Odd *]\nFileKey1=%NoSuchVariable%\\Odd|*.tmp\n";
    WriteItems(file);

    const CliRun brief = RunWith({L"list"});
    EXPECT_EQ(brief.exitCode, 0) << "refused lines stop nothing";
    const std::string err = brief.Err();
    for (const char* line : {"items.ini: 1 of 2 entries loaded, 0 of them with every line; 7 lines refused, by reason:\n",
                             "nivaro-cli:   a key outside HKCU: 5 lines\n",
                             "nivaro-cli:     line 3: 'HKLM' is not cleaned",
                             "nivaro-cli:     line 5: 'HKLM' is not cleaned",
                             "nivaro-cli:     and 2 more\n",
                             "nivaro-cli:   an unknown variable: 2 lines, 1 entry not loaded\n",
                             "nivaro-cli:     line 9: unknown variable %NoSuchVariable%\n",
                             "nivaro-cli: (--verbose lists every refused line)\n"}) {
        EXPECT_NE(err.find(line), std::string::npos) << line << " in:\n" << err;
    }
    EXPECT_EQ(err.find("line 6:"), std::string::npos) << err;

    const std::string verbose = RunWith({L"list", L"--verbose"}).Err();
    for (const char* line : {"line 6: 'HKLM' is not cleaned", "line 7: 'HKLM' is not cleaned",
                             "line 8: 'Odd' is not loaded: its line 9 cannot be taken"}) {
        EXPECT_NE(verbose.find(line), std::string::npos) << line << " in:\n" << verbose;
    }
    EXPECT_EQ(verbose.find("more"), std::string::npos) << verbose;

    const Json report = Json::parse(RunWith({L"preview", L"user-machine", L"--json"}).Out());
    const Json& items = report.at("itemsFile");
    EXPECT_EQ(items.at("entries"), 2);
    EXPECT_EQ(items.at("loaded"), 1);
    EXPECT_EQ(items.at("loadedWhole"), 0);
    std::vector<int> lines;
    for (const Json& refused : items.at("refused")) {
        lines.push_back(refused.at("line").get<int>());
    }
    EXPECT_EQ(lines, (std::vector<int>{3, 4, 5, 6, 7, 8, 9})) << "every refused line";
    EXPECT_EQ(items.at("refused").at(5).at("entryRefusedFor"), 9);
    EXPECT_EQ(items.at("refused").at(6).at("reason"), "an unknown variable");
}

TEST_F(CliReport, ARegistryTargetIsNamedByItsKeyBelowTheItemsOwn)
{
    ASSERT_TRUE(known_.Ready());
    SetValue(L"Software\\Nivaro Tests\\Names\\A", L"failed_count");
    SetValue(L"Software\\Nivaro Tests\\Names\\B", L"failed_count");
    SetValue(L"Software\\Nivaro Tests\\Alone", L"failed_count");
    WriteItems("[Two Keys *]\n"
               "RegKey1=HKCU\\Software\\Nivaro Tests\\Names\\A|failed_count\n"
               "RegKey2=HKCU\\Software\\Nivaro Tests\\Names\\B|failed_count\n"
               "[One Key *]\n"
               "RegKey1=HKCU\\Software\\Nivaro Tests\\Alone|failed_count\n");

    const Json report = Json::parse(RunWith({L"preview", L"user-two-keys", L"user-one-key", L"--json"}).Out());
    std::vector<std::pair<std::string, std::string>> named;
    for (const Json& item : report.at("items")) {
        for (const Json& target : item.at("targets")) {
            named.emplace_back(target.at("name"), target.at("key"));
        }
    }
    EXPECT_EQ(named, (std::vector<std::pair<std::string, std::string>>{
                         {"A\\failed_count", "HKCU\\Software\\Nivaro Tests\\Names\\A"},
                         {"B\\failed_count", "HKCU\\Software\\Nivaro Tests\\Names\\B"},
                         {"failed_count", "HKCU\\Software\\Nivaro Tests\\Alone"},
                     }));
    const std::string text = RunWith({L"preview", L"user-two-keys"}).Out();
    EXPECT_NE(text.find("remove  \"A\\failed_count\""), std::string::npos) << text;
    EXPECT_NE(text.find("remove  \"B\\failed_count\""), std::string::npos) << text;
}

TEST_F(CliReport, AnItemRunsTheTargetsItCanAndNamesEachThatCannotRun)
{
    ASSERT_TRUE(known_.Ready());
    const std::optional<std::wstring> local = known_.PathOf(KnownPlace::kLocalAppData);
    ASSERT_TRUE(local);
    const std::optional<std::wstring> folder = known_.MakeFolder(FolderFixture::Join(*local, L"Nivaro Cli Test"));
    ASSERT_TRUE(folder);
    ASSERT_TRUE(known_.Disk().MakeFile(FolderFixture::Join(*folder, L"a.tmp"), 1));
    WriteItems("[Mixed *]\n"
               "FileKey1=%WinDir%|*.nivaro-none\n"
               "FileKey2=%LocalAppData%\\Nivaro Cli Test|*.tmp\n"
               "FileKey3=%ProgramFiles%|*.nivaro-none\n");

    const CliRun clean = RunWith({L"clean", L"user-mixed", L"--json"});
    const Json report = Json::parse(clean.Out());
    const Json& item = report.at("items").at(0);
    ASSERT_EQ(item.at("problems").size(), 2u) << item.dump();
    EXPECT_NE(item.at("problems").at(0).get<std::string>().find("Windows folder"), std::string::npos) << item.dump();
    EXPECT_NE(item.at("problems").at(1).get<std::string>().find("Program Files"), std::string::npos) << item.dump();
    EXPECT_EQ(item.at("removed"), 1) << "the folder that could run was cleaned";
    EXPECT_TRUE(known_.Disk().Names(*folder).empty());
}

}  // namespace
}  // namespace nivaro
