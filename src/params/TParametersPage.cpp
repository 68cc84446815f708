#include "params/TParametersPage.h"

#include "config/ConfigCompare.h"
#include "config/ConfigFile.h"
#include "session/TBoardSession.h"
#include "session/TLiveState.h"
#include "session/TUserMessages.h"
#include "widgets/PageBuilder.h"
#include "widgets/TransferTable.h"

#include <QFileInfo>

#include <QGridLayout>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {
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
    SaveButton = Button(history, "SaveButton", QStringLiteral("Save"));
    LoadButton = Button(history, "LoadButton", QStringLiteral("Load"));
    VerifyButton = Button(history, "VerifyButton", QStringLiteral("Verify"));
    CompareButton = Button(history, "CompareButton", QStringLiteral("Compare"));

    ParametersMemo = new QPlainTextEdit(history);
    ParametersMemo->setObjectName(QStringLiteral("ParametersMemo"));
    ParametersMemo->setAccessibleName(QStringLiteral("Transfer log"));
    ParametersMemo->setReadOnly(true);  // selectable and copyable, written only by the transfers
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
    grid->setRowStretch(4, 1);
    grid->addWidget(ParametersMemo, 0, 1, 5, 1);
    grid->addWidget(WritedxfProgressBar, 5, 0, 1, 2);
    grid->setColumnStretch(1, 1);

    setTabOrder(SaveButton, LoadButton);
    setTabOrder(LoadButton, VerifyButton);
    setTabOrder(VerifyButton, CompareButton);
    setTabOrder(CompareButton, ParametersMemo);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(history);

    connect(SaveButton, &QPushButton::clicked, this, &TParametersPage::SaveButtonClick);
    connect(LoadButton, &QPushButton::clicked, this, &TParametersPage::LoadButtonClick);
    connect(VerifyButton, &QPushButton::clicked, this, &TParametersPage::VerifyButtonClick);
    connect(CompareButton, &QPushButton::clicked, this, &TParametersPage::CompareButtonClick);

    m_chains.OnProgress = [this](int percent) { WritedxfProgressBar->setValue(percent); };
    m_chains.OnAborted = [this](const QString &why) {
        LogRepeats();
        QStringList lines{QStringLiteral("Transfer aborted: %1.").arg(why)};
        if (m_writing)
            lines += WrittenSoFar(m_chains.ChainIndex(), false);
        for (const QString &line : lines)
            Log(line);
        Idle();
        if (m_writing)
            TellStopped(lines);
    };
    m_chains.OnWriteRefused = [this](const ConfigItem &item, quint8 exceptionCode) {
        LogRepeats();
        m_stopped = QStringList{
            QStringLiteral("The board refused [%1] %2 (exception %3): the items after it were not written.")
                .arg(item.Section, item.Ident)
                .arg(exceptionCode)};
        m_stopped += WrittenSoFar(m_chains.ChainIndex(), true);
        for (const QString &line : m_stopped)
            Log(line);
    };
}

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
    for (QPushButton *button : {LoadButton, SaveButton, VerifyButton, CompareButton})
        button->setEnabled(enabled);
}

void TParametersPage::Busy()
{
    WritedxfProgressBar->setValue(0);
    EnableButtons(false);
    m_writing = false;
}

void TParametersPage::Idle()
{
    EnableButtons(true);
    WritedxfProgressBar->setValue(0);
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

QStringList TParametersPage::WrittenSoFar(qint32 written, bool refused) const
{
    return ::WrittenSoFar(m_images, written, refused, QStringLiteral("press Verify"));
}

void TParametersPage::TellStopped(const QStringList &lines)
{
    // Shown once the request's outcome has been delivered: a modal box inside the client's
    // closure would let new requests in between the client's own steps.
    QTimer::singleShot(0, this, [this, text = lines.join(QLatin1Char('\n'))] { Messages().ErrorBox(text); });
}

void TParametersPage::SaveFile(const QString &fileName)
{
    Log(QStringLiteral("Save Configuration To File: ") + fileName);
    QString why;
    if (!WriteConfigFile(fileName, m_images, &why)) {
        Log(QStringLiteral("Save failed: ") + why);
        Messages().ErrorBox(why);
    }
}

bool TParametersPage::ChooseAndReadFile()
{
    // A file gone by the time the dialog closes is ignored like a cancel.
    const QString fileName = Messages().AskOpenFile();
    if (fileName.isEmpty() || !QFileInfo::exists(fileName))
        return false;
    Log(QStringLiteral("Load Configuration From File: ") + fileName);
    QString why;
    if (ReadConfigFile(fileName, m_images, m_live.FirmwareRev12, &why))
        return true;
    Log(QStringLiteral("File refused: ") + why);
    Messages().ErrorBox(why);
    return false;
}

void TParametersPage::SaveButtonClick()
{
    if (!m_definitionUsable)
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
    m_images.ActiveItemCount = m_images.ItemsFor(m_live.FirmwareRev12);

    if (Session().Connected()) {
        Busy();
        Log(QStringLiteral("Read Configuration From Board..."));
        m_chains.BoardReadChain([this, fileName] {
            LogRepeats();
            Table().ShowImage(m_images.BoardImage, m_images.ActiveItemCount);
            SaveFile(fileName);
            Idle();
        });
        return;
    }
    // Offline the window is the configuration; a text that is not a number ends the save here.
    if (!Table().TakeImage(m_images.BoardImage, m_images.ActiveItemCount))
        return;
    SaveFile(fileName);
}

void TParametersPage::LoadButtonClick()
{
    if (!m_definitionUsable || !ChooseAndReadFile())
        return;

    if (!Session().Connected()) {
        Table().ShowImage(m_images.FileImage, m_images.ActiveItemCount);
        return;
    }
    Busy();
    m_writing = true;
    Log(QStringLiteral("Write Configuration To Board..."));
    m_chains.BoardWriteChain([this] {
        // A refused write has said all it had to when it came.
        const QStringList stopped = std::exchange(m_stopped, {});
        if (stopped.isEmpty())
            LogRepeats();
        Table().ShowImage(m_images.FileImage, m_images.ActiveItemCount);
        Idle();
        if (!stopped.isEmpty())
            TellStopped(stopped);
    });
}

void TParametersPage::VerifyButtonClick()
{
    if (!m_definitionUsable || !Session().Connected())
        return;
    if (!m_images.FileLoaded) {
        Log(QStringLiteral("No configuration file to verify against: load or compare a file first."));
        return;
    }
    Busy();
    Log(QStringLiteral("Read Configuration From Board..."));
    m_chains.BoardReadChain([this] { CompareImages(); });
}

void TParametersPage::CompareButtonClick()
{
    if (!m_definitionUsable || !Session().Connected() || !ChooseAndReadFile())
        return;
    Busy();
    Log(QStringLiteral("Read Configuration From Board..."));
    m_chains.BoardReadChain([this] { CompareImages(); });
}

void TParametersPage::CompareImages()
{
    LogRepeats();
    const bool same = ConfigDifferences(m_images.FileImage, m_images.BoardImage, m_images.ActiveItemCount).empty();
    Log(same ? QStringLiteral("OK!") : QStringLiteral("ERROR!"));
    Idle();
}
