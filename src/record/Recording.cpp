// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/Recording.h"

#include <QAtomicInteger>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <cmath>

namespace rec {

namespace {

// The file's own marks: SQLite's application id ("Z4RC") and the format this version writes.
constexpr qint32 kApplicationId = 0x5A345243;
constexpr int kFormat = 1;
constexpr qint32 kGap = std::numeric_limits<qint32>::min();

QString NewConnectionName(const char *role)
{
    static QAtomicInteger<int> counter;
    return QStringLiteral("z4rec-%1-%2").arg(QLatin1String(role)).arg(counter.fetchAndAddRelaxed(1));
}

// Varints of 7 bits a byte, low first; signed numbers zigzagged.
void PutVarint(QByteArray &out, quint64 value)
{
    while (value >= 0x80) {
        out.append(static_cast<char>((value & 0x7F) | 0x80));
        value >>= 7;
    }
    out.append(static_cast<char>(value));
}

bool GetVarint(const QByteArray &in, qsizetype &at, quint64 &value)
{
    value = 0;
    for (int shift = 0; shift < 64 && at < in.size(); shift += 7) {
        const auto byte = static_cast<quint8>(in[at++]);
        value |= static_cast<quint64>(byte & 0x7F) << shift;
        if (!(byte & 0x80))
            return true;
    }
    return false;
}

quint64 ZigZag(qint64 value)
{
    return (static_cast<quint64>(value) << 1) ^ static_cast<quint64>(value >> 63);
}

qint64 UnZigZag(quint64 value)
{
    return static_cast<qint64>(value >> 1) ^ -static_cast<qint64>(value & 1);
}

void PutInt32(QByteArray &out, qint32 value)
{
    const auto u = static_cast<quint32>(value);
    for (int i = 0; i < 4; ++i)
        out.append(static_cast<char>(u >> (8 * i) & 0xFF));
}

qint32 GetInt32(const QByteArray &in, qsizetype at)
{
    quint32 u = 0;
    for (int i = 0; i < 4; ++i)
        u |= static_cast<quint32>(static_cast<quint8>(in[at + i])) << (8 * i);
    return static_cast<qint32>(u);
}

qint32 Scaled(double value, int decimals)
{
    if (std::isnan(value))
        return kGap;
    const double scaled = std::round(value * std::pow(10.0, decimals));
    return static_cast<qint32>(std::clamp(scaled, -2147483647.0, 2147483647.0));
}

QString SqlWhy(const QSqlError &error)
{
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return text.isEmpty() ? QStringLiteral("unknown error") : text;
}

// Qt SQL binds a null text as NULL; an empty text is what is meant.
QString Text(const QString &text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

// The database and its write-ahead log.
qint64 FilesSize(const QString &path)
{
    return QFileInfo(path).size() + QFileInfo(path + QStringLiteral("-wal")).size();
}

const char *const kSchema[] = {
    "CREATE TABLE meta(key TEXT PRIMARY KEY, value TEXT NOT NULL)",
    "CREATE TABLE series(idx INTEGER PRIMARY KEY, name TEXT NOT NULL, unit TEXT NOT NULL, stored INTEGER NOT NULL,"
    " shown INTEGER NOT NULL, onoff INTEGER NOT NULL)",
    // A chunk's extent and each series' least and greatest value (int32 pairs); its packed samples
    // apart, so that a view of days reads only the small rows.
    "CREATE TABLE chunk(first_ms INTEGER PRIMARY KEY, last_ms INTEGER NOT NULL, count INTEGER NOT NULL,"
    " minmax BLOB NOT NULL)",
    "CREATE TABLE chunk_data(first_ms INTEGER PRIMARY KEY, data BLOB NOT NULL)",
    "CREATE TABLE event(id INTEGER PRIMARY KEY, ms INTEGER NOT NULL, kind TEXT NOT NULL, text TEXT NOT NULL,"
    " register INTEGER, old INTEGER, new INTEGER, cause TEXT)",
    "CREATE INDEX event_ms ON event(ms)",
};

bool WriteMeta(QSqlQuery &query, const TRecordingInfo &info)
{
    const std::pair<const char *, QVariant> rows[] = {
        {"address", info.Address}, {"line", info.Line}, {"firmware", info.Firmware}, {"series", info.Series},
        {"board", info.Board},     {"tool", info.Tool}, {"start_ms", info.StartMs},  {"offset_s", info.OffsetSeconds},
    };
    query.prepare(QStringLiteral("INSERT OR REPLACE INTO meta(key, value) VALUES(?, ?)"));
    for (const auto &[key, value] : rows) {
        query.addBindValue(QLatin1String(key));
        query.addBindValue(Text(value.toString()));
        if (!query.exec())
            return false;
    }
    return true;
}

}  // namespace

const std::array<TSeriesInfo, kSeries> &SeriesTable()
{
    static const std::array<TSeriesInfo, kSeries> table = [] {
        std::array<TSeriesInfo, kSeries> t;
        const QString degrees = QStringLiteral("°C");
        const QString volts = QStringLiteral("V");
        const QString percent = QStringLiteral("%");
        int s = 0;
        const auto add = [&](const QString &name, const QString &unit, int stored, int shown, bool onOff) {
            t[static_cast<size_t>(s++)] = {name, unit, stored, shown, onOff};
        };
        for (int i = 1; i <= 4; ++i)
            add(QStringLiteral("Inp%1").arg(i), degrees, 2, 1, false);
        add(QStringLiteral("Sup."), degrees, 2, 1, false);
        add(QStringLiteral("Room"), degrees, 2, 1, false);
        for (int i = 5; i <= 8; ++i)
            add(QStringLiteral("Inp%1").arg(i), volts, 2, 2, false);
        for (int i = 9; i <= 10; ++i)
            add(QStringLiteral("Inp%1").arg(i), percent, 2, 1, false);
        for (int i = 1; i <= 5; ++i)
            add(QStringLiteral("Out%1").arg(i), volts, 2, 2, false);
        for (int i = 1; i <= 8; ++i)
            add(QStringLiteral("Rel%1").arg(i), QString(), 0, 0, true);
        for (int i = 1; i <= 3; ++i)
            add(QStringLiteral("Sim%1").arg(i), QString(), 0, 0, true);
        for (const char *name : {"SP1", "PV1", "CO1", "SP2", "PV2", "CO2", "MD1", "MD2"})
            add(QLatin1String(name), QString(), 0, 0, false);
        return t;
    }();
    return table;
}

QString CauseText(TCause cause)
{
    switch (cause) {
    case TCause::Edit:
        return QStringLiteral("edit");
    case TCause::Load:
        return QStringLiteral("Load");
    case TCause::Command:
        return QStringLiteral("command");
    case TCause::None:
        break;
    }
    return {};
}

std::optional<TCause> CauseOf(const QString &text)
{
    for (TCause cause : {TCause::None, TCause::Edit, TCause::Load, TCause::Command}) {
        if (CauseText(cause) == text)
            return cause;
    }
    return std::nullopt;
}

QString LocalTimeText(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// ---- writer

TRecordingWriter::TRecordingWriter() : m_connection(NewConnectionName("writer")) {}

TRecordingWriter::~TRecordingWriter()
{
    Close();
}

bool TRecordingWriter::Fail(const QString &what, const QString &why)
{
    if (m_error.isEmpty())
        m_error = QStringLiteral("%1: %2").arg(what, why);
    return false;
}

bool TRecordingWriter::Create(const QString &path, const TRecordingInfo &info)
{
    m_path = path;
    m_info = info;
    if (QFileInfo::exists(path))
        return Fail(path, QStringLiteral("the file exists already"));
    m_lock = std::make_unique<QLockFile>(path + QStringLiteral(".lock"));
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        const bool held = m_lock->error() == QLockFile::LockFailedError;
        m_lock.reset();
        return Fail(path, held ? QStringLiteral("another running tool writes it")
                               : QStringLiteral("the folder cannot be written"));
    }
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    if (!m_db.isValid())
        return Fail(path, QStringLiteral("the SQLite driver of Qt SQL (libqt6sql6-sqlite) is not installed"));
    m_db.setDatabaseName(path);
    if (!m_db.open())
        return Fail(path, SqlWhy(m_db.lastError()));
    QSqlQuery query(m_db);
    // Pages of 16 KiB hold several chunk rows each (one of 4 KiB would hold one and waste the rest).
    query.exec(QStringLiteral("PRAGMA page_size=16384"));
    // WAL: a reader sees the last commit while we write; NORMAL: a commit is not flushed to the
    // disk at once, so a power cut may lose the last commits, never the database.
    if (!query.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !query.next()
        || query.value(0).toString().compare(QStringLiteral("wal"), Qt::CaseInsensitive) != 0)
        return Fail(path, QStringLiteral("the file cannot be kept in WAL mode (%1)").arg(SqlWhy(query.lastError())));
    query.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
    // The log folded into the file every 4 MB (256 pages), not every 16 MB.
    query.exec(QStringLiteral("PRAGMA wal_autocheckpoint=256"));
    if (!m_db.transaction())
        return Fail(path, SqlWhy(m_db.lastError()));
    bool ok = query.exec(QStringLiteral("PRAGMA application_id=%1").arg(kApplicationId))
              && query.exec(QStringLiteral("PRAGMA user_version=%1").arg(kFormat));
    for (const char *statement : kSchema)
        ok = ok && query.exec(QLatin1String(statement));
    if (ok) {
        query.prepare(QStringLiteral("INSERT INTO series VALUES(?, ?, ?, ?, ?, ?)"));
        for (int s = 0; s < kSeries && ok; ++s) {
            const TSeriesInfo &series = SeriesTable()[static_cast<size_t>(s)];
            query.addBindValue(s);
            query.addBindValue(series.Name);
            query.addBindValue(Text(series.Unit));
            query.addBindValue(series.Stored);
            query.addBindValue(series.Shown);
            query.addBindValue(series.OnOff ? 1 : 0);
            ok = query.exec();
        }
        if (ok) {
            ok = WriteMeta(query, m_info);
        }
    }
    if (!ok || !m_db.commit()) {
        const QString why = SqlWhy(ok ? m_db.lastError() : query.lastError());
        m_db.rollback();
        return Fail(path, why);
    }
    m_lastCommit = QDateTime::currentMSecsSinceEpoch();
    return true;
}

void TRecordingWriter::SetInfo(const TRecordingInfo &info)
{
    m_info = info;
    m_infoChanged = true;
}

void TRecordingWriter::Add(const TSample &sample)
{
    if (!IsOpen() || Failed())
        return;
    // Times only go forward within a recording, even when the clock is set back.
    const qint64 ms = std::max(sample.Ms, m_lastMs + 1);
    m_lastMs = ms;
    m_open.Times.push_back(ms);
    const auto &table = SeriesTable();
    for (int s = 0; s < kSeries; ++s)
        m_open.Values.push_back(Scaled(sample.Values[static_cast<size_t>(s)], table[static_cast<size_t>(s)].Stored));
    m_openDirty = true;
    ++m_samples;
    if (static_cast<int>(m_open.Times.size()) == kChunkSamples) {
        m_full.push_back(std::move(m_open));
        m_open = {};
        m_openDirty = false;
    }
    CommitWhenDue();
}

void TRecordingWriter::AddEvent(const TEvent &event)
{
    if (!IsOpen() || Failed())
        return;
    m_pendingEvents.push_back(event);
    ++m_events;
    CommitWhenDue();
}

void TRecordingWriter::CommitWhenDue()
{
    if (m_autoCommit && QDateTime::currentMSecsSinceEpoch() - m_lastCommit >= 1000)
        Commit();
}

bool TRecordingWriter::WriteChunk(const TChunk &chunk)
{
    const auto count = static_cast<int>(chunk.Times.size());
    QByteArray data;
    data.reserve(count * (kSeries + 2));
    for (int i = 1; i < count; ++i)
        PutVarint(data,
                  static_cast<quint64>(chunk.Times[static_cast<size_t>(i)] - chunk.Times[static_cast<size_t>(i - 1)]));
    QByteArray minmax;
    minmax.reserve(kSeries * 8);
    for (int s = 0; s < kSeries; ++s) {
        qint64 previous = 0;
        qint32 least = std::numeric_limits<qint32>::max();
        qint32 most = kGap;
        for (int i = 0; i < count; ++i) {
            const qint32 value = chunk.Values[static_cast<size_t>(i * kSeries + s)];
            if (value == kGap) {
                data.append('\0');
                continue;
            }
            PutVarint(data, ZigZag(value - previous) + 1);
            previous = value;
            least = std::min(least, value);
            most = std::max(most, value);
        }
        PutInt32(minmax, least);
        PutInt32(minmax, most);
    }
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("INSERT OR REPLACE INTO chunk VALUES(?, ?, ?, ?)"));
    query.addBindValue(chunk.Times.front());
    query.addBindValue(chunk.Times.back());
    query.addBindValue(count);
    query.addBindValue(minmax);
    if (!query.exec())
        return Fail(m_path, SqlWhy(query.lastError()));
    query.prepare(QStringLiteral("INSERT OR REPLACE INTO chunk_data VALUES(?, ?)"));
    query.addBindValue(chunk.Times.front());
    query.addBindValue(data);
    if (!query.exec())
        return Fail(m_path, SqlWhy(query.lastError()));
    return true;
}

bool TRecordingWriter::Commit()
{
    if (!IsOpen() || Failed())
        return false;
    m_lastCommit = QDateTime::currentMSecsSinceEpoch();
    if (m_full.empty() && !m_openDirty && m_pendingEvents.empty() && !m_infoChanged)
        return true;
    if (!m_db.transaction())
        return Fail(m_path, SqlWhy(m_db.lastError()));
    bool ok = true;
    for (const TChunk &chunk : m_full)
        ok = ok && WriteChunk(chunk);
    if (ok && m_openDirty)
        ok = WriteChunk(m_open);
    QSqlQuery query(m_db);
    if (ok && !m_pendingEvents.empty()) {
        query.prepare(QStringLiteral("INSERT INTO event(ms, kind, text, register, old, new, cause)"
                                     " VALUES(?, ?, ?, ?, ?, ?, ?)"));
        const auto optional = [](const std::optional<int> &value) {
            return value ? QVariant(*value) : QVariant(QMetaType(QMetaType::Int));
        };
        for (const TEvent &event : m_pendingEvents) {
            query.addBindValue(event.Ms);
            query.addBindValue(Text(event.Kind));
            query.addBindValue(Text(event.Text));
            query.addBindValue(optional(event.Register));
            query.addBindValue(optional(event.Old));
            query.addBindValue(optional(event.New));
            query.addBindValue(event.Cause == TCause::None ? QVariant(QMetaType(QMetaType::QString))
                                                           : QVariant(CauseText(event.Cause)));
            if (!query.exec()) {
                ok = Fail(m_path, SqlWhy(query.lastError()));
                break;
            }
        }
    }
    if (ok && m_infoChanged) {
        if (!WriteMeta(query, m_info))
            ok = Fail(m_path, SqlWhy(query.lastError()));
    }
    if (ok && !m_db.commit())
        ok = Fail(m_path, SqlWhy(m_db.lastError()));
    if (!ok) {
        m_db.rollback();
        return false;
    }
    m_full.clear();
    m_openDirty = false;
    m_pendingEvents.clear();
    m_infoChanged = false;
    return true;
}

bool TRecordingWriter::Close()
{
    bool ok = !Failed();
    if (IsOpen()) {
        ok = Commit() && ok;
        m_db.close();
    }
    m_db = QSqlDatabase();
    if (QSqlDatabase::contains(m_connection))
        QSqlDatabase::removeDatabase(m_connection);
    if (m_lock)
        m_lock->unlock();
    m_lock.reset();
    return ok;
}

qint64 TRecordingWriter::Size() const
{
    return FilesSize(m_path);
}

// ---- reader

TRecordingReader::TRecordingReader() : m_connection(NewConnectionName("reader")) {}

TRecordingReader::~TRecordingReader()
{
    if (m_db.isValid())
        m_db.close();
    m_db = QSqlDatabase();
    if (QSqlDatabase::contains(m_connection))
        QSqlDatabase::removeDatabase(m_connection);
}

bool TRecordingReader::Fail(const QString &why)
{
    m_error = QStringLiteral("%1 %2").arg(QFileInfo(m_path).fileName(), why);
    return false;
}

bool TRecordingReader::BeingWritten() const
{
    QLockFile lock(m_path + QStringLiteral(".lock"));
    lock.setStaleLockTime(0);
    if (lock.tryLock(0)) {
        lock.unlock();
        return false;
    }
    return lock.error() == QLockFile::LockFailedError;
}

bool TRecordingReader::Open(const QString &path)
{
    m_path = path;
    m_error.clear();
    const QFileInfo file(path);
    if (!file.isFile())
        return Fail(QStringLiteral("does not exist"));
    if (!file.isReadable())
        return Fail(QStringLiteral("cannot be read"));
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    if (!m_db.isValid())
        return Fail(QStringLiteral("cannot be read: the SQLite driver of Qt SQL (libqt6sql6-sqlite) is not installed"));
    m_db.setDatabaseName(path);
    m_db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (!m_db.open())
        return Fail(QStringLiteral("cannot be opened: %1").arg(SqlWhy(m_db.lastError())));
    const QString notOurs = QStringLiteral("is not a recording of this tool");
    QSqlQuery query(m_db);
    if (!query.exec(QStringLiteral("PRAGMA application_id")) || !query.next()) {
        const QString why = SqlWhy(query.lastError());
        return Fail(why.contains(QStringLiteral("not a database")) ? notOurs
                                                                   : QStringLiteral("is damaged: %1").arg(why));
    }
    if (query.value(0).toInt() != kApplicationId)
        return Fail(notOurs);
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next())
        return Fail(QStringLiteral("is damaged: %1").arg(SqlWhy(query.lastError())));
    const int format = query.value(0).toInt();
    if (format > kFormat)
        return Fail(QStringLiteral("was made by a newer version of the tool (recording format %1; this version reads "
                                   "format %2 and older)")
                        .arg(format)
                        .arg(kFormat));
    if (format < 1)
        return Fail(notOurs);

