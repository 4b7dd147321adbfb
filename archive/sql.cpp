#include "sql.h"

#include <QSqlError>

#include "archive/engine.h"

namespace kelmor::sql {

namespace {

// The database's words for a failure. A connection the server ended says nothing more
// for each query that finds it gone: that it is gone is the reason.
QString Reason(const QSqlDatabase& db, const QSqlError& error) {
    const QString database = error.databaseText().trimmed();
    const QString reason = database.isEmpty() ? error.text().trimmed() : database;
    if (!db.isOpen()) {
        return reason.isEmpty() ? QStringLiteral("no connection to the server")
                                : QStringLiteral("no connection to the server: %1").arg(reason);
    }
    return reason.isEmpty() ? QStringLiteral("the database gave no reason") : reason;
}

}  // namespace

std::optional<QSqlQuery> Exec(const QSqlDatabase& db, const QString& text,
                              const QVariantList& values, QString& error) {
    QSqlQuery query(db);
    query.setForwardOnly(engine::ForwardOnly(engine::Of(db)));
    // Without values, one trip to a server instead of three (prepare, execute, release).
    if (values.isEmpty()) {
        if (!query.exec(text)) {
            error = Reason(db, query.lastError());
            return std::nullopt;
        }
        return query;
    }
    if (!query.prepare(text)) {
        error = Reason(db, query.lastError());
        return std::nullopt;
    }
    for (const QVariant& value : values) {
        // Qt's PostgreSQL driver sends an empty text that was never set as NULL, SQLite's
        // as ''. Text is text on both: NULL is only what is bound as a typed null.
        const bool unsetText =
            value.typeId() == QMetaType::QString && !value.isNull() && value.toString().isNull();
        query.addBindValue(unsetText ? QVariant(QStringLiteral("")) : value);
    }
    if (!query.exec()) {
        error = Reason(db, query.lastError());
        return std::nullopt;
    }
    return query;
}

std::optional<QVariant> Value(const QSqlDatabase& db, const QString& text,
                              const QVariantList& values, QString& error) {
    std::optional<QSqlQuery> query = Exec(db, text, values, error);
    if (!query) {
        return std::nullopt;
    }
    if (!query->next()) {
        if (query->lastError().isValid()) {
            error = Reason(db, query->lastError());
            return std::nullopt;
        }
        return QVariant();
    }
    return query->value(0);
}

Transaction::~Transaction() {
    if (open_) {
        QSqlQuery(db_).exec(QStringLiteral("ROLLBACK"));
    }
}

bool Transaction::Begin(QString& error) {
    for (const QString& statement : engine::BeginWrite(engine::Of(db_))) {
        if (!Exec(db_, statement, {}, error)) {
            return false;
        }
        open_ = true;
    }
    return open_;
}

Snapshot::~Snapshot() {
    if (open_) {
        QSqlQuery(db_).exec(QStringLiteral("ROLLBACK"));
    }
}

bool Snapshot::Begin(QString& error) {
    open_ = Exec(db_, engine::BeginSnapshot(engine::Of(db_)), {}, error).has_value();
    return open_;
}

bool Transaction::Commit(QString& error) {
    if (!Exec(db_, QStringLiteral("COMMIT"), {}, error)) {
        return false;  // still open: the destructor rolls it back
    }
    open_ = false;
    return true;
}

QString ModelName(Model model) {
    return QString::fromLatin1(LayoutOf(model).name);
}

std::optional<Model> ModelFromName(const QString& name) {
    for (const Model model : {Model::V5, Model::V6, Model::V7}) {
        if (name == QLatin1String(LayoutOf(model).name)) {
            return model;
        }
    }
    return std::nullopt;
}

}  // namespace kelmor::sql
