#include "cli_survey.h"

#include <unistd.h>

#include <QDateTime>
#include <QRegularExpression>
#include <algorithm>
#include <map>
#include <optional>

#include "cli_exit_codes.h"
#include "standard_output.h"

namespace kelmor::cli {

namespace {

struct SurveyCommandInfo {
    int arguments;  // after the command's name
    const char* usage;
};

const std::map<QString, SurveyCommandInfo>& Commands() {
    static const std::map<QString, SurveyCommandInfo> kCommands = {
        {QStringLiteral("sites"), {0, "sites"}},
        {QStringLiteral("site"), {1, "site NAME [--address A] [--client C] [--notes N]"}},
        {QStringLiteral("site-rename"), {2, "site-rename FROM TO"}},
        {QStringLiteral("site-remove"), {1, "site-remove NAME [--yes]"}},
        {QStringLiteral("place-site"), {-1, "place-site PLACE SITE | place-site PLACE --none"}},
        {QStringLiteral("deployment"),
         {2,
          "deployment SERIAL YYYY-MM-DDTHH:MM [--tester T] [--placement P] [--deviations D] "
          "[--deployed YYYY-MM-DDTHH:MM] [--retrieved YYYY-MM-DDTHH:MM]"}},
        {QStringLiteral("instruments"), {0, "instruments"}},
        {QStringLiteral("instrument"), {1, "instrument SERIAL"}},
        {QStringLiteral("calibration"), {2, "calibration SERIAL YYYY-MM-DD [--certificate REF]"}},
        {QStringLiteral("calibration-remove"), {2, "calibration-remove SERIAL YYYY-MM-DD"}},
        {QStringLiteral("instrument-forget"), {1, "instrument-forget SERIAL [--yes]"}},
        {QStringLiteral("duplicates"), {1, "duplicates SITE"}},
    };
    return kCommands;
}

int Usage(const QString& command) {
    Err() << "usage: kelmor-cli archive [--archive DB] " << Commands().at(command).usage << '\n';
    return kUsage;
}

int Failed(const ArchiveStatus& status) {
    Err() << "kelmor-cli: " << status.error << '\n';
    return kOutputFailed;
}

int NotFound(const QString& message) {
    Err() << "kelmor-cli: " << message << '\n';
    return kBadFile;
}

int CannotRead(const QString& error) {
    Err() << "kelmor-cli: " << error << '\n';
    return kBadFile;
}

QString Number(double value, int decimals) {
    return QString::number(value, 'f', decimals);
}

QString NoRun(const RunKey& run) {
    return QStringLiteral("the archive holds no run of instrument %1 starting %2")
        .arg(run.serial, FormatRunStart(run.startMinutes));
}

QString NoInstrument(const QString& serial) {
    return QStringLiteral("There is no instrument %1 in the archive.").arg(serial);
}

QString NoPlace(const QString& place) {
    return QStringLiteral("There is no place \"%1\" in the archive.").arg(place);
}

// A date given as YYYY-MM-DD; none when it is not one.
std::optional<QDate> ParseDate(const QString& text) {
    static const QRegularExpression kPattern(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    const QDate date = QDate::fromString(text, Qt::ISODate);
    if (!kPattern.match(text).hasMatch() || !date.isValid()) {
        return std::nullopt;
    }
    return date;
}

bool KnownRun(const Archive& archive, const RunKey& key) {
    const QList<RunInfo> runs = archive.Runs();
    return std::any_of(runs.cbegin(), runs.cend(),
                       [&](const RunInfo& run) { return run.key == key; });
}

// A removal goes ahead with --yes, or when the user at a terminal answers y. Says what it
// would remove either way.
bool Confirmed(const QString& what, const QCommandLineParser& parser) {
    Out() << what << '\n';
    Out().flush();
    if (parser.isSet(QStringLiteral("yes"))) {
        return true;
    }
    if (::isatty(STDIN_FILENO) == 0) {
        Err() << "kelmor-cli: nothing was removed; add --yes to remove it\n";
        return false;
    }
    Err() << "Remove? [y/N] ";
    Err().flush();
    QTextStream in(stdin);
    const QString answer = in.readLine().trimmed().toLower();
    if (answer == QLatin1String("y") || answer == QLatin1String("yes")) {
        return true;
    }
    Err() << "kelmor-cli: nothing was removed\n";
    return false;
}

QString DuplicateLine(const DuplicatePair& pair) {
    return QStringList{pair.place,
                       pair.first.serial,
                       FormatRunStart(pair.first.startMinutes),
                       pair.second.serial,
                       FormatRunStart(pair.second.startMinutes),
                       QString::number(pair.commonHours),
                       Number(pair.firstMeanBqm3, 1),
                       Number(pair.secondMeanBqm3, 1),
                       Number(pair.relativePercentDifference, 1)}
        .join(QLatin1Char(';'));
}

void PrintDuplicates(const SiteDuplicates& duplicates, const QString& prefix) {
    for (const DuplicatePair& pair : duplicates.pairs) {
        Out() << prefix << DuplicateLine(pair) << '\n';
    }
    Out() << "places with a duplicate: " << duplicates.placesWithDuplicate << " of "
          << duplicates.places << '\n';
}

int SitesCommand(const Archive& archive) {
    QString error;
    const QList<SiteInfo> sites = archive.Sites(&error);
    if (!error.isEmpty()) {
        return CannotRead(error);
    }
    for (const SiteInfo& site : sites) {
        Out() << site.name << ';' << site.places.size() << ';' << site.client << ';' << site.address
              << '\n';
    }
    return kDone;
}

int ShowSite(const Archive& archive, const SiteInfo& site) {
    QString error;
    const QList<PlaceInfo> places = archive.Places(&error);
    const SiteDuplicates duplicates = archive.Duplicates(site.name, &error);
    if (!error.isEmpty()) {
        return CannotRead(error);
    }
    Out() << "site: " << site.name << '\n'
          << "address: " << site.address << '\n'
          << "client: " << site.client << '\n'
          << "notes: " << site.notes << '\n';
    for (const PlaceInfo& place : places) {
        if (site.places.contains(place.name)) {
            Out() << "place: " << place.name << ';' << place.runs << ';' << place.hours << ';'
                  << (place.hours > 0 ? Number(place.meanBqm3, 1) : QString()) << '\n';
        }
    }
    PrintDuplicates(duplicates, QStringLiteral("duplicate: "));
    return kDone;
}

int SiteCommand(Archive& archive, const QString& name, const QCommandLineParser& parser) {
    const QStringList fields = {QStringLiteral("address"), QStringLiteral("client"),
                                QStringLiteral("notes")};
    const bool changes = std::any_of(fields.cbegin(), fields.cend(),
                                     [&](const QString& field) { return parser.isSet(field); });
    QString error;
    const QList<SiteInfo> sites = archive.Sites(&error);
    if (!error.isEmpty()) {
        return CannotRead(error);
    }
    std::optional<SiteInfo> site;
    for (const SiteInfo& known : sites) {
        if (known.name == name.simplified()) {
            site = known;
        }
    }
    if (site && !changes) {
        return ShowSite(archive, *site);
    }
    SiteInfo changed = site.value_or(SiteInfo{name, {}, {}, {}, {}});
    for (const auto& [option, field] : {std::pair{QStringLiteral("address"), &changed.address},
                                        {QStringLiteral("client"), &changed.client},
                                        {QStringLiteral("notes"), &changed.notes}}) {
        if (parser.isSet(option)) {
            *field = parser.value(option);
        }
    }
    const ArchiveStatus status = archive.SaveSite(changed);
    return status.ok ? kDone : Failed(status);
}

int SiteRenameCommand(Archive& archive, const QString& from, const QString& to) {
    if (!archive.Site(from)) {
        return NotFound(QStringLiteral("There is no site \"%1\" in the archive.").arg(from));
    }
    if (to.simplified() != from && archive.Site(to.simplified())) {
        Err() << "kelmor-cli: the site \"" << to.simplified() << "\" exists already\n";
        return kUsage;
    }
    const ArchiveStatus status = archive.RenameSite(from, to);
    return status.ok ? kDone : Failed(status);
}

int SiteRemoveCommand(Archive& archive, const QString& name, const QCommandLineParser& parser) {
    QString error;
    const std::optional<SiteInfo> site = archive.Site(name, &error);
    if (!site) {
        return NotFound(error);
    }
    const QString what =
        QStringLiteral(
            "Removing the site \"%1\" removes its address, client and notes and its link to "
            "%2 place(s)%3. The places, their runs and samples stay.")
            .arg(site->name)
            .arg(site->places.size())
            .arg(site->places.isEmpty()
                     ? QString()
                     : QStringLiteral(" (%1)").arg(site->places.join(QStringLiteral(", "))));
    if (!Confirmed(what, parser)) {
        return kUsage;
    }
    const ArchiveStatus status = archive.RemoveSite(name);
    return status.ok ? kDone : Failed(status);
}

int PlaceSiteCommand(Archive& archive, const QStringList& args, const QCommandLineParser& parser) {
    const bool none = parser.isSet(QStringLiteral("none"));
    if (args.size() != (none ? 3 : 4)) {
        return Usage(args[1]);
    }
    const QString& place = args[2];
    if (!archive.HasPlace(place)) {
        return NotFound(NoPlace(place));
    }
    const QString site = none ? QString() : args[3];
    if (!none && !archive.Site(site)) {
        return NotFound(QStringLiteral("There is no site \"%1\" in the archive.").arg(site));
    }
    const ArchiveStatus status = archive.SetPlaceSite(place, site);
    return status.ok ? kDone : Failed(status);
}

void PrintDeployment(const RunKey& run, const Deployment& deployment) {
    const auto time = [](const std::optional<DateTime>& value) {
        return value ? FormatIsoLocal(*value).left(16) : QString();
    };
    Out() << "run: " << run.serial << ' ' << FormatRunStart(run.startMinutes) << '\n'
          << "tester: " << deployment.tester << '\n'
          << "placement: " << deployment.placement << '\n'
          << "deviations: " << deployment.deviations << '\n'
          << "deployed: " << time(deployment.deployedAt) << '\n'
          << "retrieved: " << time(deployment.retrievedAt) << '\n';
}

int DeploymentCommand(Archive& archive, const QString& serial, const QString& start,
                      const QCommandLineParser& parser) {
    const std::optional<qint64> minutes = ParseRunStart(start);
    if (!minutes) {
        Err() << "kelmor-cli: the run's start is YYYY-MM-DDTHH:MM\n";
        return kUsage;
    }
    const RunKey run{serial, *minutes};
    if (!KnownRun(archive, run)) {
        return NotFound(NoRun(run));
    }
    QString error;
    Deployment deployment = archive.DeploymentOf(run, &error);
    if (!error.isEmpty()) {
        return CannotRead(error);
    }
    bool changes = false;
    for (const auto& [option, field] : {std::pair{QStringLiteral("tester"), &deployment.tester},
                                        {QStringLiteral("placement"), &deployment.placement},
                                        {QStringLiteral("deviations"), &deployment.deviations}}) {
        if (parser.isSet(option)) {
            *field = parser.value(option);
            changes = true;
        }
    }
    // An empty time clears it: the run's first and last hour stand.
    for (const auto& [option, field] :
         {std::pair{QStringLiteral("deployed"), &deployment.deployedAt},
          {QStringLiteral("retrieved"), &deployment.retrievedAt}}) {
        if (!parser.isSet(option)) {
            continue;
        }
        changes = true;
        const QString value = parser.value(option).trimmed();
        const std::optional<qint64> at = ParseRunStart(value);
        if (!value.isEmpty() && !at) {
            Err() << "kelmor-cli: --" << option << " takes YYYY-MM-DDTHH:MM\n";
            return kUsage;
        }
        *field = at ? std::optional<DateTime>(RunStartTime(*at)) : std::nullopt;
    }
    if (!changes) {
        PrintDeployment(run, deployment);
        return kDone;
    }
    const ArchiveStatus status = archive.SetDeployment(run, deployment);
    return status.ok ? kDone : Failed(status);
}

bool OverdueToday(const std::optional<QDate>& lastCalibration) {
    return CalibrationOverdue(lastCalibration, DateTimeFromQt(QDateTime::currentDateTime()));
}

int InstrumentsCommand(const Archive& archive) {
    QString error;
    const QList<InstrumentInfo> instruments = archive.Instruments(&error);
    if (!error.isEmpty()) {
        return CannotRead(error);
    }
    for (const InstrumentInfo& instrument : instruments) {
        Out() << instrument.serial << ';' << LayoutOf(instrument.model).name << ';'
              << instrument.runs << ';'
              << (instrument.lastCalibration ? instrument.lastCalibration->toString(Qt::ISODate)
                                             : QString())
              << ';' << (OverdueToday(instrument.lastCalibration) ? "overdue" : "") << '\n';
    }
    return kDone;
}

int InstrumentCommand(const Archive& archive, const QString& serial) {
    QString error;
    const std::optional<InstrumentInfo> instrument = archive.Instrument(serial, &error);
    if (!instrument) {
        return NotFound(error);
    }
    Out() << "instrument: " << instrument->serial << '\n'
          << "model: " << LayoutOf(instrument->model).name << '\n'
          << "runs: " << instrument->runs << '\n';
    for (const CalibrationFactorSeen& factor : instrument->factorsSeen) {
        Out() << "factor: " << Number(static_cast<double>(factor.factor), 2) << ';'
              << FormatIsoLocal(factor.firstSeen) << ';' << FormatIsoLocal(factor.lastSeen) << '\n';
    }
    for (const CalibrationRecord& record : instrument->calibrations) {
        Out() << "calibration: " << record.date.toString(Qt::ISODate) << ';' << record.certificate
              << '\n';
    }
    Out() << "calibration overdue: " << (OverdueToday(instrument->lastCalibration) ? "yes" : "no")
          << '\n';
    return kDone;
}

int CalibrationCommand(Archive& archive, const QStringList& args,
                       const QCommandLineParser& parser) {
    const QString& serial = args[2];
    const std::optional<QDate> date = ParseDate(args[3]);
    if (!date) {
        Err() << "kelmor-cli: the calibration's date is YYYY-MM-DD\n";
        return kUsage;
    }
    if (!archive.Instrument(serial)) {
        return NotFound(NoInstrument(serial));
    }
    if (args[1] == QLatin1String("calibration-remove")) {
        const std::optional<InstrumentInfo> instrument = archive.Instrument(serial);
        const bool recorded =
            std::any_of(instrument->calibrations.cbegin(), instrument->calibrations.cend(),
                        [&](const CalibrationRecord& record) { return record.date == *date; });
        if (!recorded) {
            return NotFound(QStringLiteral("There is no calibration of instrument %1 on %2.")
                                .arg(serial, args[3]));
        }
        const ArchiveStatus status = archive.RemoveCalibration(serial, *date);
        return status.ok ? kDone : Failed(status);
    }
    if (*date > QDate::currentDate()) {
        Err() << "kelmor-cli: a calibration cannot be dated after today\n";
        return kUsage;
    }
    const ArchiveStatus status =
        archive.AddCalibration(serial, {*date, parser.value(QStringLiteral("certificate"))});
    return status.ok ? kDone : Failed(status);
}

int InstrumentForgetCommand(Archive& archive, const QString& serial,
                            const QCommandLineParser& parser) {
    QString error;
    const std::optional<InstrumentInfo> instrument = archive.Instrument(serial, &error);
    if (!instrument) {
        return NotFound(error);
    }
    int deployments = 0;
    for (const RunInfo& run : archive.Runs(&error)) {
        if (run.key.serial != serial) {
            continue;
        }
        const Deployment deployment = archive.DeploymentOf(run.key, &error);
        if (!deployment.tester.isEmpty() || !deployment.placement.isEmpty() ||
            !deployment.deviations.isEmpty() || deployment.deployedAt || deployment.retrievedAt) {
            ++deployments;
        }
    }
    if (!error.isEmpty()) {
        return CannotRead(error);
    }
    const QString what =
        QStringLiteral(
            "Forgetting instrument %1 removes its %2 calibration(s) and the deployments of %3 "
            "of its runs. Its read-outs, runs and samples stay.")
            .arg(serial)
            .arg(instrument->calibrations.size())
            .arg(deployments);
    if (!Confirmed(what, parser)) {
        return kUsage;
    }
    const ArchiveStatus status = archive.ForgetInstrument(serial);
    return status.ok ? kDone : Failed(status);
}

int DuplicatesCommand(const Archive& archive, const QString& site) {
    QString error;
    if (!archive.Site(site, &error)) {
        return NotFound(error);
    }
    const SiteDuplicates duplicates = archive.Duplicates(site, &error);
    if (!error.isEmpty()) {
        return CannotRead(error);
    }
    PrintDuplicates(duplicates, QString());
    return kDone;
}

}  // namespace

bool IsSurveyCommand(const QString& command) {
    return Commands().count(command) > 0;
}

void AddSurveyOptions(QCommandLineParser& parser) {
    parser.addOptions({
        {QStringLiteral("address"), QStringLiteral("site: the building's address."),
         QStringLiteral("A")},
        {QStringLiteral("client"), QStringLiteral("site: the client."), QStringLiteral("C")},
        {QStringLiteral("notes"), QStringLiteral("site: notes."), QStringLiteral("N")},
        {QStringLiteral("none"), QStringLiteral("place-site: the place leaves its site.")},
        {QStringLiteral("yes"), QStringLiteral("site-remove, instrument-forget: without asking.")},
        {QStringLiteral("tester"), QStringLiteral("deployment: who placed the instrument."),
         QStringLiteral("T")},
        {QStringLiteral("placement"),
         QStringLiteral("deployment: floor, room, height, distance from walls."),
         QStringLiteral("P")},
        {QStringLiteral("deviations"),
         QStringLiteral("deployment: deviations from the measurement protocol."),
         QStringLiteral("D")},
        {QStringLiteral("deployed"), QStringLiteral("deployment: when it was put in place."),
         QStringLiteral("YYYY-MM-DDTHH:MM")},
        {QStringLiteral("retrieved"), QStringLiteral("deployment: when it was taken away."),
         QStringLiteral("YYYY-MM-DDTHH:MM")},
        {QStringLiteral("certificate"), QStringLiteral("calibration: the certificate's reference."),
         QStringLiteral("REF")},
    });
}

int SurveyCommand(Archive& archive, const QStringList& args, const QCommandLineParser& parser) {
    const QString& command = args[1];
    const int expected = Commands().at(command).arguments;
    if (expected >= 0 && args.size() != expected + 2) {
        return Usage(command);
    }
    if (command == QLatin1String("sites")) {
        return SitesCommand(archive);
    }
    if (command == QLatin1String("site")) {
        return SiteCommand(archive, args[2], parser);
    }
    if (command == QLatin1String("site-rename")) {
        return SiteRenameCommand(archive, args[2], args[3]);
    }
    if (command == QLatin1String("site-remove")) {
        return SiteRemoveCommand(archive, args[2], parser);
    }
    if (command == QLatin1String("place-site")) {
        return PlaceSiteCommand(archive, args, parser);
    }
    if (command == QLatin1String("deployment")) {
        return DeploymentCommand(archive, args[2], args[3], parser);
    }
    if (command == QLatin1String("instruments")) {
        return InstrumentsCommand(archive);
    }
    if (command == QLatin1String("instrument")) {
        return InstrumentCommand(archive, args[2]);
    }
    if (command == QLatin1String("calibration") || command == QLatin1String("calibration-remove")) {
        return CalibrationCommand(archive, args, parser);
    }
    if (command == QLatin1String("instrument-forget")) {
        return InstrumentForgetCommand(archive, args[2], parser);
    }
    return DuplicatesCommand(archive, args[2]);
}

}  // namespace kelmor::cli
