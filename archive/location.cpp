#include "archive/location.h"

#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>

namespace kelmor {

namespace {

// libpq's connection keywords are lower-case words; a value goes in single quotes.
QString Quoted(QString value) {
    value.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    value.replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QLatin1Char('\'') + value + QLatin1Char('\'');
}

// The location as given, with anything after the scheme's "user:" cut off up to the "@",
// for a message about a URI that holds a password.
QString WithoutPassword(const QString& text) {
    static const QRegularExpression password(QStringLiteral("^([a-z]+://[^:@/]*):[^@]*@"));
    QString shown = text;
    shown.replace(password, QStringLiteral("\\1:***@"));
    return shown;
}

}  // namespace

bool IsServerLocation(const QString& text) {
    const QString trimmed = text.trimmed();
    return trimmed.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           trimmed.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

QString ArchiveLocation::Display() const {
    if (engine == Engine::Sqlite) {
        return path;
    }
    QString shown = QStringLiteral("postgresql://");
    if (!user.isEmpty()) {
        shown += user + QLatin1Char('@');
    }
    shown += host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    if (port > 0) {
        shown += QLatin1Char(':') + QString::number(port);
    }
    return shown + QLatin1Char('/') + database;
}

LocationParse ParseLocation(const QString& text) {
    LocationParse parse;
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        parse.error = QStringLiteral("No archive was named.");
        return parse;
    }
    ArchiveLocation location;
    if (!IsServerLocation(trimmed)) {
        location.path = text;
        parse.location = location;
        return parse;
    }
    const QUrl url(trimmed, QUrl::StrictMode);
    const QString shown = WithoutPassword(trimmed);
    if (!url.isValid()) {
        parse.error =
            QStringLiteral("%1 is not a PostgreSQL URI (%2).").arg(shown, url.errorString());
        return parse;
    }
    if (!url.password().isEmpty()) {
        parse.error = QStringLiteral(
                          "%1 holds a password, which is never kept: put it in ~/.pgpass "
                          "(or PGPASSWORD) and leave it out of the URI.")
                          .arg(shown);
        return parse;
    }
    location.engine = Engine::Postgres;
    location.host = url.host();
    location.port = url.port();
    location.user = url.userName();
    location.database = url.path().mid(1);
    if (location.database.isEmpty() || location.database.contains(QLatin1Char('/'))) {
        parse.error =
            QStringLiteral("%1 names no database (postgresql://user@host:port/dbname).").arg(shown);
        return parse;
    }
    static const QRegularExpression keyword(QStringLiteral("^[a-z_]+$"));
    QStringList options;
    bool timeout = false;
    bool application = false;
    for (const auto& [key, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded)) {
        if (!keyword.match(key).hasMatch() || value.contains(QLatin1Char(';'))) {
            parse.error =
                QStringLiteral("%1: \"%2\" is not a connection parameter.").arg(shown, key);
            return parse;
        }
        if (key == QLatin1String("password")) {
            parse.error = QStringLiteral(
                              "%1 holds a password, which is never kept: put it in ~/.pgpass "
                              "(or PGPASSWORD) and leave it out of the URI.")
                              .arg(WithoutPassword(url.toString(QUrl::RemoveQuery)));
            return parse;
        }
        timeout = timeout || key == QLatin1String("connect_timeout");
        application = application || key == QLatin1String("application_name");
        options << key + QLatin1Char('=') + Quoted(value);
    }
    // A server that does not answer is reported after a while instead of never.
    if (!timeout) {
        options << QStringLiteral("connect_timeout=10");
    }
    if (!application) {
        options << QStringLiteral("application_name=kelmor");
    }
    location.connectOptions = options.join(QLatin1Char(';'));
    parse.location = location;
    return parse;
}

}  // namespace kelmor
