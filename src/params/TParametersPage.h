#pragma once

#include "config/ConfigChains.h"
#include "config/ConfigItem.h"
#include "widgets/TPage.h"

#include <QStringList>

class QPlainTextEdit;
class QProgressBar;
class QPushButton;
struct TLiveState;

// The "Parameters" page: moving whole configurations between the board, the window and
// configuration files, with a log of what was done and the progress of a transfer.
class TParametersPage : public TPage
{
    Q_OBJECT

public:
    // The context's table shows and takes the images; live tells whether the board's firmware
    // has the extended item set.
    TParametersPage(TPageContext &context, TConfigImages &images, const TLiveState &live, QWidget *parent = nullptr);

    // Save: the board (or, offline, the window) to a configuration file.
    void SaveButtonClick();
    // Load: a configuration file to the board (when connected) and the window.
    void LoadButtonClick();
    // Verify: the board against the configuration file read last.
    void VerifyButtonClick();
    // Compare: the board against a configuration file.
    void CompareButtonClick();

    // Without a usable definition file the four buttons stay disabled: there is nothing to
    // transfer and a save would write an empty or wrong file.
    void SetDefinitionUsable(bool usable);

    TConfigChains &Chains() { return m_chains; }

    // " History "
    QPushButton *SaveButton;
    QPushButton *LoadButton;
    QPushButton *VerifyButton;
    QPushButton *CompareButton;
    QPlainTextEdit *ParametersMemo;
    QProgressBar *WritedxfProgressBar;  // 0 .. 100, shown as a percentage

private:
    void Log(const QString &line);
    void EnableButtons(bool enabled);
    void Busy();
    void Idle();
    void CompareImages();
    // One memo line with the requests the chain sent again, when there were any.
    void LogRepeats();
    // What a write chain that stopped at item written (refused, or failed) left on the board.
    QStringList WrittenSoFar(qint32 written, bool refused) const;
    // The message of a Load that stopped early.
    void TellStopped(const QStringList &lines);
    void SaveFile(const QString &fileName);
    // Asks for a configuration file and reads it into FileImage; false when cancelled, gone or refused.
    bool ChooseAndReadFile();

    TConfigImages &m_images;
    const TLiveState &m_live;
    TConfigChains m_chains;
    bool m_definitionUsable = true;
    bool m_writing = false;  // the running transfer is a Load writing the board
    QStringList m_stopped;   // why a Load stopped early at a refused write, and what it left
};
