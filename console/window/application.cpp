#include "console/window/application.h"

#include <QFileInfo>
#include <QMessageBox>
#include <exception>

namespace console {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // One style everywhere, so the fixed control sizes fit their captions on every desktop.
    setStyle(QStringLiteral("Fusion"));
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    CatchFailures([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

QString TApplication::Title() {
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

QString FailureText(const QString& message) {
    if (!message.isEmpty() && message.back().unicode() > u'.') return message + u'.';
    return message;
}

void ShowFailure(const QString& message, const QString& cause) {
    QString text = FailureText(message);
    if (!cause.isEmpty()) text += u'\n' + cause;
    QMessageBox box(QMessageBox::Critical, TApplication::Title(), text, QMessageBox::Ok);
    // A message may quote what the operator typed: it is shown as it stands, never as markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void CatchFailures(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const EExplainedFailure& failure) {
        ShowFailure(QString::fromUtf8(failure.what()), failure.Cause());
    } catch (const std::exception& failure) {
        ShowFailure(QString::fromUtf8(failure.what()));
    } catch (...) {
        ShowFailure(QStringLiteral("Unknown failure"));
    }
}

}  // namespace console
