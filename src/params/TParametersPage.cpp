// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "params/TParametersPage.h"

#include "config/ConfigCompare.h"
#include "config/ConfigFile.h"
#include "config/EditRule.h"
#include "config/TransferRows.h"
#include "link/ModbusExceptions.h"
#include "report/ReportDocument.h"
#include "report/ReportReader.h"
#include "session/TBoardSession.h"
#include "session/TLiveState.h"
#include "session/TUserMessages.h"
#include "widgets/PageBuilder.h"
#include "widgets/TransferTable.h"

#include <QDir>
#include <QFileInfo>

#include <QGridLayout>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <numeric>

namespace {
// How the memo and the messages tell the user to check the board against the file.
const QString kCheck = QStringLiteral("press Verify");
const QString kLoadTitle = QStringLiteral("Load Configuration Parameters");
const QString kSaveFirst = QStringLiteral("Save the board's configuration first...");
// Values outside their edits' limits named one by one in the Load question; the rest are counted.
constexpr size_t kOutsideNamed = 12;

QString Items(qsizetype n)
{
    return n == 1 ? QStringLiteral("1 item") : QStringLiteral("%1 items").arg(n);
}

QPushButton *Button(QWidget *parent, const char *name, const QString &caption)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    return button;
}
}  // namespace

TParametersPage::TParametersPage(TPageContext &context, TConfigImages &images, const TLiveState &live, QWidget *parent)
    : TPage(QStringLiteral("ParametersTabSheet"), context, parent),
      m_images(images),
      m_live(live),
      m_chains(context.Session, images)
{
    QGroupBox *history = ui::Group(this, QStringLiteral(" History "), QStringLiteral("HistoryGroupBox"));
    SaveButton = Button(history, "SaveButton", QStringLiteral("&Save"));
    LoadButton = Button(history, "LoadButton", QStringLiteral("&Load"));
    VerifyButton = Button(history, "VerifyButton", QStringLiteral("&Verify"));
    CompareButton = Button(history, "CompareButton", QStringLiteral("Co&mpare"));
    ReportButton = Button(history, "ReportButton", QStringLiteral("Rep&ort..."));
    ReportButton->setToolTip(QStringLiteral("The board's commissioning report as a PDF or HTML document: its "
                                            "configuration, week program, calibration, forced I/O and live state"));

    ParametersMemo = new QPlainTextEdit(history);
    ParametersMemo->setObjectName(QStringLiteral("ParametersMemo"));
    ParametersMemo->setAccessibleName(QStringLiteral("Transfer log"));
    ParametersMemo->setReadOnly(true);  // selectable and copyable, written by the transfers and board changes
    ParametersMemo->setLineWrapMode(QPlainTextEdit::NoWrap);

    WritedxfProgressBar = new QProgressBar(history);
    WritedxfProgressBar->setObjectName(QStringLiteral("WritedxfProgressBar"));
    WritedxfProgressBar->setAccessibleName(QStringLiteral("Transfer progress"));
    WritedxfProgressBar->setRange(0, 100);
    WritedxfProgressBar->setValue(0);
    WritedxfProgressBar->setFormat(QStringLiteral("%p%"));
    WritedxfProgressBar->setTextVisible(true);

    // The buttons down the left, the log beside them, the progress under both.
    QGridLayout *grid = ui::GridOf(history);
    grid->addWidget(SaveButton, 0, 0);
    grid->addWidget(LoadButton, 1, 0);
    grid->addWidget(VerifyButton, 2, 0);
    grid->addWidget(CompareButton, 3, 0);
    grid->addWidget(ReportButton, 4, 0);
    grid->setRowStretch(5, 1);
    grid->addWidget(ParametersMemo, 0, 1, 6, 1);
    grid->addWidget(WritedxfProgressBar, 6, 0, 1, 2);
    grid->setColumnStretch(1, 1);

    setTabOrder(SaveButton, LoadButton);
    setTabOrder(LoadButton, VerifyButton);
    setTabOrder(VerifyButton, CompareButton);
    setTabOrder(CompareButton, ReportButton);
    setTabOrder(ReportButton, ParametersMemo);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(history);

    connect(SaveButton, &QPushButton::clicked, this, &TParametersPage::SaveButtonClick);
    connect(LoadButton, &QPushButton::clicked, this, &TParametersPage::LoadButtonClick);
    connect(VerifyButton, &QPushButton::clicked, this, &TParametersPage::VerifyButtonClick);
    connect(CompareButton, &QPushButton::clicked, this, &TParametersPage::CompareButtonClick);
    connect(ReportButton, &QPushButton::clicked, this, &TParametersPage::ReportButtonClick);

    m_chains.OnProgress = [this](int percent) { WritedxfProgressBar->setValue(percent); };
    m_chains.StopWhen = [this] { return m_stopping; };
    m_chains.OnNote = [this](const QString &note) { Log(note); };
    m_chains.OnStopped = [this] {
        LogRepeats();
        EndStopped();
    };
    m_chains.OnAborted = [this](const QString &why) {
        LogRepeats();
        QStringList lines{QStringLiteral("Transfer aborted: %1.").arg(why)};
        if (m_writing)
            lines += m_chains.WrittenSoFar(kCheck);
        for (const QString &line : lines)
            Log(line);
        End(m_writing ? lines : QStringList{});
    };
    m_chains.OnWriteRefused = [this](const ConfigItem &item, quint8 exceptionCode) {
        LogRepeats();
        m_stopped = QStringList{QStringLiteral("The board refused [%1] %2 (%3): the items after it were not written.")
                                    .arg(item.Section, item.Ident, ExceptionText(exceptionCode))};
        m_stopped += m_chains.WrittenSoFar(kCheck);
        for (const QString &line : m_stopped)
            Log(line);
    };
}

