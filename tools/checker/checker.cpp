#include "tools/checker/checker.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <stdexcept>

#include "tools/checker/interrupt.h"
#include "tools/checker/steps.h"
#include "tools/checker/text.h"
#include "tools/frames/describe.h"

namespace check {
namespace {

constexpr size_t kHexColumn = 16;  // wide enough for a five-byte reply

std::string Padded(const frames::Bytes& bytes) {
    std::string hex = frames::HexBytes(bytes);
    if (hex.size() < kHexColumn) hex.resize(kHexColumn, ' ');
    return hex + ' ';
}

frames::Bytes Slice(const frames::Bytes& bytes, size_t from, size_t to) {
    return frames::Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                         bytes.begin() + static_cast<std::ptrdiff_t>(to));
}

// The first bytes of what may be a long burst of noise.
std::string Shortened(const frames::Bytes& bytes) {
    constexpr size_t kShown = 16;
    if (bytes.size() <= kShown) return frames::HexBytes(bytes);
    return frames::HexBytes(Slice(bytes, 0, kShown)) + " ...";
}

std::string Now() {
    const std::time_t now = std::time(nullptr);
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S %z", std::localtime(&now));
    return text;
}

// "a, b, c".
std::string Listed(const std::vector<std::string>& keys) {
    std::string text;
    for (const std::string& key : keys) text += (text.empty() ? "" : ", ") + key;
    return text;
}

const char* VerdictText(Verdict verdict) {
    switch (verdict) {
        case Verdict::Pass:
            return "PASS";
        case Verdict::Fail:
            return "FAIL";
        case Verdict::Skip:
            return "SKIP";
        case Verdict::NotRun:
            break;
    }
    return "----";
}

}  // namespace

Checker::Checker(const Options& options, CheckPort& port, Record& record, serial::Event& stop)
    : options_(options),
      port_(port),
      record_(record),
      stop_(stop),
      replyLength_(static_cast<size_t>(options.format)),
      address_(options.address),
      controllerBaud_(options.baud) {
    Plan();
}

void Checker::Plan() {
    Group link{"Link", &Checker::Link, nullptr, nullptr, {}};
    for (const CheckRow* row : kLinkChecks) Add(link, *row);
    groups_.push_back(std::move(link));

    Group lights{"Lights", &Checker::Lights, nullptr, nullptr, {}};
    for (const LightStep& step : kLightSteps) {
        lights.checks.push_back({step.key, std::string(step.sets) + "; a following D agrees"});
    }
    groups_.push_back(std::move(lights));

    Group timeout{"Timeout", &Checker::Timeout, nullptr, nullptr, {}};
    for (const CheckRow* row : kTimeoutChecks) Add(timeout, *row);
    groups_.push_back(std::move(timeout));

    Group errors{"Errors", &Checker::Errors, nullptr, nullptr, {}};
    for (const ErrorStep& step : kErrorSteps) {
        errors.checks.push_back({step.key, std::string(step.provocation) + " makes E read " +
                                               ErrorCodeText(step.code) +
                                               ", the error bit set until then"});
    }
    groups_.push_back(std::move(errors));

    Group address{
        "Address", &Checker::AddressChange, "--address-change", &Options::addressChange, {}};
    for (const CheckRow* row : kAddressChecks) Add(address, *row);
    groups_.push_back(std::move(address));

    Group speed{"Speed", &Checker::SpeedChange, "--speed-change", &Options::speedChange, {}};
    for (const frames::SpeedRow& row : frames::kSpeeds) {
        if (row.baud != options_.baud) Add(speed, kSpeedTo, row.baud);
    }
    Add(speed, kSpeedBack, options_.baud);
    groups_.push_back(std::move(speed));

    Group replies{"Replies", &Checker::Replies, nullptr, nullptr, {}};
    for (const CheckRow* row : kRepliesChecks) Add(replies, *row);
    groups_.push_back(std::move(replies));
}

void Checker::Add(Group& group, const CheckRow& row, uint32_t baud) {
    if (row.fiveByteOnly && options_.format != frames::ReplyFormat::FiveByte) return;
    const auto code = frames::SpeedCodeForBaud(baud);
    const std::initializer_list<std::pair<std::string_view, std::string>> values = {
        {"address", std::to_string(options_.address)},
        {"other", std::to_string(OtherAddress(options_.address))},
        {"limit", Millis(options_.timeLimit)},
        {"length", std::to_string(replyLength_)},
        {"baud", std::to_string(baud)},
        {"code", code ? std::to_string(*code) : "?"},
    };
    group.checks.push_back({Fill(row.key, values), Fill(row.title, values)});
}

bool Checker::Asked(const Group& group) const {
    return !group.asked || options_.*group.asked;
}

