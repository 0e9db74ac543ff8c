#pragma once
// The checks and their order: the groups run one after the other on one open port, each
// check printed as it runs; then the controller is put back as it was found and the record
// ends with a summary. What was found and what was changed is tracked all along, so that
// an interrupted or failed run still knows what to put back.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "serial/event.h"
#include "tools/checker/options.h"
#include "tools/checker/port.h"
#include "tools/checker/record.h"
#include "tools/frames/frame.h"

namespace check {

enum class Verdict { NotRun, Pass, Fail, Skip };

// Why a check was skipped: only the first kind follows from a failure already counted.
enum class Skipped { AfterAFailure, ForItsOwnReason };

struct Check {
    std::string key;  // "link.answer": stable, for the summary and for scripts
    std::string title;
    Verdict verdict = Verdict::NotRun;
    std::string note{};  // why it failed or was skipped
    Skipped skipped = Skipped::AfterAFailure;
};

struct CheckRow;

class Checker;

struct Group {
    std::string name;
    void (Checker::*run)();
    // The option that asks for the group, and its flag; none for a group that always runs.
    const char* option;
    bool Options::*asked;
    std::vector<Check> checks;
};

class Checker {
  public:
    Checker(const Options& options, CheckPort& port, Record& record, serial::Event& stop);

    // Runs every group, puts the controller back, prints the summary. Returns the exit
    // status: 0 every check asked for passed and the controller is left as found, 1
    // otherwise, 128 + the signal's number when a signal stopped the run.
    int Run();

  private:
    // The console's pause between ordering a speed and reopening the port at it.
    static constexpr std::chrono::milliseconds kSpeedSettle{100};

    void Plan();
    void Add(Group& group, const CheckRow& row, uint32_t baud = 0);
    bool Asked(const Group& group) const;
    // "address 1", with what J read when that is another address or nothing.
    std::string AddressText() const;

    // The groups (groups.cpp).
    void Link();
    void ReadFound();
    void Lights();
    void Timeout();
    void Errors();
    void AddressChange();
    void SpeedChange();
    void Replies();

    // Putting the controller back (restore.cpp).
    void Restore();
    void FindSpeed();
    // What differs from what was found; empty when the controller is left as found.
    Problems Verify();
    void Summary();

    // A check: Begin prints its title, End its verdict (a pass when there are no problems).
    void Begin(std::string_view key);
    void Begin(const CheckRow& row);
    void End(const Problems& problems);
    void Skip(std::string_view key, const std::string& why, Skipped skipped);
    // Every check not run yet, from here on, as skipped.
    void SkipRest(const std::string& why, Skipped skipped);
    Check& CheckFor(std::string_view key);

    // Sends a command, waits for its reply, prints both.
    Exchange Command(uint8_t address, uint8_t letter, uint8_t data,
                     Clock::duration beyond = Clock::duration::zero());
    // The same, to the controller's current address.
    Exchange Ask(uint8_t letter, uint8_t data = 0) { return Command(address_, letter, data); }
    // Sends bytes that expect no reply and gathers what comes within the time limit.
    Exchange Unanswered(const frames::Bytes& bytes, const std::string& meaning);
    void Show(const Exchange& x, const std::string& meaning, std::optional<uint8_t> from);
    void Line(const std::string& text) { record_.Line(text); }

    const Options& options_;
    CheckPort& port_;
    Record& record_;
    serial::Event& stop_;
    size_t replyLength_;
    std::vector<Group> groups_;
    Check* current_ = nullptr;
    std::string skipReason_;        // set when the later groups cannot run
    std::optional<int> stoppedBy_;  // the signal that stopped the run
    bool portFailed_ = false;

    // What was found at the start.
    std::optional<uint8_t> foundStatus_;
    std::optional<uint8_t> foundTimeout_;
    std::optional<uint8_t> foundAddress_;

    // Where things stand now, and what has been changed.
    uint8_t address_;
    uint8_t lights_ = 0;
    std::optional<uint32_t> controllerBaud_;  // nothing: not known
    bool lightsTouched_ = false;
    bool timeoutTouched_ = false;
    bool addressTouched_ = false;
    bool speedTouched_ = false;
    Problems notAsFound_;

    // Every reply so far, for the replies group.
    size_t replies_ = 0;
    Problems badMarkers_;
    Problems badAddresses_;
    Problems extraBytes_;
};

}  // namespace check