TParametersPage::~TParametersPage() = default;

void TParametersPage::SetDefinitionUsable(bool usable)
{
    m_definitionUsable = usable;
    EnableButtons(usable);
}

void TParametersPage::Log(const QString &line)
{
    ParametersMemo->appendPlainText(line);
}

void TParametersPage::EnableButtons(bool enabled)
{
    enabled = enabled && m_definitionUsable;
    for (QPushButton *button : {LoadButton, SaveButton, VerifyButton, CompareButton, ReportButton})
        button->setEnabled(enabled);
}

void TParametersPage::Begin(TTransfer transfer)
{
    m_transfer = transfer;
    ++m_run;
    m_writing = false;
    m_stopping = false;
    WritedxfProgressBar->setValue(0);
    EnableButtons(false);
}

void TParametersPage::Done(const QString &what, qsizetype items, const QString &outcome)
{
    Log(QStringLiteral("%1 done, %2%3").arg(what, Items(items), outcome));
    WritedxfProgressBar->setValue(100);
    if (TransferRunning())
        End({}, 100);
}

void TParametersPage::End(const QStringList &message, int progress)
{
    m_transfer = TTransfer::None;
    m_writing = false;
    m_stopping = false;
    EnableButtons(true);
    WritedxfProgressBar->setValue(progress);
    std::function<void()> then = std::exchange(m_afterEnd, {});
    if (message.isEmpty() && !then)
        return;
    // Once the request's outcome has been delivered: a modal box inside the client's closure would
    // let new requests in between the client's own steps.
    QTimer::singleShot(0, this, [this, text = message.join(QLatin1Char('\n')), then = std::move(then)] {
        if (!text.isEmpty())
            Messages().ErrorBox(text);
        if (then)
            then();
    });
}

bool TParametersPage::StoppedHere()
{
    if (!m_stopping)
        return false;
    EndStopped();
    return true;
}

void TParametersPage::EndStopped()
{
    QStringList lines{QStringLiteral("Transfer stopped by the user.")};
    if (m_writing)
        lines += m_chains.WrittenSoFar(kCheck);
    else if (m_transfer == TTransfer::Load)
        lines += QStringLiteral("Nothing was written to the board.");
    for (const QString &line : lines)
        Log(line);
    End(m_writing ? lines : QStringList{});
}

