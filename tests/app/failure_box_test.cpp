// The error box: title, icon, button, and the full stop rule.

#include <QApplication>
#include <QTimer>

#include "console/window/application.h"
#include "window_fixture.h"

namespace apptest {
namespace {

TEST(FailureText, FullStopAppendedOnlyAfterCharactersAboveIt) {
    const std::pair<QString, QString> cases[] = {
        {"Невозможно открыть порт.", "Невозможно открыть порт."},
        {"'abc' is not a valid integer value", "'abc' is not a valid integer value."},
        {"Unable to write to /x/dravik.ini", "Unable to write to /x/dravik.ini."},
        {"ends in a comma,", "ends in a comma,"},  // ',' is below '.'
        {"ends in a space ", "ends in a space "},
        {"ends in a slash/", "ends in a slash/."},  // '/' is just above '.'
        {"Ошибка", "Ошибка."},
        {"", ""},
    };
    for (const auto& [message, shown] : cases)
        EXPECT_EQ(console::FailureText(message), shown) << message.toStdString();
}

// A failure escaping an event handler is caught by the application object: the box shows,
// and the program goes on handling events.
TEST(FailureBox, EventLoopCatchesAndCarriesOn) {
    bool ranAfter = false;
    const auto seen = CloseBoxDuring([&] {
        QTimer::singleShot(0, [] { throw std::runtime_error("Невозможно открыть порт."); });
        QTimer::singleShot(20, [&] { ranAfter = true; });
        WaitUntil([&] { return ranAfter; }, 3000);
    });
    ASSERT_TRUE(seen.has_value());
    EXPECT_EQ(seen->Text, "Невозможно открыть порт.");
    EXPECT_EQ(seen->Title, console::TApplication::Title());
    EXPECT_EQ(seen->Title, "app_tests");
    EXPECT_EQ(seen->Icon, QMessageBox::Critical);
    EXPECT_EQ(seen->Buttons, QMessageBox::Ok);
    EXPECT_TRUE(ranAfter);
}

}  // namespace
}  // namespace apptest
