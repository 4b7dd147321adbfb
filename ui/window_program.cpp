#include "window_program.h"

#include <QApplication>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>

#include "main_window.h"

namespace kelmor {

int RunWindowProgram(QApplication& app, FtDriver& driver, Clock& clock, const QString& archivePath,
                     const std::function<void(MainWindow&)>& decorate) {
    // The title the desktop shows for the program; the window keeps its own caption.
    QCoreApplication::setApplicationName(QStringLiteral("V5   Computer Interface"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.kelmor.Desktop"));

    const QStringList args = app.arguments().mid(1);
    if (args.size() > 1 || (args.size() == 1 && args.front().startsWith(QLatin1Char('-')))) {
        std::fprintf(stderr, "usage: %s [FILE.Rn]\n",
                     qPrintable(QFileInfo(app.arguments().front()).fileName()));
        return 1;
    }

    WindowSetup setup;
    setup.driver = &driver;
    setup.clock = &clock;
    setup.archivePath = archivePath;
    MainWindow window(setup);
    if (decorate) {
        decorate(window);
    }
    window.show();
    if (args.size() == 1) {
        const QString path = args.front();
        QTimer::singleShot(0, &window, [&window, path] { window.OpenDataFile(path); });
    }
    return app.exec();
}

}  // namespace kelmor
