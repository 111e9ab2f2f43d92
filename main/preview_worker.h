#pragma once
// Works out what a clean of an item would remove now, away from the window's thread, so that a
// tooltip over a folder of any size never holds the window up. One preview at a time, from a copy
// of the item's definition, through platform services of the worker's own: nothing an item owns
// is touched from two threads.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "items/item_definition.h"
#include "platform/services.h"

namespace nivaro {

class PreviewWorker {
public:
    struct Outcome {
        std::size_t item = 0;  // as the caller numbers its items
        std::wstring tip;      // the tooltip's text
        std::size_t toRemove = 0;
        std::size_t toLeave = 0;
        bool cannotRun = false;
        // Every target, as a line a person reads: "remove  name" or "leave  name  [reason]", and the
        // problem's description when the item cannot run.
        std::vector<std::wstring> lines;
    };

    // `makeServices` runs on the worker's thread before its first preview; `ready` runs there too,
    // whenever an outcome can be taken, and must only wake the caller up.
    PreviewWorker(std::function<std::unique_ptr<ServiceSet>()> makeServices, std::function<void()> ready);
    ~PreviewWorker();
    PreviewWorker(const PreviewWorker&) = delete;
    PreviewWorker& operator=(const PreviewWorker&) = delete;

    // Works the item out next. A preview of another item that is under way is stopped: nobody
    // waits for it any more. One of the same item goes on, unless it is already being stopped.
    void Request(std::size_t item, ItemDefinition definition);
    // Stops what runs and drops what waits, and returns once the worker is idle: a clean may then
    // start without a preview half done.
    void StopAndWait();

    // The item under way and how many of its entries have been seen; nothing when idle.
    std::optional<std::pair<std::size_t, std::size_t>> Running() const;
    // The outcomes finished since last asked.
    std::vector<Outcome> TakeOutcomes();

private:
    struct Job {
        std::size_t item;
        ItemDefinition definition;
    };
    class JobPace;

    void Work(std::stop_token stop, std::function<std::unique_ptr<ServiceSet>()> makeServices);

    std::function<void()> ready_;
    mutable std::mutex mutex_;
    std::condition_variable_any changed_;
    std::optional<Job> waiting_;
    std::optional<std::size_t> running_;  // the item under way
    std::atomic<bool> stopRunning_ = false;
    std::atomic<std::size_t> seen_ = 0;
    std::vector<Outcome> outcomes_;
    std::jthread thread_;  // last: it stops and joins before the rest goes
};

}  // namespace nivaro
