// What each item of the window of the other items would remove now, worked out on the worker's
// thread for the rows on screen and the checked ones, and the box of targets a preview fills.

#include "main/items_window_texts.h"
#include "ui/win32/items_window_class.h"

namespace nivaro::win32 {

std::wstring ItemsWindow::CellText(std::size_t item, OtherItemsColumn column) const
{
    const ItemDefinition& definition = items_[item];
    switch (column) {
    case OtherItemsColumn::kTitle:
        return definition.title;
    case OtherItemsColumn::kGroup:
        return definition.group;
    case OtherItemsColumn::kWouldRemove: {
        if (outcomes_[item]) {
            return WouldRemoveText(*outcomes_[item], Count());
        }
        const auto running = previews_ ? previews_->Running() : std::nullopt;
        return CountingTip(running && running->first == item ? running->second : 0, Count());
    }
    case OtherItemsColumn::kLastClean:
        return lastClean_[item];
    case OtherItemsColumn::kDescription:
        return definition.description;
    }
    return {};
}

void ItemsWindow::OnChecked(std::size_t item, bool checked)
{
    checked_[item] = checked;
    // Remembered at once: the choice outlives a window closed any way at all. One the registry
    // refuses still holds for as long as the window is open.
    (void)choices_.SetChecked(items_[item], checked);
    queue_.SetChecked(item, checked);
    if (!busy_) {
        RequestNextPreview();
    }
}

void ItemsWindow::OnFilterChanged()
{
    const HWND filter = Control(control_id::kOtherItemsFilter);
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(filter)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(filter, text.data(), static_cast<int>(text.size()))));
    rows_.SetFilter(text);
    checklist_.Fill();
    LookAtScreen();
}

void ItemsWindow::LookAtScreen()
{
    std::vector<std::size_t> shown = checklist_.ItemsOnScreen();
    if (shown == onScreen_) {
        return;
    }
    onScreen_ = std::move(shown);
    queue_.SetOnScreen(onScreen_);
    if (!busy_) {
        RequestNextPreview();
    }
}

void ItemsWindow::RequestNextPreview()
{
    if (queue_.ShouldStop()) {
        queue_.Stopped(*queue_.Running());  // the request below stops it; it waits its turn again
    }
    const std::optional<std::size_t> next = queue_.Next();
    if (!next) {
        if (!queue_.Running()) {
            ::KillTimer(hwnd_, kCountingTimer);
        }
        return;
    }
    queue_.Started(*next);
    previews_->Request(*next, items_[*next]);
    ::SetTimer(hwnd_, kCountingTimer, kCountingMilliseconds, nullptr);
}

void ItemsWindow::OnPreviewsReady()
{
    for (PreviewWorker::Outcome& outcome : previews_->TakeOutcomes()) {
        const std::size_t item = outcome.item;
        if (item >= items_.size()) {
            continue;
        }
        outcomes_[item] = std::move(outcome);
        queue_.Finished(item);
        checklist_.Changed(item);
    }
    if (boxWaits_ && !queue_.Awaiting()) {
        boxWaits_ = false;
        ShowTargets();
    }
    RequestNextPreview();
}

void ItemsWindow::ShowCounting()
{
    if (const std::optional<std::size_t> running = queue_.Running()) {
        checklist_.Changed(*running);
    }
}

void ItemsWindow::StopPreviews()
{
    previews_->StopAndWait();
    (void)previews_->TakeOutcomes();
    ::KillTimer(hwnd_, kCountingTimer);
    queue_.ForgetAll();
    boxWaits_ = false;
}

// Each previewed item on a line of its own with its counts, and its targets under it.
void ItemsWindow::ShowTargets()
{
    using namespace other_items_text;
    const CountFormat count = Count();
    std::wstring text;
    for (const std::size_t item : boxItems_) {
        if (!text.empty()) {
            text += L"\r\n";
        }
        text += items_[item].title;
        if (!outcomes_[item]) {
            continue;
        }
        text += L": " + WouldRemoveText(*outcomes_[item], count);
        for (const std::wstring& line : outcomes_[item]->lines) {
            text += L"\r\n" + std::wstring(kTargetIndent) + line;
        }
    }
    SetTargets(text);
}

void ItemsWindow::Preview()
{
    if (busy_) {
        return;
    }
    boxItems_ = CheckedItems();
    if (boxItems_.empty()) {
        boxWaits_ = false;
        SetTargets(other_items_text::kNothingChecked);
        return;
    }
    // Worked out afresh: what was there when the window opened may have gone since.
    for (const std::size_t item : boxItems_) {
        outcomes_[item].reset();
    }
    queue_.Await(boxItems_);
    boxWaits_ = true;
    SetTargets(other_items_text::kWorkingOut);
    RequestNextPreview();
}

}  // namespace nivaro::win32