    const QString damaged = QStringLiteral("is damaged: %1");
    if (!query.exec(QStringLiteral("SELECT key, value FROM meta")))
        return Fail(damaged.arg(SqlWhy(query.lastError())));
    while (query.next()) {
        const QString key = query.value(0).toString();
        const QString value = query.value(1).toString();
        if (key == QLatin1String("address"))
            m_info.Address = value.toInt();
        else if (key == QLatin1String("line"))
            m_info.Line = value;
        else if (key == QLatin1String("firmware"))
            m_info.Firmware = value;
        else if (key == QLatin1String("series"))
            m_info.Series = value;
        else if (key == QLatin1String("board"))
            m_info.Board = value;
        else if (key == QLatin1String("tool"))
            m_info.Tool = value;
        else if (key == QLatin1String("start_ms"))
            m_info.StartMs = value.toLongLong();
        else if (key == QLatin1String("offset_s"))
            m_info.OffsetSeconds = value.toInt();
    }
    if (!query.exec(QStringLiteral("SELECT name, unit, stored, shown, onoff FROM series ORDER BY idx")))
        return Fail(damaged.arg(SqlWhy(query.lastError())));
    m_series.clear();
    m_scales.clear();
    while (query.next()) {
        const int stored = query.value(2).toInt();
        if (stored < 0 || stored > 6)
            return Fail(damaged.arg(QStringLiteral("a series is kept to %1 decimals").arg(stored)));
        m_series.push_back({query.value(0).toString(), query.value(1).toString(), stored, query.value(3).toInt(),
                            query.value(4).toInt() != 0});
        m_scales.push_back(std::pow(10.0, -stored));
    }
    if (m_series.empty())
        return Fail(damaged.arg(QStringLiteral("it names no series")));
    return Refresh();
}

