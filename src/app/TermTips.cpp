// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TermTips.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QRegularExpression>

namespace {
// One explanation: the widgets under the one named Scope (empty: the whole window) whose shown
// text is Text, or whose objectName matches Name.
struct TTip
{
    const char *Scope;
    const char *Text;
    const char *Name;
    const char *Tip;
};

const TTip kTips[] = {
    {"InputsOutputsTabSheet", "A", nullptr,
     "A: the signal at the board's terminal, as the input measures it or the output drives it."},
    {"InputsOutputsTabSheet", "R", nullptr,
     "R: the value the regulation works with: the terminal's, or the manual, inverted or simulated value the "
     "\"In/Out\" page gives it."},
    {"ConnectiondxfGroupBox", "T", nullptr,
     "T: seconds between two reads of the live values (the poll period; 0 reads none)."},
    {"ConnectiondxfGroupBox", "A", nullptr, "A: the board's Modbus slave address, 1 to 247."},
    {"ConnectiondxfGroupBox", "COM Port", nullptr,
     "COM Port: the serial device the board is wired to, USB adapters first (/dev/ttyUSB0). Any path can be "
     "typed, e.g. /dev/serial/by-id/..., which stays the same whichever USB socket the adapter is in."},
    {"InOutTabSheet", nullptr, "^(IAnalog|OAnalog|IDigital|ODigital)A\\d+dxfCheckBox$",
     "A: automatic: the board uses the terminal's value (inputs) or its regulation's (outputs)."},
    {"InOutTabSheet", nullptr, "^(IAnalog|OAnalog|IDigital|ODigital)M\\d+dxfCheckBox$",
     "M: manual: the board uses the value set on this page instead."},
    {"InOutTabSheet", nullptr, "^(IDigital|ODigital)I\\d+dxfCheckBox$",
     "Inv: inverted: the channel reads on where the terminal is off, and off where it is on."},
    {"InOutTabSheet", "SIM", nullptr,
     "Simulation channels T1 to T3: test signals the board makes by itself, each with a time of 1 to 6000 s and "
     "a mode, ON/OFF or PWM. A channel in PWM stays active after you leave."},
    {"InOutTabSheet", nullptr, "^SimT\\dAdvEdit$",
     "Simulation channel: its time in seconds (1 to 6000); ON/OFF or PWM beside it is its mode."},
    {"SettingsTabSheet", nullptr, "^T[1-3]AdvEdit$",
     "T1 to T3: the three timers of the regulation, in seconds (T1 and T2 0 to 200, T3 0 to 300)."},
    {"", nullptr, "SPWAdvEdit$",
     "SPW: the set-point weight of the PI loop, 0.0 to 1.0: how much of a set-point change the proportional part "
     "acts on at once (1.0: all of it)."},
    {"", nullptr, "KpAdvEdit$", "Kp: the proportional gain of the PI loop."},
    {"", nullptr, "KiAdvEdit$", "Ki: the integral time of the PI loop, in seconds."},
    {"VentilationTabSheet", nullptr, "^[SE]PeriodAdvEdit$", "T: the period of the air-volume loop, 1 to 255 s."},
    {"", nullptr, "U100AdvEdit$", "U100: the output voltage (V) the loop gives its fan at 100 %."},
    {"VentilationTabSheet", "I", nullptr, "Fan speed I, the lowest."},
    {"VentilationTabSheet", "II", nullptr, "Fan speed II."},
    {"VentilationTabSheet", "III", nullptr, "Fan speed III, the highest."},
};

void Give(QWidget *widget, const char *tip)
{
    if (widget->toolTip().isEmpty())
        widget->setToolTip(QString::fromUtf8(tip));
}
}  // namespace

namespace TermTips {
QString ShownText(const QWidget &widget)
{
    QString text;
    if (const auto *label = qobject_cast<const QLabel *>(&widget))
        text = label->text();
    else if (const auto *button = qobject_cast<const QAbstractButton *>(&widget))
        text = button->text();
    else if (const auto *group = qobject_cast<const QGroupBox *>(&widget))
        text = group->title();
    return text.remove(QRegularExpression(QStringLiteral("&(?!&)"))).trimmed();
}

void Apply(QWidget &window)
{
    for (const TTip &tip : kTips) {
        QWidget *scope = &window;
        if (*tip.Scope != '\0')
            scope = window.findChild<QWidget *>(QLatin1String(tip.Scope));
        if (!scope)
            continue;
        const QRegularExpression name(tip.Name ? QString::fromLatin1(tip.Name) : QString());
        for (QWidget *widget : scope->findChildren<QWidget *>()) {
            if (tip.Text ? ShownText(*widget) == QLatin1String(tip.Text) : name.match(widget->objectName()).hasMatch())
                Give(widget, tip.Tip);
        }
    }
    for (QLabel *label : window.findChildren<QLabel *>()) {
        if (label->buddy() && label->toolTip().isEmpty())
            label->setToolTip(label->buddy()->toolTip());
    }
}
}  // namespace TermTips
