#include "tools/frames/line_decoder.h"

#include <algorithm>
#include <utility>

namespace frames {
namespace {

constexpr size_t kFive = 0;
constexpr size_t kThree = 1;

// A reply answers the command as a five-byte one: its markers, or the command's address and
// letter at its second and third bytes (any address for a command to address 0, I and J).
bool AnswersAsFive(const ReplyFrame& reply, const std::optional<CommandFrame>& command) {
    if (reply.MarkersValid()) return true;
    return command && reply.letter == command->letter &&
           (reply.address == command->address || command->address == 0);
}

// As a three-byte one: the command's letter at its second byte, after an address that is no
// start marker (a five-byte reply's first three bytes would otherwise pass when the address
// equals the letter).
bool AnswersAsThree(const ReplyFrame& reply, const std::optional<CommandFrame>& command) {
    return command && reply.letter == command->letter && reply.address != kStartMarker;
}

// Bytes that may still make a five-byte reply that answers the command.
bool LooksFive(const Bytes& held, const std::optional<CommandFrame>& command) {
    if (held.empty()) return false;
    if (held[0] == kStartMarker) return true;
    return held.size() >= 3 && command && held[2] == command->letter &&
           (held[1] == command->address || command->address == 0);
}

// The window's bytes may carry on a five-byte reply that the command before cut short: its
// last byte a start marker, or the two together the start of a five-byte answer to it.
bool ContinuesCut(const Bytes& cut, const std::optional<CommandFrame>& cutTo, const Bytes& window) {
    if (cut.empty()) return false;
    if (cut.back() == kStartMarker) return true;
    Bytes joined = cut;
    joined.insert(joined.end(), window.begin(), window.end());
    if (joined.size() > 5) joined.resize(5);
    return LooksFive(joined, cutTo);
}

// The time a line about these bytes carries: its first byte not shown before, or the time of
// what made it when all were.
Clock::time_point FirstNew(const Assembled& assembled) {
    return assembled.shownBefore < assembled.at.size() ? assembled.at[assembled.shownBefore]
                                                       : assembled.when;
}

}  // namespace

LineDecoder::LineDecoder(std::optional<ReplyFormat> consoleFormat)
    : commands_(Direction::Commands, kCommandGap) {
    if (consoleFormat) {
        sides_.emplace_back(*consoleFormat);
        learned_ = true;
    } else {
        // Until a reply tells, five-byte: the console's and the controllers' usual.
        sides_.emplace_back(ReplyFormat::FiveByte);
        sides_.emplace_back(ReplyFormat::ThreeByte);
    }
}

void LineDecoder::FromConsole(const uint8_t* bytes, size_t count, Clock::time_point at) {
    Expire(at);
    for (FrameEvent& frame : commands_.Feed(bytes, count, at)) {
        LineEvent event;
        event.at = frame.first;
        event.bytes = std::move(frame.bytes);
        if (frame.kind != FrameEvent::Kind::Command) {
            event.kind = LineEvent::Kind::IncompleteCommand;
            Queue(std::move(event));
            continue;
        }
        // What the five-byte side drops now, for the window this command begins.
        Bytes cut = sides_[kFive].assembly.Gathered();
        const std::optional<CommandFrame> cutTo = sides_[kFive].assembly.LastCommand();
        for (Side& side : sides_) side.assembly.Command(frame.command, at, side.step);
        stepAt_ = at;
        EndStep(true);
        // A window that brought nothing leaves the cut before it in force.
        if (!cut.empty() || windowBytes_ > 0) {
            sides_[kFive].cut = std::move(cut);
            sides_[kFive].cutTo = cutTo;
        }
        for (Side& side : sides_) side.answer.reset();
        windowBytes_ = 0;
        event.kind = LineEvent::Kind::Command;
        event.command = frame.command;
        Queue(std::move(event));
    }
    Release();
}

void LineDecoder::FromDevice(const uint8_t* bytes, size_t count, Clock::time_point at) {
    Expire(at);
    while (count > 0) {
        if (!chunk_.empty() && at - chunkAt_.front() >= kChunkTime) CloseChunk();
        const size_t take = std::min(count, kChunkSize - chunk_.size());
        chunk_.insert(chunk_.end(), bytes, bytes + take);
        chunkAt_.insert(chunkAt_.end(), take, at);
        bytes += take;
        count -= take;
        if (chunk_.size() == kChunkSize) CloseChunk();
    }
    Release();
}

void LineDecoder::Note(std::string text, Clock::time_point at) {
    LineEvent event;
    event.kind = LineEvent::Kind::Note;
    event.at = at;
    event.note = std::move(text);
    Queue(std::move(event));
    Release();
}

void LineDecoder::Expire(Clock::time_point now) {
    if (!chunk_.empty() &&
        (now - chunkAt_.back() > kChunkSilence || now - chunkAt_.front() >= kChunkTime)) {
        CloseChunk();
    }
    for (FrameEvent& frame : commands_.Expire(now)) {
        LineEvent event;
        event.kind = LineEvent::Kind::IncompleteCommand;
        event.at = frame.first;
        event.bytes = std::move(frame.bytes);
        Queue(std::move(event));
    }
    LimitHold(now);
    Release();
}

std::optional<Clock::time_point> LineDecoder::Deadline() const {
    std::optional<Clock::time_point> deadline = commands_.Deadline();
    const auto sooner = [&deadline](Clock::time_point at) {
        if (!deadline || at < *deadline) deadline = at;
    };
    if (!chunk_.empty()) {
        sooner(std::min(chunkAt_.back() + kChunkSilence + Clock::duration(1),
                        chunkAt_.front() + kChunkTime));
    }
    // A line waiting behind an incomplete reply waits so long and no longer.
    const auto holding = Holding();
    if (holding && !queued_.empty() && queued_.front().at > *holding) {
        sooner(queued_.front().at + kHoldLimit);
    }
    return deadline;
}

std::vector<LineEvent> LineDecoder::Take() {
    return std::exchange(out_, {});
}

std::vector<LineEvent> LineDecoder::Finish(Clock::time_point now) {
    if (!chunk_.empty()) CloseChunk();
    for (FrameEvent& frame : commands_.Expire(Clock::time_point::max())) {
        LineEvent event;
        event.kind = LineEvent::Kind::IncompleteCommand;
        event.at = frame.first;
        event.bytes = std::move(frame.bytes);
        Queue(std::move(event));
    }
    for (Side& side : sides_) side.assembly.Finish(now, side.step);
    stepAt_ = now;
    EndStep(true);
    out_.insert(out_.end(), std::make_move_iterator(queued_.begin()),
                std::make_move_iterator(queued_.end()));
    queued_.clear();
    return Take();
}

void LineDecoder::CloseChunk() {
    for (Side& side : sides_) side.assembly.Chunk(chunk_, chunkAt_, side.step);
    windowBytes_ += chunk_.size();
    chunk_.clear();
    chunkAt_.clear();
    EndStep();
}

void LineDecoder::EndStep(bool windowEnds) {
    if (sides_.size() > 1) Learn(windowEnds);
    for (Assembled& assembled : sides_[believed_].step) {
        LineEvent event;
        event.kind = assembled.kind == Assembled::Kind::Reply ? LineEvent::Kind::Reply
                                                              : LineEvent::Kind::Dropped;
        event.at = FirstNew(assembled);
        event.bytes = assembled.bytes;
        event.format = sides_[believed_].assembly.Format();
        event.assembled = std::move(assembled);
        Queue(std::move(event));
    }
    for (Side& side : sides_) side.step.clear();
}

void LineDecoder::Learn(bool windowEnds) {
    Side& five = sides_[kFive];
    Side& three = sides_[kThree];
    // The first reply since the last command that answers it, on each side.
    const auto answering = [](Side& side, auto answers) -> const Assembled* {
        for (const Assembled& assembled : side.step) {
            if (assembled.kind != Assembled::Kind::Reply ||
                !answers(assembled.reply, side.assembly.LastCommand())) {
                continue;
            }
            if (!side.answer) {
                side.answer = assembled;
                side.answerTo = side.assembly.LastCommand();
            }
            return &assembled;
        }
        return nullptr;
    };
    const Assembled* asFive = answering(five, AnswersAsFive);
    const Assembled* asThree = answering(three, AnswersAsThree);

    // Until something is learned, the first reply that answers tells: five bytes that answer
    // cannot be a three-byte reply and what follows it; three that answer can be the middle
    // of a five-byte reply, so they count only while nothing on the five-byte side answers or
    // may still. Later a window tells only when all it held, up to the command that ends it,
    // was one reply that answers: three answering bytes can be the tail of a five-byte reply
    // cut by a command, and five bytes with the address and letter in place can be a
    // three-byte reply between a byte of the one before and a byte of the next, so a change to
    // five bytes needs the markers as well.
    size_t side = believed_;
    const Assembled* evidence = nullptr;
    bool late = false;
    if (!learned_ && asFive) {
        side = kFive;
        evidence = asFive;
    } else if (!learned_ && asThree && !five.answer &&
               !LooksFive(five.assembly.Gathered(), five.assembly.LastCommand())) {
        side = kThree;
        evidence = asThree;
    } else if (windowEnds && believed_ == kFive && three.answer && windowBytes_ == 3 &&
               !five.answer && !ContinuesCut(five.cut, five.cutTo, three.answer->bytes)) {
        side = kThree;
        evidence = &*three.answer;
        late = true;
    } else if (windowEnds && learned_ && believed_ == kThree && five.answer && windowBytes_ == 5 &&
               five.answer->reply.MarkersValid()) {
        side = kFive;
        evidence = &*five.answer;
        late = true;
    }
    if (!evidence || (side == believed_ && learned_)) return;

    std::string answer = HexBytes(evidence->bytes);
    // A late answer answers the command before the one that ends its window.
    if (const auto& command = late ? sides_[side].answerTo : sides_[side].assembly.LastCommand()) {
        const auto bytes = command->ToBytes();
        answer += " answers " + HexBytes(bytes.data(), bytes.size());
    } else {
        answer += " has the FF .. 03 markers";
    }
    const size_t was = believed_;
    LineEvent event;
    event.kind = LineEvent::Kind::Format;
    event.format = sides_[side].assembly.Format();
    const char* name = side == kFive ? "five-byte" : "three-byte";
    event.note = learned_ ? std::string("replies now read as ") + name + ", no longer " +
                                (side == kFive ? "three-byte" : "five-byte") + ": " + answer
                          : std::string("replies read as ") + name + ": " + answer;
    believed_ = side;
    learned_ = true;
    if (!late) {
        event.at = FirstNew(*evidence);
        Queue(std::move(event));
        return;
    }
    // The late answer was not queued when it came, another side being believed then. Where
    // that side has shown its bytes already (or shown them so far), they are not shown again
    // before what was shown: the answer carries the time of the step that ends the window.
    Assembled reply = std::move(*sides_[side].answer);
    sides_[side].answer.reset();
    bool shown = was == kThree;
    for (const Assembled& dropped : sides_[was].step) shown = shown || dropped.shownBefore > 0;
    if (shown) {
        reply.shownBefore = reply.bytes.size();
        reply.when = stepAt_;
    }
    event.at = FirstNew(reply);
    Queue(std::move(event));
    sides_[side].step.insert(sides_[side].step.begin(), std::move(reply));
}

void LineDecoder::Queue(LineEvent event) {
    const auto after = std::upper_bound(
        queued_.begin(), queued_.end(), event.at,
        [](Clock::time_point at, const LineEvent& queued) { return at < queued.at; });
    queued_.insert(after, std::move(event));
}

std::optional<Clock::time_point> LineDecoder::Holding() const {
    std::optional<Clock::time_point> holding = commands_.HeldSince();
    const auto sooner = [&holding](std::optional<Clock::time_point> at) {
        if (at && (!holding || *at < *holding)) holding = at;
    };
    if (!chunk_.empty()) sooner(chunkAt_.front());
    for (const Side& side : sides_) sooner(side.assembly.WaitingSince());
    return holding;
}

void LineDecoder::LimitHold(Clock::time_point now) {
    if (queued_.empty()) return;
    const auto holding = Holding();
    if (!holding || queued_.front().at <= *holding || now - queued_.front().at < kHoldLimit) return;
    for (size_t i = 0; i < sides_.size(); ++i) {
        ReplyAssembly& assembly = sides_[i].assembly;
        const auto waiting = assembly.WaitingSince();
        if (!waiting || *waiting >= queued_.front().at) continue;
        // Shown on the side whose lines are printed; on the other, only no longer waited for.
        std::vector<Assembled> shown;
        assembly.ShowSoFar(now, shown);
        if (i == believed_) {
            for (Assembled& assembled : shown) sides_[i].step.push_back(std::move(assembled));
        }
    }
    EndStep();
}

void LineDecoder::Release() {
    const auto holding = Holding();
    auto end = queued_.begin();
    while (end != queued_.end() && (!holding || end->at <= *holding)) ++end;
    out_.insert(out_.end(), std::make_move_iterator(queued_.begin()), std::make_move_iterator(end));
    queued_.erase(queued_.begin(), end);
}

}  // namespace frames