bool TRecordingReader::Refresh()
{
    QSqlQuery query(m_db);
    if (!query.exec(QStringLiteral("SELECT MIN(first_ms), MAX(last_ms), TOTAL(count) FROM chunk")) || !query.next())
        return Fail(QStringLiteral("is damaged: %1").arg(SqlWhy(query.lastError())));
    m_firstMs = query.value(0).toLongLong();
    m_lastMs = query.value(1).toLongLong();
    m_count = static_cast<qint64>(query.value(2).toDouble());
    return true;
}

bool TRecordingReader::ReadChunks(qint64 from, qint64 to, bool withData,
                                  const std::function<void(const TChunkRow &)> &each)
{
    // Chunks do not overlap: the one holding from starts at or before it, the others within.
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    query.prepare(withData ? QStringLiteral("SELECT c.first_ms, c.last_ms, c.count, c.minmax, d.data FROM chunk c"
                                            " JOIN chunk_data d ON d.first_ms = c.first_ms"
                                            " WHERE c.first_ms >= (SELECT IFNULL(MAX(first_ms), :from) FROM chunk"
                                            " WHERE first_ms <= :from) AND c.first_ms <= :to ORDER BY c.first_ms")
                           : QStringLiteral("SELECT first_ms, last_ms, count, minmax FROM chunk"
                                            " WHERE first_ms >= (SELECT IFNULL(MAX(first_ms), :from) FROM chunk"
                                            " WHERE first_ms <= :from) AND first_ms <= :to ORDER BY first_ms"));
    query.bindValue(QStringLiteral(":from"), from);
    query.bindValue(QStringLiteral(":to"), to);
    if (!query.exec())
        return Fail(QStringLiteral("is damaged: %1").arg(SqlWhy(query.lastError())));
    const qsizetype minmaxSize = static_cast<qsizetype>(m_series.size()) * 8;
    while (query.next()) {
        TChunkRow row{query.value(0).toLongLong(), query.value(1).toLongLong(), query.value(2).toInt(),
                      withData ? query.value(4).toByteArray() : QByteArray(), query.value(3).toByteArray()};
        if (row.Last < from)
            continue;
        if (row.MinMax.size() != minmaxSize || row.Count < 1 || row.Last < row.First)
            return Fail(
                QStringLiteral("is damaged: a chunk of samples at %1 is malformed").arg(LocalTimeText(row.First)));
        each(row);
    }
    if (query.lastError().isValid())
        return Fail(QStringLiteral("is damaged: %1").arg(SqlWhy(query.lastError())));
    return true;
}