int Checker::Run() {
    Line(VersionText());
    Line("Date:        " + Now());
    Line("Port:        " + options_.device + ", " + std::to_string(options_.baud) + " bit/s, " +
         std::to_string(replyLength_) + "-byte replies");
    Line("Controller:  address " + std::to_string(options_.address) + ", replies within " +
         Millis(options_.timeLimit));
    try {
        // Not a reply to anything, so not held against the controller; said, not hidden.
        if (const frames::Bytes dropped = port_.Discard(); !dropped.empty()) {
            Line("Discarded:   " + std::to_string(dropped.size()) +
                 (dropped.size() == 1 ? " byte" : " bytes") +
                 " that came before the first command: " + Shortened(dropped));
        }
        for (size_t i = 0; i < groups_.size(); ++i) {
            const Group& group = groups_[i];
            const std::string heading = std::to_string(i + 1) + ". " + group.name;
            Line("");
            if (!Asked(group)) {
                Line(heading + ": not run (ask for it with " + group.option + ")");
            } else if (!skipReason_.empty()) {
                Line(heading + ": skipped, " + skipReason_);
                for (Check& check : groups_[i].checks) {
                    check.verdict = Verdict::Skip;
                    check.note = skipReason_;
                    check.skipped = Skipped::AfterAFailure;
                }
            } else {
                Line(heading);
                (this->*group.run)();
                if (i == 0 && skipReason_.empty()) ReadFound();
            }
        }
    } catch (const Interrupted&) {
        stoppedBy_ = StopSignal();
        stop_.Reset();
        const std::string signal = StopSignalText(*stoppedBy_);
        Line("");
        Line("Stopped by " + signal + ".");
        SkipRest("stopped by " + signal, Skipped::ForItsOwnReason);
    } catch (const PortFailed&) {
        portFailed_ = true;
        Line("");
        Line("The port failed: the controller can no longer be reached through it.");
        if (const std::string cause = port_.FailureText(); !cause.empty()) Line(cause);
        if (current_) {
            current_->verdict = Verdict::Fail;
            current_->note = "the port failed";
        }
        SkipRest("the port failed", Skipped::AfterAFailure);
    }
    Restore();
    Summary();
    // A closed console window has no signal number: it ends as a polite kill would.
    if (stoppedBy_) return 128 + (*stoppedBy_ == kConsoleClosed ? SIGTERM : *stoppedBy_);
    // A check that was asked for and did not run is not a pass.
    for (const Group& group : groups_) {
        for (const Check& check : group.checks) {
            if (check.verdict == Verdict::Fail || check.verdict == Verdict::Skip) return 1;
        }
    }
    return notAsFound_.empty() ? 0 : 1;
}

Check& Checker::CheckFor(std::string_view key) {
    for (Group& group : groups_) {
        for (Check& check : group.checks) {
            if (check.key == key) return check;
        }
    }
    throw std::logic_error("no check " + std::string(key));
}

void Checker::Begin(std::string_view key) {
    current_ = &CheckFor(key);
    Line("  " + current_->key + ": " + current_->title);
}

void Checker::Begin(const CheckRow& row) {
    Begin(row.key);
}

void Checker::End(const Problems& problems) {
    current_->verdict = problems.empty() ? Verdict::Pass : Verdict::Fail;
    current_->note = Join(problems);
    Line(problems.empty() ? "    PASS" : "    FAIL: " + current_->note);
    current_ = nullptr;
}

void Checker::Skip(std::string_view key, const std::string& why, Skipped skipped) {
    Check& check = CheckFor(key);
    check.verdict = Verdict::Skip;
    check.note = why;
    check.skipped = skipped;
    Line("  " + check.key + ": " + check.title);
    Line("    SKIP: " + why);
}

void Checker::SkipRest(const std::string& why, Skipped skipped) {
    for (Group& group : groups_) {
        if (!Asked(group)) continue;
        for (Check& check : group.checks) {
            if (check.verdict != Verdict::NotRun) continue;
            check.verdict = Verdict::Skip;
            check.note = why;
            check.skipped = skipped;
        }
    }
    current_ = nullptr;
}

Exchange Checker::Command(uint8_t address, uint8_t letter, uint8_t data, Clock::duration beyond) {
    const frames::CommandFrame command{address, letter, data};
    const auto bytes = command.ToBytes();
    const Exchange x =
        port_.Send({bytes.begin(), bytes.end()}, replyLength_, options_.timeLimit, beyond);
    // I answers from the address it writes; J from the controller's, whatever it was sent to.
    std::optional<uint8_t> from = address;
    if (letter == 'I') from = data;
    if (letter == 'J') from = address_;
    Show(x, frames::DescribeCommand(command), from);
    return x;
}

Exchange Checker::Unanswered(const frames::Bytes& bytes, const std::string& meaning) {
    const Exchange x = port_.Send(bytes, 0, options_.timeLimit);
    Show(x, meaning, std::nullopt);
    return x;
}

