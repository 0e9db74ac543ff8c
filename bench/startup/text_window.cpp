// The second reference for the program's start: the baseline window with one line of text in
// it, the toolkit's smallest program that draws text. It pays once for what every window with
// text pays (font configuration, a font face, text shaping), which the empty baseline does not.
#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QLabel window(QStringLiteral("Эмулятор весов"));
    window.setWindowTitle(QStringLiteral("text baseline"));
    window.resize(594, 496);
    window.show();
    return application.exec();
}
