#include "main/clean_commands.h"

#include "main/item_layout.h"

namespace nivaro {

void CleanCommands::CleanAll()
{
    Run(Selection::kAll, form_text::kCleanAllQuestion, form_text::kCleanAllTitle);
}

void CleanCommands::Clean()
{
    Run(Selection::kChecked, form_text::kCleanQuestion, form_text::kCleanTitle);
}

void CleanCommands::More()
{
    window_.OpenWebPage(form_design::kWebPage);
}

void CleanCommands::Run(Selection selection, std::wstring_view question, std::wstring_view title)
{
    // Folder items pump events between their passes; a second clean must not start inside the first.
    if (busy_) {
        return;
    }
    busy_ = true;
    window_.SetCleanCommandsEnabled(false);
    if (window_.ShowMessage(question, title, MessageButtons::kYesNo, MessageIcon::kQuestion) == MessageAnswer::kYes) {
        if (auto started = StartItems(selection); !started) {
            window_.ShowMessage(started.error().description, form_design::kApplicationTitle, MessageButtons::kOk,
                                MessageIcon::kNone);
        }
    }
    window_.SetCleanCommandsEnabled(true);
    busy_ = false;
}

Result<> CleanCommands::StartItems(Selection selection)
{
    for (const FormControl& control : controls_) {
        if (control.item == nullptr) {
            continue;
        }
        if (selection == Selection::kChecked) {
            std::optional<int> row = RowDigit(control.name);
            if (!row) {
                continue;
            }
            auto value = window_.CheckboxValue(*row);
            if (!value) {
                return std::unexpected(value.error());
            }
            if (*value != 1) {
                continue;
            }
        }
        if (auto started = control.item->Start(); !started) {
            return started;
        }
    }
    return {};
}

}  // namespace nivaro
