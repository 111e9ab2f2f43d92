#include "main/preview_queue.h"

#include <algorithm>

namespace nivaro {

void PreviewQueue::SetChecked(std::size_t item, bool checked)
{
    if (checked) {
        checked_.insert(item);
    } else {
        checked_.erase(item);
    }
}

void PreviewQueue::Await(const std::vector<std::size_t>& items)
{
    awaited_.clear();
    for (const std::size_t item : items) {
        if (item < known_.size() && std::ranges::find(awaited_, item) == awaited_.end()) {
            known_[item] = false;
            awaited_.push_back(item);
        }
    }
}

void PreviewQueue::Finished(std::size_t item)
{
    if (item < known_.size()) {
        known_[item] = true;
    }
    std::erase(awaited_, item);
    if (running_ == item) {
        running_.reset();
    }
}

void PreviewQueue::Stopped(std::size_t item)
{
    if (running_ == item) {
        running_.reset();
    }
}

void PreviewQueue::ForgetAll()
{
    known_.assign(known_.size(), false);
    awaited_.clear();
    running_.reset();
}

std::optional<std::size_t> PreviewQueue::Next() const
{
    if (running_ && !ShouldStop()) {
        return std::nullopt;
    }
    for (const auto* items : {&awaited_, &onScreen_}) {
        const auto found = std::ranges::find_if(*items, [&](std::size_t item) { return Wanted(item); });
        if (found != items->end()) {
            return *found;
        }
    }
    const auto found = std::ranges::find_if(checked_, [&](std::size_t item) { return Wanted(item); });
    return found != checked_.end() ? std::optional(*found) : std::nullopt;
}

bool PreviewQueue::ShouldStop() const
{
    return running_ && !awaited_.empty() && std::ranges::find(awaited_, *running_) == awaited_.end();
}

}  // namespace nivaro
