#pragma once
// The program's window: built from the layout table, it owns the cleaning items and hands the
// button clicks to the commands.

#include <windows.h>

#include <memory>
#include <optional>
#include <vector>

#include "items/item_frame.h"
#include "main/clean_commands.h"
#include "main/item_layout.h"
#include "main/preview_worker.h"
#include "main/window_colours.h"
#include "platform/services.h"
#include "ui/win32/base_window.h"
#include "ui/win32/item_panel.h"
#include "ui/win32/message_pump.h"
#include "ui/win32/scale.h"
#include "platform/window_services.h"

namespace nivaro::win32 {

class MainWindow final : public BaseWindow<MainWindow>, public WindowServices, private PanelHost {
public:
    static Result<std::unique_ptr<MainWindow>> Create(const PlatformServices& services);
    ~MainWindow();

    // Centres the window on its screen and shows it.
    void Show(int showCommand);
    // Runs the window's messages until it is closed; the exit code for the program.
    int RunMessageLoop();

    Result<std::int32_t> CheckboxValue(int index) const override;
    MessageAnswer ShowMessage(std::wstring_view text, std::wstring_view title, MessageButtons buttons,
                              MessageIcon icon) override;
    void OpenWebPage(std::wstring_view address) override;
    void SetCleanCommandsEnabled(bool enabled) override;

    LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

private:
    explicit MainWindow(const PlatformServices& services);

    void PumpEvents() override;

    Result<> CreateControls();
    // A tooltip over each item telling what a clean would remove now, worked out away from this
    // thread and shown when it is ready.
    void AddPreviewTips();
    LRESULT OnNotify(NMHDR& header);
    std::wstring TipFor(std::size_t item);
    void OnPreviewsReady();
    void RefreshShownTip();
    // Forgets every preview: what they said may have changed.
    void ForgetPreviews();
    void Arrange();
    void MakeFonts();
    // Takes the colours for the theme the user has now: as designed, or in high contrast the
    // system's own; and redraws with them.
    void UpdateColours();
    SIZE WindowSizeFor(const Scale& scale) const;
    void OnCommand(int id);
    void Close();

    PlatformServices services_;
    Scale scale_{USER_DEFAULT_SCREEN_DPI};
    UniqueFont formFont_;
    UniqueFont titleFont_;
    WindowColours colours_ = ChooseColours(false, {});
    UniqueBrush background_;
    UniqueIcon bigIcon_;
    UniqueIcon smallIcon_;
    // Panels outlive the items that write to them.
    std::vector<std::unique_ptr<ItemPanel>> panels_;
    std::vector<std::unique_ptr<ItemFrame>> items_;
    std::unique_ptr<CleanCommands> commands_;
    PacedPump pump_;
    HWND tooltip_ = nullptr;  // owned by the window and destroyed with it
    std::wstring tipText_;    // the text the tooltip is showing
    std::optional<std::size_t> tipItem_;  // the item whose tip is up
    struct KnownTip {
        std::wstring text;
        ULONGLONG at = 0;  // when it was worked out
    };
    std::vector<std::optional<KnownTip>> knownTips_;  // by item
    std::unique_ptr<PreviewWorker> previews_;
    HWND focusBeforeClean_ = nullptr;
    bool closeRequested_ = false;
};

}  // namespace nivaro::win32
