#include "window_program.h"

#include <QApplication>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>

#include "archive/location_setting.h"
#include "main_window.h"
#include "ui/archive/pending_readouts.h"

namespace kelmor {

int RunWindowProgram(QApplication& app, FtDriver& driver, Clock& clock, const QString& archivePath,
                     const std::function<void(MainWindow&)>& decorate) {
    // The title the desktop shows for the program; the window keeps its own caption.
    QCoreApplication::setApplicationName(QStringLiteral("V5   Computer Interface"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.kelmor.Desktop"));

    const QString program = QFileInfo(app.arguments().front()).fileName();
    QStringList args = app.arguments().mid(1);
    // --archive LOCATION (or --archive=LOCATION) for this run only, over the one chosen.
    QString archive;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--archive") && i + 1 < args.size()) {
            archive = args[i + 1];
            args.remove(i, 2);
            break;
        }
        if (args[i].startsWith(QLatin1String("--archive="))) {
            archive = args[i].mid(10);
            args.remove(i);
            break;
        }
    }
    if (args.size() > 1 || (args.size() == 1 && args.front().startsWith(QLatin1Char('-'))) ||
        (args.isEmpty() && app.arguments().contains(QStringLiteral("--archive")) &&
         archive.isEmpty())) {
        std::fprintf(stderr,
                     "usage: %s [--archive FILE|postgresql://user@host:port/db] [FILE.Rn]\n",
                     qPrintable(program));
        return 1;
    }

    WindowSetup setup;
    setup.driver = &driver;
    setup.clock = &clock;
    setup.settingsFile = LocationSetting::DefaultFile(program);
    setup.archivePath = ArchiveToUse(archive, LocationSetting(setup.settingsFile), archivePath);
    setup.pendingFolder = PendingReadouts::DefaultFolder() + QLatin1Char('/') + program;
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