QString TParametersPage::RunningTransfer() const
{
    switch (m_transfer) {
    case TTransfer::Load:
        if (m_writing)
            return QStringLiteral("A Load is writing a configuration file to the board: %1 of %2 written so far. "
                                  "Stopped now, it leaves the board with a mix of old and new values.")
                .arg(m_chains.ChainIndex())
                .arg(Items(m_chains.WriteItemCount()));
        return QStringLiteral("A Load is reading the board before writing to it; nothing has been written yet.");
    case TTransfer::Save:
        return QStringLiteral("A Save is reading the board's configuration; stopped, it saves no file.");
    case TTransfer::Verify:
    case TTransfer::Compare:
        return QStringLiteral("A %1 is reading the board's configuration; stopped, it gives no verdict.")
            .arg(m_transfer == TTransfer::Verify ? QStringLiteral("Verify") : QStringLiteral("Compare"));
    case TTransfer::Report:
        return QStringLiteral("A report is reading the board; stopped, it writes no document.");
    case TTransfer::None:
        break;
    }
    return {};
}

void TParametersPage::StopTransfer(std::function<void()> then)
{
    if (!TransferRunning()) {
        then();
        return;
    }
    // Asked twice (Disconnect, then closing the window), both are done in turn.
    m_afterEnd = [first = std::move(m_afterEnd), then = std::move(then)] {
        if (first)
            first();
        then();
    };
    m_stopping = true;
    if (m_reportReader && m_reportReader->Running())
        m_reportReader->Stop();
}

void TParametersPage::WithVersion(std::function<void()> start)
{
    if (m_live.VersionKnown) {
        start();
        return;
    }
    Log(QStringLiteral("Reading the board's firmware version first..."));
    const auto read = [this, run = m_run, start = std::move(start)](const QString &failure) {
        // Outside the client's closure: what starts now may ask or show a message.
        QTimer::singleShot(0, this, [this, run, start, failure] {
            if (run != m_run || StoppedHere())
                return;
            if (!failure.isEmpty()) {
                Log(QStringLiteral("Transfer aborted: the board's firmware version could not be read: %1.")
                        .arg(failure));
                End();
                return;
            }
            start();
        });
    };
    if (ReadVersion)
        ReadVersion(read);
    else
        read(QStringLiteral("nothing reads it"));
}

void TParametersPage::LogRepeats()
{
    const TConfigChains::Repeats &repeats = m_chains.RepeatCounts();
    const auto requests = [](int n) {
        return n == 1 ? QStringLiteral("1 request repeated") : QStringLiteral("%1 requests repeated").arg(n);
    };
    if (repeats.NoAnswer > 0 && repeats.Misfit > 0)
        Log(QStringLiteral("%1 after no answer, %2 after an answer that did not fit.")
                .arg(requests(repeats.NoAnswer))
                .arg(repeats.Misfit));
    else if (repeats.NoAnswer > 0)
        Log(requests(repeats.NoAnswer) + QStringLiteral(" after no answer."));
    else if (repeats.Misfit > 0)
        Log(requests(repeats.Misfit) + QStringLiteral(" after an answer that did not fit."));
}

bool TParametersPage::SaveFile(const QString &fileName, bool verifyAgainstIt)
{
    Log(QStringLiteral("Save Configuration To File: ") + fileName);
    QString why;
    if (WriteConfigFile(fileName, m_images, &why)) {
        // Verify then compares the board with the file just saved, as it holds it (also the keys
        // of an older file saved over that this save did not touch), over the items saved.
        const qint32 saved = m_images.ActiveItemCount;
        if (verifyAgainstIt && ReadConfigFile(fileName, m_images, m_live.FirmwareRev12, nullptr))
            m_images.ActiveItemCount = saved;
        return true;
    }
    Log(QStringLiteral("Save failed: ") + why);
    Messages().ErrorBox(why);
    return false;
}

