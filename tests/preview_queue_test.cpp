// Which item the window of the other items counts next: what the box waits for, then what is on
// screen, then what is checked, one at a time; nothing else.

#include "main/preview_queue.h"

#include <gtest/gtest.h>

namespace nivaro {
namespace {

// Counts the queue's choices to the end, as the window does: each started, then finished.
std::vector<std::size_t> CountAll(PreviewQueue& queue)
{
    std::vector<std::size_t> counted;
    while (const std::optional<std::size_t> next = queue.Next()) {
        queue.Started(*next);
        EXPECT_EQ(queue.Next(), std::nullopt) << "one at a time";
        queue.Finished(*next);
        counted.push_back(*next);
    }
    return counted;
}

TEST(PreviewQueue, CountsOnlyWhatIsOnScreenOrCheckedAndWhatTheBoxWaitsForFirst)
{
    PreviewQueue queue(4000);
    queue.SetOnScreen({10, 11, 12});
    queue.SetChecked(3999, true);
    queue.SetChecked(5, true);
    queue.SetChecked(5, false);
    EXPECT_EQ(CountAll(queue), (std::vector<std::size_t>{10, 11, 12, 3999}));

    // Scrolled: only what came on screen is counted; what was counted stays known.
    queue.SetOnScreen({11, 12, 13});
    EXPECT_EQ(CountAll(queue), std::vector<std::size_t>{13});

    // Preview: the box's items afresh, before anything else, in the box's order.
    queue.SetOnScreen({20});
    queue.Await({3999, 11});
    EXPECT_TRUE(queue.Awaiting());
    EXPECT_EQ(CountAll(queue), (std::vector<std::size_t>{3999, 11, 20}));
    EXPECT_FALSE(queue.Awaiting());

    // After a clean nothing is known: what is on screen and checked is counted again.
    queue.ForgetAll();
    EXPECT_FALSE(queue.Known(13));
    EXPECT_EQ(CountAll(queue), (std::vector<std::size_t>{20, 3999}));
}

TEST(PreviewQueue, OneThatRunsStopsForWhatTheBoxWaitsForAndWaitsItsTurnAgain)
{
    PreviewQueue queue(10);
    queue.SetOnScreen({1, 2});
    queue.Started(*queue.Next());
    EXPECT_EQ(queue.Running(), 1u);
    EXPECT_FALSE(queue.ShouldStop());

    queue.Await({7});
    ASSERT_TRUE(queue.ShouldStop());
    EXPECT_EQ(queue.Next(), 7u);
    queue.Stopped(1);
    queue.Started(7);
    EXPECT_FALSE(queue.ShouldStop());
    queue.Finished(7);
    EXPECT_EQ(CountAll(queue), (std::vector<std::size_t>{1, 2})) << "the stopped one is counted in its turn";

    // One the box waits for that runs already goes on.
    queue.ForgetAll();
    queue.Started(2);
    queue.Await({2});
    EXPECT_FALSE(queue.ShouldStop());
    EXPECT_EQ(queue.Next(), std::nullopt);
}

}  // namespace
}  // namespace nivaro
