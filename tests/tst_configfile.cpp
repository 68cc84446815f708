// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// The parameter definition file and configuration files on their own: what a definition must
// hold to be used, the key forms and values of configuration files, which items a file brings,
// and that files are refused or kept whole rather than half-used or half-written.
#include "TestFiles.h"
#include "common/IniFile.h"
#include "config/ConfigFile.h"
#include "config/DefinitionFile.h"
#include "config/ReadPlan.h"
#include "config/TransferRows.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {
// A definition file that describes the table, as text: one section per row.
QByteArray DefinitionText(int items = kTransferItems)
{
    QByteArray text = "[Info]\nItems=" + QByteArray::number(items) + "\n";
    for (int i = 0; i < items; ++i) {
        const TParameterRow &row = TransferRows()[static_cast<size_t>(i)];
        text += "\n[" + QByteArray::number(i) + "]\nRegisters=" + QByteArray::number(row.Registers)
                + "\nFirstRegister=" + QByteArray::number(row.FirstRegister) + "\nSection=Page"
                + QByteArray::number(i % 7) + "\nIdent=P" + QByteArray::number(i) + "R\n";
    }
    return text;
}

// Two items of our own: X of one register and Y of three, under one section.
TConfigImages SmallImages()
{
    TConfigImages images;
    ConfigItem x;
    x.Registers = 1;
    x.FirstRegister = 0x0200;
    x.Section = QStringLiteral("Settings");
    x.Ident = QStringLiteral("X");
    x.Values = {0};
    ConfigItem y = x;
    y.Registers = 3;
    y.FirstRegister = 0x0300;
    y.Ident = QStringLiteral("Y");
    y.Values = {0, 0, 0};
    images.BoardImage = {x, y};
    images.FileImage = images.BoardImage;
    images.ItemCount = 2;
    images.ActiveItemCount = 2;
    return images;
}

// The shipped definition, every value of both images set from seed.
TConfigImages ShippedImages(quint16 seed)
{
    TConfigImages images;
    QString error;
    if (!ReadDefinitionFile(QStringLiteral(Z4_DEFINITION_FILE), images, &error))
        qFatal("the shipped definition is not usable: %s", qPrintable(error));
    quint16 v = seed;
    for (ConfigItem &item : images.BoardImage)
        for (quint16 &value : item.Values)
            value = v++;
    return images;
}
}  // namespace

class TestConfigFile : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void shippedDefinitionDescribesTheTable();
    void unusableDefinitionsAreRefused_data();
    void unusableDefinitionsAreRefused();

    void keyFormsAndSignedValues();
    void valuesReadAsRegisterPatterns_data();
    void valuesReadAsRegisterPatterns();

    void extendedSetFollowsTheLastItemAndTheFirmware_data();
    void extendedSetFollowsTheLastItemAndTheFirmware();
    void savingTheBaseSetKeepsEverythingElseInTheFile();

    void missingKeysInsideTheWalkRefuseTheFile();
    void ambiguousOrHugeFilesAreRefused();
    void aFailedSaveLeavesTheOldFile();

    void blockReadsOfTheShippedDefinition_data();
    void blockReadsOfTheShippedDefinition();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString Path(const QString &name) const { return m_dir->filePath(name); }
};

void TestConfigFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestConfigFile::shippedDefinitionDescribesTheTable()
{
    TConfigImages images;
    QString error;
    QVERIFY2(ReadDefinitionFile(QStringLiteral(Z4_DEFINITION_FILE), images, &error), qPrintable(error));
    QCOMPARE(images.ItemCount, 140);
    QCOMPARE(images.ActiveItemCount, 140);
    QCOMPARE(images.DefinitionPath, QStringLiteral(Z4_DEFINITION_FILE));
    QVERIFY(images.FileHasExtendedItems);
    QVERIFY(!images.FileLoaded);
    QCOMPARE(images.FileImage.size(), size_t(140));
    for (size_t i = 0; i < 140; ++i) {
        const ConfigItem &file = images.FileImage[i];
        const ConfigItem &board = images.BoardImage[i];
        QCOMPARE(board.FirstRegister, file.FirstRegister);
        QCOMPARE(board.Ident, file.Ident);
        QCOMPARE(board.Values.size(), size_t(board.Registers));
        // Names a technician can read in a saved file.
        static const QRegularExpression word(QStringLiteral("^[A-Z][A-Za-z0-9]+$"));
        QVERIFY2(word.match(file.Section).hasMatch() && word.match(file.Ident).hasMatch(), qPrintable(file.Ident));
    }
    QCOMPARE(images.FileImage[0].Section, QStringLiteral("Settings"));
}

void TestConfigFile::unusableDefinitionsAreRefused_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("named");  // what the message must name

    const QByteArray good = DefinitionText();
    QTest::newRow("no items") << QByteArray("[Info]\nItems=0\n") << QStringLiteral("Items");
    QTest::newRow("no Info") << good.mid(good.indexOf("\n[0]")) << QStringLiteral("Items");
    QTest::newRow("more items than the tool knows")
        << (DefinitionText().replace("Items=140", "Items=141")
            + "\n[140]\nRegisters=1\nFirstRegister=4000\nSection=A\nIdent=B\n")
        << QStringLiteral("141");
    QTest::newRow("item missing") << QByteArray(good).replace("[7]", "[seven]") << QStringLiteral("item 7 ");
    QTest::newRow("run of another row") << QByteArray(good).replace("[3]\nRegisters=1\nFirstRegister=515",
                                                                    "[3]\nRegisters=1\nFirstRegister=516")
                                        << QStringLiteral("item 3 ");
    QTest::newRow("no registers") << QByteArray(good).replace("[4]\nRegisters=1", "[4]\nRegisters=0")
                                  << QStringLiteral("item 4 ");
    QTest::newRow("more than a request holds")
        << QByteArray(good).replace("[4]\nRegisters=1", "[4]\nRegisters=129") << QStringLiteral("item 4 ");
    QTest::newRow("no key") << QByteArray(good).replace("Ident=P9R\n", "") << QStringLiteral("item 9 ");
    // Item 8 would take over item 1's value (section Page1 both; names match in any case).
    QTest::newRow("key used twice") << QByteArray(good).replace("Ident=P8R\n", "Ident=p1r\n")
                                    << QStringLiteral("item 8 ");
    // Item 13 has three registers, P13R0 .. P13R2 in Page6; item 20 (Page6 too) would share one.
    QTest::newRow("multi-register key of a single item")
        << QByteArray(good).replace("Ident=P20R\n", "Ident=P13R1\n") << QStringLiteral("item 20 ");
    QTest::newRow("UTF-16 text") << QByteArray("\xFF\xFE[\0I\0", 6) << QStringLiteral("UTF-16");
    // Names a configuration file cannot hold: Save would write files that Load refuses.
    QTest::newRow("equals sign in a key")
        << QByteArray(good).replace("Ident=P5R\n", "Ident=P5=R\n") << QStringLiteral("item 5 ");
    QTest::newRow("bracket in a section") << QByteArray(good).replace(
        "[6]\nRegisters=1\nFirstRegister=518\nSection=Page6", "[6]\nRegisters=1\nFirstRegister=518\nSection=Pa]ge6")
                                          << QStringLiteral("item 6 ");
    QTest::newRow("key starting a comment")
        << QByteArray(good).replace("Ident=P10R\n", "Ident=;P10R\n") << QStringLiteral("item 10 ");
    QTest::newRow("a value given twice") << QByteArray(good).replace("[2]\nRegisters=1",
                                                                     "[2]\nRegisters=1\nRegisters=2")
                                         << QStringLiteral("[2] Registers");
    QTest::newRow("far too large") << (good + "\n; " + QByteArray(1024 * 1024, 'x') + "\n") << QStringLiteral("KiB");
}