bool TRecordingReader::Decode(const TChunkRow &row, std::vector<qint64> &times, std::vector<qint32> &values) const
{
    const auto series = static_cast<int>(m_series.size());
    // Every value takes a byte at least: a count the data cannot hold is a damaged row, never an
    // allocation of its size.
    if (static_cast<qint64>(row.Count) * series > row.Data.size())
        return false;
    times.assign(static_cast<size_t>(row.Count), row.First);
    values.assign(static_cast<size_t>(row.Count * series), kGap);
    qsizetype at = 0;
    quint64 code = 0;
    for (int i = 1; i < row.Count; ++i) {
        if (!GetVarint(row.Data, at, code))
            return false;
        // Wrapping arithmetic: a damaged row gives wrong numbers, never undefined behaviour.
        times[static_cast<size_t>(i)] =
            static_cast<qint64>(static_cast<quint64>(times[static_cast<size_t>(i - 1)]) + code);
    }
    for (int s = 0; s < series; ++s) {
        qint64 previous = 0;
        for (int i = 0; i < row.Count; ++i) {
            if (!GetVarint(row.Data, at, code))
                return false;
            if (code == 0)
                continue;
            previous = static_cast<qint64>(static_cast<quint64>(previous) + static_cast<quint64>(UnZigZag(code - 1)));
            values[static_cast<size_t>(i * series + s)] = static_cast<qint32>(previous);
        }
    }
    return at == row.Data.size();
}

