// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/FirmwareGate.h"

#include "config/ConfigItem.h"
#include "config/TransferRows.h"
#include "widgets/PageBuilder.h"

#include <QWidget>

namespace {

const QString kReason = QStringLiteral("firmware");

// The controls that need a series number, which firmware from x.x11 on has.
const char *const kSeriesControls[] = {"WithoutExhaustdxfCheckBox", "Set1VrDemoButton"};

}  // namespace

TFirmwareGate::TFirmwareGate(QWidget &root) : QObject(&root)
{
    const auto find = [&root](const QString &name, std::vector<QWidget *> &into) {
        for (QWidget *control : root.findChildren<QWidget *>(name))
            into.push_back(control);
    };
    const std::vector<TParameterRow> &rows = TransferRows();
    for (size_t item = TConfigImages::kBaseItems; item < rows.size(); ++item)
        for (const QString &name : rows[item].Controls)
            find(name, m_extended);
    for (const char *name : kSeriesControls)
        find(QLatin1String(name), m_series);
}

void TFirmwareGate::Show(const std::optional<live::VersionBlock> &version)
{
    const auto show = [&version](const std::vector<QWidget *> &controls, bool has) {
        const QString why = !version ? QStringLiteral("Off until the board's firmware version is read: older "
                                                      "firmware lacks this setting.")
                            : has    ? QString()
                                     : QStringLiteral("The board's firmware %1 lacks this setting.")
                                        .arg(live::VersionNumberText(version->Version));
        for (QWidget *control : controls)
            ui::SwitchOff(control, kReason, why);
    };
    show(m_extended, version && version->Rev12);
    show(m_series, version && version->HasSeries);
}

void TFirmwareGate::ShowOffline()
{
    for (const std::vector<QWidget *> *controls : {&m_extended, &m_series})
        for (QWidget *control : *controls)
            ui::SwitchOff(control, kReason, QString());
}
