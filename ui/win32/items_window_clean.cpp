// The clean of the window of the other items: its question, with the warnings of what it cleans,
// then each checked item in turn while the window goes on answering.

#include "items/item_engine.h"
#include "main/items_window_texts.h"
#include "ui/win32/items_window_class.h"

namespace nivaro::win32 {

void ItemsWindow::Clean()
{
    if (busy_) {
        return;
    }
    const std::vector<std::size_t> items = CheckedItems();
    if (items.empty()) {
        SetTargets(other_items_text::kNothingChecked);
        return;
    }
    SetBusy(true);
    std::vector<const ItemDefinition*> definitions;
    for (const std::size_t item : items) {
        definitions.push_back(&items_[item]);
    }
    const int answer = ::MessageBoxW(hwnd_, CleanQuestion(definitions).c_str(),
                                     std::wstring(other_items_text::kCleanTitle).c_str(), MB_YESNO | MB_ICONQUESTION);
    if (answer != IDYES) {
        SetBusy(false);
        if (closeRequested_) {
            Close();
        }
        return;
    }
    // No preview may read what the clean deletes under it, and none from before it holds after it.
    StopPreviews();
    SetTargets(other_items_text::kTargetsHint);
    for (std::size_t item = 0; item < items_.size(); ++item) {
        if (!lastClean_[item].empty()) {
            lastClean_[item].clear();
            checklist_.Changed(item);
        }
    }
    const CountFormat count = Count();
    for (const std::size_t item : items) {
        lastClean_[item] = other_items_text::kCleaning;
        checklist_.Changed(item);
        CleanPace pace(*this);
        ItemPlan plan = PlanItem(services_, items_[item], Foresight::kListOnly, pace);
        const std::size_t removed = CarryItem(services_, plan, pace);
        lastClean_[item] = CleanedText(plan, removed, count);
        checklist_.Changed(item);
    }
    SetBusy(false);
    if (hwnd_ == nullptr) {
        return;  // the owner went, and took this window with it
    }
    if (closeRequested_) {
        Close();
        return;
    }
    for (std::size_t item = 0; item < items_.size(); ++item) {
        if (outcomes_[item]) {
            outcomes_[item].reset();
            checklist_.Changed(item);
        }
    }
    RequestNextPreview();
}

void ItemsWindow::SetBusy(bool busy)
{
    busy_ = busy;
    if (busy) {
        focusBeforeClean_ = ::GetFocus();
    }
    for (const int id : kOtherItemsButtons) {
        ::EnableWindow(Control(id), busy ? FALSE : TRUE);
    }
    // A disabled button keeps the focus and with it the keyboard; give it back once it is usable.
    if (!busy && focusBeforeClean_ != nullptr && IsPushButton(::GetDlgCtrlID(focusBeforeClean_)) &&
        ::GetParent(focusBeforeClean_) == hwnd_) {
        ::SetFocus(focusBeforeClean_);
    }
}

std::vector<std::size_t> ItemsWindow::CheckedItems() const
{
    std::vector<std::size_t> items;
    for (std::size_t item = 0; item < checked_.size(); ++item) {
        if (checked_[item]) {
            items.push_back(item);
        }
    }
    return items;
}

}  // namespace nivaro::win32
