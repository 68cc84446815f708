#include "config/TParametersPage.h"

#include "widgets/PageBuilder.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QPushButton *Button(QWidget *parent, const char *name, const QString &caption)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    return button;
}
} // namespace

TParametersPage::TParametersPage(TPageContext &context, QWidget *parent)
    : TPage(QStringLiteral("ParametersTabSheet"), context, parent)
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
}
