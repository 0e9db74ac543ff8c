#pragma once
// The simulated traffic-light controller: its state and its answer to each three-byte
// command. Knows nothing of lines, timing or faults; the simulator loop feeds it commands
// and puts its replies on the line.

#include <cstdint>
#include <optional>

namespace sim {

enum class Light : uint8_t { Dark, Red, Green };

// Status byte bits, as the controller reports them in replies A, B, D and K..O.
enum StatusBit : uint8_t {
    kEntryRed = 0x01,
    kEntryGreen = 0x02,
    kExitRed = 0x04,
    kExitGreen = 0x08,
    kInput1 = 0x10,
    kInput2 = 0x20,
    kErrorPresent = 0x40,
    kReady = 0x80,
};

// Error codes the controller reports through E.
enum ErrorCode : uint8_t {
    kNoError = 0,
    kReceiveError = 1,  // bytes that did not make a whole command
    kBadCommand = 2,    // a letter without a command
    kBadData = 3,       // a data byte the command does not take
};

struct ControllerState {
    uint8_t address = 1;
    Light entry = Light::Dark;
    Light exit = Light::Dark;
    bool input1 = false;
    bool input2 = false;
    bool ready = true;
    uint8_t error = kNoError;
    uint8_t timeout = 10;   // in units of 100 ms
    uint8_t speedCode = 9;  // 9600 bit/s
};

struct Reply {
    uint8_t letter = 0;
    uint8_t data = 0;
    uint8_t raisedError = kNoError;  // the error code this command set, if any
    // Set by a valid H: the line speed to switch to once this reply has left at the old one.
    std::optional<uint32_t> switchToBaud;
};

// Line speed for a speed code (9, 19, 38, 57, 115), or nothing for any other code.
std::optional<uint32_t> BaudForSpeedCode(uint8_t code);
// Speed code for a line speed, or nothing when the controller has no code for it.
std::optional<uint8_t> SpeedCodeForBaud(uint32_t baud);

class Controller {
  public:
    Controller() = default;
    explicit Controller(const ControllerState& initial) : state_(initial) {}

    // Answers one command; nothing when the command is addressed to another controller.
    std::optional<Reply> Handle(uint8_t address, uint8_t letter, uint8_t data);
    // Bytes that did not complete a command in time.
    void ReceiveError() { state_.error = kReceiveError; }

    uint8_t Status() const;
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
