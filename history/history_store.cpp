#include "history/history_store.h"

#include "history/history_schema.h"
#include "platform/dirs.h"
#include "platform/platform.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QVariant>

#include <atomic>
#include <cstdlib>

namespace {

QString qs(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string ss(const QVariant& v) {
    return v.toString().toUtf8().toStdString();
}

QVariant number(const std::optional<double>& v) {
    return v ? QVariant(*v) : QVariant(QMetaType::fromType<double>());
}

std::optional<double> number(const QVariant& v) {
    if (v.isNull())
        return std::nullopt;
    return v.toDouble();
}

std::string reason(const QSqlError& e) {
    const QString text = e.databaseText().isEmpty() ? e.text() : e.databaseText();
    return text.toUtf8().toStdString();
}

// The columns of a calibration in the order of the insert below.
constexpr const char* kColumns =
    "kind, started, finished, technician, tag, device, port,"
    " gas_concentration, gas_unit, gas_lot, gas_expiry,"
    " found_at, found_value, found_unit, found_u1, found_stable, found_spread,"
    " left_at, left_value, left_unit, left_u1, left_stable, left_spread,"
    " before_k8, before_k9, before_k0, after_k8, after_k9, after_k0,"
    " tolerance_percent, beyond_tolerance, went_on_unstable, outcome, note, program";
constexpr int kColumnCount = 35;

std::string newer_version(int version) {
    return "it was written by a newer k964 (history version " + std::to_string(version) +
           ", this program knows up to " + std::to_string(kHistoryVersion) + ")";
}

void bindReading(QSqlQuery& q, const CalibrationReading& r) {
    q.addBindValue(qs(r.at));
    q.addBindValue(number(r.value));
    q.addBindValue(qs(r.unit));
    q.addBindValue(number(r.u1));
    q.addBindValue(r.stable ? 1 : 0);
    q.addBindValue(number(r.spread));
}

CalibrationReading readingAt(const QSqlQuery& q, int first) {
    CalibrationReading r;
    r.at = ss(q.value(first));
    r.value = number(q.value(first + 1));
    r.unit = ss(q.value(first + 2));
    r.u1 = number(q.value(first + 3));
    r.stable = q.value(first + 4).toInt() != 0;
    r.spread = number(q.value(first + 5));
    return r;
}

CalibrationKind kindOf(const std::string& name) {
    return name == kind_name(CalibrationKind::Span) ? CalibrationKind::Span : CalibrationKind::Zero;
}

CalibrationOutcome outcomeOf(const std::string& name) {
    for (auto o : {CalibrationOutcome::Accepted, CalibrationOutcome::Rejected,
                   CalibrationOutcome::Cancelled, CalibrationOutcome::Failed}) {
        if (name == outcome_name(o))
            return o;
    }
    return CalibrationOutcome::Failed;
}

} // namespace

struct HistoryStore::Db {
    QString name;
    QSqlDatabase db;
    ~Db() {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }
};

HistoryStore::HistoryStore() = default;
HistoryStore::~HistoryStore() = default;

bool HistoryStore::isOpen() const {
    return db_ && db_->db.isOpen();
}

void HistoryStore::close() {
    db_.reset();
}

std::string HistoryStore::defaultPath() {
    char files[MAX_PATHNAME_LEN];
    char program[MAX_PATHNAME_LEN];
    GetFilesDir(files);
    GetProjectDir(program);
    // A copy that keeps K960.ini beside itself keeps its history there too.
    const std::string dir =
        QFileInfo(QString::fromLocal8Bit(files)) == QFileInfo(QString::fromLocal8Bit(program))
            ? std::string(files)
            : UserDataDir(std::getenv("XDG_DATA_HOME"),
                          QDir::homePath().toLocal8Bit().toStdString());
    return QDir(QString::fromLocal8Bit(dir.c_str()))
        .filePath(QStringLiteral("history.sqlite"))
        .toLocal8Bit()
        .toStdString();
}

// Brings the schema up to date, one step per transaction, each holding the
// write lock from its start, so that two programs opening an old file at
// once migrate it once.
static bool migrate(QSqlDatabase& db, std::string& error) {
    for (;;) {
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
            error = reason(q.lastError());
            return false;
        }
        int version = -1;
        if (q.exec(QStringLiteral("PRAGMA user_version")) && q.next())
            version = q.value(0).toInt();
        q.finish();
        auto fail = [&](const std::string& why) {
            error = why;
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
            return false;
        };
        if (version < 0)
            return fail(reason(q.lastError()));
        if (version > kHistoryVersion)
            return fail(newer_version(version));
        if (version == kHistoryVersion)
            return QSqlQuery(db).exec(QStringLiteral("COMMIT")) || fail("cannot read it");
        const QStringList statements =
            QString::fromLatin1(kHistorySteps[static_cast<size_t>(version)])
                .split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (const QString& statement : statements) {
            if (!q.exec(statement))
                return fail(reason(q.lastError()));
        }
        if (!q.exec(QStringLiteral("PRAGMA user_version = %1").arg(version + 1)))
            return fail(reason(q.lastError()));
        if (!QSqlQuery(db).exec(QStringLiteral("COMMIT")))
            return fail(reason(db.lastError()));
    }
}

