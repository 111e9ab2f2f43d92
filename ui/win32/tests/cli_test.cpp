// nivaro-cli against the real registry and real folders of the test prefix.

#include <windows.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "platform/backend.h"
#include "platform/utf8.h"
#include "platform/win32/run_process.h"
#include "ui/win32/tests/program_driver.h"
#include "platform/win32/this_program.h"
#include "platform/win32/unique_handles.h"
#include "tests/support/layout_traces.h"

namespace nivaro::win32::testing {
namespace {

using nivaro::testing::LayoutTraces;
using Json = nlohmann::json;

struct CliRun {
    DWORD exitCode = 0;
    std::string out;
    std::string err;
};


std::string ReadAll(const std::wstring& path)
{
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs nivaro-cli.exe with the arguments and collects what it wrote to each stream; with
// `output`, its standard output goes there instead.
CliRun RunCli(const std::wstring& args, HANDLE output = nullptr)
{
    // Names of their own: a file of an earlier run may still be on its way out.
    static int runs = 0;
    const std::wstring folder = ThisProgramFolder();
    const std::wstring stem = folder + L"cli-test-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++runs);
    const std::wstring outPath = stem + L".out";
    const std::wstring errPath = stem + L".err";
    CliRun run;
    {
        SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
        UniqueFile out(::CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr));
        UniqueFile err(::CreateFileW(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr));
        if (!out || !err) {
            throw std::runtime_error("cannot make the files for nivaro-cli.exe's output");
        }
        const Result<DWORD> exitCode = RunProcess(L"", L"\"" + folder + L"nivaro-cli.exe\" " + args,
                                                  {output != nullptr ? output : out.get(), err.get()},
                                                  static_cast<DWORD>(kPatience.count()));
        if (!exitCode) {
            throw std::runtime_error(exitCode.error().number == WAIT_TIMEOUT ? "nivaro-cli.exe did not end in time"
                                                                             : "cannot start nivaro-cli.exe");
        }
        run.exitCode = *exitCode;
    }
    run.out = ReadAll(outPath);
    run.err = ReadAll(errPath);
    ::DeleteFileW(outPath.c_str());
    ::DeleteFileW(errPath.c_str());
    return run;
}

// The names of an item's targets in a JSON report, by what happened or would happen to them.
std::map<std::string, std::set<std::string>> Targets(const Json& report, const std::string& action)
{
    std::map<std::string, std::set<std::string>> byItem;
    for (const Json& item : report.at("items")) {
        auto& names = byItem[item.at("id").get<std::string>()];
        for (const Json& target : item.at("targets")) {
            if (target.at("action") == action) {
                names.insert(target.at("name").get<std::string>());
            }
        }
    }
    return byItem;
}

using Cli = nivaro::testing::LayoutTracesTest;

TEST_F(Cli, PreviewShowsExactlyWhatCleanRemovesAndChangesNothing)
{
    const auto before = traces_.Snapshot();

    const CliRun preview = RunCli(L"preview --all --json");
    ASSERT_EQ(preview.exitCode, 0u) << preview.err;
    EXPECT_TRUE(traces_.Snapshot() == before) << "a preview changed the registry or the disk";
    const Json planned = Json::parse(preview.out);
    const auto toRemove = Targets(planned, "remove");
    for (const auto& [id, values] : LayoutTraces::ValuesPerList()) {
        EXPECT_EQ(toRemove.at(id).size(), static_cast<std::size_t>(values)) << id;
    }
    EXPECT_EQ(toRemove.at("history").size(), static_cast<std::size_t>(LayoutTraces::kHistoryFiles));
    EXPECT_EQ(toRemove.at("cookies").size(), static_cast<std::size_t>(LayoutTraces::kCookiesFiles));
    EXPECT_EQ(Targets(planned, "leave").at("history"), (std::set<std::string>{"Kept"})) << "the subfolder stays";

    const CliRun clean = RunCli(L"clean --all --json");
    ASSERT_EQ(clean.exitCode, 0u) << clean.err;
    const Json cleaned = Json::parse(clean.out);
    EXPECT_EQ(Targets(cleaned, "removed"), toRemove);
    EXPECT_EQ(cleaned.at("totals").at("removed"), planned.at("totals").at("remove"));
    for (const auto& [id, values] : LayoutTraces::ValuesPerList()) {
        EXPECT_EQ(traces_.Names(id), std::vector<std::wstring>{}) << id;
        EXPECT_TRUE(traces_.KeptValuesAreThere(id)) << id;
    }
    EXPECT_EQ(traces_.Disk().Names(traces_.History()), std::vector<std::wstring>{L"Kept"});
    EXPECT_EQ(traces_.Disk().Names(traces_.Cookies()), std::vector<std::wstring>{L"Kept"});

    const CliRun again = RunCli(L"preview --all --json");
    ASSERT_EQ(again.exitCode, 0u) << again.err;
    EXPECT_EQ(Json::parse(again.out).at("totals").at("remove"), 0) << "nothing removable is left";
}

TEST_F(Cli, ExitCodesTellWhatHappened)
{
    struct Case {
        const char* what;
        std::function<void(LayoutTraces&)> arrange;
        std::wstring args;
        DWORD code;
        std::string inErr;  // what standard error must mention
    };
    const Case cases[] = {
        {"everything targeted removed", [](LayoutTraces&) {}, L"clean typed-urls search", 0, ""},
        {"a read-only file stayed",
         [](LayoutTraces& traces) {
             const std::wstring file = FolderFixture::Join(traces.History(), L"read-only.txt");
             ASSERT_TRUE(traces.Disk().MakeFile(file, 5));
             ASSERT_TRUE(traces.Disk().Mark(file, {.readOnly = true}));
         },
         L"clean history", 1, ""},
        {"an unknown id", [](LayoutTraces&) {}, L"clean nosuch", 2, "'nosuch'"},
        {"an unknown option", [](LayoutTraces&) {}, L"preview --force", 2, "'--force'"},
        {"the folder is missing",
         [](LayoutTraces& traces) { traces.MoveHistory(FolderFixture::Join(traces.Disk().Root(), L"missing")); },
         L"clean history", 3, "missing"},
        {"the folder is protected",
         [](LayoutTraces& traces) { traces.MoveHistory(L"C:\\windows"); },
         L"clean history", 3, "is the Windows folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.arrange(traces_);
        const CliRun run = RunCli(c.args);
        EXPECT_EQ(run.exitCode, c.code) << run.out << run.err;
        EXPECT_NE(run.err.find(c.inErr), std::string::npos) << run.err;
        if (c.code == 2) {
            EXPECT_TRUE(run.out.empty()) << "a usage error does nothing";
        }
    }
    EXPECT_NE(RunCli(L"--help").out.find("Exit codes"), std::string::npos);
}

TEST_F(Cli, AReportThatCannotBeWrittenEndsInItsOwnExitCodeAfterTheClean)
{
    // Standard output is a pipe that nobody reads any more.
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    ASSERT_TRUE(::CreatePipe(&readEnd, &writeEnd, &inherit, 0));
    UniqueKernelHandle reader(readEnd);
    const UniqueKernelHandle writer(writeEnd);
    reader.reset();

    const CliRun run = RunCli(L"clean typed-urls --json", writer.get());

    EXPECT_EQ(run.exitCode, 4u) << run.err;
    EXPECT_NE(run.err.find("could not be written"), std::string::npos) << run.err;
    EXPECT_EQ(traces_.Names("typed-urls"), std::vector<std::wstring>{}) << "the clean ran all the same";
}

TEST_F(Cli, YourItemsFileAddsItsItemsAndNamesEachLineItRefuses)
{
    const std::wstring file = FolderFixture::Join(traces_.Disk().Root(), L"items.ini");
    ASSERT_TRUE(traces_.Disk().WriteFile(file, "[Mine *]\r\n"
                                               "FileKey1=C:\\nivaro-nowhere|*.tmp|RECURSE\r\n"
                                               "RegKey1=HKCU\\Software\\Nivaro Tests\\Mine\r\n"
                                               "RegKey2=HKLM\\Software\\Nivaro Tests\\Mine\r\n"
                                               "[Other *]\r\n"
                                               "FileKey1=C:\\nivaro-nowhere|*.tmp|RECURSIVE\r\n"));

    const CliRun list = RunCli(L"list --items \"" + file + L"\"");

    EXPECT_EQ(list.exitCode, 0u) << "a refused line stops nothing";
    EXPECT_NE(list.out.find("user-mine"), std::string::npos) << list.out;
    EXPECT_EQ(list.out.find("user-other"), std::string::npos) << list.out;
    EXPECT_NE(list.err.find("line 4: 'HKLM' is not cleaned"), std::string::npos) << list.err;
    EXPECT_NE(list.err.find("line 6: 'RECURSIVE'"), std::string::npos) << list.err;
}

// An item runs every target it can: each protected folder among its targets stays, named with its
// reason, and the others are cleaned (exit 0); only an item none of whose targets can run makes 3.
TEST_F(Cli, AProtectedTargetStaysNamedWhileTheItemsOtherTargetsAreCleaned)
{
    const std::wstring traces = FolderFixture::Join(traces_.Disk().Root(), L"Traces");
    ASSERT_TRUE(traces_.Disk().MakeFolder(traces));
    ASSERT_TRUE(traces_.Disk().MakeFile(FolderFixture::Join(traces, L"a.tmp"), 3));
    const std::wstring file = FolderFixture::Join(traces_.Disk().Root(), L"items.ini");
    // The protected targets name nothing that is there, should protection ever fail.
    ASSERT_TRUE(traces_.Disk().WriteFile(file, "[Partly *]\r\n"
                                               "FileKey1=%WinDir%|nivaro-never-such-*\r\n"
                                               "FileKey2=" + ToUtf8(traces) + "|*.tmp\r\n"
                                               "FileKey3=%ProgramFiles%|nivaro-never-such-*\r\n"
                                               "[Nowhere *]\r\n"
                                               "FileKey1=%WinDir%|nivaro-never-such-*\r\n"
                                               "FileKey2=%ProgramFiles%|nivaro-never-such-*\r\n"));
    const auto protectedNamed = [](const Json& item) {
        std::set<std::string> names;
        for (const Json& target : item.at("targets")) {
            if (target.value("reason", "") == "protected folder") {
                EXPECT_EQ(target.at("action"), "stayed");
                names.insert(target.at("name").get<std::string>());
            }
        }
        return names;
    };

    const CliRun partly = RunCli(L"clean --json --items \"" + file + L"\" user-partly");
    EXPECT_EQ(partly.exitCode, 0u) << partly.out << partly.err;
    const Json cleaned = Json::parse(partly.out);
    const Json& item = cleaned.at("items").at(0);
    EXPECT_TRUE(item.at("problem").is_null()) << item.dump();
    EXPECT_EQ(protectedNamed(item).size(), 2u) << item.dump();
    EXPECT_EQ(Targets(cleaned, "removed").at("user-partly"), (std::set<std::string>{"a.tmp"}));
    EXPECT_FALSE(traces_.Disk().Exists(FolderFixture::Join(traces, L"a.tmp")));
    EXPECT_EQ(cleaned.at("totals").at("cannotRun"), 0);
    for (const std::string& name : protectedNamed(item)) {
        EXPECT_NE(partly.err.find(name), std::string::npos) << "standard error says why of each: " << partly.err;
    }

    const CliRun nowhere = RunCli(L"clean --json --items \"" + file + L"\" user-nowhere");
    EXPECT_EQ(nowhere.exitCode, 3u) << nowhere.out << nowhere.err;
    const Json refused = Json::parse(nowhere.out);
    EXPECT_EQ(refused.at("totals").at("cannotRun"), 1);
    const std::string problem = refused.at("items").at(0).at("problem").get<std::string>();
    for (const std::string& name : protectedNamed(item)) {
        EXPECT_NE(problem.find(name), std::string::npos) << "the problem names each folder: " << problem;
    }
}

// Every "N to remove, M to leave" or "N removed, M stayed" of a text report: one per item, then the total.
std::vector<std::pair<int, int>> TextCounts(const std::string& text)
{
    static const std::regex kCounts(R"((\d+) (?:to remove|removed), (\d+) (?:to leave|stayed))");
    std::vector<std::pair<int, int>> counts;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), kCounts); it != std::sregex_iterator(); ++it) {
        counts.emplace_back(std::stoi((*it)[1]), std::stoi((*it)[2]));
    }
    return counts;
}

