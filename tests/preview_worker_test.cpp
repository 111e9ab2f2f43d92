// Previews worked out away from the window's thread: one at a time, a stale one stopped by the
// next request, and none half done once the worker has been stopped.

#include "main/preview_worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <latch>

#include "platform/substitute/substitute_disk.h"
#include "platform/substitute/substitute_environment.h"
#include "platform/substitute/substitute_registry.h"
#include "registry/mod_reg.h"

namespace nivaro {
namespace {

using namespace std::chrono_literals;

// The substitute registry, with a gate that holds the first enumeration of the key "Slow" until the
// test opens it, and a count of the times that key was opened.
class GatedRegistry final : public RegistryApi {
public:
    std::latch entered{1};
    std::latch open{1};
    std::atomic<int> slowOpens = 0;

    SubstituteRegistry inner;

    using RegistryApi::OpenKey;
    long OpenKey(RegistryRoot root, std::wstring_view path, KeyAccess access, KeyLinks links, RegistryKey& key) override
    {
        RegistryKey opened;
        const long status = inner.OpenKey(root, path, access, links, opened);
        if (status == reg_status::kSuccess) {
            key = RegistryKey(*this, opened.get());
            if (path.ends_with(L"Slow")) {
                slow_ = opened.get();
                ++slowOpens;
            }
            keys_.push_back(std::move(opened));
        }
        return status;
    }
    long OpenSubkey(const RegistryKey& parent, std::wstring_view name, KeyAccess access, KeyLinks links,
                    RegistryKey& key) override
    {
        return inner.OpenSubkey(Inner(parent), name, access, links, key);
    }
    long OpenKeyToRead(RegistryRoot root, std::wstring_view path, RegistryView view, RegistryKey& key) override
    {
        return inner.OpenKeyToRead(root, path, view, key);
    }
    long CreateKey(RegistryRoot root, std::wstring_view path, RegistryKey& key) override
    {
        return inner.CreateKey(root, path, key);
    }
    long DeleteKey(const RegistryKey& key) override { return inner.DeleteKey(Inner(key)); }
    long QueryInfoKey(const RegistryKey& key, KeyInfo& info) override { return inner.QueryInfoKey(Inner(key), info); }
    long EnumValueName(const RegistryKey& key, std::uint32_t index, std::span<wchar_t> buffer,
                       std::uint32_t& nameChars) override
    {
        if (key.get() == slow_ && !gated_) {
            gated_ = true;
            entered.count_down();
            open.wait();
        }
        return inner.EnumValueName(Inner(key), index, buffer, nameChars);
    }
    long EnumKeyName(const RegistryKey& key, std::uint32_t index, std::span<wchar_t> buffer,
                     std::uint32_t& nameChars) override
    {
        return inner.EnumKeyName(Inner(key), index, buffer, nameChars);
    }
    long QueryValue(const RegistryKey& key, std::wstring_view name, std::uint32_t& type, std::span<std::byte> data,
                    std::uint32_t& size) override
    {
        return inner.QueryValue(Inner(key), name, type, data, size);
    }
    long SetValue(const RegistryKey& key, std::wstring_view name, std::uint32_t type,
                  std::span<const std::byte> data) override
    {
        return inner.SetValue(Inner(key), name, type, data);
    }
    long DeleteValue(const RegistryKey& key, std::wstring_view name) override
    {
        return inner.DeleteValue(Inner(key), name);
    }
    long KeyName(const RegistryKey& key, std::wstring& name) override { return inner.KeyName(Inner(key), name); }

private:
    // The inner registry's key behind one of this registry's keys: the raw values are the same.
    const RegistryKey& Inner(const RegistryKey& key)
    {
        for (const RegistryKey& opened : keys_) {
            if (opened.get() == key.get()) {
                return opened;
            }
        }
        return key;
    }
    void CloseKey(std::uintptr_t raw) noexcept override
    {
        std::erase_if(keys_, [&](const RegistryKey& opened) { return opened.get() == raw; });
    }

    std::vector<RegistryKey> keys_;
    std::uintptr_t slow_ = 0;
    bool gated_ = false;
};

class TestServices final : public ServiceSet {
public:
    explicit TestServices(GatedRegistry& registry) : registry_(registry) {}
    PlatformServices Services() override { return {registry_, files_, shell_, environment_}; }

private:
    GatedRegistry& registry_;
    SubstituteFileSystem files_{SharedDiskMarks()};
    SubstituteShell shell_{SharedDiskMarks()};
    SubstituteEnvironment environment_;
};

ItemDefinition ListOf(const std::wstring& key)
{
    ItemDefinition definition;
    definition.targets.push_back(RegistryTarget{.key = key});
    return definition;
}

void Fill(RegistryApi& registry, const std::wstring& key, int values)
{
    RegistryKey opened;
    ASSERT_EQ(registry.CreateKey(kCurrentUser, key, opened), reg_status::kSuccess);
    for (int i = 0; i < values; ++i) {
        const std::vector<std::byte> data{std::byte{1}};
        ASSERT_EQ(registry.SetValue(opened, L"v" + std::to_wstring(i), reg_type::kBinary, data), reg_status::kSuccess);
    }
}

struct Fixture {
    GatedRegistry registry;
    std::promise<void> firstReady;
    bool signalled = false;
    std::unique_ptr<PreviewWorker> worker;