bool HistoryStore::open(const std::string& path) {
    static std::atomic<int> serial{0};
    db_.reset();
    path_ = path;
    error_.clear();
    const QString file = QString::fromLocal8Bit(path.c_str());
    if (!QDir().mkpath(QFileInfo(file).absolutePath())) {
        error_ = "cannot make its folder";
        return false;
    }
    auto db = std::make_unique<Db>();
    db->name = QStringLiteral("k964-history-%1").arg(++serial);
    db->db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), db->name);
    if (!db->db.isValid()) {
        error_ = "the SQLite driver of Qt SQL is not installed (libqt6sql6-sqlite)";
        return false;
    }
    db->db.setDatabaseName(file);
    // Another program writing waits us up to 10 s, instead of failing.
    db->db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
    if (!db->db.open()) {
        error_ = reason(db->db.lastError());
        return false;
    }
    QSqlQuery q(db->db);
    // A newer program's file is left exactly as it is, its journal too.
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next()) {
        error_ = reason(q.lastError());
        return false;
    }
    if (q.value(0).toInt() > kHistoryVersion) {
        error_ = newer_version(q.value(0).toInt());
        return false;
    }
    // The log beside the file lets a reader and a writer work at once; a
    // transaction committed is on the disk (FULL), one cut short is not
    // there at all.
    if (!q.exec(QStringLiteral("PRAGMA journal_mode = WAL")) ||
        !q.exec(QStringLiteral("PRAGMA synchronous = FULL")) ||
        !q.exec(QStringLiteral("PRAGMA foreign_keys = ON"))) {
        error_ = reason(q.lastError());
        return false;
    }
    q.finish();
    if (!migrate(db->db, error_))
        return false;
    db_ = std::move(db);
    return true;
}

std::int64_t HistoryStore::add(const CalibrationEntry& e) {
    error_.clear();
    if (!isOpen()) {
        error_ = "the history is not open";
        return 0;
    }
    QSqlQuery q(db_->db);
    QStringList marks;
    for (int i = 0; i < kColumnCount; ++i)
        marks << QStringLiteral("?");
    q.prepare(QStringLiteral("INSERT INTO calibration (%1) VALUES (%2)")
                  .arg(QLatin1String(kColumns), marks.join(QLatin1Char(','))));
    q.addBindValue(QLatin1String(kind_name(e.kind)));
    for (const std::string* s : text_fields(e))
        q.addBindValue(qs(*s));
    bindReading(q, e.asFound);
    bindReading(q, e.asLeft);
    for (const auto& k : e.before)
        q.addBindValue(number(k));
    for (const auto& k : e.after)
        q.addBindValue(number(k));
    q.addBindValue(e.tolerancePercent);
    q.addBindValue(e.beyondTolerance ? 1 : 0);
    q.addBindValue(e.wentOnUnstable ? 1 : 0);
    q.addBindValue(QLatin1String(outcome_name(e.outcome)));
    q.addBindValue(qs(e.note));
    q.addBindValue(qs(e.program));
    // One statement is one transaction: the entry is there whole or not.
    if (!q.exec()) {
        error_ = reason(q.lastError());
        return 0;
    }
    return q.lastInsertId().toLongLong();
}

