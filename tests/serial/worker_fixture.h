#pragma once
// A worker thread driven directly against the fake port, with its own stop event and
// notification queue standing in for the object.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "fake_device.h"
#include "pump.h"
#include "serial/comm_constants.h"

namespace serial::test {

template <class Thread>
class WorkerFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        worker.CommHandle = device.get();
        worker.CloseEvent = close.get();
        worker.NotifyWindow = queue;
    }
    void TearDown() override { Stop(); }

    // What ClosePort does for one worker.
    void Stop(uint32_t purge = 0) {
        close->Set();
        if (purge) device->PurgeComm(purge);
        worker.Join();
    }
    // Waits for the worker to end by itself (its stop step always purges).
    void WaitEnded() {
        ASSERT_TRUE(port->WaitCalls(Call::PurgeComm, 1));
        worker.Join();
    }
    std::vector<Message> Drain() {
        std::vector<Message> all;
        while (auto n = queue->Pop()) all.push_back(std::move(*n));
        return all;
    }
    static std::vector<uint32_t> Codes(const std::vector<Message>& all) {
        std::vector<uint32_t> codes;
        for (const auto& n : all) codes.push_back(n.code);
        return codes;
    }

    std::shared_ptr<FakePort> port = FakePort::Create();
    std::unique_ptr<Device> device = port->MakeDevice();
    std::unique_ptr<Event> close = Event::Create(false);
    std::shared_ptr<MessageQueue> queue = std::make_shared<MessageQueue>();
    Thread worker;
};

}  // namespace serial::test
