#include "console/protocol.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "console/number_syntax.h"

namespace console {
namespace {

using Bytes = std::vector<uint8_t>;

// A protocol with a capture of every write request in place of the port.
class Protocol : public ::testing::Test {
  protected:
    std::vector<Bytes> writes_;
    ControllerProtocol protocol_{[this](const uint8_t* data, uint16_t length) {
        writes_.emplace_back(data, data + length);
        return true;
    }};

    void SetUp() override { protocol_.ControllerNumber = 1; }

    std::optional<ReplyView> Feed(const Bytes& chunk) {
        return protocol_.ReceiveChunk(chunk.data(), static_cast<uint16_t>(chunk.size()));
    }
};

const std::string kStatusD = "OK - D (запрос статуса)";

// ---- Reply assembly ------------------------------------------------------------------------

struct ChunkCase {
    const char* Name;
    bool FiveByte;
    std::vector<Bytes> Chunks;
    // StatusText after each chunk, or empty for "nothing decoded".
    std::vector<std::string> Decoded;
};

void PrintTo(const ChunkCase& c, std::ostream* os) {
    *os << c.Name;
}

class Assembly : public Protocol, public ::testing::WithParamInterface<ChunkCase> {};

TEST_P(Assembly, DecodesOnlyWholeReplies) {
    const ChunkCase& c = GetParam();
    protocol_.FiveByteReplies = c.FiveByte;
    ASSERT_EQ(c.Chunks.size(), c.Decoded.size());
    for (size_t i = 0; i < c.Chunks.size(); ++i) {
        const auto view = Feed(c.Chunks[i]);
        EXPECT_EQ(view ? view->StatusText : "", c.Decoded[i]) << "chunk " << i;
        EXPECT_LE(protocol_.ReplyFill, protocol_.ReplyLength());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Chunks, Assembly,
    ::testing::Values(
        ChunkCase{"Empty", false, {{}}, {""}},
        ChunkCase{
            "EmptyKeepsPartial", false, {{0x01}, {}, {0x44, 0x05}}, {"", "", "[0] " + kStatusD}},
        ChunkCase{"SplitReply", false, {{0x01}, {0x44, 0x05}}, {"", "[0] " + kStatusD}},
        // The second chunk would overflow: the first two bytes (a G from 2) are dropped.
        ChunkCase{
            "OverflowRestarts", false, {{0x02, 0x47}, {0x01, 0x44, 0x05}}, {"", "[0] " + kStatusD}},
        ChunkCase{"SevenBytes",
                  false,
                  {{0x01, 0x44, 0x05, 0x01, 0x47, 0x19, 0x00}, {0x01}},
                  {"[0] " + kStatusD, ""}},
        ChunkCase{"TwoRepliesThreeByte",
                  false,
                  {{0x01, 0x44, 0x05, 0x01, 0x47, 0x19}, {0x01, 0x47}},
                  {"[0] " + kStatusD, ""}},
        ChunkCase{"TwoRepliesFiveByte",
                  true,
                  {{0xFF, 0x01, 0x44, 0x05, 0x03, 0xFF, 0x01, 0x47, 0x19, 0x03}},
                  {"[0] " + kStatusD}},
        ChunkCase{"FiveByteSplit",
                  true,
                  {{0xFF, 0x01}, {0x44}, {0x05, 0x03}},
                  {"", "", "[0] " + kStatusD}},
        ChunkCase{"FiveByteFedThreeByteReplies",
                  true,
                  {{0x01, 0x44, 0x05}, {0x01, 0x44, 0x05}, {0x01, 0x44, 0x05}, {0x01, 0x44, 0x05}},
                  {"", "", "", ""}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(Protocol, CommandBetweenChunksDropsThePartialReply) {
    EXPECT_FALSE(Feed({0x01, 0x44}));
    protocol_.SendSimple('D');
    EXPECT_EQ(protocol_.ReplyFill, 0);
    EXPECT_FALSE(Feed({0x01}));  // would have completed the old reply
    EXPECT_EQ(protocol_.ReplyFill, 1);
    const auto view = Feed({0x44, 0x05});
    ASSERT_TRUE(view);
    EXPECT_EQ(view->StatusText, "[0] " + kStatusD);
}

TEST_F(Protocol, FillLeftAboveTheLengthRestartsAssembly) {
    // The format switched while a five-byte reply was four bytes along.
    protocol_.FiveByteReplies = true;
    EXPECT_FALSE(Feed({0xFF, 0x01, 0x44, 0x05}));
    protocol_.FiveByteReplies = false;
    EXPECT_FALSE(Feed({0x01}));
    EXPECT_EQ(protocol_.ReplyFill, 1);
    protocol_.ReplyFill = 60000;  // whatever the window left, no wrap and no overrun
    EXPECT_EQ(Feed({0x01, 0x44, 0x05})->StatusText, "[0] " + kStatusD);
}

// ---- Decoding ------------------------------------------------------------------------------

TEST_F(Protocol, FiveByteStatusFromExpectedAddress) {
    protocol_.FiveByteReplies = true;
    const auto view = Feed({0xFF, 0x01, 0x44, 0x05, 0x03});
    ASSERT_TRUE(view);
    EXPECT_EQ(view->StatusText, "[0] OK - D (запрос статуса)");
    EXPECT_EQ(view->StatusColour, Colour::Blue);
    EXPECT_EQ(view->StatusToolTip, "");
    ASSERT_TRUE(view->Indicators);
    const StatusIndicators& lights = *view->Indicators;
    EXPECT_TRUE(lights.InputRed && lights.OutputRed);
    EXPECT_FALSE(lights.InputGreen || lights.OutputGreen || lights.HasError);
    EXPECT_EQ(lights.InputRedBack, Colour::Red);
    EXPECT_EQ(lights.OutputRedBack, Colour::Red);
    EXPECT_EQ(lights.InputGreenBack, Colour::Face);
    EXPECT_EQ(lights.OutputGreenBack, Colour::Face);
    EXPECT_EQ(lights.HasErrorText, Colour::WindowText);
    EXPECT_FALSE(view->TimeoutText || view->NumberText);
    EXPECT_TRUE(writes_.empty());  // showing lights sends no A or B
    EXPECT_EQ(protocol_.ReplyCounter, 1);
}

TEST_F(Protocol, WrongAddressIsMaroonWithItsMessage) {
    protocol_.FiveByteReplies = true;
    protocol_.ControllerNumber = 2;
    const auto view = Feed({0xFF, 0x01, 0x44, 0x05, 0x03});
    ASSERT_TRUE(view);
    EXPECT_EQ(view->StatusText, "[0] OK - D (запрос статуса)");
    EXPECT_EQ(view->StatusColour, Colour::Maroon);
    EXPECT_EQ(view->StatusToolTip, "В поле адреса пришло 1");
    EXPECT_TRUE(view->Indicators);
}

TEST_F(Protocol, MalformedFrameIsStillDecoded) {
    protocol_.FiveByteReplies = true;
    auto view = Feed({0x00, 0x01, 0x44, 0x05, 0x03});
    ASSERT_TRUE(view);
    EXPECT_EQ(view->StatusToolTip, "Формат пакета от контроллера неверен: 00 01 44 05 03 ");
    EXPECT_EQ(view->StatusText, "[0] OK - D (запрос статуса)");
    EXPECT_EQ(view->StatusColour, Colour::Blue);  // the frame check colours nothing
    ASSERT_TRUE(view->Indicators);
    EXPECT_TRUE(view->Indicators->InputRed && view->Indicators->OutputRed);

    // Both messages, one per line; the next reply replaces them.
    view = Feed({0xFF, 0x07, 0x44, 0x05, 0x04});
    EXPECT_EQ(view->StatusToolTip,
              "Формат пакета от контроллера неверен: FF 07 44 05 04 \nВ поле адреса пришло 7");
    EXPECT_EQ(Feed({0xFF, 0x01, 0x44, 0x05, 0x03})->StatusToolTip, "");
}

struct DecodeCase {
    const char* Name;
    Bytes Reply;  // three-byte format, ControllerNumber 1
    std::string Text;
    Colour TextColour;
    std::string ToolTip = "";
    std::optional<std::string> Timeout = std::nullopt;
    std::optional<std::string> Number = std::nullopt;
};

void PrintTo(const DecodeCase& c, std::ostream* os) {
    *os << c.Name;
}

class Decode : public Protocol, public ::testing::WithParamInterface<DecodeCase> {};

TEST_P(Decode, ShowsTheReply) {
    const DecodeCase& c = GetParam();
    const auto view = Feed(c.Reply);
    ASSERT_TRUE(view);
    EXPECT_EQ(view->StatusText, "[0] " + c.Text);
    EXPECT_EQ(view->StatusColour, c.TextColour);
    EXPECT_EQ(view->StatusToolTip, c.ToolTip);
    EXPECT_EQ(view->TimeoutText, c.Timeout);
    EXPECT_EQ(view->NumberText, c.Number);
    const uint8_t letter = c.Reply[1];
    const bool status =
        letter == 'A' || letter == 'B' || letter == 'D' || (letter >= 'K' && letter <= 'O');
    EXPECT_EQ(view->Indicators.has_value(), status);
}

const char* const kUnknownP = "Пришла неизвестная команда: 50h (\"P\")";

INSTANTIATE_TEST_SUITE_P(
    Letters, Decode,
    ::testing::Values(
        DecodeCase{"E0", {1, 'E', 0}, "Ошибка: нет ошибки", Colour::Green},
        DecodeCase{"E1", {1, 'E', 1}, "Ошибка: Ошибка связи (приема)", Colour::Red},
        DecodeCase{"E2", {1, 'E', 2}, "Ошибка: Недопустимый код команды", Colour::Red},
        DecodeCase{"E3", {1, 'E', 3}, "Ошибка: Недопустимые данные", Colour::Red},
        DecodeCase{"E4", {1, 'E', 4}, "Ошибка: Ошибка записи в EEPROM", Colour::Red},
        DecodeCase{"E9", {1, 'E', 9}, "Ошибка: Неизвестная ошибка (9)", Colour::Red},
        DecodeCase{"E255", {1, 'E', 255}, "Ошибка: Неизвестная ошибка (255)", Colour::Red},
        // The error colour replaces the address check's maroon; its message stays.
        DecodeCase{"EWrongAddress",
                   {7, 'E', 0},
                   "Ошибка: нет ошибки",
                   Colour::Green,
                   "В поле адреса пришло 7"},
        DecodeCase{"G25", {1, 'G', 25}, "OK - G (чтение таймаута)", Colour::Blue, "", "2500"},
        DecodeCase{"G255", {1, 'G', 255}, "OK - G (чтение таймаута)", Colour::Blue, "", "25500"},
        DecodeCase{"GWrongAddress",
                   {0, 'G', 0},
                   "OK - G (чтение таймаута)",
                   Colour::Maroon,
                   "В поле адреса пришло 0",
                   "0"},
        DecodeCase{"J3AnyAddress",
                   {9, 'J', 3},
                   "OK - J (чтение адреса (идентификатора))",
                   Colour::Blue,
                   "В поле адреса пришло 9",
                   std::nullopt,
                   "3"},
        DecodeCase{"A", {1, 'A', 2}, "OK - A (управление объектом 1)", Colour::Blue},
        DecodeCase{"B", {1, 'B', 4}, "OK - B (управление объектом 2)", Colour::Blue},
        DecodeCase{"K", {1, 'K', 6}, "OK - K (въезд разрешен)", Colour::Blue},
        DecodeCase{"L", {1, 'L', 9}, "OK - L (выезд разрешен)", Colour::Blue},
        DecodeCase{"M", {1, 'M', 5}, "OK - M (движение запрещено (все красные))", Colour::Blue},
        DecodeCase{"N",
                   {2, 'N', 0},
                   "OK - N (выключено (все выключены))",
                   Colour::Maroon,
                   "В поле адреса пришло 2"},
        DecodeCase{"O", {1, 'O', 10}, "OK - O (транзит (все зеленые))", Colour::Blue},
        DecodeCase{"P", {1, 'P', 0}, kUnknownP, Colour::Maroon},
        DecodeCase{"I", {1, 'I', 0}, "Пришла неизвестная команда: 49h (\"I\")", Colour::Maroon},
        DecodeCase{"C", {1, 'C', 0}, "Пришла неизвестная команда: 43h (\"C\")", Colour::Maroon},
        DecodeCase{"F", {1, 'F', 0}, "Пришла неизвестная команда: 46h (\"F\")", Colour::Maroon},
        DecodeCase{"H", {1, 'H', 0}, "Пришла неизвестная команда: 48h (\"H\")", Colour::Maroon},
        DecodeCase{
            "Lowercase", {1, 'd', 0}, "Пришла неизвестная команда: 64h (\"d\")", Colour::Maroon},
        // Bytes that are no printable letter never reach the status line raw.
        DecodeCase{"Nul",
                   {1, 0x00, 0},
                   "Пришла неизвестная команда: 00h (\"\xEF\xBF\xBD\")",
                   Colour::Maroon},
        DecodeCase{"LineBreak",
                   {1, 0x0A, 0},
                   "Пришла неизвестная команда: 0Ah (\"\xEF\xBF\xBD\")",
                   Colour::Maroon},
        DecodeCase{"HighByte",
                   {1, 0xC0, 0},
                   "Пришла неизвестная команда: C0h (\"\xEF\xBF\xBD\")",
                   Colour::Maroon}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(Protocol, JReplySetsTheControllerNumber) {
    Feed({9, 'J', 3});
    EXPECT_EQ(protocol_.ControllerNumber, 3);
    // The next reply is checked against the new number.
    EXPECT_EQ(Feed({3, 'D', 0})->StatusColour, Colour::Blue);
}

TEST_F(Protocol, AddressComparesTheWholeNumber) {
    protocol_.ControllerNumber = 258;
    protocol_.SendSimple('D');
    EXPECT_EQ(writes_.back(), (Bytes{2, 'D', 0}));
    const auto view = Feed({2, 'D', 0});
    EXPECT_EQ(view->StatusColour, Colour::Maroon);
    EXPECT_EQ(view->StatusToolTip, "В поле адреса пришло 2");
}

TEST_F(Protocol, ErrorBitSendsTheErrorQuery) {
    protocol_.ControllerNumber = 258;
    const auto view = Feed({2, 'D', 0x40});
    ASSERT_TRUE(view && view->Indicators);
    EXPECT_TRUE(view->Indicators->HasError);
    EXPECT_EQ(view->Indicators->HasErrorText, Colour::Red);
    ASSERT_EQ(writes_.size(), 1u);
    EXPECT_EQ(writes_[0], (Bytes{2, 'E', 0}));
    EXPECT_EQ(protocol_.OutCommand, (std::array<uint8_t, 3>{2, 'E', 0}));

    // Every status with the bit asks again; the E reply itself does not.
    Feed({2, 'K', 0xCF});
    EXPECT_EQ(writes_.size(), 2u);
    Feed({2, 'E', 3});
    EXPECT_EQ(writes_.size(), 2u);
}

// ---- Status byte -------------------------------------------------------------------------

TEST(StateViewTest, BitsToIndicators) {
    struct Case {
        uint8_t Status;
        bool InRed, InGreen, OutRed, OutGreen, In1, In2, Error, Next;
    };
    const Case cases[] = {
        {0x00, false, false, false, false, false, false, false, false},
        {0x01, true, false, false, false, false, false, false, false},
        {0x03, false, true, false, false, false, false, false, false},  // the pair rule
        {0x05, true, false, true, false, false, false, false, false},
        {0x0C, false, false, false, true, false, false, false, false},
        {0x0A, false, true, false, true, false, false, false, false},
        {0x10, false, false, false, false, true, false, false, false},
        {0x20, false, false, false, false, false, true, false, false},
        {0x40, false, false, false, false, false, false, true, false},
        {0x80, false, false, false, false, false, false, false, true},
        {0xFF, false, true, false, true, true, true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "status 0x" << std::hex << int(c.Status));
        const StatusIndicators v = StateView(c.Status);
        EXPECT_EQ(v.InputRed, c.InRed);
        EXPECT_EQ(v.InputGreen, c.InGreen);
        EXPECT_EQ(v.OutputRed, c.OutRed);
        EXPECT_EQ(v.OutputGreen, c.OutGreen);
        EXPECT_EQ(v.Input1, c.In1);
        EXPECT_EQ(v.Input2, c.In2);
        EXPECT_EQ(v.HasError, c.Error);
        EXPECT_EQ(v.CanGetNext, c.Next);
        EXPECT_EQ(v.InputRedBack, c.InRed ? Colour::Red : Colour::Face);
        EXPECT_EQ(v.InputGreenBack, c.InGreen ? Colour::Green : Colour::Face);
        EXPECT_EQ(v.OutputRedBack, c.OutRed ? Colour::Red : Colour::Face);
        EXPECT_EQ(v.OutputGreenBack, c.OutGreen ? Colour::Green : Colour::Face);
        EXPECT_EQ(v.HasErrorText, c.Error ? Colour::Red : Colour::WindowText);
    }
}

// ---- Commands ----------------------------------------------------------------------------

TEST_F(Protocol, SendersBuildTheirFrames) {
    protocol_.ControllerNumber = 258;  // address byte 2
    struct Case {
        const char* Name;
        std::function<void()> Send;
        Bytes Frame;
    };
    const Case cases[] = {
        {"D", [&] { protocol_.SendSimple('D'); }, {2, 'D', 0}},
        {"P", [&] { protocol_.SendSimple('P'); }, {2, 'P', 0}},
        {"A1", [&] { protocol_.SendLight('A', 1); }, {2, 'A', 1}},
        {"B2", [&] { protocol_.SendLight('B', 2); }, {2, 'B', 2}},
        {"J", [&] { protocol_.SendReadNumber(); }, {0, 'J', 0}},
        {"I300", [&] { protocol_.SendWriteNumber("300"); }, {0, 'I', 0x2C}},
        {"F1050", [&] { protocol_.SendWriteTimeout("1050"); }, {2, 'F', 10}},
        {"F99", [&] { protocol_.SendWriteTimeout("99"); }, {2, 'F', 0}},
        {"F-150", [&] { protocol_.SendWriteTimeout("-150"); }, {2, 'F', 0xFF}},
        {"F30000", [&] { protocol_.SendWriteTimeout("30000"); }, {2, 'F', 0x2C}},
        {"F-99", [&] { protocol_.SendWriteTimeout("-99"); }, {2, 'F', 0}},
        {"FMin", [&] { protocol_.SendWriteTimeout("-2147483648"); }, {2, 'F', 0xEC}},
        {"FHex", [&] { protocol_.SendWriteTimeout("$3E8"); }, {2, 'F', 10}},
        {"H0", [&] { protocol_.SendSpeed(0); }, {2, 'H', 9}},
        {"H1", [&] { protocol_.SendSpeed(1); }, {2, 'H', 19}},
        {"H2", [&] { protocol_.SendSpeed(2); }, {2, 'H', 38}},
        {"H3", [&] { protocol_.SendSpeed(3); }, {2, 'H', 57}},
        {"H4", [&] { protocol_.SendSpeed(4); }, {2, 'H', 115}},
        {"HData1", [&] { protocol_.SendErrorData(); }, {2, 'H', 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        writes_.clear();
        protocol_.ReplyFill = 2;
        c.Send();
        ASSERT_EQ(writes_.size(), 1u);
        EXPECT_EQ(writes_[0], c.Frame);
        EXPECT_EQ(Bytes(protocol_.OutCommand.begin(), protocol_.OutCommand.end()), c.Frame);
        EXPECT_EQ(protocol_.ReplyFill, 0);
    }
    EXPECT_EQ(protocol_.ControllerNumber, 258);  // I does not change it
}

TEST_F(Protocol, BadTextsSendNothing) {
    struct Case {
        std::function<void()> Send;
        std::string Message;
    };
    const Case cases[] = {
        {[&] { protocol_.SendWriteTimeout("abc"); }, "'abc' is not a valid integer value"},
        {[&] { protocol_.SendWriteTimeout(""); }, "'' is not a valid integer value"},
        {[&] { protocol_.SendWriteNumber("0x"); }, "'0x' is not a valid integer value"},
        {[&] { protocol_.SendSpeed(-1); }, "'' is not a valid integer value"},
        {[&] { protocol_.SendSpeed(5); }, "'' is not a valid integer value"},
    };
    for (const Case& c : cases) {
        protocol_.ReplyFill = 2;
        try {
            c.Send();
            ADD_FAILURE() << "no failure for " << c.Message;
        } catch (const EConvertError& error) {
            EXPECT_EQ(error.what(), c.Message);
        }
        EXPECT_EQ(protocol_.ReplyFill, 2);  // the partial reply survives a command not sent
    }
    EXPECT_TRUE(writes_.empty());
}

TEST_F(Protocol, ErrorByteSequence) {
    protocol_.ReplyFill = 2;
    for (int i = 0; i < 5; ++i) protocol_.SendErrorByte();
    const std::vector<Bytes> expected{{0x00}, {0x08}, {0xDC}, {0x33}, {0x45}};
    EXPECT_EQ(writes_, expected);
    EXPECT_EQ(protocol_.ReplyFill, 2);  // not a command: assembly goes on
}

TEST_F(Protocol, NumberingRestartsWhenTheCounterIsReset) {
    EXPECT_EQ(Feed({1, 'D', 0})->StatusText.substr(0, 4), "[0] ");
    EXPECT_EQ(Feed({1, 'D', 0})->StatusText.substr(0, 4), "[1] ");
    protocol_.ReplyCounter = 0;  // Start
    EXPECT_EQ(Feed({1, 'D', 0})->StatusText.substr(0, 4), "[0] ");

    protocol_.ReplyCounter = std::numeric_limits<int32_t>::max();
    EXPECT_EQ(Feed({1, 'D', 0})->StatusText.substr(0, 13), "[2147483647] ");
    EXPECT_EQ(protocol_.ReplyCounter, std::numeric_limits<int32_t>::min());
    EXPECT_EQ(Feed({1, 'D', 0})->StatusText.substr(0, 14), "[-2147483648] ");
}

TEST(ProtocolWithoutPort, UnsetQueueWriteIsSkipped) {
    ControllerProtocol protocol{nullptr};
    protocol.SendSimple('D');
    protocol.SendErrorByte();
    const uint8_t reply[] = {0, 'D', 0x40};
    EXPECT_TRUE(protocol.ReceiveChunk(reply, 3));
    EXPECT_EQ(protocol.OutCommand, (std::array<uint8_t, 3>{0, 'E', 0}));
}

// ---- Texts -------------------------------------------------------------------------------

TEST(ProtocolTexts, CommandDescriptions) {
    const std::pair<uint8_t, const char*> cases[] = {
        {'A', "A (управление объектом 1)"},
        {'B', "B (управление объектом 2)"},
        {'C', "C ()"},
        {'D', "D (запрос статуса)"},
        {'E', "E (запрос ошибки)"},
        {'F', "F ()"},
        {'G', "G (чтение таймаута)"},
        {'H', "H ()"},
        {'I', "I (установка адреса (идентификатора))"},
        {'J', "J (чтение адреса (идентификатора))"},
        {'K', "K (въезд разрешен)"},
        {'L', "L (выезд разрешен)"},
        {'M', "M (движение запрещено (все красные))"},
        {'N', "N (выключено (все выключены))"},
        {'O', "O (транзит (все зеленые))"},
        {'P', "P ()"},
        {'Z', "Z ()"},
    };
    for (const auto& [letter, text] : cases) EXPECT_EQ(CommandDescription(letter), text);
}

TEST(ProtocolTexts, HexDumpAndErrors) {
    const uint8_t frame[] = {0xFF, 0x01, 0x44, 0x05, 0x03, 0x0a};
    EXPECT_EQ(HexDump(frame, 5), "FF 01 44 05 03 ");
    EXPECT_EQ(HexDump(frame + 5, 1), "0A ");
    EXPECT_EQ(HexDump(frame, 0), "");
    EXPECT_EQ(HexDump(nullptr, 0), "");
    EXPECT_EQ(ErrorText(0), "нет ошибки");
    EXPECT_EQ(ErrorText(4), "Ошибка записи в EEPROM");
    EXPECT_EQ(ErrorText(5), "Неизвестная ошибка (5)");
    EXPECT_EQ(ErrorText(255), "Неизвестная ошибка (255)");
}

TEST(ProtocolTexts, SpeedTable) {
    const std::pair<uint32_t, uint8_t> rows[] = {
        {9600, 9}, {19200, 19}, {38400, 38}, {57600, 57}, {115200, 115}};
    ASSERT_EQ(SpeedTable.size(), std::size(rows));
    for (size_t i = 0; i < SpeedTable.size(); ++i) {
        EXPECT_EQ(SpeedTable[i].Baud, rows[i].first);
        EXPECT_EQ(SpeedTable[i].Code, rows[i].second);
    }
}

}  // namespace
}  // namespace console
