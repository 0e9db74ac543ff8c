#pragma once
// The program's application object. Every failure that an event handler lets through ends
// that handler and is shown in a modal error box; the program carries on.

#include <QApplication>
#include <QString>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>

namespace console {

class TApplication : public QApplication {
  public:
    TApplication(int& argc, char** argv);

    // The last line of defence: a failure that escapes a handler is caught here.
    bool notify(QObject* receiver, QEvent* event) override;

    // The executable's base name, shown as every message box's title.
    static QString Title();
};

// A failure with a second line that says why, in the operator's terms.
class EExplainedFailure : public std::runtime_error {
  public:
    EExplainedFailure(const std::string& message, QString cause)
        : std::runtime_error(message), cause_(std::move(cause)) {}
    const QString& Cause() const { return cause_; }

  private:
    QString cause_;
};

// The failure message box: error icon, OK button, the application's title, and the message
// with a full stop appended when its last character's code is above the full stop's; a
// cause, when there is one, on the line below.
void ShowFailure(const QString& message, const QString& cause = QString());
QString FailureText(const QString& message);

// Runs a handler and shows whatever failure it raises. Handlers are connected through this so
// that no exception unwinds through the toolkit's own frames, which are not built for it.
void CatchFailures(const std::function<void()>& handler);

}  // namespace console
