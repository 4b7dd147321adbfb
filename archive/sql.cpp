#include "sql.h"

#include <QSqlError>

#include "archive/engine.h"

namespace kelmor::sql {

namespace {

QString Reason(const QSqlError& error) {
    const QString database = error.databaseText();
    return database.isEmpty() ? error.text() : database;
}

}  // namespace

std::optional<QSqlQuery> Exec(const QSqlDatabase& db, const QString& text,
                              const QVariantList& values, QString& error) {
    QSqlQuery query(db);
    query.setForwardOnly(engine::ForwardOnly(engine::Of(db)));
    // Without values, one trip to a server instead of three (prepare, execute, release).
    if (values.isEmpty()) {
        if (!query.exec(text)) {
            error = Reason(query.lastError());
            return std::nullopt;
        }
        return query;
    }
    if (!query.prepare(text)) {
        error = Reason(query.lastError());
        return std::nullopt;
    }
    for (const QVariant& value : values) {
        query.addBindValue(value);
    }
    if (!query.exec()) {
        error = Reason(query.lastError());
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
            error = Reason(query->lastError());
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