bool TRecordingReader::ForEachSample(qint64 from, qint64 to, const std::function<void(const TSample &)> &each)
{
    std::vector<qint64> times;
    std::vector<qint32> values;
    bool decoded = true;
    TSample sample;
    const auto series = std::min(static_cast<int>(m_series.size()), kSeries);
    const bool read = ReadChunks(from, to, true, [&](const TChunkRow &row) {
        if (!decoded)
            return;
        if (!Decode(row, times, values)) {
            decoded =
                Fail(QStringLiteral("is damaged: the samples at %1 cannot be read").arg(LocalTimeText(row.First)));
            return;
        }
        for (int i = 0; i < row.Count; ++i) {
            const qint64 ms = times[static_cast<size_t>(i)];
            if (ms < from || ms > to)
                continue;
            sample.Ms = ms;
            sample.Values.fill(std::nan(""));
            for (int s = 0; s < series; ++s) {
                const qint32 value = values[static_cast<size_t>(i * static_cast<int>(m_series.size()) + s)];
                if (value != kGap)
                    sample.Values[static_cast<size_t>(s)] = value * m_scales[static_cast<size_t>(s)];
            }
            each(sample);
        }
    });
    return read && decoded;
}

bool TRecordingReader::MinMax(qint64 from, qint64 to, int columns, std::vector<TColumnRange> &result)
{
    const auto series = static_cast<int>(m_series.size());
    result.assign(static_cast<size_t>(series * std::max(columns, 0)), TColumnRange{});
    if (columns <= 0 || to <= from)
        return true;
    const double width = static_cast<double>(to - from) / columns;
    // A column index, or -1 / columns for a time before / after the range (however far off).
    const auto column = [&](qint64 ms) {
        const double c = std::floor(static_cast<double>(ms - from) / width);
        return c < 0 ? -1 : c >= columns ? columns : static_cast<int>(c);
    };
    const auto merge = [&](int s, int c, double least, double most) {
        TColumnRange &range = result[static_cast<size_t>(s * columns + c)];
        if (std::isnan(range.Min) || least < range.Min)
            range.Min = least;
        if (std::isnan(range.Max) || most > range.Max)
            range.Max = most;
    };
    std::vector<TChunkRow> across;  // chunks over a column's edge, decoded below
    const bool read = ReadChunks(from, to - 1, false, [&](const TChunkRow &row) {
        const int c = column(row.First);
        if (c < 0 || c != column(row.Last) || c >= columns) {
            across.push_back(row);
            return;
        }
        for (int s = 0; s < series; ++s) {
            result[static_cast<size_t>(s * columns + c)].Sampled = true;
            const qint32 least = GetInt32(row.MinMax, s * 8);
            const qint32 most = GetInt32(row.MinMax, s * 8 + 4);
            if (least <= most)
                merge(s, c, least * m_scales[static_cast<size_t>(s)], most * m_scales[static_cast<size_t>(s)]);
        }
    });
    if (!read)
        return false;
    QSqlQuery data(m_db);
    data.setForwardOnly(true);
    data.prepare(QStringLiteral("SELECT data FROM chunk_data WHERE first_ms = ?"));
    std::vector<qint64> times;
    std::vector<qint32> values;
    for (TChunkRow &row : across) {
        data.bindValue(0, row.First);
        if (!data.exec() || !data.next())
            return Fail(QStringLiteral("is damaged: the samples at %1 are missing").arg(LocalTimeText(row.First)));
        row.Data = data.value(0).toByteArray();
        if (!Decode(row, times, values))
            return Fail(QStringLiteral("is damaged: the samples at %1 cannot be read").arg(LocalTimeText(row.First)));
        for (int i = 0; i < row.Count; ++i) {
            const int c = column(times[static_cast<size_t>(i)]);
            if (c < 0 || c >= columns || times[static_cast<size_t>(i)] >= to)
                continue;
            for (int s = 0; s < series; ++s) {
                result[static_cast<size_t>(s * columns + c)].Sampled = true;
                const qint32 value = values[static_cast<size_t>(i * series + s)];
                if (value != kGap) {
                    const double v = value * m_scales[static_cast<size_t>(s)];
                    merge(s, c, v, v);
                }
            }
        }
    }
    return true;
}