std::vector<CalibrationEntry> HistoryStore::calibrations(const std::string& tag) const {
    error_.clear();
    std::vector<CalibrationEntry> out;
    if (!isOpen())
        return out;
    QSqlQuery q(db_->db);
    q.prepare(QStringLiteral("SELECT id, %1 FROM calibration WHERE ? = '' OR tag = ?"
                             " ORDER BY started DESC, id DESC")
                  .arg(QLatin1String(kColumns)));
    q.addBindValue(qs(tag));
    q.addBindValue(qs(tag));
    if (!q.exec()) {
        error_ = reason(q.lastError());
        return out;
    }
    while (q.next()) {
        CalibrationEntry e;
        e.id = q.value(0).toLongLong();
        e.kind = kindOf(ss(q.value(1)));
        int c = 2;
        for (std::string* s : text_fields(e))
            *s = ss(q.value(c++));
        e.asFound = readingAt(q, c);
        e.asLeft = readingAt(q, c + 6);
        c += 12;
        for (auto& k : e.before)
            k = number(q.value(c++));
        for (auto& k : e.after)
            k = number(q.value(c++));
        e.tolerancePercent = q.value(c++).toDouble();
        e.beyondTolerance = q.value(c++).toInt() != 0;
        e.wentOnUnstable = q.value(c++).toInt() != 0;
        e.outcome = outcomeOf(ss(q.value(c++)));
        e.note = ss(q.value(c++));
        e.program = ss(q.value(c++));
        out.push_back(std::move(e));
    }
    return out;
}

std::vector<std::string> HistoryStore::tags() const {
    error_.clear();
    std::vector<std::string> out;
    if (!isOpen())
        return out;
    QSqlQuery q(db_->db);
    if (!q.exec(QStringLiteral("SELECT tag FROM calibration UNION SELECT tag FROM profile"
                               " ORDER BY 1"))) {
        error_ = reason(q.lastError());
        return out;
    }
    while (q.next())
        out.push_back(ss(q.value(0)));
    return out;
}

std::int64_t HistoryStore::addProfile(const StoredProfile& p) {
    error_.clear();
    if (!isOpen()) {
        error_ = "the history is not open";
        return 0;
    }
    QSqlQuery q(db_->db);
    q.prepare(QStringLiteral("INSERT INTO profile (tag, saved, json) VALUES (?, ?, ?)"));
    q.addBindValue(qs(p.tag));
    q.addBindValue(qs(p.saved));
    q.addBindValue(qs(p.json));
    if (!q.exec()) {
        error_ = reason(q.lastError());
        return 0;
    }
    return q.lastInsertId().toLongLong();
}

StoredProfile HistoryStore::lastProfile(const std::string& tag) const {
    error_.clear();
    StoredProfile p;
    if (!isOpen())
        return p;
    QSqlQuery q(db_->db);
    q.prepare(QStringLiteral(
        "SELECT id, tag, saved, json FROM profile WHERE tag = ? ORDER BY id DESC LIMIT 1"));
    q.addBindValue(qs(tag));
    if (!q.exec()) {
        error_ = reason(q.lastError());
        return p;
    }
    if (q.next()) {
        p.id = q.value(0).toLongLong();
        p.tag = ss(q.value(1));
        p.saved = ss(q.value(2));
        p.json = ss(q.value(3));
    }
    return p;
}
