#pragma once
// What the console's status line shows for a decoded reply: the text after the reply's number
// and the text's colour, worked out the way the console works them out, so that a line
// monitor can say what the operator sees. The console's texts are copied here on purpose (see
// protocol.h): a tool that checks the console must not share the code it checks.

#include <cstdint>
#include <optional>
#include <string>

namespace frames {

enum class StatusColour { Blue, Maroon, Red, Green };

// "blue", "maroon", "red", "green".
const char* ColourName(StatusColour colour);

struct ConsoleStatus {
    std::string text;  // "OK - D (запрос статуса)": what follows the console's "[n] "
    // Nothing when it depends on the console's address and that is not known.
    std::optional<StatusColour> colour;
};

// The console's status line for the reply fields; consoleAddress is the address the console
// expects replies from, when known. The console compares with its whole number but sends only
// its low byte, which is all a line monitor sees: the colour holds for numbers up to 255.
ConsoleStatus ConsoleShows(uint8_t address, uint8_t letter, uint8_t data,
                           std::optional<uint8_t> consoleAddress);

// The letters the console sends commands with: A to P.
bool IsConsoleLetter(uint8_t letter);

}  // namespace frames
