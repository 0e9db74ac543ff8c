#pragma once
// A real console window (TForm1) with its settings file in a scratch directory, started on a
// pseudo-terminal, for the reliability tests; and the means to run its event loop for a while.

#include <QString>
#include <QTemporaryDir>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "console/window/form1.h"
#include "pty.h"

namespace reliability {

// Runs the event loop until the condition holds or the time is up.
bool RunUntil(const std::function<bool()>& condition,
              std::chrono::milliseconds timeout = std::chrono::seconds(5));
void RunFor(std::chrono::milliseconds time);

// Runs the action; every error box that opens meanwhile is read and closed with OK.
std::vector<QString> ClosingErrorBoxes(const std::function<void()>& action);

class Window {
  public:
    explicit Window(const std::filesystem::path& settingsFile);
    Window();  // a settings file of its own, absent at first
    ~Window();

    console::TForm1& Form() { return *form_; }
    // Bytes the window's port object has handed to the window so far.
    uint64_t Received() const { return received_; }

    // Start on the line (the D command it sends is read off); false when it did not open.
    bool StartOn(const serial::testing::Pty& line);
    void Stop();
    // Closes the window (its shutdown runs), closing any error box that shows.
    std::vector<QString> Destroy();

  private:
    void Make(const std::filesystem::path& settingsFile);

    QTemporaryDir dir_;
    std::unique_ptr<console::TForm1> form_;
    uint64_t received_ = 0;
};

}  // namespace reliability
