#pragma once
// One console session against the simulated controller: the real window (from the window
// tests' fixture) and a controller_sim process serving a pseudo-terminal reached through a
// symbolic link in a scratch directory, so a restarted simulator sits at the same port name.

#include <QColor>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "tests/tools/sim_process.h"
#include "window_fixture.h"

namespace e2e {

// The two lights as the selectors show them (checked state and background).
struct Lights {
    bool InputRed, InputGreen, OutputRed, OutputGreen;
};

QColor Red();
QColor Green();
QColor Blue();
QColor Maroon();
QColor Face();
QColor TextColour(QWidget* control);
QColor Background(QWidget* control);

class Session : public apptest::WindowTest {
  protected:
    void TearDown() override;

    // Starts controller_sim (--link in the scratch directory) with further arguments and
    // waits until its line is ready.
    void StartSimulator(const std::vector<std::string>& args = {});
    // Kills it as a crash would: no clean-up, the link is left behind.
    void KillSimulator();
    std::string LinkPath() const;

    // A fresh window with its port box naming the simulator's link.
    void OpenWindow();
    // Start: the D command reaches the simulator and its reply is shown as reply 0.
    void StartConsole();

    // Waits for a monitor line (such as "<- 01 44 00") after those already seen.
    bool Saw(const std::string& line) { return Saw(*sim_, line); }
    // The same on another tool's process (a tap).
    bool Saw(simtest::ToolProcess& process, const std::string& line);
    // Sends a control line to the simulator and waits for its acknowledgement.
    void Control(const std::string& line, const std::string& ack);
    // Processes events until the status line reads exactly this text.
    bool StatusBecomes(const QString& text, int timeoutMs = 3000);
    void ExpectStatus(const QString& text, const QColor& colour);
    void ExpectLights(const Lights& lights);

    simtest::TempDir scratch_;
    std::unique_ptr<simtest::SimProcess> sim_;
};

}  // namespace e2e
