#include "platform/substitute/substitute_toolkit.h"

namespace nivaro {

void SubstituteItemSite::PumpEvents()
{
    ++pumps;
    if (onPump) {
        onPump();
    }
}

Result<> SubstituteItemSite::SetTitleText(std::wstring_view text)
{
    if (failWrites) {
        return std::unexpected(*failWrites);
    }
    title = text;
    return {};
}

Result<> SubstituteItemSite::SetStatusText(std::wstring_view text)
{
    if (failWrites) {
        return std::unexpected(*failWrites);
    }
    status = text;
    statusHistory.emplace_back(text);
    return {};
}

Result<> SubstituteItemSite::SetBandFillStyle(std::int32_t style)
{
    if (failWrites) {
        return std::unexpected(*failWrites);
    }
    bandFillStyle = style;
    bandFillWrites.push_back(style);
    return {};
}

Result<> SubstituteItemSite::SetBandProgress(double fraction)
{
    if (failWrites) {
        return std::unexpected(*failWrites);
    }
    bandProgress.push_back(fraction);
    return {};
}

Result<std::int32_t> SubstituteWindow::CheckboxValue(int index) const
{
    auto found = checkboxes.find(index);
    if (found == checkboxes.end()) {
        return std::unexpected(NoSuchControlElement(index));
    }
    return found->second;
}

MessageAnswer SubstituteWindow::ShowMessage(std::wstring_view text, std::wstring_view title, MessageButtons buttons,
                                            MessageIcon icon)
{
    shown.push_back({std::wstring(text), std::wstring(title), buttons, icon});
    if (onMessage) {
        onMessage();
    }
    if (answers.empty()) {
        return buttons == MessageButtons::kOk ? MessageAnswer::kOk : MessageAnswer::kNo;
    }
    MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
}

}  // namespace nivaro
