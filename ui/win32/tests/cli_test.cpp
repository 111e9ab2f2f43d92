// nivaro-cli against the real registry and real folders of the test prefix.

#include <windows.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "nivaro_version.h"
#include "platform/backend.h"
#include "platform/utf8.h"
#include "platform/win32/run_process.h"
#include "ui/win32/tests/program_driver.h"
#include "platform/win32/this_program.h"
#include "platform/win32/unique_handles.h"
#include "tests/browsers/browser_databases.h"
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
        const Result<DWORD> exitCode = RunProcess(L"", L"\"" + BuiltProgram(L"nivaro-cli.exe") + L"\" " + args,
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

// The rows of each database table in an item of a JSON report, by action: "Default\\History: visits" -> rows.
std::map<std::string, std::uint64_t> DatabaseRows(const Json& report, const std::string& id, const std::string& action)
{
    std::map<std::string, std::uint64_t> rows;
    for (const Json& item : report.at("items")) {
        if (item.at("id") != id) {
            continue;
        }
        for (const Json& target : item.at("targets")) {
            if (target.at("action") == action && target.contains("database") && !target.at("rows").is_null()) {
                const std::string database = target.at("database").get<std::string>();
                const std::size_t file = database.rfind('\\');
                const std::size_t profile = database.rfind('\\', file - 1);
                rows[database.substr(profile + 1) + ": " + target.at("name").get<std::string>()] +=
                    target.at("rows").get<std::uint64_t>();
            }
        }
    }
    return rows;
}

// An Edge of two profiles in the test prefix's own LocalAppData, gone again after the test.
class CliBrowsers : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::optional<std::wstring> local = MakeEnvironment()->KnownFolder(KnownPlace::kLocalAppData);
        ASSERT_TRUE(local && local->starts_with(L"C:\\users\\")) << "only inside the prefix's user profile";
        edge_ = *local + L"\\Microsoft\\Edge";
        ASSERT_FALSE(std::filesystem::exists(edge_)) << "the prefix has an Edge of its own";
        const std::filesystem::path data = edge_ + L"\\User Data";
        for (const wchar_t* profile : {L"Default", L"Profile 1"}) {
            std::filesystem::create_directories(data / profile / L"Network");
            std::filesystem::create_directories(data / profile / L"Cache" / L"Cache_Data");
            ASSERT_TRUE(test::MakeDatabase((data / profile / L"History").wstring(), test::ChromiumHistory(test::Generation::kCurrent)));
            ASSERT_TRUE(test::MakeDatabase((data / profile / L"Network" / L"Cookies").wstring(),
                                           test::ChromiumCookies(test::Generation::kOlder)));
            std::ofstream(data / profile / L"Bookmarks", std::ios::binary) << test::ChromiumBookmarksJson();
            std::ofstream(data / profile / L"Cache" / L"Cache_Data" / L"f_000001", std::ios::binary) << "cached";
        }
        items_ = local->substr(0, local->rfind(L'\\')) + L"\\nivaro-browser-items.ini";
        std::ofstream(std::filesystem::path(items_), std::ios::binary) << "[edge-cookies]\r\nKeep=*.kept.example\r\n";
    }

    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(edge_, ignored);
        std::filesystem::remove(items_, ignored);
    }

    std::wstring History(const wchar_t* profile) const { return edge_ + L"\\User Data\\" + profile + L"\\History"; }
    std::wstring Args(std::wstring_view command) const
    {
        return std::wstring(command) + L" --group Browsers --json --items \"" + items_ + L"\"";
    }

    std::wstring edge_;
    std::wstring items_;
};

TEST_F(CliBrowsers, GroupPreviewsAndCleansEveryProfileAndTellsARunningBrowser)
{
    const CliRun preview = RunCli(Args(L"preview"));
    ASSERT_EQ(preview.exitCode, 0u) << preview.err << preview.out;
    const Json planned = Json::parse(preview.out);
    std::set<std::string> ids;
    for (const Json& item : planned.at("items")) {
        ids.insert(item.at("id").get<std::string>());
    }
    EXPECT_EQ(ids, (std::set<std::string>{"edge-cache", "edge-cookies", "edge-downloads", "edge-form-data", "edge-history",
                                          "edge-session"}));
    const auto history = DatabaseRows(planned, "edge-history", "remove");
    EXPECT_EQ(history.at("Default\\History: visits"), 5u);
    EXPECT_EQ(history.at("Profile 1\\History: visits"), 5u);
    EXPECT_EQ(DatabaseRows(planned, "edge-cookies", "leave").at("Network\\Cookies: cookies"), 6u)
        << "the keep-list's three cookies in each profile";
    EXPECT_EQ(test::Number(History(L"Default"), "SELECT count(*) FROM visits"), 5) << "a preview changes nothing";

    std::optional<CliRun> busy;
    {
        test::ExclusiveDatabaseHold held(History(L"Default"));
        ASSERT_TRUE(held.Holding());
        busy = RunCli(L"clean edge-history --json");
    }
    EXPECT_EQ(busy->exitCode, 1u) << "a database left in use is an entry that stayed" << busy->out;
    EXPECT_NE(busy->out.find("in use: close Edge"), std::string::npos) << busy->out;
    EXPECT_EQ(test::Number(History(L"Default"), "SELECT count(*) FROM visits"), 5);
    EXPECT_EQ(test::Number(History(L"Profile 1"), "SELECT count(*) FROM visits"), 0);

    const CliRun clean = RunCli(Args(L"clean"));
    ASSERT_EQ(clean.exitCode, 0u) << clean.err << clean.out;
    const Json cleaned = Json::parse(clean.out);
    EXPECT_EQ(DatabaseRows(cleaned, "edge-history", "removed").at("Default\\History: visits"), 5u);
    EXPECT_EQ(DatabaseRows(cleaned, "edge-cookies", "removed"), DatabaseRows(planned, "edge-cookies", "remove"));
    EXPECT_EQ(test::Number(History(L"Default"), "SELECT count(*) FROM visits"), 0);
    EXPECT_FALSE(std::filesystem::exists(edge_ + L"\\User Data\\Default\\Cache\\Cache_Data\\f_000001"));

    const CliRun text = RunCli(L"preview edge-cookies --items \"" + items_ + L"\"");
    EXPECT_NE(text.out.find("Network\\Cookies: cookies  (3 rows)  [keep-list]"), std::string::npos) << text.out;
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

TEST(CliVersion, IsTheBuildsOneVersion)
{
    const CliRun run = RunCli(L"--version");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.out, "nivaro-cli " NIVARO_VERSION_TEXT "\n");
    EXPECT_EQ(run.err, "");
}

