#include "tools/simulator/controller.h"

namespace sim {
namespace {

uint8_t LightBits(Light light, uint8_t red, uint8_t green) {
    switch (light) {
        case Light::Red:
            return red;
        case Light::Green:
            return green;
        case Light::Dark:
            break;
    }
    return 0;
}

Reply Answer(uint8_t letter, uint8_t data) {
    Reply reply;
    reply.letter = letter;
    reply.data = data;
    return reply;
}

}  // namespace

Reply Controller::Fail(uint8_t letter, uint8_t error, uint8_t data) {
    state_.error = error;
    Reply reply = Answer(letter, data);
    reply.raisedError = error;
    return reply;
}

uint8_t StatusByte(const ControllerState& state) {
    uint8_t status = LightBits(state.entry, frames::kEntryRed, frames::kEntryGreen) |
                     LightBits(state.exit, frames::kExitRed, frames::kExitGreen);
    if (state.input1) status |= frames::kInput1;
    if (state.input2) status |= frames::kInput2;
    if (state.error != frames::kNoError) status |= frames::kErrorPresent;
    if (state.ready) status |= frames::kReady;
    return status;
}

std::optional<Reply> Controller::Handle(uint8_t address, uint8_t letter, uint8_t data) {
    // I and J find a controller whose address the sender does not know: they carry address 0.
    const frames::CommandInfo* command = frames::FindCommand(letter);
    const bool addressFree = command && command->toAddressZero;
    if (address != state_.address && !(addressFree && address == 0)) return std::nullopt;

    auto setPair = [&](Light entry, Light exit) {
        state_.entry = entry;
        state_.exit = exit;
        return Answer(letter, Status());
    };

    switch (letter) {
        case 'A':
        case 'B': {
            Light& light = letter == 'A' ? state_.entry : state_.exit;
            if (data == 1) {
                light = Light::Red;
            } else if (data == 2) {
                light = Light::Green;
            } else {
                Reply reply = Fail(letter, frames::kBadData);
                reply.data = Status();  // with the error bit now set
                return reply;
            }
            return Answer(letter, Status());
        }
        case 'C': {
            // A reset also returns the line to the first speed, 9600, once the reply has
            // left at the old one: the console reopens at 9600 after it.
            state_.entry = state_.exit = Light::Dark;
            state_.error = frames::kNoError;
            Reply reply = Answer(letter, 0);
            constexpr frames::SpeedRow kFirst = frames::kSpeeds.front();
            if (state_.speedCode != kFirst.code) reply.switchToBaud = kFirst.baud;
            state_.speedCode = kFirst.code;
            return reply;
        }
        case 'D':
            return Answer(letter, Status());
        case 'E': {
            const uint8_t code = state_.error;
            state_.error = frames::kNoError;
            return Answer(letter, code);
        }
        case 'F':
            state_.timeout = data;
            return Answer(letter, state_.timeout);
        case 'G':
            return Answer(letter, state_.timeout);
        case 'H': {
            // The reply carries the speed code in force afterwards.
            const auto baud = frames::BaudForSpeedCode(data);
            if (!baud) {
                return Fail(letter, frames::kBadData, state_.speedCode);
            }
            state_.speedCode = data;
            Reply reply = Answer(letter, data);
            reply.switchToBaud = baud;
            return reply;
        }
        case 'I':
            // Address 0 is the one every controller listens to for I and J: not assignable.
            if (data == 0) {
                return Fail(letter, frames::kBadData, state_.address);
            }
            state_.address = data;
            return Answer(letter, state_.address);
        case 'J':
            return Answer(letter, state_.address);
        case 'K':
            return setPair(Light::Green, Light::Red);
        case 'L':
            return setPair(Light::Red, Light::Green);
        case 'M':
            return setPair(Light::Red, Light::Red);
        case 'N':
            return setPair(Light::Dark, Light::Dark);
        case 'O':
            return setPair(Light::Green, Light::Green);
        default:
            return Fail(letter, frames::kBadCommand);
    }
}

}  // namespace sim
