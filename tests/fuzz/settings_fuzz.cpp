// The settings file reader and its INI layer on arbitrary file contents. The first byte
// picks a key and splits the rest into a value and the file's text.
//
// Checked: reading the three settings from the file never fails and gives the defaults where
// a value is not a number; the port text is at most 2047 bytes and never ends inside a UTF-8
// sequence that the file had whole; writing a key and reading it back gives the value
// written (up to its first line break or NUL) and leaves the other keys' values as they were.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "console/number_syntax.h"
#include "console/profile_file.h"
#include "console/settings_file.h"
#include "fuzz_input.h"

namespace {

constexpr const char* kKeys[] = {"Port", "Speed", "5byte", "port", "SPEED", "Other"};

// The file the reader reads: one in-memory file, rewritten for every input.
const std::string& ScratchFile(std::string_view content) {
    static const int fd = memfd_create("dravik.ini", MFD_CLOEXEC);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    REQUIRE(fd >= 0);
    REQUIRE(ftruncate(fd, 0) == 0);
    REQUIRE(pwrite(fd, content.data(), content.size(), 0) == static_cast<ssize_t>(content.size()));
    return path;
}

void CheckReader(const std::string& content) {
    const console::Settings read = console::ReadSettings(ScratchFile(content));
    REQUIRE(read.Port.size() <= 2047);
    const auto port = console::FindProfileValue(content, "Main", "Port");
    if (!port) REQUIRE(read.Port == "COM4");
    if (port && port->size() <= 2047) REQUIRE(read.Port == *port);
    const auto speed = console::FindProfileValue(content, "Main", "Speed");
    REQUIRE(read.Speed == console::StrToIntDef(speed.value_or(""), 0));
    const auto fiveByte = console::FindProfileValue(content, "Main", "5byte");
    REQUIRE(read.FiveByte == (console::StrToIntDef(fiveByte.value_or(""), 1) != 0));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    const uint8_t choice = in.Byte();
    const std::string key = kKeys[(choice & 0x7) % std::size(kKeys)];
    const std::string value(in.Take(in.Byte()));
    const std::string content(in.Rest());

    // The reader, as the window's start-up calls it. It reads a file (a bounded buffer per
    // key), which is slow beside the rest: one input in eight goes through it.
    if ((choice & 0xE0) == 0) CheckReader(content);

    // A write read back.
    const std::string written = console::SetProfileValue(content, "Main", key, value);
    const std::string expected = value.substr(0, value.find_first_of(std::string("\r\n\0", 3)));
    REQUIRE(console::FindProfileValue(written, "Main", key) == expected);
    for (const char* other : kKeys) {
        const std::string name = other;
        // Names match regardless of letter case: those are the same key.
        if (name == key || name == "port" || name == "SPEED" || key == "port" || key == "SPEED")
            continue;
        REQUIRE(console::FindProfileValue(written, "Main", name) ==
                console::FindProfileValue(content, "Main", name));
    }
    return 0;
}
