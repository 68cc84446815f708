// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file on any text: the file layer's reading, the INI layer's own reading and
// rewriting, and TSettings' reading and its write-back at every close. What is read is in range; a
// rewrite keeps what it does not write and reads back as written, and further closes leave it as it
// is.
#include "FuzzCheck.h"
#include "FuzzFiles.h"
#include "app/TSettings.h"
#include "common/IniFile.h"

#include <QFile>
#include <QList>
#include <QMap>

#include <cstdint>

namespace {
void CheckInRange(const TSettings &s)
{
    for (int octet : s.IP)
        FUZZ_CHECK(octet >= 0 && octet <= 255);
    FUZZ_CHECK(s.ComPort >= 0 && s.ComPort <= 3);
    FUZZ_CHECK(s.ReadPeriod >= 0 && s.ReadPeriod <= TSettings::kMaxReadPeriod);
    FUZZ_CHECK(s.Address >= TSettings::kMinAddress && s.Address <= TSettings::kMaxAddress);
    FUZZ_CHECK(s.BoardTypeIndex >= 0 && s.BoardTypeIndex < TSettings::kBoardTypes);
    FUZZ_CHECK(s.LogFileExistTime >= 0 && s.LogFileLevel >= 0 && s.LogFileLevel <= 3);
    FUZZ_CHECK(s.Port >= 1 && s.BaudRate >= 50 && s.BaudRate <= 4000000);
    FUZZ_CHECK(s.DataBits >= QSerialPort::Data5 && s.DataBits <= QSerialPort::Data8);
    FUZZ_CHECK(s.StopBits == QSerialPort::OneStop || s.StopBits == QSerialPort::TwoStop);
    FUZZ_CHECK(s.Parity == QSerialPort::NoParity || s.Parity == QSerialPort::EvenParity
               || s.Parity == QSerialPort::OddParity);
    FUZZ_CHECK(s.TimeoutMs >= TSettings::kMinTimeoutMs && s.TimeoutMs <= TSettings::kMaxTimeoutMs);
    FUZZ_CHECK(!s.Device.isEmpty() && s.Device == s.Device.trimmed());
}

bool SameSettings(const TSettings &a, const TSettings &b)
{
    return a.Mode == b.Mode && a.IP == b.IP && a.ComPort == b.ComPort && a.ReadPeriod == b.ReadPeriod
           && a.Address == b.Address && a.BoardTypeIndex == b.BoardTypeIndex && a.LogFileEnabled == b.LogFileEnabled
           && a.LogFileExistTime == b.LogFileExistTime && a.LogFileLevel == b.LogFileLevel && a.Port == b.Port
           && a.BaudRate == b.BaudRate && a.Parity == b.Parity && a.DataBits == b.DataBits && a.StopBits == b.StopBits
           && a.ComDevice == b.ComDevice && a.Device == b.Device && a.TimeoutMs == b.TimeoutMs
           && a.WindowRect == b.WindowRect && a.WindowMaximized == b.WindowMaximized && a.WindowPage == b.WindowPage;
}

QByteArray Contents(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        std::abort();
    return file.readAll();
}

// Every value of the file by section and key.
QMap<QString, QString> Entries(const TIniFile &ini)
{
    QMap<QString, QString> entries;
    for (const QString &section : ini.Sections()) {
        FUZZ_CHECK(!section.contains(QLatin1Char('\n')) && !section.contains(QLatin1Char('\r')));
        for (const QString &key : ini.Keys(section))
            entries.insert(section + QLatin1Char('\n') + key, ini.Value(section, key).value_or(QString()));
    }
    return entries;
}

// The lines of a text that are not blank.
QList<QByteArray> Lines(const QByteArray &text)
{
    QList<QByteArray> lines = text.split('\n');
    lines.removeIf([](const QByteArray &line) { return line.trimmed().isEmpty(); });
    return lines;
}

// Another rewrite of a rewritten text: only blank lines may change, once (the parser lays out a
// comment at the top of the file anew when it no longer starts with a blank), then none.
void CheckRewrittenAgain(const QByteArray &once, const QByteArray &twice, const QByteArray &thrice)
{
    FUZZ_CHECK(Lines(twice) == Lines(once));
    FUZZ_CHECK(thrice == twice);
}

// The INI layer: a text read and written back is read the same, and further rewrites leave it.
void CheckIniRewrite(const QByteArray &input)
{
    TIniFile first;
    if (!first.LoadText(input, nullptr))
        return;
    const QByteArray text = first.Text();
    // A key named by a byte-order mark alone, written first, reads back as the mark.
    if (text.startsWith("\xEF\xBB\xBF"))
        return;
    TIniFile second;
    FUZZ_CHECK(second.LoadText(text, nullptr));
    FUZZ_CHECK(second.Sections() == first.Sections());
    FUZZ_CHECK(Entries(second) == Entries(first));
    TIniFile third;
    FUZZ_CHECK(third.LoadText(second.Text(), nullptr));
    CheckRewrittenAgain(text, second.Text(), third.Text());
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    CheckIniRewrite(input);

    const QString path = FuzzPath(TSettings::FileName());
    WriteInput(path, data, size);
    // The file layer reads the bytes the file holds, no fewer and no more.
    QByteArray fromFile;
    FUZZ_CHECK(ReadPlainFile(path, TIniFile::kMaxFileSize, TLinks::SameFolder, &fromFile, nullptr) == TFileRead::Read);
    FUZZ_CHECK(fromFile == input);
    TSettings read = TSettings::Read(path);
    CheckInRange(read);
    // The window changes what it writes back; the rest stays as read.
    read.Mode = !read.Mode;
    read.IP[0] = (read.IP[0] + 1) % 256;
    read.ReadPeriod = (read.ReadPeriod + 1) % (TSettings::kMaxReadPeriod + 1);
    read.BoardTypeIndex = 1 - read.BoardTypeIndex;
    if (!TSettings::Write(path, read, nullptr)) {
        FUZZ_CHECK(Contents(path) == input);  // a file that cannot be read is left alone
        return 0;
    }
    const QByteArray closed = Contents(path);
    if (closed.startsWith("\xEF\xBB\xBF"))
        return 0;  // as above: a key named by a byte-order mark alone
    const TSettings again = TSettings::Read(path);
    FUZZ_CHECK(SameSettings(again, read));
    FUZZ_CHECK(TSettings::Write(path, again, nullptr));
    const QByteArray closedTwice = Contents(path);
    FUZZ_CHECK(SameSettings(TSettings::Read(path), read));
    FUZZ_CHECK(TSettings::Write(path, again, nullptr));
    CheckRewrittenAgain(closed, closedTwice, Contents(path));
    return 0;
}
