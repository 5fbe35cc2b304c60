// The yardstick for start-up time and memory: the smallest Qt Widgets
// program that shows a window and prints when it is up.
#include <QApplication>
#include <QLabel>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("minimal"));
    label.setWindowTitle(QStringLiteral("minimal_qt"));
    label.show();
    QTimer::singleShot(0, [] {
        std::puts("ready");
        std::fflush(stdout);
        if (qEnvironmentVariableIsSet("MINIMAL_QT_EXIT"))
            QCoreApplication::quit();
    });
    return QApplication::exec();
}
