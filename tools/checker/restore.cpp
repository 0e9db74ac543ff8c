// Putting the controller back as it was found: the speed first (nothing else is reachable
// without it), then the address, the timeout and the lights; then everything is read again,
// so that "left as found" is what the controller says, not what was sent.

#include <algorithm>

#include "tools/checker/checker.h"
#include "tools/checker/interrupt.h"
#include "tools/checker/lights.h"
#include "tools/checker/text.h"

namespace check {

void Checker::Restore() {
    Line("");
    Line("Restore");
    if (portFailed_) {
        notAsFound_.push_back("unknown: the port failed, nothing could be put back");
        Line("  NOT left as found: " + Join(notAsFound_) + ".");
        return;
    }
    if (!foundStatus_) {
        Line("  Nothing was changed: no command but D reached the controller.");
        return;
    }
    try {
        // A reply to the command that was cut short may still be on its way: it must not
        // be taken for the answer to the first command that puts things back.
        if (stoppedBy_) port_.Pause(options_.timeLimit);
        if (speedTouched_ || controllerBaud_ != options_.baud) FindSpeed();
        if (addressTouched_ && foundAddress_) {
            Command(0, 'I', *foundAddress_);
            address_ = *foundAddress_;
        }
        if (timeoutTouched_ && foundTimeout_) Ask('F', *foundTimeout_);
        if (lightsTouched_) {
            const auto commands = LightsRestore(*foundStatus_, address_);
            if (!commands) Line("  No command sets the lights as they were found.");
            for (const frames::CommandFrame& c :
                 commands.value_or(std::vector<frames::CommandFrame>{})) {
                Command(c.address, c.letter, c.data);
            }
        }
        notAsFound_ = Verify();
    } catch (const Interrupted&) {
        stop_.Reset();
        const std::string signal = StopSignalText(StopSignal());
        Line("  Stopped again by " + signal + ": the controller is left as it is now.");
        notAsFound_ = {"not read back after a second " + signal};
    } catch (const PortFailed&) {
        Line("  The port failed.");
        notAsFound_ = {"not read back: the port failed"};
    }
    if (!notAsFound_.empty()) {
        Line("  NOT left as found: " + Join(notAsFound_) + ".");
        return;
    }
    Line("  Left as found: lights " + DescribeLights(*foundStatus_) + "; timeout " +
         (foundTimeout_ ? TimeoutText(*foundTimeout_) : "not read") + "; " + AddressText() +
         "; speed " + std::to_string(options_.baud) + " bit/s.");
}

void Checker::FindSpeed() {
    // J reaches the controller whatever its address: tried at the speed it should be at,
    // then at every other one.
    std::vector<uint32_t> speeds;
    if (controllerBaud_) speeds.push_back(*controllerBaud_);
    speeds.push_back(options_.baud);
    for (const frames::SpeedRow& row : frames::kSpeeds) speeds.push_back(row.baud);
    std::vector<uint32_t> tried;
    for (const uint32_t baud : speeds) {
        if (std::find(tried.begin(), tried.end(), baud) != tried.end()) continue;
        tried.push_back(baud);
        port_.SetSpeed(baud);
        Line("  at " + std::to_string(baud) + " bit/s:");
        Problems ignored;
        const auto address = Data(Command(0, 'J', 0), 'J', ignored);
        if (!address) continue;
        // J is taken at its word only for an address the checks may have changed.
        if (addressTouched_) address_ = *address;
        if (baud != options_.baud) {
            Ask('H', *frames::SpeedCodeForBaud(options_.baud));
            port_.Pause(kSpeedSettle);
        }
        break;
    }
    port_.SetSpeed(options_.baud);
    controllerBaud_ = options_.baud;
}

Problems Checker::Verify() {
    Problems differ;
    const std::string at =
        " at address " + std::to_string(address_) + ", " + std::to_string(port_.Speed()) + " bit/s";
    Problems ignored;
    auto status = Data(Ask('D'), 'D', ignored);
    if (status && (*status & frames::kErrorPresent) && !(*foundStatus_ & frames::kErrorPresent)) {
        // An error the checks provoked and did not get to read (after Ctrl-C): reading
        // clears it.
        Ask('E');
        status = Data(Ask('D'), 'D', ignored);
        if (status && (*status & frames::kErrorPresent)) differ.push_back("error bit still set");
    }
    if (!status) {
        differ.push_back("no answer to D" + at + ": lights, address and speed unknown");
        return differ;
    }
    if ((*status & kLightBits) != (*foundStatus_ & kLightBits)) {
        differ.push_back("lights " + DescribeLights(*status) + ", found " +
                         DescribeLights(*foundStatus_));
    }
    if (foundTimeout_) {
        const auto timeout = Data(Ask('G'), 'G', ignored);
        if (!timeout) {
            differ.push_back("timeout unknown, G unanswered");
        } else if (*timeout != *foundTimeout_) {
            differ.push_back("timeout " + TimeoutText(*timeout) + ", found " +
                             TimeoutText(*foundTimeout_));
        }
    }
    if (foundAddress_) {
        const auto address = Data(Command(0, 'J', 0), 'J', ignored);
        if (!address) {
            differ.push_back("address unknown, J unanswered");
        } else if (*address != *foundAddress_) {
            differ.push_back("address " + std::to_string(*address) + ", found " +
                             std::to_string(*foundAddress_));
        }
    }
    return differ;
}

}  // namespace check
