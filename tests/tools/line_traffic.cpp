#include "tests/tools/line_traffic.h"

#include <algorithm>
#include <deque>
#include <string>
#include <utility>

#include "console/protocol.h"

namespace traffic {
namespace {

using frames::Clock;
using frames::StatusColour;

StatusColour ColourOf(console::Colour colour) {
    switch (colour) {
        case console::Colour::Red:
            return StatusColour::Red;
        case console::Colour::Green:
            return StatusColour::Green;
        case console::Colour::Maroon:
            return StatusColour::Maroon;
        default:
            return StatusColour::Blue;
    }
}

class Line {
  public:
    Line(bool fiveByte, int32_t controllerNumber, std::optional<frames::ReplyFormat> tapFormat,
         Micros latency)
        : protocol_([this](const uint8_t* bytes, uint16_t length) {
              sent_.emplace_back(bytes, bytes + length);
              return true;
          }),
          tap_(tapFormat),
          latency_(latency) {
        protocol_.FiveByteReplies = fiveByte;
        protocol_.ControllerNumber = controllerNumber;
    }

    void Take(const Step& step) {
        // Calls reach the tap in the order of their times, even when a click had to wait
        // behind the error query.
        Clock::time_point at = std::max(Time(step.at), fed_);
        Settle(at);
        // A click comes once the error query on its way has gone out: only then are the
        // console's new reply and its command on the line one moment, as the tap takes them.
        while (step.kind != Step::Kind::Device && !writes_.empty()) {
            at = std::max(at, writes_.back().at);
            Settle(at);
        }
        switch (step.kind) {
            case Step::Kind::Click:
                sent_.clear();
                Click(step);
                ToTap(at);
                break;
            case Step::Kind::ErrorByte:
                sent_.clear();
                protocol_.SendErrorByte();
                ToTap(at);
                errorByteAt_ = fed_;
                break;
            case Step::Kind::Device:
                if (step.bytes.empty()) break;
                chunk_.insert(chunk_.end(), step.bytes.begin(), step.bytes.end());
                chunkLast_ = at;
                fed_ = at;
                tap_.FromDevice(step.bytes.data(), step.bytes.size(), at);
                break;
        }
        Collect();
    }

    Played Finish() {
        Settle(Clock::time_point::max());
        for (frames::LineEvent& event : tap_.Finish(fed_ + std::chrono::hours(1))) {
            Keep(std::move(event));
        }
        return std::move(played_);
    }

  private:
    struct Pending {
        Bytes bytes;
        Clock::time_point at;
    };

    static Clock::time_point Time(Micros at) { return Clock::time_point(at); }

    // What happens by `now` on the console's side, in the order it happens: the chunk is
    // handed over once 1 ms has passed without another byte, and an error query it asks for
    // reaches the line after the latency.
    void Settle(Clock::time_point now) {
        for (;;) {
            const bool handOver =
                !chunk_.empty() && now - chunkLast_ > frames::LineDecoder::kChunkSilence;
            const Clock::time_point handed =
                chunkLast_ + frames::LineDecoder::kChunkSilence + Clock::duration(1);
            const bool write = !writes_.empty() && writes_.front().at <= now;
            if (write && (!handOver || writes_.front().at <= handed)) {
                Write();
            } else if (handOver) {
                HandOver(handed);
            } else {
                return;
            }
        }
    }

    void HandOver(Clock::time_point handed) {
        sent_.clear();
        const auto view =
            protocol_.ReceiveChunk(chunk_.data(), static_cast<uint16_t>(chunk_.size()));
        chunk_.clear();
        if (view) {
            const size_t length = protocol_.ReplyLength();
            const std::string& text = view->StatusText;
            played_.console.push_back(
                {Bytes(protocol_.ReplyBuffer.begin(), protocol_.ReplyBuffer.begin() + length),
                 text.substr(text.find("] ") + 2), ColourOf(view->StatusColour)});
        }
        for (Bytes& bytes : sent_) writes_.push_back({std::move(bytes), handed + latency_});
        sent_.clear();
    }

    void Write() {
        Pending write = std::move(writes_.front());
        writes_.pop_front();
        const Clock::time_point at = std::max(write.at, fed_);
        Sending(at);
        fed_ = at;
        played_.consoleBytes += write.bytes.size();
        tap_.FromConsole(write.bytes.data(), write.bytes.size(), at);
        Collect();
    }

    void Click(const Step& step) {
        switch (step.letter) {
            case 'A':
            case 'B':
                protocol_.SendLight(step.letter, step.data);
                break;
            case 'I':
                protocol_.SendWriteNumber(std::to_string(step.data));
                break;
            case 'J':
                protocol_.SendReadNumber();
                break;
            default:
                protocol_.SendSimple(step.letter);
                break;
        }
    }

    void ToTap(Clock::time_point at) {
        at = std::max(at, fed_);
        Sending(at);
        for (const Bytes& bytes : sent_) {
            played_.consoleBytes += bytes.size();
            tap_.FromConsole(bytes.data(), bytes.size(), at);
        }
        sent_.clear();
        fed_ = at;
    }

    void Sending(Clock::time_point at) {
        if (errorByteAt_ && at - *errorByteAt_ <= frames::LineDecoder::kCommandGap) {
            played_.loneErrorBytes = false;
        }
    }

    void Collect() {
        for (frames::LineEvent& event : tap_.Take()) Keep(std::move(event));
    }

    void Keep(frames::LineEvent event) {
        if (event.kind == frames::LineEvent::Kind::Reply) {
            played_.tap.push_back(
                {event.bytes, event.assembled.console.text, event.assembled.console.colour});
        }
        played_.lines.push_back(std::move(event));
    }

    std::vector<Bytes> sent_;
    console::ControllerProtocol protocol_;
    frames::LineDecoder tap_;
    Micros latency_;
    Bytes chunk_;
    Clock::time_point chunkLast_;
    std::deque<Pending> writes_;  // error queries on their way to the line
    Clock::time_point fed_;       // the latest time given to the tap
    std::optional<Clock::time_point> errorByteAt_;
    Played played_;
};

}  // namespace

Played Play(const std::vector<Step>& steps, bool fiveByte, int32_t controllerNumber,
            std::optional<frames::ReplyFormat> tapFormat, Micros errorQueryLatency) {
    Line line(fiveByte, controllerNumber, tapFormat, errorQueryLatency);
    for (const Step& step : steps) line.Take(step);
    return line.Finish();
}

std::string Show(const Shown& shown) {
    return frames::HexBytes(shown.bytes) + " \"" + shown.text + "\" " +
           (shown.colour ? frames::ColourName(*shown.colour) : "colour unknown");
}

}  // namespace traffic
