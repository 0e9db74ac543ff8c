#pragma once
// The program's application object. Every failure that an event handler lets through ends
// that handler and is shown in a modal error box; the program carries on.

#include <QApplication>
#include <QString>
#include <functional>

namespace console {

class TApplication : public QApplication {
  public:
    TApplication(int& argc, char** argv);

    // The last line of defence: a failure that escapes a handler is caught here.
    bool notify(QObject* receiver, QEvent* event) override;

    // The executable's base name, shown as every message box's title.
    static QString Title();
};

// The failure message box: error icon, OK button, the application's title, and the message
// with a full stop appended when its last character's code is above the full stop's.
void ShowFailure(const QString& message);
QString FailureText(const QString& message);

// Runs a handler and shows whatever failure it raises. Handlers are connected through this so
// that no exception unwinds through the toolkit's own frames, which are not built for it.
void CatchFailures(const std::function<void()>& handler);

}  // namespace console
