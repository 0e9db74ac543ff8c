#pragma once
// Every check, declared once: a group's table gives each check its key and title, the plan
// takes them from here, and the group names the row it begins, so that a key cannot be
// misspelt in one place only. Titles hold the run's values as {address}, {other} (the address
// that is not the controller's), {limit}, {length} (of a reply), {baud} and {code}.

#include <cstdint>

#include "tools/frames/protocol.h"

namespace check {

struct CheckRow {
    const char* key;
    const char* title;
    bool fiveByteOnly = false;  // about the FF .. 03 markers, which only five-byte replies have
};

inline constexpr CheckRow kLinkAnswer{
    "link.answer",
    "D to address {address} answers within {limit} with a whole {length}-byte reply"};
inline constexpr CheckRow kLinkMarkers{"link.markers", "the reply is framed FF .. 03", true};
inline constexpr CheckRow kLinkAddress{"link.address", "the reply comes from address {address}"};
inline constexpr CheckRow kLinkLetter{"link.letter", "the reply echoes the letter D"};
inline constexpr CheckRow kLinkOtherAddress{"link.other-address",
                                            "D to address {other} gets no answer"};
inline constexpr const CheckRow* kLinkChecks[] = {&kLinkAnswer, &kLinkMarkers, &kLinkAddress,
                                                  &kLinkLetter, &kLinkOtherAddress};

struct LightStep {
    const char* key;
    uint8_t letter;
    uint8_t data;
    const char* sets;
};

inline constexpr LightStep kLightSteps[] = {
    {"lights.a1", 'A', 1, "A 1 sets the entry light red"},
    {"lights.a2", 'A', 2, "A 2 sets the entry light green"},
    {"lights.b1", 'B', 1, "B 1 sets the exit light red"},
    {"lights.b2", 'B', 2, "B 2 sets the exit light green"},
    {"lights.k", 'K', 0, "K sets entry green, exit red"},
    {"lights.l", 'L', 0, "L sets entry red, exit green"},
    {"lights.m", 'M', 0, "M sets both lights red"},
    {"lights.n", 'N', 0, "N sets both lights dark"},
    {"lights.o", 'O', 0, "O sets both lights green"},
};

inline constexpr CheckRow kTimeoutRead{"timeout.read", "G reads the stored timeout"};
inline constexpr CheckRow kTimeoutWrite{"timeout.write",
                                        "F with another value, then G reads that value"};
inline constexpr CheckRow kTimeoutRestore{"timeout.restore",
                                          "F with the stored value, then G reads it again"};
inline constexpr const CheckRow* kTimeoutChecks[] = {&kTimeoutRead, &kTimeoutWrite,
                                                     &kTimeoutRestore};

struct ErrorStep {
    const char* key;
    const char* provocation;
    uint8_t letter;  // 0: a single byte instead of a command
    uint8_t data;
    uint8_t code;  // what E is to read after it
};

inline constexpr ErrorStep kErrorSteps[] = {
    {"errors.command", "P (no such command)", 'P', 0, frames::kBadCommand},
    {"errors.data", "H with data 1", 'H', 1, frames::kBadData},
    {"errors.length", "a single byte", 0, 0, frames::kReceiveError},
};

inline constexpr CheckRow kAddressWrite{
    "address.write", "I writes address {other}, J reads it, and D to {other} answers"};
inline constexpr CheckRow kAddressBack{"address.back",
                                       "I writes address {address} back, and J reads it"};
inline constexpr const CheckRow* kAddressChecks[] = {&kAddressWrite, &kAddressBack};

// One check for each line speed but the run's own ({baud} and {code} are that speed's), then
// the way back to the run's own.
inline constexpr CheckRow kSpeedTo{"speed.{baud}",
                                   "H {baud} (code {code}) is answered, then D at {baud}"};
inline constexpr CheckRow kSpeedBack{"speed.back", "H {baud} (code {code}) back, then D at {baud}"};

inline constexpr CheckRow kRepliesMarkers{"replies.markers", "every reply is framed FF .. 03",
                                          true};
inline constexpr CheckRow kRepliesAddress{"replies.address",
                                          "every reply comes from the address the controller has"};
inline constexpr CheckRow kRepliesExtra{"replies.extra", "no bytes come beyond the replies"};
inline constexpr const CheckRow* kRepliesChecks[] = {&kRepliesMarkers, &kRepliesAddress,
                                                     &kRepliesExtra};

}  // namespace check
