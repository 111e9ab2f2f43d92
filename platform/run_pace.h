#pragma once
// How a long run keeps its host alive: the run asks between pieces of work whether to go on,
// and the host lets its window's events through then, or stops a run nobody waits for.

#include <cstddef>

namespace nivaro {

class RunPace {
public:
    virtual ~RunPace() = default;

    // Called between pieces of work; false when the run is to stop where it is.
    virtual bool Continue() = 0;
    // How much of the run is done, 0 to 1.
    virtual void Progress(double fraction) { (void)fraction; }
    // How many entries or values the run has worked through so far.
    virtual void Seen(std::size_t count) { (void)count; }
};

// For a run that nothing waits on: it goes straight through.
class Unpaced final : public RunPace {
public:
    bool Continue() override { return true; }
};

}  // namespace nivaro
