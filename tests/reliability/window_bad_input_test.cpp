// Bad input through the real window: garbage replies of every length in both formats, and
// settings files that are huge, binary, or hold an oversized port name or values that are
// not numbers. Nothing crashes, reading stays bounded, and defaults stand in for values that
// are not numbers.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <fstream>
#include <random>

#include "process_stats.h"
#include "window_harness.h"

namespace {

using namespace std::chrono_literals;
using reliability::RunUntil;

std::vector<uint8_t> RandomBytes(size_t n, std::mt19937& random) {
    std::vector<uint8_t> bytes(n);
    for (auto& b : bytes) b = static_cast<uint8_t>(random());
    return bytes;
}

class GarbageReplies : public testing::TestWithParam<bool> {};

TEST_P(GarbageReplies, OfEveryLengthLeaveTheWindowDecoding) {
    const bool fiveByte = GetParam();
    reliability::Window window;
    console::TForm1& form = window.Form();
    form.chkNEW->setChecked(fiveByte);
    serial::testing::Pty line;
    ASSERT_TRUE(window.StartOn(line));

    std::mt19937 random(fiveByte ? 5 : 3);
    std::vector<size_t> lengths;
    for (size_t n = 1; n <= 48; ++n) lengths.push_back(n);
    for (size_t n : {255, 256, 4095, 4096, 4097, 32767, 32768, 32769, 65535, 65536, 100000})
        lengths.push_back(n);
    for (size_t n : lengths) {
        // Each garbage reply arrives on its own: the window has taken it all before the next.
        const uint64_t before = window.Received();
        ASSERT_TRUE(line.Write(RandomBytes(n, random)));
        ASSERT_TRUE(RunUntil([&] { return window.Received() >= before + n; }, 10s)) << n;
        line.Read(65536, 5ms);  // whatever the window sent in answer (error queries)
    }
    // The window still decodes a good reply after all that.
    form.btnGetState->click();
    ASSERT_EQ(line.Read(3, 5s).size(), 3u);
    form.txtStatus->clear();
    const std::vector<uint8_t> reply = fiveByte ? std::vector<uint8_t>{0xFF, 0x01, 'D', 0x00, 0x03}
                                                : std::vector<uint8_t>{0x01, 'D', 0x00};
    ASSERT_TRUE(line.Write(reply));
    ASSERT_TRUE(RunUntil([&] { return !form.txtStatus->text().isEmpty(); }));
    EXPECT_TRUE(form.txtStatus->text().endsWith(QString::fromUtf8("] OK - D (запрос статуса)")))
        << form.txtStatus->text().toStdString();
}

INSTANTIATE_TEST_SUITE_P(BothFormats, GarbageReplies, testing::Values(false, true),
                         [](const auto& info) { return info.param ? "FiveByte" : "ThreeByte"; });

struct BadSettings {
    const char* name;
    std::function<std::string()> content;
    std::string port;  // what the port box shows
    int speedRow;
    bool fiveByte;
};

std::string Repeat(char c, size_t n) {
    return std::string(n, c);
}

const BadSettings kBadSettings[] = {
    {"Huge50MiBWithoutLineBreaks", [] { return Repeat('A', 50u << 20); }, "COM4", 0, true},
    {"Huge50MiBAfterAGoodSection",
     [] { return "[Main]\nPort=COM7\nSpeed=2\n5byte=0\n" + Repeat('x', 50u << 20); }, "COM7", 2,
     false},
    {"Binary",
     [] {
         std::mt19937 random(7);
         std::string s(1u << 20, '\0');
         for (auto& c : s) c = static_cast<char>(random());
         return s;
     },
     "COM4", 0, true},
    {"PortOf100KiB", [] { return "[Main]\nPort=" + Repeat('P', 100u << 10) + "\nSpeed=1\n"; },
     Repeat('P', 2047), 1, true},
    {"ValuesThatAreNotNumbers", [] { return std::string("[Main]\nSpeed=abc\n5byte=yes\n"); },
     "COM4", 0, true},
    {"NumbersOutOfRange", [] { return std::string("[Main]\nSpeed=99999999999\n5byte=0x\n"); },
     "COM4", 0, true},
};

void PrintTo(const BadSettings& bad, std::ostream* out) {
    *out << bad.name;
}

class BadSettingsFile : public testing::TestWithParam<BadSettings> {};

TEST_P(BadSettingsFile, IsReadBoundedWithDefaults) {
    const BadSettings& bad = GetParam();
    QTemporaryDir dir;
    const std::filesystem::path file = dir.filePath(QStringLiteral("dravik.ini")).toStdString();
    {
        const std::string content = bad.content();
        std::ofstream(file, std::ios::binary)
            .write(content.data(), std::streamsize(content.size()));
    }
    const auto sizeBefore = std::filesystem::file_size(file);
    const long rssBefore = reliability::ResidentKib();
    QElapsedTimer clock;
    clock.start();
    auto window = std::make_unique<reliability::Window>(file);
    const qint64 readMs = clock.elapsed();
    const long rssGrowth = reliability::ResidentKib() - rssBefore;
    console::TForm1& form = window->Form();

    EXPECT_EQ(form.cbbCom->currentText().toStdString(), bad.port);
    EXPECT_EQ(form.cbbSpeed->currentIndex(), bad.speedRow);
    EXPECT_EQ(form.chkNEW->isChecked(), bad.fiveByte);
    EXPECT_LT(readMs, 5000) << "reading is bounded, whatever the file's size";
    // A window is a few MiB; a reader that took the whole file in would show here.
    if (reliability::kMemoryIsMeaningful) {
        EXPECT_LT(rssGrowth, 40 * 1024);
    }

    const std::vector<QString> boxes = window->Destroy();
    if (sizeBefore > (size_t{16} << 20)) {
        // Too large to rewrite whole: it is left alone, and the operator is told.
        EXPECT_EQ(std::filesystem::file_size(file), sizeBefore);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_TRUE(boxes[0].startsWith(QStringLiteral("Unable to write to ")))
            << boxes[0].toStdString();
    } else {
        EXPECT_TRUE(boxes.empty());
        const console::Settings back = console::ReadSettings(file);
        EXPECT_EQ(back.Port, bad.port) << "the next start shows the same";
    }
}

INSTANTIATE_TEST_SUITE_P(Files, BadSettingsFile, testing::ValuesIn(kBadSettings),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