QString TParametersPage::ChooseFile(const QString &title)
{
    // A file gone by the time the dialog closes is ignored like a cancel.
    const QString fileName = Messages().AskOpenFileAs(title);
    return fileName.isEmpty() || !QFileInfo::exists(fileName) ? QString() : fileName;
}

bool TParametersPage::ReadFile(const QString &fileName, TTransfer transfer)
{
    Log((transfer == TTransfer::Compare ? QStringLiteral("Compare Configuration With File: ")
                                        : QStringLiteral("Load Configuration From File: "))
        + fileName);
    QString why;
    // With no board the file gives the walk itself: a configuration for a newer board is kept whole.
    if (ReadConfigFile(fileName, m_images, !Session().Connected() || m_live.FirmwareRev12, &why))
        return true;
    Log(QStringLiteral("File refused: ") + why);
    Messages().ErrorBox(why);
    return false;
}

void TParametersPage::SaveButtonClick()
{
    if (!m_definitionUsable || TransferRunning())
        return;
    const QString fileName = Messages().AskSaveFile();
    if (fileName.isEmpty())
        return;
    // A file that cannot be written is refused before the board is read.
    if (QString why; !CanWriteConfigFile(fileName, &why)) {
        Log(QStringLiteral("Save Configuration To File: ") + fileName);
        Log(QStringLiteral("Save failed: ") + why);
        Messages().ErrorBox(why);
        return;
    }

    if (!Session().Connected()) {
        // Offline the window is the configuration, every item of it (no firmware is asked); a text
        // that is not a number ends the save here.
        m_images.ActiveItemCount = m_images.ItemsFor(true);
        if (Table().TakeImage(m_images.BoardImage, m_images.ActiveItemCount) && SaveFile(fileName))
            Done(QStringLiteral("Save"), m_images.ActiveItemCount);
        return;
    }
    Begin(TTransfer::Save);
    WithVersion([this, fileName] {
        m_images.ActiveItemCount = m_images.ItemsFor(m_live.FirmwareRev12);
        Log(QStringLiteral("Read Configuration From Board..."));
        m_chains.BoardReadChain([this, fileName] {
            LogRepeats();
            Table().ShowImage(m_images.BoardImage, m_images.ActiveItemCount);
            if (SaveFile(fileName))
                Done(QStringLiteral("Save"), m_images.ActiveItemCount);
            else
                End();
        });
    });
}

void TParametersPage::LoadButtonClick()
{
    if (!m_definitionUsable || TransferRunning())
        return;
    const QString fileName = ChooseFile(kLoadTitle);
    if (fileName.isEmpty())
        return;

    if (!Session().Connected()) {
        if (ReadFile(fileName, TTransfer::Load)) {
            Table().ShowImage(m_images.FileImage, m_images.ActiveItemCount);
            Done(QStringLiteral("Load"), m_images.ActiveItemCount,
                 QStringLiteral(" shown in the window; not connected, nothing written."));
        }
        return;
    }
    Begin(TTransfer::Load);
    WithVersion([this, fileName] {
        if (!ReadFile(fileName, TTransfer::Load)) {
            End();
            return;
        }
        // What differs from the board is known only from the board itself.
        Log(QStringLiteral("Read Configuration From Board..."));
        m_chains.BoardReadChain([this, fileName] {
            LogRepeats();
            // The question waits until the client's closure is done.
            QTimer::singleShot(0, this, [this, run = m_run, fileName] {
                if (run == m_run && !StoppedHere())
                    AskAndWrite(fileName);
            });
        });
    });
}

