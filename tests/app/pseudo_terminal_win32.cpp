// The far end on Windows. A Windows process under Wine cannot hold a pseudo-terminal's master,
// so the line server (tests/windows/line_server.py, on the Linux side) holds it for the test:
// it makes the pair, shows the slave to Wine as a COM port, and carries out the test's requests
// on one local TCP connection per line, a request line and an answer line at a time:
//   open KEEP RAW -> COMn     write HEX -> ok     read N MS -> HEX
//   close -> ok               hungup -> 0|1       baud -> N
// The server's port is in DRAVIK_LINE_SERVER (scripts/test-wine.sh starts it).

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "pseudo_terminal.h"

namespace apptest {

namespace {

std::string Hex(const std::vector<uint8_t>& bytes) {
    std::string text;
    char digits[3];
    for (const uint8_t b : bytes) {
        std::snprintf(digits, sizeof digits, "%02x", b);
        text += digits;
    }
    return text.empty() ? "-" : text;
}

std::vector<uint8_t> Bytes(const std::string& hex) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

}  // namespace

struct PseudoTerminal::Far {
    SOCKET socket = INVALID_SOCKET;

    Far() {
        WSADATA data;
        if (WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("no Winsock");
        const char* port = std::getenv("DRAVIK_LINE_SERVER");
        if (port == nullptr) throw std::runtime_error("DRAVIK_LINE_SERVER is not set");
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<u_short>(std::atoi(port)));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (socket == INVALID_SOCKET ||
            connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            throw std::runtime_error("the line server does not answer");
    }
    ~Far() {
        if (socket != INVALID_SOCKET) closesocket(socket);  // the server then drops the line
        WSACleanup();
    }

    // One request, one answer line; an empty answer when the server is gone.
    std::string Ask(const std::string& request) const {
        const std::string line = request + "\n";
        if (send(socket, line.data(), static_cast<int>(line.size()), 0) !=
            static_cast<int>(line.size()))
            return {};
        std::string answer;
        char c;
        while (recv(socket, &c, 1, 0) == 1 && c != '\n') answer += c;
        return answer;
    }
};

PseudoTerminal::PseudoTerminal(bool holdSlave) : far_(new Far) {
    path_ = far_->Ask(holdSlave ? "open 1 1" : "open 0 0");
    if (path_.rfind("COM", 0) != 0) throw std::runtime_error("the line server made no line");
}

PseudoTerminal::~PseudoTerminal() = default;

bool PseudoTerminal::Write(const std::vector<uint8_t>& bytes) const {
    return far_->Ask("write " + Hex(bytes)) == "ok";
}

std::vector<uint8_t> PseudoTerminal::Read(size_t n, std::chrono::milliseconds timeout) const {
    const long long want = n == SIZE_MAX ? -1 : static_cast<long long>(n);
    const std::string hex =
        far_->Ask("read " + std::to_string(want) + " " + std::to_string(timeout.count()));
    return hex == "-" ? std::vector<uint8_t>() : Bytes(hex);
}

void PseudoTerminal::CloseMaster() {
    far_->Ask("close");
}

bool PseudoTerminal::HungUp() const {
    return far_->Ask("hungup") == "1";
}

uint32_t PseudoTerminal::SlaveBaud() const {
    const std::string baud = far_->Ask("baud");
    return baud.empty() ? 0 : static_cast<uint32_t>(std::stoul(baud));
}

}  // namespace apptest
