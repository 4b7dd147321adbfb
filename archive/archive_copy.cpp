// A whole archive copied into an empty one, whatever engines hold the two.
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include "archive/archive_impl.h"
#include "archive/engine.h"
#include "archive/schema.h"
#include "archive/sql.h"

namespace kelmor {

namespace {

// Rows go in statements of about this many bytes of text: few trips to a server.
constexpr int kStatementBytes = 1 << 20;

// A value as an SQL literal both engines read back exactly: whole numbers, the shortest
// text of a double that gives it again, text in quotes and bytes in hexadecimal.
QString Literal(Engine engine, const QVariant& value) {
    if (value.isNull()) {
        return QStringLiteral("NULL");
    }
    switch (value.metaType().id()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
            return value.toString();
        case QMetaType::Double:
            return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
        case QMetaType::QByteArray: {
            const QString hex = QString::fromLatin1(value.toByteArray().toHex());
            return engine == Engine::Sqlite ? QStringLiteral("X'%1'").arg(hex)
                                            : QStringLiteral("decode('%1', 'hex')").arg(hex);
        }
        default: {
            QString text = value.toString();
            text.replace(QLatin1Char('\''), QStringLiteral("''"));
            return QLatin1Char('\'') + text + QLatin1Char('\'');
        }
    }
}

bool CopyTable(const QSqlDatabase& from, const QSqlDatabase& to, const QString& table,
               QString& error) {
    std::optional<QSqlQuery> rows =
        sql::Exec(from, QStringLiteral("SELECT * FROM %1").arg(table), {}, error);
    if (!rows) {
        return false;
    }
    const QSqlRecord record = rows->record();
    QStringList columns;
    for (int i = 0; i < record.count(); ++i) {
        columns << record.fieldName(i);
    }
    const QString insert =
        QStringLiteral("INSERT INTO %1 (%2) VALUES ").arg(table, columns.join(QLatin1Char(',')));
    const Engine engine = engine::Of(to);
    QString text;
    auto flush = [&]() {
        const bool ok = text.isEmpty() || sql::Exec(to, insert + text, {}, error).has_value();
        text.clear();
        return ok;
    };
    while (rows->next()) {
        QStringList values;
        for (int i = 0; i < columns.size(); ++i) {
            values << Literal(engine, rows->value(i));
        }
        if (!text.isEmpty()) {
            text += QLatin1Char(',');
        }
        text += QLatin1Char('(') + values.join(QLatin1Char(',')) + QLatin1Char(')');
        if (text.size() > kStatementBytes && !flush()) {
            return false;
        }
    }
    if (rows->lastError().isValid()) {
        error = rows->lastError().text();
        return false;
    }
    return flush() && engine::ContinueIds(to, table, error);
}

}  // namespace

ArchiveStatus Archive::CopyTo(Archive& target) const {
    ArchiveStatus status;
    if (target.readOnly_) {
        status.error = target.impl_->WriteError(QStringLiteral("it may not be written"));
        return status;
    }
    const QSqlDatabase from = impl_->Db();
    const QSqlDatabase to = target.impl_->Db();
    QString error;
    sql::Snapshot snapshot(from);
    if (!snapshot.Begin(error)) {
        status.error = impl_->ReadError(error);
        return status;
    }
    sql::Transaction transaction(to);
    if (!transaction.Begin(error)) {
        status.error = target.impl_->WriteError(error);
        return status;
    }
    const QStringList tables = SchemaTables();
    for (const QString& table : tables) {
        const std::optional<QVariant> count =
            sql::Value(to, QStringLiteral("SELECT count(*) FROM %1").arg(table), {}, error);
        if (!count) {
            status.error = target.impl_->WriteError(error);
            return status;
        }
        if (count->toLongLong() > 0) {
            status.error = QStringLiteral(
                               "The archive \"%1\" is not empty (its %2 hold rows): an archive "
                               "is copied only into a new or empty one. Nothing was copied.")
                               .arg(target.Path(), table);
            return status;
        }
    }
    for (const QString& table : tables) {
        if (!CopyTable(from, to, table, error)) {
            status.error =
                QStringLiteral(
                    "Cannot copy the archive \"%1\" into \"%2\" (%3): %4. Nothing was "
                    "copied.")
                    .arg(Path(), target.Path(), table, engine::Reason(target.impl_->engine, error));
            return status;
        }
    }
    if (!transaction.Commit(error)) {
        status.error = target.impl_->WriteError(error);
        return status;
    }
    status.ok = true;
    return status;
}

}  // namespace kelmor
