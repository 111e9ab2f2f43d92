#include "main/preview_worker.h"

#include "items/item_engine.h"
#include "main/item_preview.h"

namespace nivaro {

// Lets the worker stop between entries when its preview is no longer wanted, and counts them.
class PreviewWorker::JobPace final : public RunPace {
public:
    explicit JobPace(PreviewWorker& worker) : worker_(worker) {}
    bool Continue() override { return !worker_.stopRunning_.load(std::memory_order_relaxed); }
    void Seen(std::size_t count) override { worker_.seen_.store(count, std::memory_order_relaxed); }

private:
    PreviewWorker& worker_;
};

PreviewWorker::PreviewWorker(std::function<std::unique_ptr<ServiceSet>()> makeServices, std::function<void()> ready)
    : ready_(std::move(ready)),
      thread_([this, make = std::move(makeServices)](std::stop_token stop) mutable { Work(stop, std::move(make)); })
{
}

PreviewWorker::~PreviewWorker()
{
    stopRunning_ = true;
    thread_.request_stop();
    changed_.notify_all();
}

void PreviewWorker::Request(std::size_t item, ItemDefinition definition)
{
    {
        const std::lock_guard lock(mutex_);
        // A preview of the item that is already giving up does not count: the item starts anew.
        if (running_ == item && !stopRunning_) {
            return;
        }
        stopRunning_ = running_.has_value();
        waiting_ = Job{item, std::move(definition)};
    }
    changed_.notify_all();
}

void PreviewWorker::StopAndWait()
{
    std::unique_lock lock(mutex_);
    waiting_.reset();
    stopRunning_ = true;
    changed_.notify_all();
    changed_.wait(lock, [&] { return !running_.has_value(); });
}

std::optional<std::pair<std::size_t, std::size_t>> PreviewWorker::Running() const
{
    const std::lock_guard lock(mutex_);
    if (!running_) {
        return std::nullopt;
    }
    return std::pair{*running_, seen_.load(std::memory_order_relaxed)};
}

std::vector<PreviewWorker::Outcome> PreviewWorker::TakeOutcomes()
{
    const std::lock_guard lock(mutex_);
    return std::exchange(outcomes_, {});
}

void PreviewWorker::Work(std::stop_token stop, std::function<std::unique_ptr<ServiceSet>()> makeServices)
{
    const std::unique_ptr<ServiceSet> owned = makeServices();
    const PlatformServices services = owned->Services();
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            if (!changed_.wait(lock, stop, [&] { return waiting_.has_value(); })) {
                return;  // the worker is going
            }
            job = std::move(*waiting_);
            waiting_.reset();
            running_ = job.item;
            stopRunning_ = false;
            seen_ = 0;
        }
        JobPace pace(*this);
        std::optional<Outcome> outcome;
        {
            const ItemPlan plan = PlanItem(services, job.definition, Foresight::kDecideEach, pace);
            if (!stopRunning_) {
                const CountFormat count = [&](std::uint64_t n) { return services.environment.GroupedCount(n); };
                outcome = Outcome{job.item, PreviewTip(plan, count), plan.CountToRemove(),
                                  plan.targets.size() - plan.CountToRemove(), plan.problem.has_value(), PreviewLines(plan)};
            }
        }  // the plan's folder and its handles close on this thread
        {
            const std::lock_guard lock(mutex_);
            running_.reset();
            if (outcome) {
                outcomes_.push_back(std::move(*outcome));
            }
        }
        changed_.notify_all();
        if (outcome && ready_) {
            ready_();
        }
    }
}

}  // namespace nivaro