void TParametersPage::AskAndWrite(const QString &fileName)
{
    const qint32 count = m_images.ActiveItemCount;
    std::vector<qint32> differing;
    QString addressKept;  // the slave address is not loaded: why, when the file's differs
    TQuestion question;
    question.Columns = {QStringLiteral("Value"), QStringLiteral("On the board"), QStringLiteral("In the file")};
    const std::vector<TShownDifference> shown = ShownDifferences(m_images.BoardImage, m_images.FileImage, count);
    const std::vector<TConfigDifference> differences =
        ConfigDifferences(m_images.BoardImage, m_images.FileImage, count);
    QStringList lines;  // the same for the memo, so that it keeps what the board held
    for (size_t i = 0; i < differences.size(); ++i) {
        const TConfigDifference &d = differences[i];
        const ConfigItem &item = m_images.FileImage[static_cast<size_t>(d.Item)];
        if (MovesSlaveAddress(item, Session().SlaveAddress())) {
            addressKept = QStringLiteral("The file's slave address is not written: the board keeps answering at %1 "
                                         "(the \"Timers\" page sets it).")
                              .arg(Session().SlaveAddress());
            continue;
        }
        if (differing.empty() || differing.back() != d.Item)
            differing.push_back(d.Item);
        // Each register as Verify and Compare name it, the board's value first: as the page shows it,
        // but a value its control cannot show as itself reads as itself ("6.5 sec" where the edit
        // shows "6"), as the values outside the edits' limits below read.
        const TShownDifference &v = shown[i];
        lines.append(v.Line(QStringLiteral("board"), QStringLiteral("file")));
        question.Rows.append({QStringLiteral("[%1] %2").arg(v.Section, v.Key), v.Left,
                              v.Change.isEmpty() ? v.Right : QStringLiteral("%1 (%2)").arg(v.Right, v.Change)});
    }
    // What "Write all" writes: every item but another slave address.
    const qsizetype writable = count - (addressKept.isEmpty() ? 0 : 1);
    const TModbusClient *client = Session().ActiveClient();
    const QString board = QStringLiteral("the board at %1, unit %2")
                              .arg(client ? client->LineName() : QString())
                              .arg(Session().SlaveAddress());
    const QString file = QDir::toNativeSeparators(fileName);

    // Enter (the default) writes nothing.
    question.Title = kLoadTitle;
    question.Default = TChoice::Cancel;
    question.FirstText = kSaveFirst;
    if (differing.empty()) {
        const QString every = addressKept.isEmpty() ? QStringLiteral("every") : QStringLiteral("every other");
        Log(QStringLiteral("The board holds %1 value of the file.").arg(every));
        question.Text =
            QStringLiteral("%1 already holds %2 value of the configuration file\n%3\n(%4): nothing needs writing.")
                .arg(board, every, file, Items(count));
        question.GoText = QStringLiteral("Write all %1 anyway").arg(Items(writable));
    } else {
        Log(QStringLiteral("%1 of %2 differ from the board.").arg(differing.size()).arg(Items(count)));
        for (const QString &line : lines)
            Log(line);
        question.Text = QStringLiteral("Write the configuration file\n%1\nto %2?\n\n%3 of %4 differ from what the "
                                       "board holds now; only these are written.")
                            .arg(file, board)
                            .arg(differing.size())
                            .arg(Items(count));
        question.GoText = QStringLiteral("Write %1").arg(Items(qsizetype(differing.size())));
        question.OtherText = QStringLiteral("Write all %1").arg(Items(writable));
    }
    if (!addressKept.isEmpty()) {
        Log(addressKept);
        question.Text += QStringLiteral("\n\n") + addressKept;
    }
    // A board's own save may hold such values (factory values, another tool): they are named, and
    // written only when the user says so.
    const std::vector<TValueOutsideLimits> outside = ValuesOutsideLimits(m_images.FileImage, count);
    if (!outside.empty()) {
        const QString values =
            outside.size() == 1 ? QStringLiteral("1 value") : QStringLiteral("%1 values").arg(outside.size());
        Log(QStringLiteral("%1 of the file are outside the limits of their edits.").arg(values));
        question.Text += QStringLiteral("\n\nThe file holds values outside the limits of their edits:");
        for (size_t i = 0; i < std::min(outside.size(), kOutsideNamed); ++i) {
            const TValueOutsideLimits &v = outside[i];
            const ConfigItem &item = m_images.FileImage[static_cast<size_t>(v.Item)];
            question.Text += QStringLiteral("\n[%1] %2: %3 (the edit takes %4)")
                                 .arg(item.Section, ConfigKey(item, v.Register), v.Text, v.Accepts);
        }
        if (outside.size() > kOutsideNamed)
            question.Text += QStringLiteral("\n... and %1 more").arg(outside.size() - kOutsideNamed);
    }
    TChoice choice = TChoice::Cancel;
    for (;;) {
        choice = Messages().Ask(question);
        if (StoppedHere())
            return;
        if (choice != TChoice::First)
            break;
        // Nothing has been written yet: a save that is cancelled leaves the question as it was, one
        // that fails ends the Load.
        const QString saveName = Messages().AskSaveFile();
        if (StoppedHere())
            return;
        if (saveName.isEmpty())
            continue;
        if (!SaveBoardFirst(saveName, fileName)) {
            Log(QStringLiteral("Nothing was written to the board."));
            End();
            return;
        }
        question.Text +=
            QStringLiteral("\n\nThe board's configuration was saved to\n%1").arg(QDir::toNativeSeparators(saveName));
    }
    if (choice == TChoice::Cancel) {
        Log(QStringLiteral("Nothing was written to the board."));
        End();
        return;
    }
    if (choice == TChoice::Other || differing.empty()) {
        differing.resize(static_cast<size_t>(count));
        std::iota(differing.begin(), differing.end(), 0);
    }
    WriteItems(std::move(differing));
}