TEST_F(Cli, TextCarriesTheSameCountsAsJson)
{
    const Json planned = Json::parse(RunCli(L"preview --json history typed-urls").out);
    std::vector<std::pair<int, int>> expected;
    for (const Json& item : planned.at("items")) {
        expected.emplace_back(item.at("remove").get<int>(), item.at("leave").get<int>());
    }
    expected.emplace_back(planned.at("totals").at("remove").get<int>(), planned.at("totals").at("leave").get<int>());
    ASSERT_EQ(expected.size(), 3u);

    EXPECT_EQ(TextCounts(RunCli(L"preview history typed-urls").out), expected);
    EXPECT_EQ(TextCounts(RunCli(L"clean history typed-urls").out), expected) << "the clean removed what was planned";
}

TEST_F(Cli, ListShowsTheWindowsSixInWindowOrderThenTheBuiltInItems)
{
    const CliRun list = RunCli(L"list");
    ASSERT_EQ(list.exitCode, 0u);
    std::vector<std::string> ids;
    std::istringstream lines(list.out);
    for (std::string line; std::getline(lines, line);) {
        ids.push_back(line.substr(0, line.find(' ')));
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"ID", "history", "typed-urls", "cookies", "recent-docs", "search", "paint",
                                             "run-box", "address-bar", "search-box", "open-save", "recent-items",
                                             "jump-lists", "temp-files"}));
    EXPECT_NE(list.out.find("%History = " + ToUtf8(traces_.History())), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("HKCU\\Software\\Kazaa\\Search"), std::string::npos);
}

}  // namespace
}  // namespace nivaro::win32::testing
