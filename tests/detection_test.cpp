// Whether an item is shown: its detection only reads, so it looks in every hive the items file
// names (a machine key in both registry views) and at paths with wildcards, and finds
// %ProgramFiles% in either Program Files folder. On this build's backend.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "items/item_engine.h"
#include "platform/backend.h"
#include "tests/support/folder_fixture.h"
#include "tests/support/known_folders.h"
#include "tests/support/registry_values.h"

namespace nivaro {
namespace {

// A key made under a root for as long as the test lives.
class ScratchKey {
public:
    ScratchKey(RegistryApi& registry, RegistryRoot root, std::wstring path) : registry_(registry), root_(root), path_(std::move(path))
    {
        RegistryKey key;
        made_ = registry_.CreateKey(root_, path_, key) == reg_status::kSuccess;
    }
    ~ScratchKey() { (void)DeleteKeyTree(registry_, root_, path_); }
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;

    bool Made() const { return made_; }

private:
    RegistryApi& registry_;
    RegistryRoot root_;
    std::wstring path_;
    bool made_ = false;
};

// One step below its root's Software key, so that removing it leaves nothing behind.
constexpr std::wstring_view kName = L"Nivaro Detection Test";

ItemDefinition DetectedBy(std::vector<Detection> detect)
{
    return {.id = "user-detected", .detect = std::move(detect)};
}

TEST(Detection, AKeyIsFoundInAnyHiveAndAMachineKeyInEitherView)
{
    KnownFolders known;
    ASSERT_TRUE(known.Ready());
    const PlatformServices services = known.Services();
    const std::wstring name(kName);
    const std::wstring machine = L"Software\\" + name;
    const std::wstring machine32 = L"Software\\Wow6432Node\\" + name;

    struct Row {
        const char* what;
        RegistryRoot madeIn;
        std::wstring made;  // where the key is made
        Detection looked;   // what the item looks for
    };
    const Row rows[] = {
        {"the machine's own view", kLocalMachine, machine, {Detection::Kind::kKey, kLocalMachine, machine}},
        {"only the 32-bit programs' view", kLocalMachine, machine32, {Detection::Kind::kKey, kLocalMachine, machine}},
        {"the classes", kClassesRoot, L".nivaro-" + name, {Detection::Kind::kKey, kClassesRoot, L".nivaro-" + name}},
        {"the users' hive", kUsers, L".DEFAULT\\" + machine, {Detection::Kind::kKey, kUsers, L".DEFAULT\\" + machine}},
        {"the user's own hive", kCurrentUser, machine, {Detection::Kind::kKey, kCurrentUser, machine}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const ItemDefinition item = DetectedBy({row.looked});
        EXPECT_FALSE(IsDetected(services, item)) << "nothing is there yet";
        {
            ScratchKey key(services.registry, row.madeIn, row.made);
            ASSERT_TRUE(key.Made());
            EXPECT_TRUE(IsDetected(services, item));
        }
        EXPECT_FALSE(IsDetected(services, item)) << "detection made nothing";
    }
    // A key in the 32-bit view alone is not made to appear in the 64-bit one by being looked for.
    ScratchKey only32(services.registry, kLocalMachine, machine32);
    ASSERT_TRUE(only32.Made());
    ASSERT_TRUE(IsDetected(services, DetectedBy({{Detection::Kind::kKey, kLocalMachine, machine}})));
    RegistryKey key;
    EXPECT_NE(services.registry.OpenKeyToRead(kLocalMachine, machine, RegistryView::k64, key), reg_status::kSuccess);
}

TEST(Detection, AFileIsFoundThroughWildcardsAndInEitherProgramFilesFolder)
{
    KnownFolders known;
    ASSERT_TRUE(known.Ready());
    const PlatformServices services = known.Services();
    FolderFixture& disk = known.Disk();
    const std::wstring root = disk.Root();
    const std::wstring vendor = FolderFixture::Join(FolderFixture::Join(root, L"Apps"), L"Vendor Two");
    ASSERT_TRUE(disk.MakeFolder(FolderFixture::Join(root, L"Apps")));
    ASSERT_TRUE(disk.MakeFolder(vendor));
    ASSERT_TRUE(disk.MakeFile(FolderFixture::Join(vendor, L"App3.EXE")));

    const struct {
        std::wstring path;
        bool found;
    } files[] = {
        {FolderFixture::Join(FolderFixture::Join(FolderFixture::Join(root, L"Apps"), L"Vendor*"), L"app?.exe"), true},
        {FolderFixture::Join(FolderFixture::Join(FolderFixture::Join(root, L"A*"), L"*Two"), L"App3.exe"), true},
        {FolderFixture::Join(FolderFixture::Join(root, L"Apps"), L"Vendor*"), true},
        {FolderFixture::Join(FolderFixture::Join(FolderFixture::Join(root, L"Apps"), L"Vendor One*"), L"*.exe"), false},
        {FolderFixture::Join(FolderFixture::Join(FolderFixture::Join(root, L"Apps"), L"*"), L"*.dll"), false},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(::testing::PrintToString(file.path));
        EXPECT_EQ(IsDetected(services, DetectedBy({{Detection::Kind::kFile, kCurrentUser, file.path}})), file.found);
    }

    // %ProgramFiles% names the 64-bit programs' folder; the 32-bit programs' is looked in too.
    const std::optional<std::wstring> x86 = known.PathOf(KnownPlace::kProgramFilesX86);
    ASSERT_TRUE(x86);
    const std::wstring product(kName);
    const std::wstring installed = FolderFixture::Join(*x86, product);
    const ItemDefinition item = DetectedBy({{Detection::Kind::kFile, kCurrentUser,
                                             FolderFixture::Join(FolderFixture::Join(L"%ProgramFiles%", product), L"app.exe")}});
    EXPECT_FALSE(IsDetected(services, item));
    ASSERT_TRUE(disk.MakeFolder(installed));
    ASSERT_TRUE(disk.MakeFile(FolderFixture::Join(installed, L"app.exe")));
    EXPECT_TRUE(IsDetected(services, item));
    EXPECT_TRUE(disk.RemoveFile(FolderFixture::Join(installed, L"app.exe")));
    EXPECT_TRUE(disk.RemoveEmptyFolder(installed));
}

}  // namespace
}  // namespace nivaro
