#include "params/TVentilationPage.h"

#include "app/TBoardSession.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QVBoxLayout>

namespace {
constexpr quint16 kRemoteControlRegister = 0x0430;
}

TVentilationPage::TVentilationPage(TPageContext &context, QWidget *parent)
    : TPage(QStringLiteral("VentilationTabSheet"), context, parent)
{
    auto *remote = new QGroupBox(QStringLiteral(" Remote Control "), this);
    remote->setObjectName(QStringLiteral("RemoteControlGroupBox"));
    StartStopdxfCheckBox = new QCheckBox(QStringLiteral("Start/Stop"), remote);
    StartStopdxfCheckBox->setObjectName(QStringLiteral("StartStopdxfCheckBox"));
    KitchenHooddxfCheckBox = new QCheckBox(QStringLiteral("Kitchen Hood"), remote);
    KitchenHooddxfCheckBox->setObjectName(QStringLiteral("KitchenHooddxfCheckBox"));
    auto *group = new QButtonGroup(remote);  // exactly one is checked; clicking it does not clear it
    group->addButton(StartStopdxfCheckBox);
    group->addButton(KitchenHooddxfCheckBox);
    StartStopdxfCheckBox->setChecked(true);
    auto *remoteLayout = new QVBoxLayout(remote);
    remoteLayout->addWidget(StartStopdxfCheckBox);
    remoteLayout->addWidget(KitchenHooddxfCheckBox);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(remote, 0, Qt::AlignLeft);
    layout->addStretch();

    connect(StartStopdxfCheckBox, &QCheckBox::clicked, this, &TVentilationPage::RemoteControldxfCheckBoxClick);
    connect(KitchenHooddxfCheckBox, &QCheckBox::clicked, this, &TVentilationPage::RemoteControldxfCheckBoxClick);
}

void TVentilationPage::RemoteControldxfCheckBoxClick()
{
    Session().WriteSingle(kRemoteControlRegister, KitchenHooddxfCheckBox->isChecked() ? 1 : 0);
}
