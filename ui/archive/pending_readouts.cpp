#include "pending_readouts.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include "data/safe_file.h"

namespace kelmor {

namespace {

const QString kSuffix = QStringLiteral(".kelmor-pending");

// A kept file: one line of JSON with the import's facts, then the image's bytes.
QByteArray Encode(const ArchiveSource& source) {
    QJsonObject facts;
    facts.insert(QStringLiteral("model"), QString::fromLatin1(LayoutOf(source.model).name));
    facts.insert(QStringLiteral("serial"), source.serial);
    facts.insert(QStringLiteral("readOutAt"), FormatIsoLocal(source.readOutAt));
    facts.insert(QStringLiteral("utcOffsetSeconds"), source.utcOffsetSeconds);
    facts.insert(QStringLiteral("origin"), source.origin);
    return QJsonDocument(facts).toJson(QJsonDocument::Compact) + '\n' + source.image;
}

std::optional<ArchiveSource> Decode(const QByteArray& bytes) {
    const int end = bytes.indexOf('\n');
    if (end < 0) {
        return std::nullopt;
    }
    const QJsonObject facts = QJsonDocument::fromJson(bytes.left(end)).object();
    ArchiveSource source;
    source.image = bytes.mid(end + 1);
    const QString model = facts.value(QStringLiteral("model")).toString();
    bool known = false;
    for (const Model m : {Model::V5, Model::V6, Model::V7}) {
        if (model == QLatin1String(LayoutOf(m).name)) {
            source.model = m;
            known = true;
        }
    }
    const std::optional<DateTime> readOut =
        ParseIsoLocal(facts.value(QStringLiteral("readOutAt")).toString());
    const int offset = facts.value(QStringLiteral("utcOffsetSeconds")).toInt(1 << 30);
    source.serial = facts.value(QStringLiteral("serial")).toString();
    source.origin = facts.value(QStringLiteral("origin")).toString();
    // The archive checks the image itself; the offset is one the world has (±18 h).
    if (!known || !readOut || offset < -18 * 3600 || offset > 18 * 3600 ||
        source.serial.isEmpty()) {
        return std::nullopt;
    }
    source.readOutAt = *readOut;
    source.utcOffsetSeconds = offset;
    return source;
}

QFileInfoList KeptFiles(const QString& folder) {
    return QDir(folder).entryInfoList({QLatin1Char('*') + kSuffix}, QDir::Files,
                                      QDir::Time | QDir::Reversed);
}

}  // namespace

QString PendingReadouts::DefaultFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/kelmor/pending");
}

bool PendingReadouts::Keep(const ArchiveSource& source, QString& error) const {
    if (!QDir().mkpath(folder_)) {
        error =
            QStringLiteral("Cannot create the folder %1.").arg(QDir::toNativeSeparators(folder_));
        return false;
    }
    const QString name = QString::fromLatin1(
        QCryptographicHash::hash(source.image, QCryptographicHash::Sha256).toHex());
    const QByteArray bytes = Encode(source);
    const FileWrite written =
        WriteFileSafely(QDir(folder_).filePath(name + kSuffix), bytes.constData(), bytes.size());
    error = written.error;
    return written.ok;
}

int PendingReadouts::Count() const {
    return static_cast<int>(KeptFiles(folder_).size());
}

PendingReadouts::Outcome PendingReadouts::StoreInto(Archive& archive) const {
    Outcome outcome;
    for (const QFileInfo& info : KeptFiles(folder_)) {
        QFile file(info.filePath());
        const std::optional<ArchiveSource> source =
            file.open(QIODevice::ReadOnly) ? Decode(file.readAll()) : std::nullopt;
        file.close();
        const ImportOutcome imported = source ? archive.Import(*source) : ImportOutcome{};
        // An image without measurements is never stored: keeping it would help nobody.
        if (imported.ok || imported.noMeasurements) {
            QFile::remove(info.filePath());
            outcome.stored += imported.ok ? 1 : 0;
            continue;
        }
        ++outcome.left;
        if (outcome.error.isEmpty()) {
            outcome.error = source ? imported.error
                                   : QStringLiteral("%1 is not a kept read-out")
                                         .arg(QDir::toNativeSeparators(info.filePath()));
        }
    }
    return outcome;
}

}  // namespace kelmor