void TestConfigFile::unusableDefinitionsAreRefused()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, named);
    const QString path = Path(QStringLiteral("z4_0parameters.def"));
    QVERIFY(WriteAll(path, text));

    TConfigImages images;
    images.ItemCount = 140;
    images.FileImage = ImageFromTable();
    QString error;
    QVERIFY(!ReadDefinitionFile(path, images, &error));
    QVERIFY2(error.contains(QDir::toNativeSeparators(path)) && error.contains(named), qPrintable(error));
    // Nothing half-read.
    QCOMPARE(images.ItemCount, 140);
    QVERIFY(images.FileImage.front().Section.isEmpty());

    QVERIFY(!ReadDefinitionFile(Path(QStringLiteral("absent.def")), images, &error));
    QVERIFY(error.contains(QStringLiteral("absent.def")));
}

void TestConfigFile::keyFormsAndSignedValues()
{
    TConfigImages images = SmallImages();
    images.BoardImage[0].Values = {0xFFCE};
    images.BoardImage[1].Values = {0x8000, 0x7FFF, 0};
    const QString path = Path(QStringLiteral("small.cnf"));
    QString error;
    QVERIFY2(WriteConfigFile(path, images, &error), qPrintable(error));
    QCOMPARE(ReadAll(path), QByteArray("[Settings]\nX=-50\nY0=-32768\nY1=32767\nY2=0\n"));

    images.BoardImage[1].Values[2] = 7;  // the last item's first value decides the extended set, not this
    QVERIFY(ReadConfigFile(path, images, true, &error));
    QCOMPARE(images.FileImage[0].Values, std::vector<quint16>({0xFFCE}));
    QCOMPARE(images.FileImage[1].Values, std::vector<quint16>({0x8000, 0x7FFF, 0}));
    QVERIFY(images.FileLoaded);
}

void TestConfigFile::valuesReadAsRegisterPatterns_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("expected");  // -1: the file is refused

    QTest::newRow("65535") << QByteArray("65535") << 0xFFFF;
    QTest::newRow("-1") << QByteArray("-1") << 0xFFFF;
    QTest::newRow("-32768") << QByteArray("-32768") << 0x8000;
    QTest::newRow("plus sign") << QByteArray("+12") << 12;
    QTest::newRow("blanks around") << QByteArray("  12  ") << 12;
    QTest::newRow("65536") << QByteArray("65536") << -1;
    QTest::newRow("-32769") << QByteArray("-32769") << -1;
    QTest::newRow("fraction") << QByteArray("1.5") << -1;
    QTest::newRow("hex") << QByteArray("0x10") << -1;
    QTest::newRow("word") << QByteArray("twelve") << -1;
    QTest::newRow("empty") << QByteArray("") << -1;
}

void TestConfigFile::valuesReadAsRegisterPatterns()
{
    QFETCH(QByteArray, text);
    QFETCH(int, expected);
    const QString path = Path(QStringLiteral("edited.cnf"));
    QVERIFY(WriteAll(path, "; edited by hand\n[settings]\nx=" + text + "\ny0=1\ny1=2\ny2=3\n"));

    TConfigImages images = SmallImages();
    images.FileImage[0].Values = {4444};
    QString error;
    const bool read = ReadConfigFile(path, images, true, &error);
    QCOMPARE(read, expected >= 0);
    if (read) {
        QCOMPARE(int(images.FileImage[0].Values[0]), expected);
    } else {
        QVERIFY2(error.contains(QDir::toNativeSeparators(path)) && error.contains(QStringLiteral("X")),
                 qPrintable(error));
        QCOMPARE(images.FileImage[0].Values[0], quint16(4444));
        QVERIFY(!images.FileLoaded);
    }
}

