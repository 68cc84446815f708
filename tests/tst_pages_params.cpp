// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// The controls of the "Settings", "Heating", "Cooling" and "Cascade" pages: names, kinds, key
// filters, lengths, initial states, lists, exclusive groups, tags and the pages' width.

#include "params/TCascadePage.h"
#include "params/TCoolingPage.h"
#include "params/THeatingPage.h"
#include "params/TSettingsPage.h"
#include "session/TBoardSession.h"
#include "session/TUserMessages.h"
#include "widgets/EditApplied.h"
#include "widgets/PageBuilder.h"
#include "widgets/ParameterCodec.h"
#include "widgets/TIPAddressEdit.h"
#include "widgets/TParameterEditor.h"
#include "widgets/TransferTable.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLocale>
#include <QRadioButton>
#include <QSet>
#include <QTabWidget>
#include <QTest>

#include <memory>
#include <tuple>
#include <utility>

namespace {

class NoMessages : public TUserMessages
{
public:
    void RangeWarning(QWidget *) override {}
    void ErrorBox(const QString &) override {}
    QString AskSaveFile() override { return {}; }
    QString AskOpenFile() override { return {}; }
    QString AskSaveFileAs(const QString &, const QString &, const QString &) override { return {}; }
    TChoice Ask(const TQuestion &question) override { return question.Default; }
};

QStringList Series(const char *pattern, int first, int last)
{
    QStringList names;
    for (int n = first; n <= last; ++n)
        names << QString::fromLatin1(pattern).arg(n);
    return names;
}

QStringList Range(int first, int last)
{
    QStringList items;
    for (int n = first; n <= last; ++n)
        items << QString::number(n);
    return items;
}

const QStringList kHidden = {"ExhaustSensorColumnComboBox", "SeasonColumnComboBox", "ECTimeAdvEdit"};

struct EditRow
{
    QString name;
    TAdvEdit::Kind kind;
    int maxLength;
    QString initial;  // "0.0" stands for zero with the locale's decimal separator
    QString label;    // the buddy label; empty for a cell of a table
};

QList<EditRow> Edits()
{
    using K = TAdvEdit::Kind;
    QList<EditRow> rows = {{"SupplySPAdvEdit", K::Decimal, 4, "0.0", "Temp."},
                           {"AntiFreezingTempAdvEdit", K::SignedDecimal, 5, "0.0", "Temp."},
                           {"RotorTimeAdvEdit", K::Unsigned, 1, "0", ""},
                           {"RotorPeriodAdvEdit", K::Unsigned, 3, "0", "Period"},
                           {"T1AdvEdit", K::Unsigned, 3, "0", "T1"},
                           {"T2AdvEdit", K::Unsigned, 3, "0", "T2"},
                           {"T3AdvEdit", K::Unsigned, 3, "0", "T3"},
                           {"UOffAdvEdit", K::Decimal, 4, "0.0", "U Off"},
                           {"ECTimeAdvEdit", K::Unsigned, 3, "0", "I->II"},
                           {"RegulationTempDiffAdvEdit", K::Unsigned, 1, "0", "Temp. Diff."},
                           {"RoomAirAdvEdit", K::Decimal, 4, "0.0", "Room Air"},
                           {"SupplyAirMinLimitAdvEdit", K::Decimal, 4, "0.0", "Supply Air Min Limit"},
                           {"SupplyAirMaxLimitAdvEdit", K::Decimal, 4, "0.0", "Supply Air Max Limit"},
                           {"MaximumDiffAdvEdit", K::Decimal, 4, "0.0", "Maximum Diff."},
                           {"RecycleStartAdvMaskEdit", K::Text, 5, "08:00", "Start"},
                           {"RecycleStopAdvMaskEdit", K::Text, 5, "18:00", "Stop"}};
    for (const QString &name : Series("StopControlValue%1AdvEdit", 1, 4) + Series("OutputControlValue%1AdvEdit", 1, 4))
        rows.append({name, K::Decimal, 4, "0.0", ""});
    for (const QString &name : Series("Power%1AdvEdit", 1, 3))
        rows.append({name, K::Unsigned, 3, "0", ""});
    for (const QString pi : {"Rotor", "WHPI", "EHPI", "WCPI", "WCCasc"})
        rows << EditRow{pi + "SPWAdvEdit", K::Decimal, 4, "0.0", "SPW"}
             << EditRow{pi + "KpAdvEdit", K::Decimal, 4, "0.0", "Kp"}
             << EditRow{pi + "KiAdvEdit", K::Unsigned, 3, "0", "Ki"};
    for (const char *period : {"WHPeriodAdvEdit", "EHPeriodAdvEdit", "WCPeriodAdvEdit", "WCCascPeriodAdvEdit"})
        rows.append({period, K::Unsigned, 3, "0", "Period"});
    return rows;
}

// Drop-down lists: name, items, buddy label (empty for a cell of a table).
QList<std::tuple<QString, QStringList, QString>> Combos()
{
    const QStringList seasons = {"Summer", "Winter"};
    QList<std::tuple<QString, QStringList, QString>> rows = {
        {"SupplySensorColumnComboBox", Range(1, 4), "Sens. No"},
        {"OutdoorSensorColumnComboBox", Range(1, 4), "Outdoor"},
        {"ExhaustSensorColumnComboBox", Range(1, 4), "Outlet"},
        {"AntiFreezingSensorColumnComboBox", Range(0, 4), "Sens. No"},
        {"AnRotorOutputColumnComboBox", Range(1, 5), "AOut"},
        {"DiRotorOutputColumnComboBox", Range(0, 11), "DOut"},
        {"ActiveControlColumnComboBox", Range(1, 11), "Active Control"},
        {"WaterPumpColumnComboBox", Range(1, 11), "Water Pump"},
        {"SeasonModeColumnComboBox", seasons + QStringList{"Auto"}, "Mode"},
        {"SeasonColumnComboBox", seasons, "Season"},
        {"HeaterControlInputColumnComboBox", Range(5, 8), "Input"},
        {"WHOutputColumnComboBox", Range(1, 5), "Output"},
        {"HeatingSequenceColumnComboBox", {"WATER-ELECTRIC", "ELECTRIC-WATER"}, ""},
        {"DigOutput2ColumnComboBox", Range(1, 11), ""},
        {"DigOutput3ColumnComboBox", Range(1, 11), ""},
        {"WCOutputColumnComboBox", Range(1, 5), "Output"},
        {"ECOutput1ColumnComboBox", Range(1, 11), "Output I"},
        {"ECOutput2ColumnComboBox", Range(0, 11), "Output II"},
        {"RegulationModeColumnComboBox", {"FIXED SP", "CASCADE", "AUTO"}, "Mode"},
        {"RoomSensorNoColumnComboBox", Range(1, 4), "Sensor No"}};
    for (int n = 1; n <= 4; ++n)
        rows << std::tuple{QString("StopControlUin%1ColumnComboBox").arg(n), Range(5, 8), QString()}
             << std::tuple{QString("StopControlCode%1ColumnComboBox").arg(n),
                           QStringList{"STOP", "HEATER", "WATER", "FROST"}, QString()}
             << std::tuple{QString("OutputControlInput%1ColumnComboBox").arg(n), Range(5, 8), QString()}
             << std::tuple{QString("OutputControlOutput%1ColumnComboBox").arg(n), Range(1, 11), QString()};
    for (const QString &name : Series("AnOutput%1ColumnComboBox", 1, 3))
        rows.append({name, Range(1, 8), ""});
    return rows;
}

// Check boxes: name, caption, checked before the first refresh.
QList<std::tuple<QString, QString, bool>> Checks()
{
    QList<std::tuple<QString, QString, bool>> rows = {{"ModeMandxfCheckBox", "Manual", true},
                                                      {"ModeAutdxfCheckBox", "Auto", false},
                                                      {"HeaterControldxfCheckBox", "1", false},
                                                      {"HeaterControlInvdxfCheckBox", "", false},
                                                      {"WHNonedxfCheckBox", "Off", true},
                                                      {"WHPIdxfCheckBox", "On", false},
                                                      {"EHNonedxfCheckBox", "Off", true},
                                                      {"EHAnalogdxfCheckBox", "Analog", false},
                                                      {"EHAnDigdxfCheckBox", "An+Dig", false},
                                                      {"EHpwm3dxfCheckBox", "3xPWM", false},
                                                      {"Stage1dxfCheckBox", "Stage I", true},
                                                      {"Stage2dxfCheckBox", "Stage II", true},
                                                      {"Stage3dxfCheckBox", "Stage III", true},
                                                      {"WCNonedxfCheckBox", "Off", true},
                                                      {"WCPIdxfCheckBox", "On", false},
                                                      {"ECNonedxfCheckBox", "Off", true},
                                                      {"ECOndxfCheckBox", "On", false},
                                                      {"RcEnableddxfCheckBox", "Enabled", false},
                                                      {"RcStopFandxfCheckBox", "Stop Exhaust Fan", false},
                                                      {"RcStopRotordxfCheckBox", "Stop Rotor", false},
                                                      {"RecycleActivedxfCheckBox", "Active", false}};
    for (int n = 1; n <= 10; ++n) {
        if (n <= 8)
            rows.append({QString("Din%1dxfCheckBox").arg(n), QString("DIN%1").arg(n), false});
        rows.append({QString("Ain%1dxfCheckBox").arg(n), QString("AIN%1").arg(n), false});
    }
    for (int n = 1; n <= 4; ++n)
        for (const QString table : {"StopControl", "OutputControl"})
            rows << std::tuple{table + QString("%1dxfCheckBox").arg(n), QString::number(n), false}
                 << std::tuple{table + QString("Inv%1dxfCheckBox").arg(n), QString(), false};
    return rows;
}

}  // namespace

