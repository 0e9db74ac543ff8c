#include "tools/frames/reply_assembly.h"

namespace frames {

void ReplyAssembly::Command(const CommandFrame& command, Clock::time_point at,
                            std::vector<Assembled>& out) {
    lastCommand_ = command;
    // The console's writer sends in turn: any other command comes after every query on its
    // way. A query carries the address the console had when it decoded the status, which a J
    // reply since may have changed.
    if (command.letter == 'E' && errorQueries_ > 0) {
        --errorQueries_;
        return;
    }
    errorQueries_ = 0;
    // I and J go to address 0; every other command carries the console's address.
    const CommandInfo* info = FindCommand(command.letter);
    if (IsConsoleLetter(command.letter) && !(info && info->toAddressZero)) {
        consoleAddress_ = command.address;
    }
    Drop(Assembled::Kind::CutByCommand, at, out);
}

void ReplyAssembly::Chunk(const Bytes& bytes, const std::vector<Clock::time_point>& at,
                          std::vector<Assembled>& out) {
    if (bytes.empty()) return;
    const size_t length = Length();
    if (held_.size() + bytes.size() > length) Drop(Assembled::Kind::Overflowed, at[0], out);
    const size_t take = std::min(bytes.size(), length);
    held_.insert(held_.end(), bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(take));
    heldAt_.insert(heldAt_.end(), at.begin(), at.begin() + static_cast<ptrdiff_t>(take));
    if (held_.size() == length) Decode(at[0], out);
    if (take < bytes.size()) {
        Assembled beyond;
        beyond.kind = Assembled::Kind::BeyondReply;
        beyond.bytes.assign(bytes.begin() + static_cast<ptrdiff_t>(take), bytes.end());
        beyond.at.assign(at.begin() + static_cast<ptrdiff_t>(take), at.end());
        beyond.when = at[take];
        out.push_back(std::move(beyond));
    }
}

void ReplyAssembly::Finish(Clock::time_point now, std::vector<Assembled>& out) {
    Drop(Assembled::Kind::Unfinished, now, out);
}

void ReplyAssembly::ShowSoFar(Clock::time_point now, std::vector<Assembled>& out) {
    if (shown_ == held_.size()) return;
    Assembled soFar;
    soFar.kind = Assembled::Kind::SoFar;
    soFar.bytes = held_;
    soFar.at = heldAt_;
    soFar.shownBefore = shown_;
    soFar.when = now;
    out.push_back(std::move(soFar));
    shown_ = held_.size();
}

std::optional<Clock::time_point> ReplyAssembly::WaitingSince() const {
    if (shown_ == held_.size()) return std::nullopt;
    return heldAt_[shown_];
}

void ReplyAssembly::Drop(Assembled::Kind kind, Clock::time_point when,
                         std::vector<Assembled>& out) {
    if (held_.empty()) return;
    Assembled dropped;
    dropped.kind = kind;
    dropped.bytes = std::move(held_);
    dropped.at = std::move(heldAt_);
    dropped.shownBefore = shown_;
    dropped.when = when;
    out.push_back(std::move(dropped));
    held_.clear();
    heldAt_.clear();
    shown_ = 0;
}

void ReplyAssembly::Decode(Clock::time_point when, std::vector<Assembled>& out) {
    Assembled decoded;
    decoded.kind = Assembled::Kind::Reply;
    decoded.reply = *ParseReply(held_.data(), held_.size(), format_);
    const ReplyFrame& r = decoded.reply;
    decoded.console = ConsoleShows(r.address, r.letter, r.data, consoleAddress_);
    if (ReplyData(r.letter) == DataMeaning::Status && (r.data & kErrorPresent)) {
        ++errorQueries_;
    }
    if (r.letter == 'J') consoleAddress_ = r.data;
    Drop(Assembled::Kind::Reply, when, out);
    out.back().reply = decoded.reply;
    out.back().console = std::move(decoded.console);
}

}  // namespace frames
