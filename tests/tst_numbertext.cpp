// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// Number texts and exact takes: what the edits show of a register and what a typed text stores,
// with a decimal point and with a decimal comma.

#include "common/NumberText.h"

#include <QLocale>
#include <QTest>

#include <tuple>

class TestNumberText : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase_data();
    void init();

    void scaledText();
    void scaledTextIsTheFloatTextOfEveryRegister();
    void floatText();
    void takeScaled();
    void takeScaledRefuses();
    void everyRegisterTextTakesBack();
    void takeInteger();
    void timeOfDayAndMessages();

private:
    // Test texts are written with '.'; each locale gets its own separator.
    QString L(QString text) const { return text.replace(QLatin1Char('.'), m_locale.decimalPoint()); }

    QLocale m_locale;
};

void TestNumberText::initTestCase_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::newRow("point") << QLocale(QLocale::English, QLocale::UnitedStates);
    QTest::newRow("comma") << QLocale(QLocale::German, QLocale::Germany);
}

void TestNumberText::init()
{
    QFETCH_GLOBAL(QLocale, locale);
    m_locale = locale;
}

void TestNumberText::scaledText()
{
    const QList<std::tuple<qint64, int, const char *>> cases{
        {2150, 2, "21.5"},
        {-5, 2, "-0.05"},
        {0, 2, "0"},
        {5500, 2, "55"},
        {-32768, 2, "-327.68"},
        {65535, 2, "655.35"},
        {-25, 1, "-2.5"},
        {12345, 4, "1.2345"},
        {10000, 4, "1"},
        {-1234, 0, "-1234"},
        {123456789, 2, "1234567.89"},  // never grouped
    };
    for (const auto &[raw, decimals, text] : cases)
        QCOMPARE(ScaledText(raw, decimals, m_locale), L(QString::fromLatin1(text)));
    // The user's locale by default.
    const QLocale saved;
    QLocale::setDefault(m_locale);
    const QString shown = ScaledText(2150, 2);
    QLocale::setDefault(saved);
    QCOMPARE(shown, L(QStringLiteral("21.5")));
}

// The exact text is the general float text of the scaled value, for every word a register holds,
// read signed or unsigned.
void TestNumberText::scaledTextIsTheFloatTextOfEveryRegister()
{
    for (const auto &[decimals, factor] : QList<std::pair<int, double>>{{1, 0.1}, {2, 0.01}, {4, 0.0001}}) {
        for (qint64 raw = -32768; raw <= 65535; ++raw) {
            const QString exact = ScaledText(raw, decimals, m_locale);
            const QString general = FloatText(static_cast<double>(raw) * factor, m_locale);
            if (exact != general)
                QFAIL(
                    qPrintable(QStringLiteral("%1 at %2 decimals: %3, %4").arg(raw).arg(decimals).arg(exact, general)));
        }
    }
}

void TestNumberText::floatText()
{
    QCOMPARE(FloatText(0.1 + 0.2, m_locale), L(QStringLiteral("0.3")));                // binary noise is not shown
    QCOMPARE(FloatText(1.0 / 3.0, m_locale), L(QStringLiteral("0.333333333333333")));  // 15 digits
    QCOMPARE(FloatText(-0.0, m_locale), QStringLiteral("0"));
    QCOMPARE(FloatText(1234567.5, m_locale), L(QStringLiteral("1234567.5")));
    QCOMPARE(FloatText(-1000.0, m_locale), QStringLiteral("-1000"));
}

void TestNumberText::takeScaled()
{
    const QList<std::tuple<const char *, int, qint64>> cases{
        {"0.53", 2, 53},
        {"21.5", 2, 2150},
        {"-0.5", 2, -50},
        {"55.0", 2, 5500},
        {"0.7", 2, 70},
        // One short each as a binary float times 100, truncated.
        {"0.29", 2, 29},
        {"1.15", 2, 115},
        {"4.35", 2, 435},
        {"0.57", 2, 57},
        // Digits beyond the scale are dropped toward zero.
        {"0.537", 2, 53},
        {"-0.537", 2, -53},
        {"-0.009", 2, 0},
        {"-2.59", 1, -25},
        {"99.9", 1, 999},
        {"0.8", 4, 8000},
        {".5", 2, 50},
        {"5.", 2, 500},
        {"+1", 2, 100},
        {" 12.3 ", 2, 1230},
        {"000000000000000000000012", 2, 1200},
        {"655.35", 2, 65535},
        {"-327.68", 2, -32768},
    };
    for (const auto &[text, decimals, value] : cases) {
        const TNumberTake take = TakeScaled(L(QString::fromLatin1(text)), decimals);
        QVERIFY2(take.Ok(), text);
        QCOMPARE(take.Value, value);
    }
    // Either separator is taken in every locale: "2,5" on a decimal-point system is not 25.
    for (const QString &text : {QStringLiteral("2,5"), QStringLiteral("2.5")})
        QCOMPARE(TakeScaled(text, 2).Value, 250);
}