bool TParametersPage::SaveBoardFirst(const QString &saveName, const QString &loadName)
{
    const QFileInfo save(saveName);
    const QFileInfo load(loadName);
    QString why;
    if (save.absoluteFilePath() == load.absoluteFilePath()
        || (save.exists() && save.canonicalFilePath() == load.canonicalFilePath()))
        why = QStringLiteral("%1 is the file being loaded; the board's configuration was not saved over it.")
                  .arg(QDir::toNativeSeparators(saveName));
    else if (CanWriteConfigFile(saveName, &why))
        return SaveFile(saveName, false);
    Log(QStringLiteral("Save Configuration To File: ") + saveName);
    Log(QStringLiteral("Save failed: ") + why);
    Messages().ErrorBox(why);
    return false;
}

void TParametersPage::WriteItems(std::vector<qint32> items)
{
    m_writing = true;
    WritedxfProgressBar->setValue(0);
    Log(QStringLiteral("Write Configuration To Board..."));
    m_chains.BoardWriteItems(
        [this] {
            // A refused write has said all it had to when it came.
            const QStringList stopped = std::exchange(m_stopped, {});
            if (stopped.isEmpty())
                LogRepeats();
            Table().ShowImage(m_images.FileImage, m_images.ActiveItemCount);
            // The walk counted leaves out another slave address.
            if (stopped.isEmpty())
                Done(QStringLiteral("Load"), m_chains.WriteItemCount(), QStringLiteral(" written."));
            else
                End(stopped);
        },
        std::move(items));
}

void TParametersPage::VerifyButtonClick()
{
    if (!m_definitionUsable || TransferRunning() || !Session().Connected())
        return;
    if (!m_images.FileLoaded) {
        Log(QStringLiteral("No configuration file to verify against: save, load or compare a file first."));
        return;
    }
    Begin(TTransfer::Verify);
    WithVersion([this] {
        // A board without the extended set is not asked for it.
        m_images.ActiveItemCount = std::min(m_images.ActiveItemCount, m_images.ItemsFor(m_live.FirmwareRev12));
        Log(QStringLiteral("Read Configuration From Board..."));
        m_chains.BoardReadChain([this] { CompareImages(QStringLiteral("Verify")); });
    });
}

void TParametersPage::CompareButtonClick()
{
    if (!m_definitionUsable || TransferRunning() || !Session().Connected())
        return;
    const QString fileName = ChooseFile(QStringLiteral("Compare Configuration Parameters"));
    if (fileName.isEmpty())
        return;
    Begin(TTransfer::Compare);
    WithVersion([this, fileName] {
        if (!ReadFile(fileName, TTransfer::Compare)) {
            End();
            return;
        }
        Log(QStringLiteral("Read Configuration From Board..."));
        m_chains.BoardReadChain([this] { CompareImages(QStringLiteral("Compare")); });
    });
}

