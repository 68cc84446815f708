// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/TransferTable.h"

#include "session/TUserMessages.h"

#include <QStackedWidget>
#include <QTabWidget>

#include <algorithm>

QString PlaceOf(const QWidget *control)
{
    QString page;
    for (const QWidget *w = control; w && w->parentWidget(); w = w->parentWidget()) {
        const auto *stack = qobject_cast<const QStackedWidget *>(w->parentWidget());
        const auto *tabs = stack ? qobject_cast<const QTabWidget *>(stack->parentWidget()) : nullptr;
        if (tabs) {
            page = tabs->tabText(tabs->indexOf(const_cast<QWidget *>(w)));
            page.replace(QLatin1String("&&"), QLatin1String("&"));
            break;
        }
    }
    const QString name = SpokenNameOf(control);
    return page.isEmpty() ? name : QStringLiteral("page \"%1\", %2").arg(page, name);
}

QString SpokenNameOf(const QWidget *control)
{
    return control->accessibleName().isEmpty() ? control->objectName() : control->accessibleName();
}

QStringList TTransferTable::Bind(QWidget &root, const TWeekProgramView &week, TUserMessages &messages)
{
    m_messages = &messages;
    m_codecs.clear();
    m_byControl.clear();
    const QMultiHash<QString, QWidget *> named = NamedControls(root);
    QStringList problems;
    for (const auto *rows : {&TransferRows(), &SideRows()}) {
        for (const TParameterRow &row : *rows)
            m_codecs.push_back(TParameterCodec::Bind(row, named, week, problems));
    }
    // After the vector is complete: the places point into it.
    for (const TParameterCodec &codec : m_codecs) {
        const std::vector<QWidget *> &controls = codec.Controls();
        for (size_t j = 0; j < controls.size(); ++j)
            m_byControl.insert(controls[j], TPlace{&codec, codec.RegisterOfControl(static_cast<int>(j))});
    }
    return problems;
}

std::optional<TTransferTable::TPlace> TTransferTable::Locate(quint16 address) const
{
    for (const TParameterCodec &codec : m_codecs) {
        const TParameterRow &row = codec.Row();
        const int offset = address - row.FirstRegister;
        if (offset >= 0 && offset < row.Registers)
            return TPlace{&codec, offset};
    }
    return std::nullopt;
}

std::optional<TTransferTable::TPlace> TTransferTable::Find(const QWidget *control) const
{
    const auto found = m_byControl.constFind(control);
    if (found == m_byControl.cend())
        return std::nullopt;
    return *found;
}

void TTransferTable::ShowBlock(quint16 start, const QList<quint16> &registers) const
{
    const auto count = static_cast<int>(registers.size());
    for (int i = 0; i < count;) {
        const auto place = Locate(static_cast<quint16>(start + i));
        if (!place || place->Offset != 0) {
            ++i;
            continue;
        }
        const int length = place->Codec->Row().Registers;
        if (i + length <= count)
            place->Codec->RegistersToControls(
                std::span<const quint16>(registers.constData() + i, static_cast<size_t>(length)));
        i += std::max(length, 1);
    }
}

void TTransferTable::ShowImage(const ConfigImage &image, int activeItemCount) const
{
    const int count =
        std::min({activeItemCount, static_cast<int>(image.size()), static_cast<int>(m_codecs.size()), kTransferItems});
    for (int i = 0; i < count; ++i)
        m_codecs[static_cast<size_t>(i)].RegistersToControls(image[static_cast<size_t>(i)].Values);
}

bool TTransferTable::TakeImage(ConfigImage &image, int activeItemCount) const
{
    const int count = std::min({activeItemCount, static_cast<int>(image.size()), kTransferItems});
    // Taken aside and kept only when every item was taken: a failed take leaves the image whole.
    std::vector<std::vector<quint16>> taken(static_cast<size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        const ConfigItem &item = image[static_cast<size_t>(i)];
        std::vector<quint16> &values = taken[static_cast<size_t>(i)];
        values.assign(item.Values.size(), 0);
        const TTakeResult result = i < static_cast<int>(m_codecs.size())
                                       ? m_codecs[static_cast<size_t>(i)].ControlsToRegisters(values)
                                       : TTakeResult{TTakeResult::Unbound, nullptr,
                                                     QStringLiteral("The parameter table is not bound to the window.")};
        if (!result.Ok()) {
            if (m_messages)
                m_messages->ErrorBox(result.Control
                                         ? QStringLiteral("%1 (%2)").arg(result.Message, PlaceOf(result.Control))
                                         : result.Message);
            return false;
        }
    }
    for (int i = 0; i < count; ++i) {
        std::vector<quint16> &values = taken[static_cast<size_t>(i)];
        std::copy(values.begin(), values.end(), image[static_cast<size_t>(i)].Values.begin());
    }
    return true;
}