qint64 TRecordingReader::CountAbout(qint64 from, qint64 to)
{
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("SELECT TOTAL(count) FROM chunk WHERE last_ms >= ? AND first_ms <= ?"));
    query.addBindValue(from);
    query.addBindValue(to);
    if (!query.exec() || !query.next()) {
        Fail(QStringLiteral("is damaged: %1").arg(SqlWhy(query.lastError())));
        return -1;
    }
    return static_cast<qint64>(query.value(0).toDouble());
}

std::vector<TEvent> TRecordingReader::Events(qint64 from, qint64 to)
{
    std::vector<TEvent> events;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT ms, kind, text, register, old, new, cause FROM event"
                                 " WHERE ms >= ? AND ms <= ? ORDER BY ms, id"));
    query.addBindValue(from);
    query.addBindValue(to);
    if (!query.exec()) {
        Fail(QStringLiteral("is damaged: %1").arg(SqlWhy(query.lastError())));
        return events;
    }
    const auto optional = [&](int column) {
        return query.isNull(column) ? std::nullopt : std::optional<int>(query.value(column).toInt());
    };
    while (query.next()) {
        events.push_back({query.value(0).toLongLong(), query.value(1).toString(), query.value(2).toString(),
                          optional(3), optional(4), optional(5),
                          CauseOf(query.value(6).toString()).value_or(TCause::None)});
    }
    return events;
}

TRecordingSummary Summarise(const QString &path)
{
    TRecordingSummary summary;
    summary.Path = path;
    summary.Size = FilesSize(path);
    TRecordingReader reader;
    if (!reader.Open(path)) {
        summary.Error = reader.Error();
        return summary;
    }
    summary.Info = reader.Info();
    summary.FirstMs = reader.FirstMs();
    summary.LastMs = reader.LastMs();
    return summary;
}

}  // namespace rec
