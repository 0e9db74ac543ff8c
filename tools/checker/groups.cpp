// The groups of checks, in the order they run. Each notes what it changes before it sends
// the command that changes it, so that whatever stops it, the restore knows what to put back.

#include "tools/checker/checker.h"
#include "tools/checker/lights.h"
#include "tools/checker/steps.h"
#include "tools/checker/text.h"
#include "tools/frames/describe.h"

namespace check {
namespace {

// The byte sent alone: it cannot complete a command, and the address it would start is no
// controller's own.
constexpr uint8_t kLoneByte = 0x00;

// A five-byte reply where three were asked for, or the reverse: a hint at --format.
std::string FormatHint(const Exchange& x) {
    const frames::Bytes& r = x.received;
    if (x.want == 5 && r.size() == 3) {
        return " (a 3-byte reply: is the controller set to 3-byte replies? see --format)";
    }
    if (x.want == 3 && r.size() >= 5 && r[0] == frames::kStartMarker &&
        r[4] == frames::kEndMarker) {
        return " (an FF .. 03 reply: is the controller set to 5-byte replies? see --format)";
    }
    return {};
}

// A time limit the late reply would have met, with room to spare, for the engineer to try.
std::string LongerTimeLimit(Clock::duration took) {
    constexpr int64_t kStepMs = 100;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(took * 3 / 2).count();
    const int64_t limit =
        std::min<int64_t>(kLongestTimeLimit.count(), (ms / kStepMs + 1) * kStepMs);
    return "try --time-limit " + std::to_string(limit);
}

}  // namespace

void Checker::Link() {
    Begin(kLinkAnswer);
    // Listening on past the limit tells a late controller from a silent one.
    const Exchange x = Command(address_, 'D', 0, options_.timeLimit);
    const std::string within = " within " + Millis(options_.timeLimit);
    const size_t inTime = x.InTime();
    const bool late = inTime < x.want && x.received.size() >= x.want;
    Problems problems;
    if (x.received.empty()) {
        problems.push_back("no answer" + within + ", nor in as long again");
    } else if (late) {
        problems.push_back("the reply came too late, after " + Elapsed(x.times[x.want - 1]) +
                           ": a controller this slow needs a longer time limit (" +
                           LongerTimeLimit(x.times[x.want - 1]) + ")");
    } else if (inTime == 0) {
        problems.push_back("no answer" + within + "; " + std::to_string(x.received.size()) +
                           " bytes came after " + Elapsed(x.times.back()));
    } else if (inTime < x.want) {
        problems.push_back(std::to_string(inTime) + " of " + std::to_string(x.want) + " bytes" +
                           within + FormatHint(x));
    } else if (x.received.size() > x.want) {
        problems.push_back(std::to_string(x.received.size()) + " bytes where a " +
                           std::to_string(x.want) + "-byte reply was expected" + FormatHint(x));
    }
    End(problems);
    if (!problems.empty()) {
        skipReason_ = late ? "the reply to D came too late (see link.answer)"
                           : "the link has no whole reply to D";
        const std::string why = late ? "no reply in time to judge" : "no whole reply to judge";
        for (const Check& check : groups_.front().checks) {
            if (check.verdict == Verdict::NotRun) Skip(check.key, why, Skipped::AfterAFailure);
        }
        return;
    }

    const frames::ReplyFrame reply = *ReplyOf(x);
    if (options_.format == frames::ReplyFormat::FiveByte) {
        Begin(kLinkMarkers);
        if (reply.MarkersValid()) {
            End({});
        } else {
            End({"start " + frames::HexBytes(&reply.start, 1) + ", end " +
                 frames::HexBytes(&reply.end, 1)});
        }
    }
    Begin(kLinkAddress);
    if (reply.address == address_) {
        End({});
    } else {
        End({"it comes from " + std::to_string(reply.address)});
    }
    Begin(kLinkLetter);
    if (reply.letter == 'D') {
        End({});
    } else {
        End({"it carries the letter " + frames::LetterText(reply.letter)});
    }
    foundStatus_ = reply.data;
    lights_ = reply.data & kLightBits;

    Begin(kLinkOtherAddress);
    const frames::CommandFrame other{OtherAddress(address_), 'D', 0};
    const auto bytes = other.ToBytes();
    const Exchange o = Unanswered({bytes.begin(), bytes.end()}, frames::DescribeCommand(other));
    if (o.received.empty()) {
        End({});
    } else {
        End({"answered with " + frames::HexBytes(o.received)});
    }
}

void Checker::ReadFound() {
    Line("");
    Line("Found");
    Problems ignored;
    foundTimeout_ = Data(Ask('G'), 'G', ignored);
    foundAddress_ = Data(Command(0, 'J', 0), 'J', ignored);
    std::string found = "  lights " + DescribeLights(*foundStatus_) + "; timeout " +
                        (foundTimeout_ ? TimeoutText(*foundTimeout_) : "unknown (G unanswered)") +
                        "; " + AddressText() + "; speed " + std::to_string(options_.baud) +
                        " bit/s";
    if (*foundStatus_ & frames::kErrorPresent) {
        // Reading the error clears it; the errors group would clear it anyway.
        const auto code = Data(Ask('E'), 'E', ignored);
        found += "; error " + (code ? ErrorCodeText(*code) : "unknown (E unanswered)") +
                 " stored, now read and so cleared";
    }
    Line(found);
}

void Checker::Lights() {
    for (const LightStep& step : kLightSteps) {
        Begin(step.key);
        const uint8_t expected = *LightsAfter(step.letter, step.data, lights_);
        lightsTouched_ = true;
        const Exchange command = Ask(step.letter, step.data);
        const Exchange status = Ask('D');
        Problems problems;
        const std::string name = frames::LetterText(step.letter);
        if (const auto data = Data(command, step.letter, problems);
            data && (*data & kLightBits) != expected) {
            problems.push_back(name + " shows " + DescribeLights(*data) + ", not " +
                               DescribeLights(expected));
        }
        const auto data = Data(status, 'D', problems);
        if (data && (*data & kLightBits) != expected) {
            problems.push_back("D then shows " + DescribeLights(*data) + ", not " +
                               DescribeLights(expected));
        }
        // The next step builds on what the lights really are.
        lights_ = data ? (*data & kLightBits) : expected;
        End(problems);
    }
}

void Checker::Timeout() {
    Begin(kTimeoutRead);
    Problems problems;
    const auto stored = Data(Ask('G'), 'G', problems);
    if (stored && foundTimeout_ && *stored != *foundTimeout_) {
        problems.push_back("G read " + TimeoutText(*foundTimeout_) + " before the checks, now " +
                           TimeoutText(*stored));
    }
    End(problems);
    if (!stored || !foundTimeout_) {
        // Without the stored value the controller could not be given it back.
        const bool failed = !problems.empty();
        const std::string why =
            std::string(failed ? "G did not read the stored timeout (see timeout.read)"
                               : "G did not answer before the checks") +
            ", so the timeout is left alone";
        const Skipped skipped = failed ? Skipped::AfterAFailure : Skipped::ForItsOwnReason;
        Skip(kTimeoutWrite.key, why, skipped);
        Skip(kTimeoutRestore.key, why, skipped);
        return;
    }
    // Next to the stored value: the least change to how the controller behaves meanwhile.
    const uint8_t original = *foundTimeout_;
    const uint8_t other = static_cast<uint8_t>(original < 255 ? original + 1 : original - 1);

    Begin(kTimeoutWrite);
    problems.clear();
    timeoutTouched_ = true;
    Data(Ask('F', other), 'F', problems);
    if (const auto read = Data(Ask('G'), 'G', problems); read && *read != other) {
        problems.push_back("G reads " + TimeoutText(*read) + " after F " + TimeoutText(other));
    }
    End(problems);

    Begin(kTimeoutRestore);
    problems.clear();
    Data(Ask('F', original), 'F', problems);
    const auto read = Data(Ask('G'), 'G', problems);
    if (read && *read != original) {
        problems.push_back("G reads " + TimeoutText(*read) + " after F " + TimeoutText(original));
    }
    if (read == original) timeoutTouched_ = false;
    End(problems);
}

void Checker::Errors() {
    for (const ErrorStep& step : kErrorSteps) {
        Begin(step.key);
        // Whether the controller answers the faulty command itself is its own affair.
        if (step.letter) {
            Ask(step.letter, step.data);
        } else {
            Unanswered({kLoneByte}, "a single byte, then " + Millis(options_.timeLimit) +
                                        " of silence for the controller to drop it");
        }
        Problems problems;
        if (const auto status = Data(Ask('D'), 'D', problems);
            status && !(*status & frames::kErrorPresent)) {
            problems.push_back("D shows no error bit");
        }
        if (const auto code = Data(Ask('E'), 'E', problems); code && *code != step.code) {
            problems.push_back("E reads " + ErrorCodeText(*code) + ", not " +
                               ErrorCodeText(step.code));
        }
        if (const auto status = Data(Ask('D'), 'D', problems);
            status && (*status & frames::kErrorPresent)) {
            problems.push_back("D still shows the error bit after E");
        }
        End(problems);
    }
}

void Checker::AddressChange() {
    if (foundAddress_ != options_.address) {
        // Which address to write back would be a guess.
        const std::string address = std::to_string(options_.address);
        const std::string why =
            (foundAddress_ ? "J reads address " + std::to_string(*foundAddress_) +
                                 " where D answers at " + address
                           : "J did not answer before the checks") +
            ", so the address is left alone";
        Skip(kAddressWrite.key, why, Skipped::ForItsOwnReason);
        Skip(kAddressBack.key, why, Skipped::ForItsOwnReason);
        return;
    }
    const uint8_t original = options_.address;
    const uint8_t other = OtherAddress(original);

    Begin(kAddressWrite);
    Problems problems;
    addressTouched_ = true;
    Data(Command(0, 'I', other), 'I', problems, other);
    address_ = other;
    const auto read = Data(Command(0, 'J', 0), 'J', problems, other);
    if (read && *read != other) problems.push_back("J reads " + std::to_string(*read));
    Data(Ask('D'), 'D', problems, other);
    if (read) address_ = *read;
    End(problems);

    Begin(kAddressBack);
    problems.clear();
    Data(Command(0, 'I', original), 'I', problems, original);
    address_ = original;
    const auto back = Data(Command(0, 'J', 0), 'J', problems, original);
    if (back && *back != original) problems.push_back("J reads " + std::to_string(*back));
    if (back) address_ = *back;
    if (back == original) addressTouched_ = false;
    End(problems);
}

void Checker::SpeedChange() {
    const auto switchTo = [this](const frames::SpeedRow& row, Problems& problems) {
        speedTouched_ = true;
        Data(Ask('H', row.code), 'H', problems);
        // The controller answers at the old speed and switches once the reply has left.
        port_.Pause(kSpeedSettle);
        port_.SetSpeed(row.baud);
        controllerBaud_ = row.baud;
        if (!Data(Ask('D'), 'D', problems)) controllerBaud_.reset();
    };
    for (const frames::SpeedRow& row : frames::kSpeeds) {
        if (row.baud == options_.baud) continue;
        const std::string key = Fill(kSpeedTo.key, {{"baud", std::to_string(row.baud)}});
        if (!controllerBaud_) {
            Skip(key, "the controller's speed is no longer known", Skipped::AfterAFailure);
            continue;
        }
        Begin(key);
        Problems problems;
        switchTo(row, problems);
        End(problems);
    }
    if (!controllerBaud_) {
        Skip(kSpeedBack.key, "the controller's speed is no longer known: see Restore",
             Skipped::AfterAFailure);
        return;
    }
    Begin(kSpeedBack);
    Problems problems;
    switchTo({options_.baud, *frames::SpeedCodeForBaud(options_.baud)}, problems);
    if (problems.empty()) speedTouched_ = false;
    End(problems);
}

void Checker::Replies() {
    const auto some = [this](const Problems& found) -> Problems {
        if (found.empty()) return {};
        Problems shown(found.begin(), found.begin() + std::min<size_t>(found.size(), 3));
        if (found.size() > shown.size()) shown.push_back("...");
        return {std::to_string(found.size()) + " of " + std::to_string(replies_) + ": " +
                Join(shown)};
    };
    if (options_.format == frames::ReplyFormat::FiveByte) {
        Begin(kRepliesMarkers);
        End(some(badMarkers_));
    }
    Begin(kRepliesAddress);
    End(some(badAddresses_));
    Begin(kRepliesExtra);
    if (extraBytes_.empty()) {
        End({});
    } else {
        End({Join(extraBytes_)});
    }
}

}  // namespace check
