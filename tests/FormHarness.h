// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window of a test, its messages going to a recorder, and its parts as a test asks for
// them: by the objectNames its controls carry, or by the kind of a page.

#include "MessageRecorder.h"

#include "app/TConnectionPanel.h"
#include "app/TForm1.h"
#include "widgets/TDeviceComboBox.h"
#include "widgets/TWrapLabel.h"

#include <QLabel>
#include <QTabWidget>

#include <memory>

// The main window without the start-up picture, its messages going to a recorder.
struct RecordedForm
{
    explicit RecordedForm(TForm1Options options = {})
    {
        auto messages = std::make_unique<MessageRecorder>();
        Messages = messages.get();
        options.StartupPicture = false;
        Form = std::make_unique<TForm1>(Model, std::move(messages), options);
    }

    // Hidden first, while the whole window still exists: hiding takes the focus out of the focused
    // edit, and its handlers must not run inside the window's destructor.
    ~RecordedForm()
    {
        if (Form)
            Form->hide();
    }
    RecordedForm(const RecordedForm &) = delete;
    RecordedForm &operator=(const RecordedForm &) = delete;

    TForm1 *operator->() const { return Form.get(); }
    TForm1 &operator*() const { return *Form; }

    TBoardModel Model;                    // outlives the form
    MessageRecorder *Messages = nullptr;  // owned by the form
    std::unique_ptr<TForm1> Form;
};

// The control named name among the window's children; a missing one ends the test run, naming it.
template <class W>
W *ControlOf(const QObject &window, const QString &name)
{
    W *control = window.findChild<W *>(name);
    if (!control)
        qFatal("the window has no %s named %s", W::staticMetaObject.className(), qPrintable(name));
    return control;
}

template <class W>
W *ControlOf(const QObject &window, const char *name)
{
    return ControlOf<W>(window, QLatin1String(name));
}

// The page of class P (a window has one of each).
template <class P>
P *PageOf(const TForm1 &form)
{
    return ControlOf<P>(form, QString());
}

inline TConnectionPanel *PanelOf(const TForm1 &form)
{
    return ControlOf<TConnectionPanel>(form, "ConnectiondxfGroupBox");
}

inline QTabWidget *TabsOf(const TForm1 &form)
{
    return ControlOf<QTabWidget>(form, "MainPageControl");
}

// The status bar's panels, 0 (messages) to 4 (the overrides warning).
inline QLabel *StatusPanelOf(const TForm1 &form, int index)
{
    return ControlOf<QLabel>(form, QStringLiteral("StatusPanel%1").arg(index));
}

// The status bar's panel that says since when the live values are not current.
inline QLabel *LiveStatusOf(const TForm1 &form)
{
    return ControlOf<QLabel>(form, "LiveStatusPanel");
}

inline TTCPModbusClient &TcpOf(TForm1 &form)
{
    return form.Model().TcpClient();
}

inline TSerialModbusClient &SerialOf(TForm1 &form)
{
    return form.Model().SerialClient();
}

// The TCP port the next connect uses, as "Line settings..." sets it.
inline void SetTcpPort(TForm1 &form, quint16 port)
{
    TLineSettings line = PanelOf(form)->LineSettings();
    line.Port = port;
    PanelOf(form)->SetLineSettings(line);
}