void TestConfigFile::extendedSetFollowsTheLastItemAndTheFirmware_data()
{
    QTest::addColumn<int>("savedItems");
    QTest::addColumn<quint16>("lastValue");  // first value of the last item when saved
    QTest::addColumn<bool>("rev12");
    QTest::addColumn<bool>("extended");
    QTest::addColumn<int>("active");

    QTest::newRow("full file, extended firmware") << 140 << quint16(5) << true << true << 140;
    QTest::newRow("full file, older firmware") << 140 << quint16(5) << false << true << 132;
    QTest::newRow("base-set file, extended firmware") << 132 << quint16(5) << true << false << 132;
    QTest::newRow("full file whose last item is 0") << 140 << quint16(0) << true << false << 132;
}

void TestConfigFile::extendedSetFollowsTheLastItemAndTheFirmware()
{
    QFETCH(int, savedItems);
    QFETCH(quint16, lastValue);
    QFETCH(bool, rev12);
    QFETCH(bool, extended);
    QFETCH(int, active);

    TConfigImages images = ShippedImages(100);
    images.BoardImage.back().Values.front() = lastValue;
    images.ActiveItemCount = savedItems;
    const QString path = Path(QStringLiteral("board.cnf"));
    QString error;
    QVERIFY2(WriteConfigFile(path, images, &error), qPrintable(error));

    QVERIFY2(ReadConfigFile(path, images, rev12, &error), qPrintable(error));
    QCOMPARE(images.FileHasExtendedItems, extended);
    QCOMPARE(images.ActiveItemCount, active);
    for (int i = 0; i < savedItems; ++i)
        QCOMPARE(images.FileImage[size_t(i)].Values, images.BoardImage[size_t(i)].Values);
}

void TestConfigFile::savingTheBaseSetKeepsEverythingElseInTheFile()
{
    TConfigImages images = ShippedImages(1);
    const QString path = Path(QStringLiteral("board.cnf"));
    QString error;
    QVERIFY(WriteConfigFile(path, images, &error));
    // What a technician adds by hand stays.
    QVERIFY(WriteAll(path, "; unit 3, roof\n" + ReadAll(path) + "[Notes]\nBy=JK\n"));
    const ConfigImage full = images.BoardImage;

    TConfigImages base = ShippedImages(9000);
    base.ActiveItemCount = 132;
    QVERIFY(WriteConfigFile(path, base, &error));
    const QByteArray text = ReadAll(path);
    QVERIFY(text.startsWith("; unit 3, roof\n"));
    QVERIFY(text.endsWith("[Notes]\nBy=JK\n"));

    // The old extended keys come back with the extended set.
    QVERIFY(ReadConfigFile(path, base, true, &error));
    QCOMPARE(base.ActiveItemCount, 140);
    for (size_t i = 0; i < 140; ++i)
        QCOMPARE(base.FileImage[i].Values, i < 132 ? base.BoardImage[i].Values : full[i].Values);
}

// A key given twice with different values, a file far larger than any real one, and a bad value a
// megabyte long: refused with a message that names the key and quotes only a short part.
void TestConfigFile::ambiguousOrHugeFilesAreRefused()
{
    TConfigImages images = ShippedImages(1);
    const QString path = Path(QStringLiteral("board.cnf"));
    QString error;
    QVERIFY(WriteConfigFile(path, images, &error));
    const QByteArray saved = ReadAll(path);
    const ConfigItem &item = images.BoardImage[0];
    const QByteArray key = ConfigKey(item, 0).toUtf8();
    const QByteArray line = key + "=" + QByteArray::number(item.Values[0]);
    QVERIFY(saved.contains(line));

    QVERIFY(WriteAll(path, QByteArray(saved).replace(line, line + "\n" + line)));  // the same twice
    QVERIFY2(ReadConfigFile(path, images, true, &error), qPrintable(error));
    QVERIFY(WriteAll(path, QByteArray(saved).replace(line, line + "\n" + key + "=7")));
    QVERIFY(!ReadConfigFile(path, images, true, &error));
    QVERIFY2(error.contains(QStringLiteral("[%1] %2").arg(item.Section, QString::fromUtf8(key))), qPrintable(error));

    QVERIFY(WriteAll(path, QByteArray(saved).replace(line, key + "=" + QByteArray(900 * 1024, '9'))));
    QVERIFY(!ReadConfigFile(path, images, true, &error));
    QVERIFY2(error.size() < 300, qPrintable(error.left(300)));
    QVERIFY(WriteAll(path, saved + "\n; " + QByteArray(2 * 1024 * 1024, 'x')));
    QVERIFY(!ReadConfigFile(path, images, true, &error));
    QVERIFY2(error.contains(QStringLiteral("KiB")) && error.size() < 300, qPrintable(error.left(300)));
}

