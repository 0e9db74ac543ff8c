// The three error provocations: the controller records the error, the next status reply
// carries bit 6, the console asks for the code by itself and shows it in words.

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

#include "session.h"

namespace e2e {
namespace {

struct Provocation {
    const char* name;
    QPushButton* console::TForm1::*control;
    const char* sent;        // the monitor's line for what the control sent
    const char* firstReply;  // what the controller's answer to it shows, if it answers
    const char* errorText;   // the E reply after the next status request
};

void PrintTo(const Provocation& p, std::ostream* out) {
    *out << p.name;
}

class ProvocationTest : public Session, public testing::WithParamInterface<Provocation> {};

TEST_P(ProvocationTest, NextStatusRequestFetchesAndShowsTheError) {
    const Provocation& p = GetParam();
    StartSimulator();
    OpenWindow();
    StartConsole();

    Click((*form_).*p.control);
    ASSERT_TRUE(Saw(p.sent));
    int32_t number = 1;
    if (p.firstReply) {
        ExpectStatus(QStringLiteral("[1] ") + QString::fromUtf8(p.firstReply), Maroon());
        ++number;
    }

    Click(form_->btnGetState);
    ASSERT_TRUE(Saw("<- 01 44 00"));
    ASSERT_TRUE(Saw("-> FF 01 44 C0 03"));
    ASSERT_TRUE(Saw("<- 01 45 00")) << "the automatic error query";
    ExpectStatus(
        QStringLiteral("[%1] Ошибка: %2").arg(number + 1).arg(QString::fromUtf8(p.errorText)),
        Red());
    // The status reply before it showed the error bit; the E reply carries no status.
    EXPECT_TRUE(form_->chkHasError->isChecked());
    EXPECT_EQ(TextColour(form_->chkHasError), Red());

    // E cleared the controller's error: the next status shows none and asks nothing more.
    Click(form_->btnGetState);
    ASSERT_TRUE(Saw("-> FF 01 44 80 03"));
    ExpectStatus(QStringLiteral("[%1] OK - D (запрос статуса)").arg(number + 2), Blue());
    EXPECT_FALSE(form_->chkHasError->isChecked());
    EXPECT_EQ(TextColour(form_->chkHasError), TextColour(form_->chkCanGetNext));
    Click(form_->btnReadTimeout);
    ExpectStatus(QStringLiteral("[%1] OK - G (чтение таймаута)").arg(number + 3), Blue());
}

INSTANTIATE_TEST_SUITE_P(
    Errors, ProvocationTest,
    testing::Values(
        Provocation{"UnknownLetter", &console::TForm1::btnErrorGen, "<- 01 50 00",
                    "Пришла неизвестная команда: 50h (\"P\")", "Недопустимый код команды"},
        Provocation{"InvalidData", &console::TForm1::btnErrorData, "<- 01 48 01",
                    "Пришла неизвестная команда: 48h (\"H\")", "Недопустимые данные"},
        // The first single byte of a run is 0x00; the controller drops it after its gap.
        Provocation{"SingleByte", &console::TForm1::btnErrorSend,
                    "<- 00 (incomplete command dropped", nullptr, "Ошибка связи (приема)"}),
    [](const testing::TestParamInfo<Provocation>& info) { return info.param.name; });

}  // namespace
}  // namespace e2e
