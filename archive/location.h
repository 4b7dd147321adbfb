#pragma once

#include <QString>
#include <optional>

namespace kelmor {

// The two kinds of database an archive can live in.
enum class Engine {
    Sqlite,    // a file on this PC
    Postgres,  // a database on a PostgreSQL server, shared by several PCs
};

// Where an archive lives: a file path, or a PostgreSQL URI
// (postgresql://user@host:port/dbname?sslmode=require, also postgres://).
struct ArchiveLocation {
    Engine engine = Engine::Sqlite;
    QString path;  // the SQLite file

    // The server: what libpq is given. An empty host, port or user leaves libpq's default
    // (the local socket, 5432, the login name).
    QString host;
    int port = -1;
    QString user;
    QString database;
    QString connectOptions;  // libpq keyword=value pairs separated by ';'

    // The file's path, or the URI without its query: what messages name. It never holds a
    // password, since a location with one is refused.
    QString Display() const;
};

struct LocationParse {
    std::optional<ArchiveLocation> location;
    QString error;  // why the text is no location; it repeats no password
};

// A text that starts with postgresql:// or postgres:// is a server's URI; anything else is
// a file path. A password in the URI is refused: it would end up in settings, command lines
// and messages. libpq finds it in ~/.pgpass, PGPASSWORD or a service file instead.
LocationParse ParseLocation(const QString& text);
bool IsServerLocation(const QString& text);

}  // namespace kelmor