void TestConfigFile::missingKeysInsideTheWalkRefuseTheFile()
{
    TConfigImages images = ShippedImages(1);
    const QString path = Path(QStringLiteral("board.cnf"));
    QString error;
    QVERIFY(WriteConfigFile(path, images, &error));
    const QByteArray saved = ReadAll(path);

    // The last key of a multi-register item of the base set taken out: refused, naming the key;
    // nothing changes.
    const auto multi = std::find_if(images.BoardImage.cbegin() + 40, images.BoardImage.cend(),
                                    [](const ConfigItem &i) { return i.Registers > 1; });
    QVERIFY(multi != images.BoardImage.cend() && multi - images.BoardImage.cbegin() < 132);
    const ConfigItem &item = *multi;
    const QString name = ConfigKey(item, item.Registers - 1);
    const QByteArray key = (name + QStringLiteral("=")).toUtf8();
    QByteArray edited = saved;
    const qsizetype at = edited.indexOf("\n" + key);
    QVERIFY(at > 0);
    edited.remove(at + 1, edited.indexOf('\n', at + 1) - at);
    QVERIFY(WriteAll(path, edited));
    images.ActiveItemCount = 77;
    QVERIFY(!ReadConfigFile(path, images, true, &error));
    QVERIFY2(error.contains(QDir::toNativeSeparators(path)) && error.contains(name) && error.contains(item.Section),
             qPrintable(error));
    QCOMPARE(images.ActiveItemCount, 77);
    QVERIFY(!images.FileLoaded);
    QVERIFY(std::all_of(images.FileImage.cbegin(), images.FileImage.cend(), [](const ConfigItem &i) {
        return std::all_of(i.Values.cbegin(), i.Values.cend(), [](quint16 v) { return v == 0; });
    }));

    // A base-set file lacks the extended keys: those are outside its walk.
    images.ActiveItemCount = 132;
    const QString basePath = Path(QStringLiteral("base.cnf"));
    QVERIFY(WriteConfigFile(basePath, images, &error));
    QVERIFY2(ReadConfigFile(basePath, images, true, &error), qPrintable(error));
    QCOMPARE(images.ActiveItemCount, 132);
    QCOMPARE(images.FileImage[133].Values, std::vector<quint16>(images.FileImage[133].Values.size(), 0));
}

void TestConfigFile::aFailedSaveLeavesTheOldFile()
{
    TConfigImages images = ShippedImages(1);
    QString error;

    // An existing file that is not a text INI file is never replaced.
    const QString binary = Path(QStringLiteral("binary.cnf"));
    const QByteArray utf16("\xFF\xFE[\0S\0]\0", 8);
    QVERIFY(WriteAll(binary, utf16));
    QVERIFY(!WriteConfigFile(binary, images, &error));
    QVERIFY2(error.contains(QDir::toNativeSeparators(binary)), qPrintable(error));
    QCOMPARE(ReadAll(binary), utf16);

    // A folder that cannot be written: the old file stays whole and nothing is left beside it.
    if (geteuid() == 0)
        QSKIP("running as root: folder permissions do not stop a write");
    const QString folder = Path(QStringLiteral("locked"));
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/board.cnf");
    QVERIFY(WriteAll(path, "[Settings]\nSupplySetPoint=2100\n"));
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    const bool written = WriteConfigFile(path, images, &error);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(!written);
    QVERIFY2(error.contains(QDir::toNativeSeparators(path)), qPrintable(error));
    QCOMPARE(ReadAll(path), QByteArray("[Settings]\nSupplySetPoint=2100\n"));
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("board.cnf")});
}

