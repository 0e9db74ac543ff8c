#pragma once
// The simulated traffic-light controller: its state and its answer to each three-byte
// command. Knows nothing of lines, timing or faults; the simulator loop feeds it commands
// and puts its replies on the line.

#include <cstdint>
#include <optional>

#include "tools/frames/protocol.h"

namespace sim {

enum class Light : uint8_t { Dark, Red, Green };

struct ControllerState {
    uint8_t address = 1;
    Light entry = Light::Dark;
    Light exit = Light::Dark;
    bool input1 = false;
    bool input2 = false;
    bool ready = true;
    uint8_t error = frames::kNoError;
    uint8_t timeout = 10;   // in units of 100 ms
    uint8_t speedCode = 9;  // 9600 bit/s
};

struct Reply {
    uint8_t letter = 0;
    uint8_t data = 0;
    uint8_t raisedError = frames::kNoError;  // the error code this command set, if any
    // Set by a valid H, and by C away from 9600: the line speed to switch to once this reply
    // has left at the old one.
    std::optional<uint32_t> switchToBaud;
};

// The status byte for a state.
uint8_t StatusByte(const ControllerState& state);

class Controller {
  public:
    Controller() = default;
    explicit Controller(const ControllerState& initial) : state_(initial) {}

    // Answers one command; nothing when the command is addressed to another controller.
    std::optional<Reply> Handle(uint8_t address, uint8_t letter, uint8_t data);
    // Bytes that did not complete a command in time.
    void ReceiveError() { state_.error = frames::kReceiveError; }

    uint8_t Status() const { return StatusByte(state_); }
    // The reply's address byte: the controller's own address (after the command, for I).
    uint8_t Address() const { return state_.address; }

    ControllerState& State() { return state_; }
    const ControllerState& State() const { return state_; }

  private:
    // Records the error and builds the reply that goes with it.
    Reply Fail(uint8_t letter, uint8_t error, uint8_t data = 0);

    ControllerState state_;
};

}  // namespace sim