class TstPagesParams : public QObject
{
    Q_OBJECT

private:
    TBoardSession m_session;
    NoMessages m_messages;
    TTransferTable m_table;
    TParameterEditor m_editor{m_session, m_table, m_messages};
    TPageContext m_context{m_session, m_messages, m_table, m_editor};
    std::unique_ptr<QTabWidget> m_tabs;

    // The four pages, built anew under the current default locale.
    void BuildPages()
    {
        m_tabs = std::make_unique<QTabWidget>();
        m_tabs->addTab(new TSettingsPage(m_context), "Settings");
        m_tabs->addTab(new THeatingPage(m_context), "Heating");
        m_tabs->addTab(new TCoolingPage(m_context), "Cooling");
        m_tabs->addTab(new TCascadePage(m_context), "Cascade");
    }

    template <class W>
    W *Find(const QString &name) const
    {
        const auto found = m_tabs->findChildren<QWidget *>(name);
        return found.size() == 1 ? qobject_cast<W *>(found.first()) : nullptr;
    }

    QString BuddyText(const QWidget *control) const
    {
        for (QLabel *label : m_tabs->findChildren<QLabel *>())
            if (label->buddy() == control)
                return label->text();
        return {};
    }

    // Kinds, lengths, initial texts, labels and key filters of every edit under the current locale.
    void CheckEdits()
    {
        const QString point = QLocale().decimalPoint();
        const QString other = point == "," ? "." : ",";
        for (const EditRow &row : Edits()) {
            const QByteArray what = row.name.toLatin1();
            auto *edit = Find<TAdvEdit>(row.name);
            QVERIFY2(edit, what);
            QVERIFY2(edit->EditKind() == row.kind, what);
            QVERIFY2(edit->maxLength() == row.maxLength, what);
            QVERIFY2(edit->text() == QString(row.initial).replace(".", point), what + " " + edit->text().toUtf8());
            QVERIFY2(BuddyText(edit) == row.label && !edit->accessibleName().isEmpty(), what);
            if (row.kind == TAdvEdit::Text)
                continue;  // the times have a test of their own
            // A minus only where signed, one separator of the locale only where decimal, nothing else.
            edit->clear();
            QTest::keyClicks(edit, "x-1" + point + "5" + point + other + "7");
            const bool sign = row.kind == TAdvEdit::Signed || row.kind == TAdvEdit::SignedDecimal;
            const bool decimal = row.kind == TAdvEdit::Decimal || row.kind == TAdvEdit::SignedDecimal;
            const QString typed = (sign ? "-1" : "1") + (decimal ? point + "57" : QString("57"));
            QVERIFY2(edit->text() == typed.left(row.maxLength), what + " " + edit->text().toUtf8());
        }
    }

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        BuildPages();
    }

    // A time edit stands for the time it shows from the start: an offline Save takes these minutes.
    void timeEditsHoldTheTimeTheyShow()
    {
        for (const auto &[name, minutes] :
             {std::pair("RecycleStartAdvMaskEdit", 480), std::pair("RecycleStopAdvMaskEdit", 1080)}) {
            const auto *edit = Find<TAdvEdit>(QLatin1String(name));
            QVERIFY2(edit, name);
            QCOMPARE(int(HeldMinutes(edit)), minutes);
            QCOMPARE(edit->text(), QStringLiteral("%1:00").arg(minutes / 60, 2, 10, QLatin1Char('0')));
        }
    }

    // Every editable kind applies its value on the user's action only: Return, leaving an edit the
    // user changed (not for a popup), a chosen combo item, a click; never a value set from code,
    // nor an edit the user only passed through.
    void valuesAreAppliedByTheUserOnly()
    {
        TCascadePage page(m_context);
        TIPAddressEdit address;
        address.setObjectName(QStringLiteral("IPAddressEdit"));
        auto *numeric = page.findChild<TAdvEdit *>(QStringLiteral("RoomAirAdvEdit"));
        auto *time = page.findChild<TAdvEdit *>(QStringLiteral("RecycleStartAdvMaskEdit"));
        auto *combo = page.findChild<QComboBox *>(QStringLiteral("RoomSensorNoColumnComboBox"));
        auto *box = page.findChild<QCheckBox *>(QStringLiteral("RcEnableddxfCheckBox"));
        QVERIFY(numeric && time && combo && box);
        QStringList applied;
        for (QWidget *control : std::initializer_list<QWidget *>{&address, numeric, time, combo, box})
            QVERIFY(OnApplied(control, this, [&applied, control] { applied << control->objectName(); }));
        QLabel label;
        QVERIFY(!OnApplied(&label, this, [] {}));

        // From code: nothing.
        address.setText(QStringLiteral("10.0.0.1"));
        numeric->setText(QStringLiteral("21.5"));
        combo->setCurrentIndex(2);
        box->setChecked(!box->isChecked());
        QVERIFY(applied.isEmpty());

        // By the user.
        QTest::keyClick(&address, Qt::Key_Return);
        QTest::keyClick(numeric, Qt::Key_Enter);
        QFocusEvent left(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(time, &left);
        time->setModified(true);  // as typing does
        QApplication::sendEvent(time, &left);
        QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
        QApplication::sendEvent(time, &popup);
        QTest::keyClick(combo, Qt::Key_Up);
        box->click();
        QCOMPARE(applied,
                 (QStringList{QStringLiteral("IPAddressEdit"), QStringLiteral("RoomAirAdvEdit"),
                              QStringLiteral("RecycleStartAdvMaskEdit"), QStringLiteral("RoomSensorNoColumnComboBox"),
                              QStringLiteral("RcEnableddxfCheckBox")}));
    }

    void everyControlExistsOnceWithItsKind()
    {
        QSet<QString> expected;
        const auto check = [&](const QString &name, auto *kind) {
            expected.insert(name);
            const auto found = m_tabs->findChildren<QWidget *>(name);
            QVERIFY2(found.size() == 1, qPrintable(name));
            QVERIFY2(qobject_cast<decltype(kind)>(found.first()), qPrintable(name));
            // The hidden controls stay off their page, and so do their labels.
            QWidget *page = found.first()->parentWidget();
            while (m_tabs->indexOf(page) < 0)
                page = page->parentWidget();
            QVERIFY2(found.first()->isVisibleTo(page) == !kHidden.contains(name), qPrintable(name));
            for (QLabel *label : page->findChildren<QLabel *>())
                if (label->buddy() == found.first())
                    QVERIFY2(label->isVisibleTo(page) == !kHidden.contains(name), qPrintable(name));
        };
        for (const EditRow &row : Edits())
            check(row.name, static_cast<TAdvEdit *>(nullptr));
        for (const auto &[name, items, label] : Combos())
            check(name, static_cast<QComboBox *>(nullptr));
        for (const auto &[name, caption, checked] : Checks())
            check(name, static_cast<QCheckBox *>(nullptr));
        // No control the tables do not name, and no radio buttons.
        for (int p = 0; p < m_tabs->count(); ++p)
            for (QWidget *control : m_tabs->widget(p)->findChildren<QWidget *>())
                if (qobject_cast<QLineEdit *>(control) || qobject_cast<QComboBox *>(control)
                    || qobject_cast<QAbstractButton *>(control))
                    QVERIFY2(expected.contains(control->objectName()) && !qobject_cast<QRadioButton *>(control),
                             qPrintable(control->objectName()));
    }

    void editsTakeWhatTheirKindAllows() { CheckEdits(); }

    void editsTakeTheDecimalCommaOfTheLocale()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        BuildPages();
        CheckEdits();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        BuildPages();
    }

    void timesTakeHoursAndMinutes()
    {
        // A colon between the hours and two minute digits. Hours and minutes out of range are refused
        // when the time is taken, with a message of their own, so they can be typed.
        const std::pair<const char *, const char *> cases[] = {{"x12:345", "12:34"}, {"8:00", "8:00"},
                                                               {"0800", "08"},       {"24:60", "24:60"},
                                                               {"7:3a0", "7:30"},    {"-1:00", "1:00"}};
        for (const char *name : {"RecycleStartAdvMaskEdit", "RecycleStopAdvMaskEdit"})
            for (const auto &[keys, shown] : cases) {
                auto *edit = Find<TAdvEdit>(name);
                edit->clear();
                QTest::keyClicks(edit, keys);
                QCOMPARE(edit->text(), QString(shown));
            }
    }

    void listsHaveTheirItemsAndLabels()
    {
        for (const auto &[name, items, label] : Combos()) {
            auto *combo = Find<QComboBox>(name);
            QVERIFY2(combo, qPrintable(name));
            QStringList shown;
            for (int i = 0; i < combo->count(); ++i)
                shown << combo->itemText(i);
            QCOMPARE(shown, items);
            QCOMPARE(combo->currentIndex(), 0);
            QCOMPARE(BuddyText(combo), label);
            QVERIFY2(!combo->accessibleName().isEmpty(), qPrintable(name));
        }
    }

    void checkBoxesStartAsTheFormHasThem()
    {
        for (const auto &[name, caption, checked] : Checks()) {
            auto *box = Find<QCheckBox>(name);
            QVERIFY2(box, qPrintable(name));
            QCOMPARE(box->text(), caption);
            QCOMPARE(box->isChecked(), checked);
            QVERIFY2(!box->accessibleName().isEmpty() || !caption.isEmpty(), qPrintable(name));
        }
    }

    void exclusiveGroupsKeepOneBoxChecked()
    {
        const QList<QStringList> groups = {
            {"ModeMandxfCheckBox", "ModeAutdxfCheckBox"},
            {"WHNonedxfCheckBox", "WHPIdxfCheckBox"},
            {"EHNonedxfCheckBox", "EHAnalogdxfCheckBox", "EHAnDigdxfCheckBox", "EHpwm3dxfCheckBox"},
            {"WCNonedxfCheckBox", "WCPIdxfCheckBox"},
            {"ECNonedxfCheckBox", "ECOndxfCheckBox"}};
        for (const QStringList &group : groups)
            // Each click checks the clicked box alone; a click on the checked box leaves it checked.
            for (const QString &clicked : group + QStringList{group.last(), group.first(), group.first()}) {
                Find<QCheckBox>(clicked)->click();
                for (const QString &name : group)
                    QVERIFY2(Find<QCheckBox>(name)->isChecked() == (name == clicked), qPrintable(clicked + " " + name));
            }
    }

    void tagsGiveRowsAndOffsets()
    {
        QList<std::pair<QString, int>> tags = {{"T1AdvEdit", 0},
                                               {"T2AdvEdit", 1},
                                               {"T3AdvEdit", 2},
                                               {"DigOutput2ColumnComboBox", 0},
                                               {"DigOutput3ColumnComboBox", 1},
                                               {"ECOutput1ColumnComboBox", 0},
                                               {"ECOutput2ColumnComboBox", 1}};
        for (int n = 1; n <= 4; ++n)
            for (const char *pattern :
                 {"StopControl%1dxfCheckBox", "StopControlInv%1dxfCheckBox", "StopControlUin%1ColumnComboBox",
                  "StopControlValue%1AdvEdit", "StopControlCode%1ColumnComboBox", "OutputControl%1dxfCheckBox",
                  "OutputControlInv%1dxfCheckBox", "OutputControlInput%1ColumnComboBox", "OutputControlValue%1AdvEdit",
                  "OutputControlOutput%1ColumnComboBox"})
                tags.append({QString(pattern).arg(n), n - 1});
        for (int n = 1; n <= 3; ++n)
            for (const char *pattern : {"Stage%1dxfCheckBox", "Power%1AdvEdit", "AnOutput%1ColumnComboBox"})
                tags.append({QString(pattern).arg(n), n - 1});
        for (const QString &name : Series("Din%1dxfCheckBox", 1, 8) + Series("Ain%1dxfCheckBox", 1, 10))
            tags.append({name, 1});
        for (const auto &[name, tag] : tags)
            QVERIFY2(ui::Tag(Find<QWidget>(name)) == tag, qPrintable(name));
    }

    void pagesFitTheirWidth()
    {
        for (int p = 0; p < m_tabs->count(); ++p) {
            const int width = m_tabs->widget(p)->minimumSizeHint().width();
            QVERIFY2(width <= 552, qPrintable(QString("%1: %2").arg(m_tabs->widget(p)->objectName()).arg(width)));
        }
    }
};

QTEST_MAIN(TstPagesParams)
#include "tst_pages_params.moc"
