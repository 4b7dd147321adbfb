#include "archive/location_setting.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

namespace kelmor {

namespace {

const QString kKey = QStringLiteral("archive/location");

}  // namespace

QString LocationSetting::DefaultFile(const QString& program) {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/kelmor/%1.conf").arg(program);
}

QString LocationSetting::Chosen() const {
    if (file_.isEmpty()) {
        return {};
    }
    return QSettings(file_, QSettings::IniFormat).value(kKey).toString().trimmed();
}

bool LocationSetting::Choose(const QString& location, QString& error) const {
    if (file_.isEmpty()) {
        return true;
    }
    QSettings settings(file_, QSettings::IniFormat);
    settings.setValue(kKey, location.trimmed());
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        error = QStringLiteral("Cannot keep the archive's location in %1.")
                    .arg(QDir::toNativeSeparators(file_));
        return false;
    }
    return true;
}

QString ArchiveToUse(const QString& commandLine, const LocationSetting& setting,
                     const QString& programDefault) {
    if (!commandLine.trimmed().isEmpty()) {
        return commandLine.trimmed();
    }
    const QString chosen = setting.Chosen();
    return chosen.isEmpty() ? programDefault : chosen;
}

}  // namespace kelmor
