#include "bench/win32/responsiveness_probe.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <stop_token>
#include <thread>

#include "main/control_ids.h"
#include "platform/utf8.h"
#include "ui/win32/tests/program_driver.h"

namespace nivaro::win32::bench {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// A clean of 100,000 entries, or a preview of them worked out on the window's thread, takes
// seconds to minutes under Wine; a scenario that takes longer than this is stuck.
constexpr std::chrono::milliseconds kScenarioPatience = 10min;
// How long one probe waits for its answer before it counts as unanswered.
constexpr std::chrono::milliseconds kProbePatience = 2min;
// A tip may open before its preview is done and show the outcome later: the mouse stays on the
// item until the tip's text has not changed for this long (a window that counts as it goes
// renews it more often), which also gives a reader time to read it.
constexpr std::chrono::milliseconds kTipSettled = 2s;
constexpr std::chrono::milliseconds kTipReadEvery = 100ms;
// How long a clean runs before the window is asked to close: past its start, well before the end
// of a large one.
constexpr std::chrono::milliseconds kCleanUnderWay = 500ms;
// Long enough for a tip that the mouse set off before the scenario (the pointer may rest on the
// window when it opens) to have opened and closed again, so that the first item's tip starts
// from its full delay as every other's does.
constexpr std::chrono::milliseconds kQuietBeforeHovering = 1s;
// How long an idle program may take to end once its window is closed.
constexpr std::chrono::milliseconds kClosePatience = 1min;
// How often the driving thread looks at the program's windows while it waits.
constexpr DWORD kLookEveryMs = 10;

// Sends WM_NULL to the window every kProbeInterval from a thread of its own, and notes how long
// each answer took, until it is stopped or the window is gone. A probe waits for its answer as
// long as it takes (up to kProbePatience), so the longest answer is the longest freeze.
class AnswerProbe {
public:
    explicit AnswerProbe(HWND window) : thread_([this, window](std::stop_token stop) { Run(stop, window); }) {}
    AnswerProbe(const AnswerProbe&) = delete;
    AnswerProbe& operator=(const AnswerProbe&) = delete;
    ~AnswerProbe() { (void)Stop(); }

    AnswerTimes Stop()
    {
        if (thread_.joinable()) {
            thread_.request_stop();
            thread_.join();
        }
        return times_;
    }

private:
    void Run(const std::stop_token& stop, HWND window)
    {
        const auto first = Clock::now();
        auto next = first;
        while (!stop.stop_requested()) {
            const auto sent = Clock::now();
            DWORD_PTR ignored = 0;
            const bool answered = ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL,
                                                        static_cast<UINT>(kProbePatience.count()), &ignored) != 0;
            const Milliseconds waited = Clock::now() - sent;
            if (!answered && !::IsWindow(window)) {
                return;  // the window is gone: nothing is left to answer
            }
            Note(answered, waited, sent - first);
            // A late answer is followed by the next probe at once: the window is asked every
            // interval or as soon as it answers, whichever is later.
            next = std::max(next + kProbeInterval, Clock::now());
            std::this_thread::sleep_until(next);
        }
    }

    void Note(bool answered, Milliseconds waited, Milliseconds sentAt)
    {
        if (waited > times_.longest) {
            times_.longest = waited;
            times_.longestSentAt = sentAt;
        }
        if (answered) {
            ++times_.answered;
            times_.total += waited;
        } else {
            ++times_.unanswered;
        }
    }

    AnswerTimes times_;
    std::jthread thread_;  // last: it starts once the rest is there
};

// The driver's event hook reaches this thread through its queue, so every wait here keeps it
// pumped.
void PumpOwnMessages()
{
    MSG message{};
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::DispatchMessageW(&message);
    }
}

// Waits until `done` holds; false when the patience runs out or the program ends first.
template <class Done>
bool WaitUntil(HANDLE process, Done done, std::chrono::milliseconds patience = kScenarioPatience)
{
    const auto deadline = Clock::now() + patience;
    while (!done()) {
        if (Clock::now() >= deadline) {
            return false;
        }
        if (::MsgWaitForMultipleObjects(1, &process, FALSE, kLookEveryMs, QS_ALLINPUT) == WAIT_OBJECT_0) {
            return done();
        }
        PumpOwnMessages();
    }
    return true;
}

