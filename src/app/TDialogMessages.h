#pragma once

#include "session/TUserMessages.h"

// The real dialogs, parented to the main window.
class TDialogMessages : public TUserMessages
{
public:
    explicit TDialogMessages(QWidget *parent) : m_parent(parent) {}

    void RangeWarning(QWidget *edit) override;
    void ErrorBox(const QString &text) override;
    QString AskSaveFile() override;
    QString AskOpenFile() override;
    QString AskSaveFileAs(const QString &title, const QString &filter, const QString &suffix) override;
    bool AskReturnOverrides(const QStringList &what) override;

private:
    QWidget *m_parent;
};