void TestNumberText::takeScaledRefuses()
{
    const QList<std::pair<QString, TTakeStatus>> cases{
        {QString(), TTakeStatus::NotANumber},
        {QStringLiteral("   "), TTakeStatus::NotANumber},
        {QStringLiteral("-"), TTakeStatus::NotANumber},
        {L(QStringLiteral(".")), TTakeStatus::NotANumber},
        {L(QStringLiteral("-.")), TTakeStatus::NotANumber},
        {L(QStringLiteral("1.2.3")), TTakeStatus::NotANumber},
        {QStringLiteral("--1"), TTakeStatus::NotANumber},
        {QStringLiteral("1 2"), TTakeStatus::NotANumber},
        {QStringLiteral("1e2"), TTakeStatus::NotANumber},
        {QStringLiteral("\u0661\u0662"), TTakeStatus::NotANumber},
        {QStringLiteral("1,2.3"), TTakeStatus::NotANumber},
        {QStringLiteral("99999999999999999999"), TTakeStatus::OutOfRange},
    };
    for (const auto &[text, status] : cases)
        QVERIFY2(TakeScaled(text, 2).Status == status, qPrintable(text));
}

// Whatever a register shows is taken back as the same word.
void TestNumberText::everyRegisterTextTakesBack()
{
    for (int decimals : {1, 2}) {
        for (qint64 raw = -32768; raw <= 65535; ++raw) {
            const TNumberTake take = TakeScaled(ScaledText(raw, decimals, m_locale), decimals);
            if (!take.Ok() || take.Value != raw)
                QFAIL(qPrintable(
                    QStringLiteral("%1 at %2 decimals came back as %3").arg(raw).arg(decimals).arg(take.Value)));
        }
    }
}

void TestNumberText::takeInteger()
{
    const QList<std::tuple<const char *, TTakeStatus, qint64>> cases{
        {"30", TTakeStatus::Ok, 30},
        {"-50", TTakeStatus::Ok, -50},
        {"+7", TTakeStatus::Ok, 7},
        {" 12 ", TTakeStatus::Ok, 12},
        {"2147483647", TTakeStatus::Ok, 2147483647},
        {"-2147483648", TTakeStatus::Ok, -2147483648LL},
        {"2147483648", TTakeStatus::OutOfRange, 0},
        {"99999999999999999999999", TTakeStatus::OutOfRange, 0},
        {"", TTakeStatus::NotANumber, 0},
        {"-", TTakeStatus::NotANumber, 0},
        {"1.0", TTakeStatus::NotANumber, 0},
        {"0x10", TTakeStatus::NotANumber, 0},
    };
    for (const auto &[text, status, value] : cases) {
        const TNumberTake take = TakeInteger(QString::fromLatin1(text));
        QVERIFY2(take.Status == status, text);
        QCOMPARE(take.Value, value);
    }
    QVERIFY(!FitsRegister(-32769) && FitsRegister(-32768) && FitsRegister(65535) && !FitsRegister(65536));
}

void TestNumberText::timeOfDayAndMessages()
{
    QCOMPARE(TimeOfDayText(480), QStringLiteral("8:00"));
    QCOMPARE(TimeOfDayText(65), QStringLiteral("1:05"));
    QCOMPARE(TimeOfDayText(1500), QStringLiteral("25:00"));
    for (TTakeStatus status : {TTakeStatus::NotANumber, TTakeStatus::OutOfRange}) {
        for (bool integerForm : {false, true})
            QVERIFY(TakeErrorMessage(status, u"12x", integerForm).contains(QLatin1String("'12x'")));
    }
    QVERIFY(TakeErrorMessage(TTakeStatus::NotANumber, u"a", true).contains(QLatin1String("integer")));
}

QTEST_GUILESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
