// The catalogue of items and the engine under it, on this build's backend: the built-in Windows
// traces cleaned on a seeded machine with everything beside them kept, the user's items file at
// run time (variables, detection, a broken file), and keep-lists.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "items/builtin_items.h"
#include "items/item_engine.h"
#include "main/catalogue.h"
#include "platform/utf16.h"
#include "platform/utf8.h"
#include "registry/mod_reg.h"
#include "tests/support/folder_fixture.h"
#include "tests/support/known_folders.h"
#include "tests/support/registry_values.h"

namespace nivaro {
namespace {

constexpr std::wstring_view kExplorer = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";

std::vector<std::byte> Text(std::wstring_view text)
{
    std::wstring terminated(text);
    terminated.push_back(L'\0');
    return EncodeUtf16(terminated);
}

// Keys of the user's hive seeded for a test, and deleted after it when it made them.
class SeededKeys {
public:
    explicit SeededKeys(RegistryApi& registry) : registry_(registry) {}
    ~SeededKeys()
    {
        for (const std::wstring& key : made_) {
            (void)DeleteKeyTree(registry_, kCurrentUser, key);
        }
    }

    void Set(const std::wstring& key, std::wstring_view name, std::wstring_view text)
    {
        RegistryKey existing;
        if (registry_.OpenKey(kCurrentUser, key, KeyAccess::kQuery, existing) != reg_status::kSuccess &&
            std::ranges::none_of(made_, [&](const std::wstring& made) { return key.starts_with(made); })) {
            made_.push_back(key);
        }
        RegistryKey opened;
        ASSERT_EQ(registry_.CreateKey(kCurrentUser, key, opened), reg_status::kSuccess);
        ASSERT_EQ(registry_.SetValue(opened, name, reg_type::kString, Text(text)), reg_status::kSuccess);
    }

    std::set<std::wstring> Values(const std::wstring& key) const
    {
        auto names = ListValueNames(registry_, kCurrentUser, key);
        return names ? std::set<std::wstring>(names->begin(), names->end()) : std::set<std::wstring>{};
    }

