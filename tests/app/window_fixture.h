#pragma once
// A real console window with its settings file in a scratch directory, and the means to
// see and close the error boxes it shows.

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QString>
#include <QTemporaryDir>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "console/window/form1.h"
#include "pseudo_terminal.h"

// Failure reports show texts as text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace apptest {

struct SeenBox {
    QString Title;
    QString Text;  // as shown
    QMessageBox::Icon Icon;
    QMessageBox::StandardButtons Buttons;
};

// Runs the action; an error box that it opens is read and closed with OK.
std::optional<SeenBox> CloseBoxDuring(const std::function<void()>& action);

// Processes events until the condition holds or the deadline passes.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 3000);

class WindowTest : public testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    std::filesystem::path SettingsFile() const;
    void MakeWindow();                         // (re)creates the window from the settings file
    void DestroyWindow();                      // closes and destroys it: the shutdown runs
    void PointAt(const PseudoTerminal& line);  // port box names the pseudo-terminal
    void StartOn(PseudoTerminal& line);        // Start, then the D frame is read off the line
    void Reply(PseudoTerminal& line, const std::vector<uint8_t>& bytes);  // and wait for it
    void Click(QWidget* control);
    // Start on a device that cannot be opened: the error box gives this cause below the
    // opening failure, and the window stays closed.
    void ExpectStartFails(const std::string& device, const std::string& cause);

    QTemporaryDir dir_;
    std::unique_ptr<console::TForm1> form_;
};

}  // namespace apptest