void Checker::Show(const Exchange& x, const std::string& meaning, std::optional<uint8_t> from) {
    if (!x.leftover.empty()) {
        Line("    <- " + Padded(x.leftover) + "came outside any reply");
        extraBytes_.push_back(frames::HexBytes(x.leftover) + " before " + meaning);
    }
    Line("    -> " + Padded(x.sent) + meaning);
    const size_t got = x.received.size();
    if (got == 0) {
        Line("    .. nothing within " +
             Millis(std::chrono::duration_cast<std::chrono::milliseconds>(x.limit)));
        return;
    }
    const std::string after = " (" + Elapsed(x.times.back()) + ")";
    if (x.want == 0 || got < x.want) {
        const std::string what =
            x.want == 0 ? "" : std::to_string(got) + " of " + std::to_string(x.want) + " bytes";
        Line("    <- " + Padded(x.received) + what + after);
        return;
    }
    const frames::ReplyFrame reply =
        *frames::ParseReply(x.received.data(), x.want, static_cast<frames::ReplyFormat>(x.want));
    std::string text = frames::DescribeReply(reply);
    if (!reply.MarkersValid()) {
        text += "; markers " + frames::HexBytes(&reply.start, 1) + " .. " +
                frames::HexBytes(&reply.end, 1) + ", not FF .. 03";
    }
    if (from && reply.address != *from) text += "; not from " + std::to_string(*from);
    const Clock::duration took = x.times[x.want - 1];
    text += " (" + Elapsed(took) + (took > x.limit ? ", beyond the time limit" : "") + ")";
    Line("    <- " + Padded(Slice(x.received, 0, x.want)) + text);
    if (got > x.want) {
        const frames::Bytes rest = Slice(x.received, x.want, got);
        Line("    <- " + Padded(rest) + "beyond the reply" + after);
        extraBytes_.push_back(frames::HexBytes(rest) + " after the reply to " + meaning);
    }
    if (!x.Answered()) return;
    ++replies_;
    const std::string letter = frames::LetterText(reply.letter);
    if (!reply.MarkersValid()) {
        badMarkers_.push_back(letter + " framed " + frames::HexBytes(&reply.start, 1) + " .. " +
                              frames::HexBytes(&reply.end, 1));
    }
    if (from && reply.address != *from) {
        badAddresses_.push_back(letter + " from " + std::to_string(reply.address) + ", not " +
                                std::to_string(*from));
    }
}

void Checker::Summary() {
    Line("");
    Line("Summary");
    size_t counts[4] = {};
    Problems failed;
    for (const Group& group : groups_) {
        for (const Check& check : group.checks) {
            if (check.verdict == Verdict::NotRun) continue;  // a group not asked for
            ++counts[static_cast<int>(check.verdict)];
            if (check.verdict == Verdict::Fail) failed.push_back(check.key);
            std::string key = check.key;
            key.resize(std::max<size_t>(key.size(), 19), ' ');
            // A skipped check's reason says more than its title.
            const bool skipped = check.verdict == Verdict::Skip;
            std::string text = "  " + std::string(VerdictText(check.verdict)) + "  " + key + " " +
                               (skipped ? check.note : check.title);
            if (!skipped && !check.note.empty()) text += ": " + check.note;
            Line(text);
        }
    }
    const size_t passed = counts[static_cast<int>(Verdict::Pass)];
    const size_t skipped = counts[static_cast<int>(Verdict::Skip)];
    const size_t total = passed + failed.size() + skipped;
    Line("  " + std::to_string(total) + " checks: " + std::to_string(passed) + " passed, " +
         std::to_string(failed.size()) + " failed, " + std::to_string(skipped) + " skipped.");

    Problems parts;
    if (stoppedBy_) parts.push_back("stopped by " + StopSignalText(*stoppedBy_));
    if (portFailed_) parts.push_back("the port failed");
    if (!failed.empty()) {
        parts.push_back(std::to_string(failed.size()) + " failed (" + Listed(failed) + ")");
    }
    // Skips that no failure explains, each reason with the checks it kept from running.
    std::vector<std::pair<std::string, Problems>> unexplained;
    for (const Group& group : groups_) {
        for (const Check& check : group.checks) {
            if (stoppedBy_ || check.verdict != Verdict::Skip ||
                check.skipped != Skipped::ForItsOwnReason) {
                continue;
            }
            auto same =
                std::find_if(unexplained.begin(), unexplained.end(),
                             [&](const auto& reason) { return reason.first == check.note; });
            if (same == unexplained.end()) same = unexplained.insert(same, {check.note, {}});
            same->second.push_back(check.key);
        }
    }
    for (const auto& [why, keys] : unexplained) {
        parts.push_back(std::to_string(keys.size()) + " asked for and not run (" + Listed(keys) +
                        "): " + why);
    }
    if (parts.empty())
        parts.push_back(passed == total ? "every check passed" : "not every check ran");
    Line("Result: " + Join(parts) + "; " +
         (notAsFound_.empty() ? "the controller is left as it was found."
                              : "the controller is NOT left as it was found (see Restore)."));
}

std::string Checker::AddressText() const {
    const std::string address = "address " + std::to_string(options_.address);
    if (!foundAddress_) return address + " (J unanswered)";
    if (*foundAddress_ != options_.address) {
        return address + " (J reads " + std::to_string(*foundAddress_) + ")";
    }
    return address;
}

}  // namespace check
