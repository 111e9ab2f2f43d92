#include "main/count_text.h"

#include <string_view>

namespace nivaro {
namespace {

struct StageWords {
    std::wstring_view remove;
    std::wstring_view leave;
    std::wstring_view nothing;
};

constexpr StageWords kWords[] = {
    {L" to remove", L" to leave", L"Nothing to remove"},  // kPreview
    {L" removed", L" stayed", L"Nothing removed"},        // kClean
};

const StageWords& WordsOf(CountStage stage)
{
    return kWords[static_cast<std::size_t>(stage)];
}

}  // namespace

std::wstring RemoveCount(std::uint64_t count, CountStage stage, const CountFormat& format)
{
    return format(count) + std::wstring(WordsOf(stage).remove);
}

std::wstring LeaveCount(std::uint64_t count, CountStage stage, const CountFormat& format)
{
    return format(count) + std::wstring(WordsOf(stage).leave);
}

std::wstring CountsText(std::uint64_t remove, std::uint64_t leave, CountStage stage, const CountFormat& format,
                        ZeroCounts zeros)
{
    if (zeros == ZeroCounts::kSaid) {
        return RemoveCount(remove, stage, format) + L", " + LeaveCount(leave, stage, format);
    }
    std::wstring text = remove == 0 ? std::wstring(WordsOf(stage).nothing) : RemoveCount(remove, stage, format);
    if (leave > 0) {
        text += (remove == 0 ? L"; " : L", ") + LeaveCount(leave, stage, format);
    }
    return text;
}

std::wstring PlainCount(std::uint64_t count)
{
    return std::to_wstring(count);
}

}  // namespace nivaro
