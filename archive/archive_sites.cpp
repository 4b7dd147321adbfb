// Sites and the places in them.
#include <QSqlQuery>
#include <QVariant>

#include "archive/archive_impl.h"
#include "archive/sql.h"

namespace kelmor {

namespace {

QString NoSite(const QString& name) {
    return QStringLiteral("there is no site \"%1\"").arg(name);
}

}  // namespace

qint64 Archive::Impl::SiteId(const QString& name, QString& error) const {
    const std::optional<QVariant> id =
        sql::Value(Db(), QStringLiteral("SELECT id FROM sites WHERE name = ?"), {name}, error);
    if (!id) {
        return -1;
    }
    return id->isNull() ? 0 : id->toLongLong();
}

QList<SiteInfo> Archive::Sites(QString* error) const {
    QList<SiteInfo> sites;
    QString reason;
    std::optional<QSqlQuery> q =
        sql::Exec(impl_->Db(),
                  QStringLiteral("SELECT s.name, s.address, s.client, s.notes, p.name FROM sites s "
                                 "LEFT JOIN site_places l ON l.site_id = s.id LEFT JOIN places p "
                                 "ON p.id = l.place_id ORDER BY s.name, p.name"),
                  {}, reason);
    if (!q) {
        if (error) {
            *error = impl_->ReadError(reason);
        }
        return sites;
    }
    while (q->next()) {
        const QString name = q->value(0).toString();
        if (sites.isEmpty() || sites.back().name != name) {
            sites << SiteInfo{
                name, q->value(1).toString(), q->value(2).toString(), q->value(3).toString(), {}};
        }
        if (!q->value(4).isNull()) {
            sites.back().places << q->value(4).toString();
        }
    }
    return sites;
}

std::optional<SiteInfo> Archive::Site(const QString& name, QString* error) const {
    QString reason;
    const QList<SiteInfo> sites = Sites(&reason);
    if (!reason.isEmpty()) {
        if (error) {
            *error = reason;
        }
        return std::nullopt;
    }
    for (const SiteInfo& site : sites) {
        if (site.name == name) {
            return site;
        }
    }
    if (error) {
        *error = QStringLiteral("There is no site \"%1\" in the archive.").arg(name);
    }
    return std::nullopt;
}

ArchiveStatus Archive::SaveSite(const SiteInfo& site) {
    const QString name = TrimmedName(site.name);
    return Changed(impl_->Db(), *impl_, readOnly_, [&](QString& error) {
        if (name.isEmpty()) {
            error = QStringLiteral("a site needs a name");
            return false;
        }
        // Qt binds an empty text as NULL: COALESCE keeps an empty field a text.
        return sql::Exec(
                   impl_->Db(),
                   QStringLiteral("INSERT INTO sites (name, address, client, notes) VALUES "
                                  "(?, COALESCE(?, ''), COALESCE(?, ''), COALESCE(?, '')) ON "
                                  "CONFLICT (name) DO UPDATE SET address = "
                                  "excluded.address, client = excluded.client, notes = "
                                  "excluded.notes"),
                   {name, site.address.trimmed(), site.client.trimmed(), site.notes.trimmed()},
                   error)
            .has_value();
    });
}

ArchiveStatus Archive::RenameSite(const QString& from, const QString& to) {
    const QString name = TrimmedName(to);
    return Changed(impl_->Db(), *impl_, readOnly_, [&](QString& error) {
        const qint64 id = impl_->SiteId(from, error);
        if (id <= 0) {
            error = id == 0 ? NoSite(from) : error;
            return false;
        }
        if (name.isEmpty()) {
            error = QStringLiteral("a site needs a name");
            return false;
        }
        const qint64 other = impl_->SiteId(name, error);
        if (other != 0 && other != id) {
            error = other < 0 ? error : QStringLiteral("the site \"%1\" exists already").arg(name);
            return false;
        }
        return sql::Exec(impl_->Db(), QStringLiteral("UPDATE sites SET name = ? WHERE id = ?"),
                         {name, id}, error)
            .has_value();
    });
}

ArchiveStatus Archive::RemoveSite(const QString& name) {
    return Changed(impl_->Db(), *impl_, readOnly_, [&](QString& error) {
        const qint64 id = impl_->SiteId(name, error);
        if (id <= 0) {
            error = id == 0 ? NoSite(name) : error;
            return false;
        }
        // The places stay, with their runs: only the site and its links go.
        return sql::Exec(impl_->Db(), QStringLiteral("DELETE FROM site_places WHERE site_id = ?"),
                         {id}, error) &&
               sql::Exec(impl_->Db(), QStringLiteral("DELETE FROM sites WHERE id = ?"), {id},
                         error);
    });
}

ArchiveStatus Archive::SetPlaceSite(const QString& place, const QString& site) {
    return Changed(impl_->Db(), *impl_, readOnly_, [&](QString& error) {
        const qint64 placeId = impl_->PlaceId(place, false, error);
        if (placeId <= 0) {
            error = placeId == 0 ? QStringLiteral("there is no place \"%1\"").arg(place) : error;
            return false;
        }
        if (site.isEmpty()) {
            return sql::Exec(impl_->Db(),
                             QStringLiteral("DELETE FROM site_places WHERE place_id = ?"),
                             {placeId}, error)
                .has_value();
        }
        const qint64 siteId = impl_->SiteId(site, error);
        if (siteId <= 0) {
            error = siteId == 0 ? NoSite(site) : error;
            return false;
        }
        return sql::Exec(impl_->Db(),
                         QStringLiteral("INSERT INTO site_places (place_id, site_id) VALUES (?, ?) "
                                        "ON CONFLICT (place_id) DO UPDATE SET site_id = "
                                        "excluded.site_id"),
                         {placeId, siteId}, error)
            .has_value();
    });
}

QString Archive::SiteOfPlace(const QString& place) const {
    QString error;
    const std::optional<QVariant> name =
        sql::Value(impl_->Db(),
                   QStringLiteral("SELECT s.name FROM sites s JOIN site_places l ON l.site_id = "
                                  "s.id JOIN places p ON p.id = l.place_id WHERE p.name = ?"),
                   {place}, error);
    return name ? name->toString() : QString();
}

}  // namespace kelmor