// What Windows reads of a program file before it runs it: the version resource, the manifest and
// the header. Both programs say the build's version and that they need Windows 10, and neither
// carries the time it was built.
class ProgramFile {
public:
    explicit ProgramFile(const std::wstring& path)
        : path_(path), module_(::LoadLibraryExW(path.c_str(), nullptr,
                                                LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE))
    {
    }

    std::string Manifest() const
    {
        const HRSRC found = ::FindResourceW(module_.get(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
        const HGLOBAL loaded = found != nullptr ? ::LoadResource(module_.get(), found) : nullptr;
        if (loaded == nullptr) {
            return {};
        }
        return std::string(static_cast<const char*>(::LockResource(loaded)), ::SizeofResource(module_.get(), found));
    }

    // The fixed part of the version resource and one of its strings.
    std::optional<VS_FIXEDFILEINFO> FixedVersion() const
    {
        void* value = nullptr;
        UINT size = 0;
        const std::vector<char> block = VersionBlock();
        if (block.empty() || !::VerQueryValueW(block.data(), L"\\", &value, &size) || size < sizeof(VS_FIXEDFILEINFO)) {
            return std::nullopt;
        }
        return *static_cast<const VS_FIXEDFILEINFO*>(value);
    }
    std::wstring VersionString(const std::wstring& name) const
    {
        void* value = nullptr;
        UINT size = 0;
        const std::vector<char> block = VersionBlock();
        if (block.empty() ||
            !::VerQueryValueW(block.data(), (L"\\StringFileInfo\\040904B0\\" + name).c_str(), &value, &size)) {
            return {};
        }
        return std::wstring(static_cast<const wchar_t*>(value), size > 0 ? size - 1 : 0);
    }

    // The file's PE header, as it is on disk.
    std::optional<IMAGE_NT_HEADERS64> Header() const
    {
        const std::string bytes = ReadAll(path_);
        if (bytes.size() < sizeof(IMAGE_DOS_HEADER)) {
            return std::nullopt;
        }
        IMAGE_DOS_HEADER dos{};
        std::memcpy(&dos, bytes.data(), sizeof(dos));
        const auto at = static_cast<std::size_t>(dos.e_lfanew);
        if (dos.e_magic != IMAGE_DOS_SIGNATURE || bytes.size() < at + sizeof(IMAGE_NT_HEADERS64)) {
            return std::nullopt;
        }
        IMAGE_NT_HEADERS64 header{};
        std::memcpy(&header, bytes.data() + at, sizeof(header));
        return header;
    }

private:
    std::vector<char> VersionBlock() const
    {
        DWORD ignored = 0;
        const DWORD size = ::GetFileVersionInfoSizeW(path_.c_str(), &ignored);
        std::vector<char> block(size);
        if (size == 0 || !::GetFileVersionInfoW(path_.c_str(), 0, size, block.data())) {
            return {};
        }
        return block;
    }

    std::wstring path_;
    UniqueModule module_;
};

TEST(Programs, CarryTheBuildsVersionAndDeclareWindows10AndNoTimeStamp)
{
    for (const wchar_t* name : {L"nivaro.exe", L"nivaro-cli.exe"}) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(name)));
        const ProgramFile program(BuiltProgram(name));

        const std::optional<VS_FIXEDFILEINFO> fixed = program.FixedVersion();
        ASSERT_TRUE(fixed);
        EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(NIVARO_VERSION_MINOR, NIVARO_VERSION_MAJOR)));
        EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(MAKELONG(0, NIVARO_VERSION_PATCH)));
        EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
        EXPECT_EQ(program.VersionString(L"FileVersion"), L"" NIVARO_VERSION_WIDE L".0");
        EXPECT_EQ(program.VersionString(L"ProductVersion"), NIVARO_PRODUCT_VERSION_WIDE);

        const std::string manifest = program.Manifest();
        EXPECT_NE(manifest.find("name=\"Nivaro.Nivaro\" version=\"" NIVARO_VERSION_TEXT ".0\""), std::string::npos)
            << manifest;
        EXPECT_NE(manifest.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"), std::string::npos) << "Windows 10 and 11";
        EXPECT_EQ(manifest.find("{e2011457-1546-43c5-a5fe-008deee3d3f0}"), std::string::npos) << "no Vista";

        const std::optional<IMAGE_NT_HEADERS64> header = program.Header();
        ASSERT_TRUE(header);
        EXPECT_EQ(header->OptionalHeader.MajorSubsystemVersion, 10);
        EXPECT_EQ(header->OptionalHeader.MinorSubsystemVersion, 0);
        EXPECT_EQ(header->OptionalHeader.MajorOperatingSystemVersion, 10);
        EXPECT_EQ(header->FileHeader.TimeDateStamp, 0u) << "two builds of one commit are the same bytes";
    }
}

}  // namespace
}  // namespace nivaro::win32::testing