void WaitFor(HANDLE process, std::chrono::milliseconds time)
{
    (void)WaitUntil(process, [] { return false; }, time);
}

bool ProcessHasEnded(HANDLE process)
{
    return ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
}

std::optional<unsigned long> ExitCodeOf(HANDLE process)
{
    DWORD code = 0;
    if (!ProcessHasEnded(process) || !::GetExitCodeProcess(process, &code)) {
        return std::nullopt;
    }
    return code;
}

// Reads the tip over the panel until its text has stayed the same for kTipSettled; when it last
// changed, from `arrived`. A read that brings a new text counts from when it was sent: a window
// that works the text out anew for every read is not charged for the reading. Nothing when the
// text kept changing for the whole of the patience.
std::optional<Milliseconds> WaitForTipToSettle(const testing::ProgramDriver& driver, HWND panel,
                                               Clock::time_point arrived)
{
    auto changed = Clock::now();
    std::optional<std::wstring> text = driver.TipText(panel);
    const auto deadline = changed + kScenarioPatience;
    while (Clock::now() - changed < kTipSettled) {
        if (Clock::now() >= deadline) {
            return std::nullopt;
        }
        WaitFor(driver.ProcessHandle(), kTipReadEvery);
        const auto sent = Clock::now();
        std::optional<std::wstring> now = driver.TipText(panel);
        if (now != text) {
            text = std::move(now);
            changed = sent;
        }
    }
    return changed - arrived;
}

// A point of the panel, in screen coordinates, where the mouse is over the panel itself rather
// than over one of its children: the tip listens to the panel's own mouse messages. The row
// through the middle is tried first.
std::optional<POINT> BareSpotOf(HWND panel)
{
    RECT client{};
    ::GetClientRect(panel, &client);
    constexpr int kStep = 4;
    const int middle = client.bottom / 2;
    for (int offset = 0; offset <= middle; offset += kStep) {
        for (const int y : {middle + offset, middle - offset}) {
            for (int x = client.right / 2; x < client.right - kStep; x += kStep) {
                POINT spot{x, y};
                if (y >= kStep && y < client.bottom - kStep &&
                    ::ChildWindowFromPointEx(panel, spot, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT) == panel) {
                    ::ClientToScreen(panel, &spot);
                    return spot;
                }
            }
        }
    }
    return std::nullopt;
}

// The corner of the screen farthest from the window: no part of the program is under it.
POINT AwayFrom(HWND window)
{
    RECT r{};
    ::GetWindowRect(window, &r);
    const int width = ::GetSystemMetrics(SM_CXSCREEN);
    const int height = ::GetSystemMetrics(SM_CYSCREEN);
    return {(r.left + r.right) / 2 < width / 2 ? width - 1 : 0, (r.top + r.bottom) / 2 < height / 2 ? height - 1 : 0};
}

bool CleanCommandsUsable(const testing::ProgramDriver& driver)
{
    return ::IsWindowEnabled(driver.Control(control_id::kClean)) &&
           ::IsWindowEnabled(driver.Control(control_id::kCleanAll));
}

// Clicks the button and answers Yes; once this returns, the clean has started. An error when
// it has not.
std::string StartClean(testing::ProgramDriver& driver, int buttonId)
{
    const std::optional<HWND> question = driver.ClickAndWaitForBox(buttonId);
    if (!question) {
        return "no question came after the click";
    }
    driver.Answer(*question, IDYES);
    // The box is destroyed before MessageBox returns; the round trip after it returns once the
    // window has acted on the answer.
    if (!WaitUntil(driver.ProcessHandle(), [&] { return !::IsWindow(*question); })) {
        return "the question stayed up after its answer";
    }
    if (!driver.Sync()) {
        return "the window stopped answering after the question";
    }
    return {};
}

std::string WaitForCleanToEnd(testing::ProgramDriver& driver)
{
    std::optional<HWND> box;
    const bool ended = WaitUntil(driver.ProcessHandle(), [&] {
        box = driver.OwnedBox();
        return box || CleanCommandsUsable(driver);
    });
    if (box) {
        return "a message box came up: " + ToUtf8(testing::MessageBoxText(*box));
    }
    if (!ended) {
        return ProcessHasEnded(driver.ProcessHandle()) ? "the program ended during the clean" : "the clean did not end";
    }
    return {};
}

