#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>
#include <optional>

#include "data/measurement_image.h"

namespace kelmor::sql {

// Runs `text` with `values` bound in order. On failure `error` takes the database's reason
// and none is returned.
std::optional<QSqlQuery> Exec(const QSqlDatabase& db, const QString& text,
                              const QVariantList& values, QString& error);
// The first column of the first row, or none (with `error` set on failure).
std::optional<QVariant> Value(const QSqlDatabase& db, const QString& text,
                              const QVariantList& values, QString& error);

// A write transaction that holds the archive's writer lock from its start (engine.h), so
// that a second program waits for the busy time-out at the start instead of failing
// halfway. Rolled back unless committed.
class Transaction {
  public:
    explicit Transaction(const QSqlDatabase& db) : db_(db) {}
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    bool Begin(QString& error);
    bool Commit(QString& error);

  private:
    QSqlDatabase db_;
    bool open_ = false;
};

// A read transaction that sees one moment of the archive, whatever others write meanwhile.
// Ended (rolled back) when it goes.
class Snapshot {
  public:
    explicit Snapshot(const QSqlDatabase& db) : db_(db) {}
    ~Snapshot();
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;

    bool Begin(QString& error);

  private:
    QSqlDatabase db_;
    bool open_ = false;
};

// "V5", "V6", "V7" and back; none for any other text read from the database.
QString ModelName(Model model);
std::optional<Model> ModelFromName(const QString& name);

}  // namespace kelmor::sql