void TParametersPage::CompareImages(const QString &what)
{
    LogRepeats();
    // The same lines as z4ctl's verify: each register named, with both values as its edit shows them.
    const std::vector<TShownDifference> differences =
        ShownDifferences(m_images.BoardImage, m_images.FileImage, m_images.ActiveItemCount);
    for (const TShownDifference &d : differences)
        Log(d.Line(QStringLiteral("board"), QStringLiteral("file")));
    Done(what, m_images.ActiveItemCount,
         differences.empty() ? QStringLiteral(": the board holds every value of the file.")
                             : QStringLiteral(": %1 (listed above).").arg(DifferingRegisters(differences.size())));
}

void TParametersPage::ReportButtonClick()
{
    if (!m_definitionUsable || TransferRunning())
        return;
    if (!Session().Connected()) {
        Messages().ErrorBox(QStringLiteral("A report is read from the board: connect to it first."));
        return;
    }
    const std::optional<TReportAsk> ask = Messages().AskReport();
    if (!ask)
        return;
    Log(QStringLiteral("Commissioning report: ") + QDir::toNativeSeparators(ask->File));
    QString why = ReportPathProblem(ask->File);
    if (why.isEmpty() && !ask->Reference.isEmpty()) {
        // The base set every board has; the board's own walk is read once its version is known.
        TConfigImages check = m_images;
        ReadConfigFile(ask->Reference, check, false, &why);
    }
    if (!why.isEmpty()) {
        Log(QStringLiteral("Report not made: ") + why);
        Messages().ErrorBox(why);
        return;
    }
    Begin(TTransfer::Report);
    Log(QStringLiteral("Reading the board for the report..."));
    m_report = std::make_unique<TReportData>();
    m_report->Handover = {ask->Site, ask->Unit, ask->Technician};
    const TModbusClient *client = Session().ActiveClient();
    m_report->Line = client ? client->LineName() : QString();
    m_report->Address = Session().SlaveAddress();
    m_reportReader = std::make_unique<TReportReader>(Session(), m_images);
    m_reportReader->SetReference(ask->Reference);
    m_reportReader->OnProgress = [this](int percent) { WritedxfProgressBar->setValue(percent); };
    const int run = m_run;
    // The reader's end comes inside the client's closure: the document is laid out after it.
    const auto after = [this, run, ask = *ask](const QString &failure) {
        QTimer::singleShot(0, this, [this, run, ask, failure] {
            if (run == m_run)
                ReportRead(ask, failure);
        });
    };
    m_reportReader->Start(
        *m_report, [after] { after({}); }, [after](const QString &failure) { after(failure); });
}

void TParametersPage::ReportRead(const TReportAsk &ask, const QString &failure)
{
    if (failure == QLatin1String("stopped")) {
        EndStopped();
        return;
    }
    QString why = failure;
    if (why.isEmpty() && !WriteReport(ask.File, *m_report, &why) && why.isEmpty())
        why = QStringLiteral("the document was not written");
    if (!why.isEmpty()) {
        const QString line = QStringLiteral("Report not made: %1. No document was written.").arg(why);
        Log(line);
        End({line});
        return;
    }
    QStringList outcome;
    const QStringList forced = ForcedWarnings(*m_report);
    outcome << (forced.isEmpty() ? QStringLiteral("nothing forced") : QStringLiteral("%1 forced").arg(forced.size()));
    if (m_report->Reference)
        outcome << QStringLiteral("%1 from the reference")
                       .arg(DifferingRegisters(static_cast<size_t>(ReportDifferences(*m_report))));
    Done(QStringLiteral("Report"), m_report->Items,
         QStringLiteral(" (%1) written to %2.")
             .arg(outcome.join(QStringLiteral(", ")), QDir::toNativeSeparators(ask.File)));
}
