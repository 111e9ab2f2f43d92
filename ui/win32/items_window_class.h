#pragma once
// The window of the other items, within: its state and its parts. items_window.cpp makes it, lays
// it out and handles its messages; items_window_counts.cpp works out what each item would remove
// and fills the box of targets; items_window_clean.cpp cleans the checked items.

#include <windows.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "main/catalogue.h"
#include "main/item_choices.h"
#include "main/item_preview.h"
#include "main/items_window_layout.h"
#include "main/other_items_rows.h"
#include "main/preview_queue.h"
#include "main/preview_worker.h"
#include "platform/run_pace.h"
#include "platform/services.h"
#include "platform/win32/unique_handles.h"
#include "ui/win32/base_window.h"
#include "ui/win32/items_checklist.h"
#include "ui/win32/message_pump.h"
#include "ui/win32/scale.h"

namespace nivaro::win32 {

// The worker's word that previews are ready.
inline constexpr UINT kPreviewsReady = WM_APP + 1;
// While a preview is worked out, its row shows the count so far, renewed this often.
inline constexpr UINT_PTR kCountingTimer = 1;
inline constexpr UINT kCountingMilliseconds = 250;
// How often the window looks which rows are on screen, to count those that came into view.
inline constexpr UINT_PTR kScreenTimer = 2;
inline constexpr UINT kScreenMilliseconds = 200;

inline constexpr int kOtherItemsButtons[] = {control_id::kOtherItemsPreview, control_id::kOtherItemsClean,
                                             control_id::kOtherItemsClose};

inline bool IsPushButton(int controlId)
{
    return std::ranges::find(kOtherItemsButtons, controlId) != std::end(kOtherItemsButtons);
}

class ItemsWindow final : public BaseWindow<ItemsWindow> {
public:
    static Result<std::unique_ptr<ItemsWindow>> Create(HWND owner, std::vector<ItemDefinition> items,
                                                       const PlatformServices& services, ItemChoices& choices);
    ~ItemsWindow();

    // Centres the window over its owner and shows it.
    void Show();
    // Lines shown where the targets are listed, until a preview lists them.
    void ShowNotice(std::wstring_view lines) { SetTargets(lines); }
    // Runs the thread's messages until the window has gone. A quit message ends the loop and is
    // put back for the owner's loop.
    void RunModal();

    LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

private:
    // Lets this window's events through while a clean runs, at most once a frame.
    class CleanPace final : public RunPace {
    public:
        explicit CleanPace(ItemsWindow& window) : window_(window) {}
        bool Continue() override
        {
            window_.pump_.Pump(window_.hwnd_);
            return true;  // a close waits for the clean to end
        }

    private:
        ItemsWindow& window_;
    };

    ItemsWindow(HWND owner, std::vector<ItemDefinition> items, const PlatformServices& services, ItemChoices& choices);

    Result<> CreateControls();
    void MakeFont();
    void Arrange();
    SIZE WindowSizeFor(const Scale& scale) const;
    HWND Control(int id) const { return ::GetDlgItem(hwnd_, id); }
    HWND List() const { return Control(control_id::kOtherItemsList); }
    CountFormat Count() const;

    std::wstring CellText(std::size_t item, OtherItemsColumn column) const;
    void SetTargets(std::wstring_view text);
    std::vector<std::size_t> CheckedItems() const;
    void OnChecked(std::size_t item, bool checked);
    void OnFilterChanged();

    // Asks the worker for the next count the queue wants, stopping one the box does not wait for.
    void RequestNextPreview();
    void OnPreviewsReady();
    void ShowCounting();
    void LookAtScreen();
    void StopPreviews();
    void ShowTargets();

    void OnCommand(int id, int code);
    void Preview();
    void Clean();
    void SetBusy(bool busy);
    void Close();

    HWND owner_;
    std::vector<ItemDefinition> items_;
    std::vector<bool> checked_;
    std::vector<std::optional<PreviewWorker::Outcome>> outcomes_;  // the latest preview of each item
    std::vector<std::wstring> lastClean_;
    OtherItemsRows rows_;
    PreviewQueue queue_;
    ItemsChecklist checklist_;
    PlatformServices services_;
    ItemChoices& choices_;
    Scale scale_{USER_DEFAULT_SCREEN_DPI};
    UniqueFont font_;
    UniqueBrush background_;
    UniqueBrush targetsBackground_;
    PacedPump pump_;
    bool busy_ = false;  // a clean runs, or its question is up
    bool closeRequested_ = false;
    bool boxWaits_ = false;  // the box lists the checked items once their counts are in
    HWND focusBeforeClean_ = nullptr;
    HWND focusOnReturn_ = nullptr;  // the control that had the keyboard when the window was left
    std::vector<std::size_t> onScreen_;
    std::vector<std::size_t> boxItems_;         // the items the box lists
    std::unique_ptr<PreviewWorker> previews_;  // last: its thread stops before the rest goes
};

}  // namespace nivaro::win32
