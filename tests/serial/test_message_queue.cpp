// The owner queue's Room event through whole fill-and-drain cycles: a producer held back
// for room must be let go once the owner has caught up, every time, and never before.
#include <gtest/gtest.h>

#include "serial/message_queue.h"

namespace serial {
namespace {

TEST(MessageQueueRoom, FollowsTheQueuedBytesThroughRepeatedFillAndDrain) {
    MessageQueue queue(4000);
    Message record;
    record.payload.resize(900);
    for (int cycle = 0; cycle < 3; ++cycle) {
        SCOPED_TRACE(cycle);
        int posted = 0;
        while (queue.Room().IsSet()) {
            ASSERT_LE(queue.QueuedBytes(), queue.Bound()) << "room withdrawn too late";
            ASSERT_TRUE(queue.Post(record));
            ASSERT_LT(++posted, 100) << "room never withdrawn";
        }
        EXPECT_GT(queue.QueuedBytes(), queue.Bound());
        while (!queue.Room().IsSet()) {
            ASSERT_GT(queue.QueuedBytes(), queue.Bound() / 2) << "room given back too early";
            ASSERT_TRUE(queue.Pop());
        }
        EXPECT_LE(queue.QueuedBytes(), queue.Bound() / 2);
        // Below the bound it stays given whatever comes and goes.
        for (int i = 0; i < 5; ++i) {
            ASSERT_TRUE(queue.Post(record));
            ASSERT_TRUE(queue.Pop());
            EXPECT_TRUE(queue.Room().IsSet());
        }
        while (queue.Pop()) {
        }
        EXPECT_TRUE(queue.Room().IsSet());
        EXPECT_FALSE(queue.Ready().IsSet());
    }
}

TEST(MessageQueueRoom, ClosingGivesRoomBackToAHeldProducer) {
    MessageQueue queue(1000);
    Message big;
    big.payload.resize(1200);
    ASSERT_TRUE(queue.Post(big));
    ASSERT_FALSE(queue.Room().IsSet());
    queue.Close();
    EXPECT_TRUE(queue.Room().IsSet());
    EXPECT_FALSE(queue.Post(big));
    EXPECT_TRUE(queue.Room().IsSet()) << "a refused post must not take room away";
}

}  // namespace
}  // namespace serial
