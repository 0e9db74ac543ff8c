#include "tools/checker/exchange.h"

#include <algorithm>

#include "tools/frames/describe.h"

namespace check {

void Exchange::Take(uint8_t byte, Clock::duration after) {
    received.push_back(byte);
    times.push_back(after);
}

Clock::duration Exchange::ListenFor() const {
    if (want == 0) return limit;
    if (received.size() < want) return limit + beyond;
    return std::min(times.back() + settle, limit + std::max(beyond, limit));
}

size_t Exchange::InTime() const {
    return static_cast<size_t>(
        std::count_if(times.begin(), times.end(), [&](Clock::duration t) { return t <= limit; }));
}

std::optional<frames::ReplyFrame> ReplyOf(const Exchange& x) {
    if (!x.Answered()) return std::nullopt;
    return frames::ParseReply(x.received.data(), x.want, static_cast<frames::ReplyFormat>(x.want));
}

std::optional<uint8_t> Data(const Exchange& x, uint8_t letter, Problems& problems,
                            std::optional<uint8_t> from) {
    const std::string name = frames::LetterText(letter);
    const auto reply = ReplyOf(x);
    if (!reply) {
        problems.push_back("no answer to " + name);
        return std::nullopt;
    }
    if (reply->letter != letter) {
        problems.push_back(name + " answered with the letter " + frames::LetterText(reply->letter));
        return std::nullopt;
    }
    if (from && reply->address != *from) {
        problems.push_back("the reply to " + name + " comes from " +
                           std::to_string(reply->address) + ", not " + std::to_string(*from));
    }
    return reply->data;
}

}  // namespace check