    bool HasDefault(const std::wstring& key) const { return !GetRegString(registry_, kCurrentUser, key, L"").empty(); }

private:
    RegistryApi& registry_;
    std::vector<std::wstring> made_;
};

std::set<std::wstring> NamesIn(FolderFixture& disk, const std::wstring& folder)
{
    const std::vector<std::wstring> names = disk.Names(folder);
    return {names.begin(), names.end()};
}

struct Cleaned {
    std::size_t removed = 0;
    std::map<std::wstring, LeaveReason> preview;  // by label: what stays, and why
    std::map<std::wstring, LeaveReason> clean;
};

// A preview, then a clean, of one item.
Cleaned CleanAfterPreview(const PlatformServices& services, const ItemDefinition& item)
{
    Cleaned cleaned;
    Unpaced pace;
    const ItemPlan preview = PlanItem(services, item, Foresight::kDecideEach, pace);
    for (const PlannedTarget& target : preview.targets) {
        if (!target.remove) {
            cleaned.preview[target.Label()] = target.reason;
        }
    }
    ItemPlan clean = PlanItem(services, item, Foresight::kListOnly, pace);
    cleaned.removed = CarryItem(services, clean, pace);
    for (const PlannedTarget& target : clean.targets) {
        if (!target.removed) {
            cleaned.clean[target.Label()] = target.reason;
        }
    }
    EXPECT_FALSE(preview.problem) << preview.problem->description;
    return cleaned;
}

std::string VersionText(WindowsVersion version)
{
    return std::to_string(version.major) + "." + std::to_string(version.minor);
}

const ItemDefinition& Builtin(std::string_view id)
{
    const auto found = std::ranges::find(BuiltinItems(), id, &ItemDefinition::id);
    EXPECT_NE(found, BuiltinItems().end()) << id;
    return *found;
}

TEST(Catalogue, ListsTheWindowsSixThenTheWindowsItemsWithTheirKindsAndDefaults)
{
    struct Row {
        std::string id;
        bool inWindow;
        bool onByDefault;
        std::vector<bool> folderTargets;  // for each target, whether it is a folder
    };
    const Row rows[] = {
        {"history", true, true, {true}},        {"typed-urls", true, true, {false}}, {"cookies", true, false, {true}},
        {"recent-docs", true, true, {false}},   {"search", true, true, {false}},     {"paint", true, true, {false}},
        {"run-box", false, true, {false}},      {"address-bar", false, true, {false}},
        {"search-box", false, true, {false}},   {"open-save", false, true, {false, false}},
        {"recent-items", false, true, {true}},  {"jump-lists", false, false, {true, true}},
        {"temp-files", false, false, {true}},
    };
    KnownFolders known;
    ASSERT_TRUE(known.Ready());
    const Catalogue catalogue = Catalogue::Build(known.Services(), {});
    ASSERT_EQ(catalogue.Items().size(), std::size(rows));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const Row& row = rows[i];
        const CatalogueItem& item = catalogue.Items()[i];
        SCOPED_TRACE(row.id);
        EXPECT_EQ(item.definition.id, row.id);
        EXPECT_EQ(item.control != nullptr, row.inWindow);
        EXPECT_EQ(item.definition.onByDefault, row.onByDefault);
        std::vector<bool> folders;
        for (const ItemTarget& target : item.definition.targets) {
            folders.push_back(std::holds_alternative<FolderTarget>(target));
        }
        EXPECT_EQ(folders, row.folderTargets);
        EXPECT_FALSE(item.definition.title.empty());
        EXPECT_FALSE(item.definition.description.empty()) << "says what the user loses";
    }
}

TEST(Catalogue, EachWindowsItemRemovesItsTracesAndKeepsWhatIsBesideThem)
{
    KnownFolders known;
    ASSERT_TRUE(known.Ready());
    const PlatformServices services = known.Services();
    FolderFixture& disk = known.Disk();
    SeededKeys keys(services.registry);

    // Registry lists: the named values go; the default value, the subkeys and their values stay.
    const std::wstring runMru = std::wstring(kExplorer) + L"RunMRU";
    keys.Set(runMru, L"", L"the default value stays");
    keys.Set(runMru, L"a", L"notepad\\1");
    keys.Set(runMru, L"MRUList", L"a");
    keys.Set(runMru + L"\\Kept", L"inner", L"a subkey's value stays");
    const std::wstring typedPaths = std::wstring(kExplorer) + L"TypedPaths";
    keys.Set(typedPaths, L"url1", L"C:\\Somewhere");
    const std::wstring wordWheel = std::wstring(kExplorer) + L"WordWheelQuery";
    keys.Set(wordWheel, L"0", L"secret search");
    const std::wstring lastVisited = std::wstring(kExplorer) + L"ComDlg32\\LastVisitedPidlMRU";
    keys.Set(lastVisited, L"0", L"app.exe");
    const std::wstring openSave = std::wstring(kExplorer) + L"ComDlg32\\OpenSavePidlMRU";
    keys.Set(openSave, L"own", L"the key's own value is not the subkeys'");
    keys.Set(openSave + L"\\*", L"0", L"any file");
    keys.Set(openSave + L"\\txt", L"0", L"notes.txt");
    keys.Set(openSave + L"\\txt", L"MRUListEx", L"0");

    // Folders: only the entries the patterns name go; subfolders and other files stay.
    const std::optional<std::wstring> recent = known.PathOf(KnownPlace::kRecent);
    const std::optional<std::wstring> temp = known.PathOf(KnownPlace::kTemp);
    ASSERT_TRUE(recent && temp);
    const std::wstring automatic = *known.MakeFolder(FolderFixture::Join(*recent, L"AutomaticDestinations"));
    const std::wstring custom = *known.MakeFolder(FolderFixture::Join(*recent, L"CustomDestinations"));
    const std::wstring tempKept = *known.MakeFolder(FolderFixture::Join(*temp, L"nivaro-kept-folder"));
    const std::vector<std::wstring> planted = {
        FolderFixture::Join(*recent, L"report.docx.lnk"), FolderFixture::Join(*recent, L"notes.txt"),
        FolderFixture::Join(automatic, L"1b4dd67f29cb1962.automaticDestinations-ms"),
        FolderFixture::Join(automatic, L"kept.dat"),
        FolderFixture::Join(custom, L"28c8b86deab549a1.customDestinations-ms"),
        FolderFixture::Join(*temp, L"nivaro-planted.tmp"), FolderFixture::Join(tempKept, L"inside.tmp")};
    for (const std::wstring& file : planted) {
        ASSERT_TRUE(disk.MakeFile(file, 10)) << ::testing::PrintToString(file);
    }
    const std::set<std::wstring> recentBefore = NamesIn(disk, *recent);

    EXPECT_EQ(CleanAfterPreview(services, Builtin("run-box")).removed, 2u);
    EXPECT_EQ(keys.Values(runMru), std::set<std::wstring>{});
    EXPECT_TRUE(keys.HasDefault(runMru));
    EXPECT_EQ(keys.Values(runMru + L"\\Kept"), std::set<std::wstring>{L"inner"});

    EXPECT_EQ(CleanAfterPreview(services, Builtin("address-bar")).removed, 1u);
    EXPECT_EQ(keys.Values(typedPaths), std::set<std::wstring>{});
    EXPECT_EQ(CleanAfterPreview(services, Builtin("search-box")).removed, 1u);
    EXPECT_EQ(keys.Values(wordWheel), std::set<std::wstring>{});

    EXPECT_EQ(CleanAfterPreview(services, Builtin("open-save")).removed, 4u);
    EXPECT_EQ(keys.Values(lastVisited), std::set<std::wstring>{});
    EXPECT_EQ(keys.Values(openSave), std::set<std::wstring>{L"own"});
    EXPECT_EQ(keys.Values(openSave + L"\\txt"), std::set<std::wstring>{}) << "the subkey itself stays, empty";

    const Cleaned recentItems = CleanAfterPreview(services, Builtin("recent-items"));
    EXPECT_GE(recentItems.removed, 1u);
    EXPECT_FALSE(disk.Exists(planted[0]));
    EXPECT_TRUE(disk.Exists(planted[1])) << "a file that is no shortcut stays";
    EXPECT_TRUE(disk.Exists(automatic) && disk.Exists(custom));

    const Cleaned jumpLists = CleanAfterPreview(services, Builtin("jump-lists"));
    EXPECT_EQ(jumpLists.removed, 2u);
    EXPECT_EQ(NamesIn(disk, automatic), std::set<std::wstring>{L"kept.dat"});
    EXPECT_EQ(NamesIn(disk, custom), std::set<std::wstring>{});

    const Cleaned tempFiles = CleanAfterPreview(services, Builtin("temp-files"));
    EXPECT_GE(tempFiles.removed, 1u);
    EXPECT_FALSE(disk.Exists(planted[5]));
    EXPECT_TRUE(disk.Exists(planted[6])) << "nothing below the folder is removed";
    EXPECT_EQ(tempFiles.preview, tempFiles.clean) << "what stays, the preview foretold";
    for (const Cleaned& cleaned : {recentItems, jumpLists, tempFiles}) {
        EXPECT_EQ(cleaned.preview, cleaned.clean);
    }

    for (const std::wstring& file : {planted[1], planted[3], planted[6]}) {
        (void)disk.RemoveFile(file);
    }
}

TEST(Catalogue, AFolderThatIsNotThereHoldsNothingToRemoveUnlessAWindowItemNamesIt)
{
    KnownFolders known;
    ASSERT_TRUE(known.Ready());
    const std::wstring missing = FolderFixture::Join(known.Disk().Root(), L"nivaro-no-such-folder");
    struct Case {
        const char* what;
        FolderTarget target;
        bool problem;
    };
    const Case cases[] = {
        {"a known folder's subfolder", {.form = FolderForm::kKnownFolder, .path = L"nivaro-no-such-folder",
                                        .place = KnownPlace::kTemp}, false},
        {"a user item's folder", {.form = FolderForm::kExpanded, .path = missing}, false},
        {"a window item's folder", {.form = FolderForm::kSetting, .path = missing}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Unpaced pace;
        const ItemPlan plan = PlanItem(known.Services(), ItemDefinition{.targets = {c.target}}, Foresight::kDecideEach, pace);
        EXPECT_EQ(plan.problem.has_value(), c.problem);
        EXPECT_TRUE(plan.targets.empty());
    }
}

// A cookie file of one record for a host.
std::string Cookie(std::string_view host)
{
    return "session\nabc123\n" + std::string(host) + "/\n1536\n0\n0\n0\n0\n*\n";
}

TEST(Catalogue, AKeepListKeepsWhatItNamesInAPreviewAndAClean)
{
    KnownFolders known;
    ASSERT_TRUE(known.Ready());
    const PlatformServices services = known.Services();
    FolderFixture& disk = known.Disk();
    SeededKeys keys(services.registry);

    const std::wstring list = L"Software\\Nivaro Tests\\Keep";
    keys.Set(list, L"url1", L"https://example.com/");
    keys.Set(list, L"keep-this", L"https://example.org/");
    keys.Set(list, L"keep-", L"https://example.net/");  // the pattern's star matches nothing
    const std::wstring folder = FolderFixture::Join(disk.Root(), L"traces");
    ASSERT_TRUE(disk.MakeFolder(folder));
    ASSERT_TRUE(disk.MakeFile(FolderFixture::Join(folder, L"a.tmp"), 1));
    ASSERT_TRUE(disk.MakeFile(FolderFixture::Join(folder, L"wanted.log"), 1));
    const std::wstring cookies = FolderFixture::Join(disk.Root(), L"cookies");
    ASSERT_TRUE(disk.MakeFolder(cookies));
    ASSERT_TRUE(disk.WriteFile(FolderFixture::Join(cookies, L"user@example[1].txt"), Cookie("www.example.org")));
    ASSERT_TRUE(disk.WriteFile(FolderFixture::Join(cookies, L"user@tracker[1].txt"), Cookie("ads.tracker.net")));
    ASSERT_TRUE(disk.WriteFile(FolderFixture::Join(cookies, L"plain.txt"), "not a cookie"));
    // The kept host's cookie in every encoding the system writes, and far into a long file.
    const auto utf16 = [](std::string_view text) {
        std::string bytes;
        for (const char c : text) {
            bytes += std::string{c, '\0'};
        }
        return bytes;
    };
    std::string manyTrackers;
    while (manyTrackers.size() < 100 * 1024) {
        manyTrackers += Cookie("ads.tracker.net");
    }
    const std::set<std::wstring> keptFiles = {L"user@example[1].txt", L"user@example-utf16[1].txt",
                                              L"user@example-utf16-no-mark[1].txt", L"user@example-utf8-mark[1].txt",
                                              L"user@example-late[1].txt"};
    ASSERT_TRUE(disk.WriteFile(FolderFixture::Join(cookies, L"user@example-utf16[1].txt"),
                               "\xFF\xFE" + utf16(Cookie("www.example.org"))));
    ASSERT_TRUE(disk.WriteFile(FolderFixture::Join(cookies, L"user@example-utf16-no-mark[1].txt"),
                               utf16(Cookie("www.example.org"))));
    ASSERT_TRUE(disk.WriteFile(FolderFixture::Join(cookies, L"user@example-utf8-mark[1].txt"),
                               "\xEF\xBB\xBF" + Cookie("www.example.org")));
    ASSERT_TRUE(disk.WriteFile(FolderFixture::Join(cookies, L"user@example-late[1].txt"),
                               manyTrackers + Cookie("www.example.org")));
    ASSERT_TRUE(disk.WriteFile(FolderFixture::Join(cookies, L"user@tracker-utf16[1].txt"),
                               "\xFF\xFE" + utf16(Cookie("ads.tracker.net"))));

    ItemDefinition registryItem{.targets = {RegistryTarget{.key = list}}, .keep = {L"keep-*"}};
    const Cleaned registry = CleanAfterPreview(services, registryItem);
    EXPECT_EQ(registry.preview, (std::map<std::wstring, LeaveReason>{{L"keep-", LeaveReason::kKeepList},
                                                                     {L"keep-this", LeaveReason::kKeepList}}));
    EXPECT_EQ(registry.clean, registry.preview);
    EXPECT_EQ(keys.Values(list), (std::set<std::wstring>{L"keep-", L"keep-this"}));

    ItemDefinition folderItem{.targets = {FolderTarget{.path = folder}}, .keep = {L"*.LOG"}};
    const Cleaned files = CleanAfterPreview(services, folderItem);
    EXPECT_EQ(files.preview, (std::map<std::wstring, LeaveReason>{{L"wanted.log", LeaveReason::kKeepList}}));
    EXPECT_EQ(files.clean, files.preview);
    EXPECT_EQ(NamesIn(disk, folder), std::set<std::wstring>{L"wanted.log"});

    ItemDefinition cookieItem{.targets = {FolderTarget{.path = cookies}}, .keep = {L"*.example.org"},
                              .keepByCookieHost = true};
    const Cleaned kept = CleanAfterPreview(services, cookieItem);
    std::map<std::wstring, LeaveReason> keptByList;
    for (const std::wstring& name : keptFiles) {
        keptByList[name] = LeaveReason::kKeepList;
    }
    EXPECT_EQ(kept.preview, keptByList);
    EXPECT_EQ(kept.clean, kept.preview);
    EXPECT_EQ(NamesIn(disk, cookies), keptFiles);
}

TEST(Catalogue, YourItemsRunWithTheirVariablesExpandedAndShowOnlyWhereDetected)
{
    KnownFolders known;
    ASSERT_TRUE(known.Ready());
    const PlatformServices services = known.Services();
    FolderFixture& disk = known.Disk();
    SeededKeys keys(services.registry);
    keys.Set(L"Software\\Nivaro Tests\\Present", L"v", L"x");
    const std::optional<std::wstring> local = known.PathOf(KnownPlace::kLocalAppData);
    ASSERT_TRUE(local);
    const std::optional<std::wstring> folder = known.MakeFolder(FolderFixture::Join(*local, L"Nivaro Test App"));
    ASSERT_TRUE(folder);
    ASSERT_TRUE(disk.MakeFile(FolderFixture::Join(*folder, L"a.tmp"), 1));
    ASSERT_TRUE(disk.MakeFile(FolderFixture::Join(*folder, L"b.cfg"), 1));

    const WindowsVersion running = services.environment.RunningWindows();
    const WindowsVersion older = running.minor > 0 ? WindowsVersion{running.major, running.minor - 1}
                                                   : WindowsVersion{running.major - 1, 9};
    const std::string file = "[App Traces *]\n"
                             "Detect=HKCU\\Software\\Nivaro Tests\\Present\n"
                             "FileKey1=%LocalAppData%\\Nivaro Test App|*.tmp\n"
                             "[Chosen *]\n"
                             "Default=True\n"
                             "DetectFile=%localappdata%\\Nivaro Test App\\b.cfg\n"
                             "FileKey1=%LocalAppData%\\Nivaro Test App|*.none\n"
                             "[Never There *]\n"
                             "Detect=HKCU\\Software\\Nivaro Tests\\Absent\n"
                             "FileKey1=%LocalAppData%\\Nivaro Test App|*.*\n"
                             "[Older Windows *]\n"
                             "DetectOS=|" + VersionText(older) + "\n"
                             "FileKey1=%LocalAppData%\\Nivaro Test App|*.*\n"
                             "[This Windows *]\n"
                             "DetectOS=" + VersionText(running) + "|" + VersionText(running) + "\n"
                             "FileKey1=%LocalAppData%\\Nivaro Test App|*.none\n";
    UserItems user;
    user.file = ReadItemsFile(file, IsOwnItemId);
    const Catalogue catalogue = Catalogue::Build(services, user);

    EXPECT_EQ(catalogue.Find("user-never-there"), nullptr) << "its key is not there";
    EXPECT_EQ(catalogue.Find("user-older-windows"), nullptr) << "it is for older versions of Windows only";
    EXPECT_NE(catalogue.Find("user-this-windows"), nullptr) << "it is for this version of Windows";
    const CatalogueItem* chosen = catalogue.Find("user-chosen");
    ASSERT_NE(chosen, nullptr) << "its file is there";
    EXPECT_TRUE(chosen->definition.onByDefault) << "its section says Default=True";
    const CatalogueItem* app = catalogue.Find("user-app-traces");
    ASSERT_NE(app, nullptr);
    EXPECT_FALSE(app->definition.onByDefault) << "an imported entry waits for the user to check it";
    EXPECT_EQ(CleanAfterPreview(services, app->definition).removed, 1u);
    EXPECT_EQ(NamesIn(disk, *folder), std::set<std::wstring>{L"b.cfg"});
    (void)disk.RemoveFile(FolderFixture::Join(*folder, L"b.cfg"));
}

TEST(Catalogue, AFileThatCannotBeReadIsOneMessageAndTheOtherItemsStay)
{
    KnownFolders known;
    ASSERT_TRUE(known.Ready());
    const PlatformServices services = known.Services();
    const std::wstring path = FolderFixture::Join(known.Disk().Root(), L"items.ini");
    // UTF-16 without its byte-order mark cannot be told from anything else.
    ASSERT_TRUE(known.Disk().WriteFile(path, std::string("[\0A\0]\0", 6)));

    const UserItems user = ReadUserItems(services, path);
    ASSERT_TRUE(user.error);
    EXPECT_NE(user.error->find(path), std::wstring::npos) << "the message names the file";
    const Catalogue catalogue = Catalogue::Build(services, user);
    EXPECT_NE(catalogue.Find("history"), nullptr);
    EXPECT_NE(catalogue.Find("temp-files"), nullptr);

    // Past the size any items file has: refused unread, in words that say why.
    const std::wstring hugePath = FolderFixture::Join(known.Disk().Root(), L"huge.ini");
    ASSERT_TRUE(known.Disk().WriteFile(hugePath, std::string(kLargestReadableFile + 1, ';')));
    const UserItems huge = ReadUserItems(services, hugePath);
    ASSERT_TRUE(huge.error);
    EXPECT_NE(huge.error->find(L"too large"), std::wstring::npos) << ToUtf8(*huge.error);
    EXPECT_NE(Catalogue::Build(services, huge).Find("history"), nullptr);

    const UserItems missing = ReadUserItems(services, std::nullopt);
    EXPECT_FALSE(missing.error) << "no items file of the user's is no error";
}

}  // namespace
}  // namespace nivaro
