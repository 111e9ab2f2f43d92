#pragma once
// The real program driven from outside while a second thread keeps asking its window for an
// answer: how long the window keeps a caller waiting while its tips open, while it cleans and
// while it closes in the middle of a clean. The program runs in a process of its own, as a user
// starts it; nothing of it is linked in here.

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nivaro::win32::testing {
class ProgramDriver;
}

namespace nivaro::win32::bench {

using Milliseconds = std::chrono::duration<double, std::milli>;

// How often the window is asked; a window that answers within this looks alive to a user.
inline constexpr std::chrono::milliseconds kProbeInterval{20};

// The answers to the probes sent while one scenario ran.
struct AnswerTimes {
    std::size_t answered = 0;
    // Probes still unanswered when the probe's own patience ran out, the window still there.
    std::size_t unanswered = 0;
    Milliseconds longest{};  // unanswered probes count with the time they waited
    Milliseconds longestSentAt{};  // since the first probe
    Milliseconds total{};    // of the answered probes

    Milliseconds Mean() const { return answered == 0 ? Milliseconds{} : total / static_cast<double>(answered); }
};

struct ScenarioRun {
    AnswerTimes answers;
    Milliseconds took{};  // from the scenario's first action to its end
    // For each hovered item, how long its tip took to open after the mouse came to rest on it,
    // and to show its final text.
    std::vector<Milliseconds> tipDelays;
    std::vector<Milliseconds> tipSettled;
    // The program's exit code, when the scenario ends the program.
    std::optional<unsigned long> exitCode;
    // What kept the scenario from its end; empty when it ran to its end.
    std::string failure;
};

class ProbedProgram {
public:
    // Starts the program and waits for its window; throws std::runtime_error when none comes.
    explicit ProbedProgram(const std::wstring& program);
    ~ProbedProgram();
    ProbedProgram(const ProbedProgram&) = delete;
    ProbedProgram& operator=(const ProbedProgram&) = delete;

    // Rests the mouse on each item in turn until its tip has opened and its text has stopped
    // changing, and then moves it off the window until the tip has closed.
    ScenarioRun HoverOver(std::span<const int> itemIds);
    // Clicks the button, answers Yes to its question and waits until the clean has ended.
    ScenarioRun Clean(int buttonId);
    // As Clean, but once the clean is under way the window is asked to close; waits for the
    // program's end.
    ScenarioRun CloseDuringClean(int buttonId);
    // Closes the window, if it is still there, and waits for the program's end; its exit code,
    // nothing when it did not end.
    std::optional<unsigned long> Close();

private:
    std::unique_ptr<testing::ProgramDriver> driver_;
};

}  // namespace nivaro::win32::bench