Milliseconds Since(Clock::time_point start)
{
    return Clock::now() - start;
}

// Rests the mouse on the item until its tip has opened and settled, then moves it away until the
// tip has closed, so that the next tip to open is the next item's. Notes the tip's times in
// `run`; an error when a step did not come.
std::string HoverOverItem(const testing::ProgramDriver& driver, int itemId, POINT away, ScenarioRun& run)
{
    const HANDLE process = driver.ProcessHandle();
    const HWND panel = driver.Control(itemId);
    const std::string item = "item " + std::to_string(itemId);
    const std::optional<POINT> spot = BareSpotOf(panel);
    if (!spot) {
        return item + " has no spot of its own to rest the mouse on";
    }
    const auto arrived = Clock::now();
    ::SetCursorPos(spot->x, spot->y);
    if (!WaitUntil(process, [&] { return driver.ShowsTip(); })) {
        return "the tip of " + item + " did not open";
    }
    run.tipDelays.push_back(Since(arrived));
    const std::optional<Milliseconds> settled = WaitForTipToSettle(driver, panel, arrived);
    if (!settled) {
        return "the tip of " + item + " kept changing";
    }
    run.tipSettled.push_back(*settled);
    ::SetCursorPos(away.x, away.y);
    if (!WaitUntil(process, [&] { return !driver.ShowsTip(); })) {
        return "the tip of " + item + " did not close";
    }
    return {};
}

}  // namespace

ProbedProgram::ProbedProgram(const std::wstring& program)
    : driver_(std::make_unique<testing::ProgramDriver>(program, kScenarioPatience))
{
}

ProbedProgram::~ProbedProgram() = default;

ScenarioRun ProbedProgram::HoverOver(std::span<const int> itemIds)
{
    ScenarioRun run;
    const HANDLE process = driver_->ProcessHandle();
    const POINT away = AwayFrom(driver_->Main());
    ::SetCursorPos(away.x, away.y);
    WaitFor(process, kQuietBeforeHovering);
    if (!WaitUntil(process, [&] { return !driver_->ShowsTip(); })) {
        run.failure = "a tip stayed open with the mouse away from the window";
        return run;
    }

    const auto start = Clock::now();
    AnswerProbe probe(driver_->Main());
    for (const int id : itemIds) {
        run.failure = HoverOverItem(*driver_, id, away, run);
        if (!run.failure.empty()) {
            break;
        }
    }
    run.took = Since(start);
    run.answers = probe.Stop();
    return run;
}

ScenarioRun ProbedProgram::Clean(int buttonId)
{
    ScenarioRun run;
    const auto start = Clock::now();
    AnswerProbe probe(driver_->Main());
    run.failure = StartClean(*driver_, buttonId);
    if (run.failure.empty()) {
        run.failure = WaitForCleanToEnd(*driver_);
    }
    run.took = Since(start);
    run.answers = probe.Stop();
    return run;
}

ScenarioRun ProbedProgram::CloseDuringClean(int buttonId)
{
    ScenarioRun run;
    const auto start = Clock::now();
    AnswerProbe probe(driver_->Main());
    run.failure = StartClean(*driver_, buttonId);
    if (run.failure.empty()) {
        WaitFor(driver_->ProcessHandle(), kCleanUnderWay);
        if (CleanCommandsUsable(*driver_)) {
            run.failure = "the clean had ended before the close";
        }
        run.exitCode = driver_->CloseAndWait();
        if (!run.exitCode && run.failure.empty()) {
            run.failure = "the program did not end after the close";
        }
    }
    run.took = Since(start);
    run.answers = probe.Stop();
    return run;
}

std::optional<unsigned long> ProbedProgram::Close()
{
    const HANDLE process = driver_->ProcessHandle();
    if (!ProcessHasEnded(process)) {
        ::PostMessageW(driver_->Main(), WM_CLOSE, 0, 0);
        (void)WaitUntil(process, [&] { return ProcessHasEnded(process); }, kClosePatience);
    }
    return ExitCodeOf(process);
}

}  // namespace nivaro::win32::bench