void TestConfigFile::blockReadsOfTheShippedDefinition_data()
{
    QTest::addColumn<int>("items");
    QTest::addColumn<int>("maxRegisters");
    // Each block as "first item+items@first register:registers"; empty: only the rules are checked.
    QTest::addColumn<QString>("expected");
    // The run 0x0300-0x0383 is longer than one read: it is cut before the item that would not fit.
    QTest::newRow("extended set") << 140 << kMaxReadRegisters
                                  << "0+20@200:22 20+39@217:75 59+31@300:106 90+6@36a:26 96+23@400:32 "
                                     "119+18@421:18 137+2@518:4 139+1@520:2";
    QTest::newRow("base set") << 132 << kMaxReadRegisters
                              << "0+20@200:22 20+39@217:75 59+31@300:106 90+6@36a:26 96+23@400:32 119+13@421:13";
    QTest::newRow("small reads") << 140 << 42 << QString();
    QTest::newRow("one register a read") << 140 << 1 << QString();
}

// The blocks read every item once, whole and in order, no register that no item holds and no more
// registers than a read may ask for; their answers land in the right items.
void TestConfigFile::blockReadsOfTheShippedDefinition()
{
    QFETCH(int, items);
    QFETCH(int, maxRegisters);
    QFETCH(QString, expected);
    TConfigImages images = ShippedImages(0);
    const std::vector<ReadBlock> blocks = PlanBlockReads(images.BoardImage, items, maxRegisters);
    if (!expected.isEmpty()) {
        QStringList got;
        for (const ReadBlock &b : blocks)
            got << QStringLiteral("%1+%2@%3:%4")
                       .arg(b.FirstItem)
                       .arg(b.Items)
                       .arg(b.FirstRegister, 0, 16)
                       .arg(b.Registers);
        QCOMPARE(got.join(QLatin1Char(' ')), expected);
    }

    // The board's registers hold their own address; the image starts cleared.
    for (ConfigItem &item : images.BoardImage)
        std::fill(item.Values.begin(), item.Values.end(), 0);
    qint32 next = 0;
    for (const ReadBlock &b : blocks) {
        QCOMPARE(b.FirstItem, next);
        next += b.Items;
        QVERIFY(b.Registers <= maxRegisters || b.Items == 1);
        qint32 reg = b.FirstRegister;
        for (qint32 i = b.FirstItem; i < b.FirstItem + b.Items; ++i) {
            QCOMPARE(qint32(images.BoardImage[size_t(i)].FirstRegister), reg);  // no gap inside a block
            reg += images.BoardImage[size_t(i)].Registers;
        }
        QCOMPARE(reg - b.FirstRegister, b.Registers);
        QList<quint16> answer;
        for (qint32 k = 0; k < b.Registers; ++k)
            answer << quint16(b.FirstRegister + k);
        QVERIFY(!SplitBlockAnswer(b, answer.mid(1), images.BoardImage));  // short: nothing stored
        QCOMPARE(images.BoardImage[size_t(b.FirstItem)].Values[0], quint16(0));
        QVERIFY(SplitBlockAnswer(b, answer, images.BoardImage));
    }
    QCOMPARE(next, items);
    for (qint32 i = 0; i < images.ActiveItemCount; ++i) {
        const ConfigItem &item = images.BoardImage[size_t(i)];
        for (qint32 k = 0; k < item.Registers; ++k)
            QCOMPARE(item.Values[size_t(k)], quint16(i < items ? item.FirstRegister + k : 0));
    }
}

QTEST_GUILESS_MAIN(TestConfigFile)
#include "tst_configfile.moc"
