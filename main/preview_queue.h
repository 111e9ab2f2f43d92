#pragma once
// Which item the window of the other items has worked out next, one at a time: a count is worked
// out only for the items on screen and the checked ones, so that a window of thousands of items
// opens at once and counts what the user sees. The items a preview's box waits for go first of
// all. Items are numbered as the window numbers them.

#include <cstddef>
#include <optional>
#include <set>
#include <vector>

namespace nivaro {

class PreviewQueue {
public:
    explicit PreviewQueue(std::size_t items) : known_(items, false) {}

    void SetChecked(std::size_t item, bool checked);
    // The items the list shows now, top to bottom.
    void SetOnScreen(std::vector<std::size_t> items) { onScreen_ = std::move(items); }
    // The box waits for these, worked out afresh: what was counted before may have changed.
    void Await(const std::vector<std::size_t>& items);

    void Started(std::size_t item) { running_ = item; }
    // Its count came: known, and no longer waited for.
    void Finished(std::size_t item);
    // Stopped before its count came: it waits its turn again.
    void Stopped(std::size_t item);
    // After a clean nothing counted before holds, and nothing is waited for.
    void ForgetAll();

    bool Known(std::size_t item) const { return item < known_.size() && known_[item]; }
    // Whether the box still waits for a count.
    bool Awaiting() const { return !awaited_.empty(); }
    std::optional<std::size_t> Running() const { return running_; }

    // The item to work out next: first what the box waits for, then what is on screen, then what
    // is checked; nothing when all of those are known, or while one runs that should go on.
    std::optional<std::size_t> Next() const;
    // Whether the one that runs should stop for one the box waits for.
    bool ShouldStop() const;

private:
    bool Wanted(std::size_t item) const { return item < known_.size() && !known_[item] && running_ != item; }

    std::vector<bool> known_;
    std::vector<std::size_t> onScreen_;
    std::set<std::size_t> checked_;
    std::vector<std::size_t> awaited_;  // in the order the box lists them; each until its count comes
    std::optional<std::size_t> running_;
};

}  // namespace nivaro
