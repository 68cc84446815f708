// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// The user's guide and the window's help: the guide opened from "Help", the menus, a tooltip on
// every short word the guide explains, and the guide's pictures, taken from the window on a
// simulated board (written to the folder Z4_GUIDE_PICTURES names, when it is set).
#include "WindowOnBoard.h"

#include "app/TGuideWindow.h"
#include "app/TermTips.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

namespace {
const QString kGuide = QStringLiteral(Z4_TESTS_DIR "/../docs/guide.md");

// The words on the window the guide explains: column heads of one letter (and the fan speeds I to
// III), and the short names of the control loops, the timers, the I/O test and the connection.
// "V" beside an edit is its unit, volts.
const QRegularExpression kTerm(QStringLiteral("^([A-UW-Z]|I{1,3}|Inv|SPW|U100|Kp|Ki|T[1-3]|COM Port|SIM)$"));

QStringList ActionsOf(const TForm1 &form, const char *menu)
{
    QStringList texts;
    for (const QAction *action : form.findChild<QMenu *>(QLatin1String(menu))->actions()) {
        if (!action->isSeparator())
            texts << action->text().remove(QLatin1Char('&'));
    }
    return texts;
}
}  // namespace

class TestGuide : public QObject, public WindowOnBoard
{
    Q_OBJECT

private slots:
    void initTestCase() { EnterOwnFolder(); }
    void cleanupTestCase() { LeaveOwnFolder(); }
    void cleanup() { Close(); }

    // "View" holds the trend windows and Traffic, "Recording" the recording's switches and its
    // window, "Help" the guide, the log and About.
    void menus()
    {
        RecordedForm form;
        QCOMPARE(ActionsOf(*form, "ViewMenu"), QStringList({"I/O trend", "Regulation trend\tF1", "Traffic"}));
        QCOMPARE(ActionsOf(*form, "HelpMenu"),
                 QStringList({"User's guide", "Link log", "Open log folder", "About Z4 Ventilation"}));
        QCOMPARE(ActionsOf(*form, "RecordingMenu"),
                 QStringList({"Record", "Record whenever connected", "Open recording...", "Open recordings folder"}));
        form->findChild<QAction *>(QStringLiteral("ChartAction"))->trigger();
        form->findChild<QAction *>(QStringLiteral("TempChartAction"))->trigger();
        QVERIFY(form->ChartForm() && form->ChartForm()->isVisible());
        QVERIFY(form->TempChartForm() && form->TempChartForm()->isVisible());
    }

    // "Help" > "User's guide" shows the guide; one that is not installed is said, with where it was
    // looked for.
    void guideOpensFromHelp()
    {
        TForm1Options options;
        options.GuidePath = kGuide;
        RecordedForm form(options);
        form->findChild<QAction *>(QStringLiteral("GuideAction"))->trigger();
        auto *guide = form->findChild<TGuideWindow *>(QStringLiteral("GuideWindow"));
        QVERIFY(guide && guide->isVisible());
        QVERIFY(guide->toPlainText().contains(QLatin1String("sudo adduser $USER dialout")));

        RecordedForm bare;  // this test's folder holds no doc/
        bare->findChild<QAction *>(QStringLiteral("GuideAction"))->trigger();
        QVERIFY(!bare->findChild<TGuideWindow *>());
        QCOMPARE(bare.Messages->Errors.size(), 1);
        QVERIFY2(bare.Messages->Errors.first().contains(TGuideWindow::Places().last()),
                 qPrintable(bare.Messages->Errors.first()));
    }

    // Every such word on the window has a tooltip (its own, or its control's for a label), and
    // the guide explains it.
    void everyTermHasATooltip()
    {
        RecordedForm form;
        QFile file(kGuide);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString guide = QString::fromUtf8(file.readAll());
        QSet<QString> terms;
        QStringList missing;
        for (const QWidget *widget : form->findChildren<QWidget *>()) {
            const QString text = TermTips::ShownText(*widget);
            if (!kTerm.match(text).hasMatch())
                continue;
            terms.insert(text);
            const auto *label = qobject_cast<const QLabel *>(widget);
            const QString tip =
                widget->toolTip().isEmpty() && label && label->buddy() ? label->buddy()->toolTip() : widget->toolTip();
            if (tip.isEmpty())
                missing << QStringLiteral("\"%1\" (%2 in %3)")
                               .arg(text, QLatin1String(widget->metaObject()->className()),
                                    widget->parentWidget()->objectName());
        }
        QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("no tooltip: ") + missing.join(QStringLiteral(", "))));
        for (const char *term : {"A", "R", "T", "M", "Inv", "SPW", "U100", "COM Port", "SIM"})
            QVERIFY2(terms.contains(QLatin1String(term)), term);
        for (const QString &term : std::as_const(terms))
            QVERIFY2(guide.contains(QStringLiteral("**%1**").arg(term)), qPrintable(term + " is not in the guide"));
    }

    // The guide's pictures: the window on a board, as a newcomer sees it.
    void pictures()
    {
        Open();
        Form().show();
        QVERIFY(QTest::qWaitForWindowExposed(&Form()));
        QCoreApplication::processEvents();  // shown: placed on the (small) offscreen screen
        Form().resize(1150, 700);           // every tab and page whole, as on a laptop's screen
        const QString folder = qEnvironmentVariable("Z4_GUIDE_PICTURES");
        const auto take = [&folder](QWidget &widget, const char *name) {
            QCoreApplication::processEvents();
            const QPixmap picture = widget.grab();
            QVERIFY(!picture.isNull());
            if (!folder.isEmpty())
                QVERIFY(picture.save(QDir(folder).filePath(QLatin1String(name))));
        };
        const auto page = [this](const char *name) {
            TabsOf(Form())->setCurrentWidget(Named<QWidget>(name));
            Settle(Form());
        };
        page("InputsOutputsTabSheet");
        Form().ReadTimerTimer();  // one poll: live values in every field
        Settle(Form());
        take(Form(), "guide-main-window.png");
        take(*PanelOf(Form()), "guide-connection.png");
        page("InOutTabSheet");
        take(Form(), "guide-inout.png");
        page("ParametersTabSheet");
        auto &parameters = *PageOf<TParametersPage>(Form());
        Messages().SaveAnswer = m_dir.filePath(QStringLiteral("board.cnf"));
        parameters.SaveButtonClick();
        QVERIFY(WaitForTransferEnd(parameters));
        parameters.VerifyButtonClick();
        QVERIFY(WaitForTransferEnd(parameters));
        take(Form(), "guide-parameters.png");
        Form().TrafficClick();
        auto *traffic = Form().findChild<QWidget *>(QStringLiteral("TrafficWindow"));
        QVERIFY(traffic);
        traffic->resize(900, 420);
        take(*traffic, "guide-traffic.png");
    }
};

QTEST_MAIN(TestGuide)
#include "tst_guide.moc"
