// The console window made exactly as the program's start makes it, shown, then started on a
// pseudo-terminal; one second later it prints its resident memory ("rss_kib N") and ends.
// startup_bench runs it under the same X server as the program and the baseline.
#include <poll.h>
#include <unistd.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QToolButton>
#include <cstdio>
#include <memory>
#include <optional>
#include <system_error>

#include "app/app_icon.h"
#include "console/window/application.h"
#include "console/window/form1.h"
#include "process_memory.h"
#include "tools/pty/pty_pair.h"

namespace {

// Runs the event loop for a while, reading and dropping what the console sends meanwhile.
void RunFor(int ms, int master) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        pollfd p{master, POLLIN, 0};
        char sink[256];
        if (poll(&p, 1, 5) > 0 && (p.revents & POLLIN)) (void)!read(master, sink, sizeof sink);
    }
}

}  // namespace

int main(int argc, char** argv) {
    // The slave is held so that the master does not read as hung up before the console opens it.
    std::optional<tty::PtyPair> line;
    try {
        line.emplace(tty::kKeepSlave);
    } catch (const std::system_error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }
    console::TApplication application(argc, argv);
    application.setWindowIcon(AppIcon());
    QTemporaryDir dir;
    auto Form1 = std::make_unique<console::TForm1>(dir.filePath("dravik.ini").toStdString());
    Form1->show();
    RunFor(300, line->Master());
    Form1->cbbCom->setEditText(QString::fromStdString(line->Path()));
    Form1->btnStart->click();
    RunFor(1000, line->Master());
    std::printf("rss_kib %ld\n", bench::ResidentKib(getpid()));
    std::fflush(stdout);
    Form1.reset();
    return 0;
}
