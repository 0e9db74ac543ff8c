// The console window made exactly as the program's start makes it, shown, then started on a
// pseudo-terminal; one second later it prints its resident memory ("rss_kib N") and ends.
// startup_bench runs it under the same X server as the program and the baseline.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QToolButton>
#include <cstdio>
#include <memory>

#include "app/app_icon.h"
#include "console/window/application.h"
#include "console/window/form1.h"
#include "process_memory.h"

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
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128];
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 ||
        ptsname_r(master, name, sizeof name) != 0) {
        std::fprintf(stderr, "no pseudo-terminal\n");
        return 2;
    }
    console::TApplication application(argc, argv);
    application.setWindowIcon(AppIcon());
    QTemporaryDir dir;
    auto Form1 = std::make_unique<console::TForm1>(dir.filePath("dravik.ini").toStdString());
    Form1->show();
    RunFor(300, master);
    Form1->cbbCom->setEditText(QString::fromLatin1(name));
    Form1->btnStart->click();
    RunFor(1000, master);
    std::printf("rss_kib %ld\n", bench::ResidentKib(getpid()));
    std::fflush(stdout);
    Form1.reset();
    close(master);
    return 0;
}
