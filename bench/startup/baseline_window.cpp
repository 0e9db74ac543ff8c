// The baseline for the program's start: the least a Qt Widgets program does to show a window
// of the console's size. Runs until it is closed or killed.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("baseline"));
    window.resize(594, 496);
    window.show();
    return application.exec();
}