    Fixture()
    {
        Fill(registry.inner, L"Software\\Slow", 3);
        Fill(registry.inner, L"Software\\Quick", 1234);
        worker = std::make_unique<PreviewWorker>([this] { return std::make_unique<TestServices>(registry); },
                                                 [this] {
                                                     if (!std::exchange(signalled, true)) {
                                                         firstReady.set_value();
                                                     }
                                                 });
    }
};

TEST(PreviewWorker, AStalePreviewIsStoppedAndOnlyTheWantedOneIsReported)
{
    Fixture f;
    auto ready = f.firstReady.get_future();
    f.worker->Request(0, ListOf(L"Software\\Slow"));
    f.registry.entered.wait();
    ASSERT_EQ(f.worker->Running(), (std::pair<std::size_t, std::size_t>{0, 0}));

    f.worker->Request(1, ListOf(L"Software\\Quick"));  // the hover moved on
    f.registry.open.count_down();
    ASSERT_EQ(ready.wait_for(10s), std::future_status::ready);

    const std::vector<PreviewWorker::Outcome> outcomes = f.worker->TakeOutcomes();
    ASSERT_EQ(outcomes.size(), 1u) << "the stale preview reports nothing";
    EXPECT_EQ(outcomes[0].item, 1u);
    EXPECT_EQ(outcomes[0].toRemove, 1234u);
    EXPECT_TRUE(outcomes[0].tip.starts_with(L"1,234 to remove: ")) << "counts grouped for reading";
}

// A tip asks again while its count goes on; a preview under way of the same item goes on rather
// than start over, or a folder too large to count within the tip's renewal would never be done.
TEST(PreviewWorker, AskingAgainForTheItemUnderWayLetsItsPreviewGoOn)
{
    Fixture f;
    auto ready = f.firstReady.get_future();
    f.worker->Request(0, ListOf(L"Software\\Slow"));
    f.registry.entered.wait();

    f.worker->Request(0, ListOf(L"Software\\Slow"));
    f.registry.open.count_down();
    ASSERT_EQ(ready.wait_for(10s), std::future_status::ready);

    const std::vector<PreviewWorker::Outcome> outcomes = f.worker->TakeOutcomes();
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].item, 0u);
    EXPECT_EQ(outcomes[0].toRemove, 3u);
    EXPECT_EQ(f.registry.slowOpens, 1) << "the preview under way was not started over";
}

// The hover went to another item and came back before the first preview had stopped: the item
// asked for last is worked out anew, not left to a preview that is already giving up.
TEST(PreviewWorker, AnItemAskedForAgainWhileItsPreviewIsBeingStoppedIsWorkedOutAnew)
{
    Fixture f;
    auto ready = f.firstReady.get_future();
    f.worker->Request(0, ListOf(L"Software\\Slow"));
    f.registry.entered.wait();

    f.worker->Request(1, ListOf(L"Software\\Quick"));
    f.worker->Request(0, ListOf(L"Software\\Slow"));
    f.registry.open.count_down();
    ASSERT_EQ(ready.wait_for(10s), std::future_status::ready);

    const std::vector<PreviewWorker::Outcome> outcomes = f.worker->TakeOutcomes();
    ASSERT_EQ(outcomes.size(), 1u) << "the item passed over meanwhile is not worked out";
    EXPECT_EQ(outcomes[0].item, 0u);
    EXPECT_EQ(outcomes[0].toRemove, 3u);
    EXPECT_EQ(f.registry.slowOpens, 2) << "the stopped preview was started over";
}

TEST(PreviewWorker, StoppingWaitsForThePreviewUnderWayToEnd)
{
    Fixture f;
    f.worker->Request(0, ListOf(L"Software\\Slow"));
    f.registry.entered.wait();

    auto stopped = std::async(std::launch::async, [&] { f.worker->StopAndWait(); });
    EXPECT_EQ(stopped.wait_for(100ms), std::future_status::timeout) << "a preview is under way";
    f.registry.open.count_down();
    EXPECT_EQ(stopped.wait_for(10s), std::future_status::ready);
    EXPECT_FALSE(f.worker->Running());
    EXPECT_TRUE(f.worker->TakeOutcomes().empty()) << "a stopped preview reports nothing";
}

}  // namespace
}  // namespace nivaro
