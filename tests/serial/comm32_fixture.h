#pragma once
// A TComm32 on the test's thread over the fake port, with seams for the failures that only
// the object itself can meet (no stop event, no thread).

#include <gtest/gtest.h>

#include <exception>
#include <memory>

#include "fake_device.h"
#include "pump.h"
#include "serial/comm32.h"

namespace serial::test {

class TestableComm32 : public TComm32 {
  public:
    using TComm32::TComm32;
    using TComm32::Worker;
    bool NoCloseEvent = false;
    // When set, starting that worker throws it: a thread, or something the worker needs,
    // that cannot be created.
    std::exception_ptr ReaderStartFailure;
    std::exception_ptr WriterStartFailure;

  protected:
    std::unique_ptr<Event> CreateCloseEvent() override {
        return NoCloseEvent ? nullptr : TComm32::CreateCloseEvent();
    }
    std::thread StartWorker(Worker which, std::function<void()> body) override {
        const std::exception_ptr& failure =
            which == Worker::Reader ? ReaderStartFailure : WriterStartFailure;
        if (failure) std::rethrow_exception(failure);
        return TComm32::StartWorker(which, std::move(body));
    }
};

class Comm32Test : public ::testing::Test {
  protected:
    void OpenReady() {
        ASSERT_TRUE(comm.OpenPort());
        ASSERT_TRUE(PumpUntil(comm, [&] { return comm.ReaderReady() && comm.WriterReady(); }));
    }

    std::shared_ptr<FakePort> port = FakePort::Create();
    TestableComm32 comm{port->Opener()};
};

}  // namespace serial::test
