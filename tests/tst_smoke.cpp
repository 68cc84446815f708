// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// The tool itself under a real X server: it starts, shows the start-up picture and the main window,
// draws them, and on a close from the window system writes its settings and exits. Screenshots are
// left in the test's working folder (tst_smoke-picture.png, tst_smoke-main.png).
#include "TestFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <xcb/xcb.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>

namespace {
constexpr int kSoonMs = 20000;
const QString kPictureTitle = QStringLiteral("Z4 Ventilation 2.07");
const QString kMainTitle = QStringLiteral("Z4 Ventilation v2.07");

// A client of the X server, looking at it as a window manager would.
class XDisplay
{
public:
    struct Window
    {
        xcb_window_t Id = 0;
        QString Name;
        bool Viewable = false;
        QRect Geometry;  // on the screen
    };

    ~XDisplay()
    {
        if (m_c)
            xcb_disconnect(m_c);
    }

    bool Open(const QString &display)
    {
        int screen = 0;
        m_c = xcb_connect(display.toLatin1().constData(), &screen);
        if (xcb_connection_has_error(m_c))
            return false;
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_c));
        for (int i = 0; i < screen; ++i)
            xcb_screen_next(&it);
        m_root = it.data->root;
        m_size = QSize(it.data->width_in_pixels, it.data->height_in_pixels);
        m_netWmName = Atom("_NET_WM_NAME");
        m_utf8 = Atom("UTF8_STRING");
        m_protocols = Atom("WM_PROTOCOLS");
        m_delete = Atom("WM_DELETE_WINDOW");
        return true;
    }

    // The windows on the root (with no window manager, every top-level window of a client).
    QList<Window> TopLevels()
    {
        QList<Window> windows;
        xcb_query_tree_reply_t *tree = xcb_query_tree_reply(m_c, xcb_query_tree(m_c, m_root), nullptr);
        if (!tree)
            return windows;
        const xcb_window_t *children = xcb_query_tree_children(tree);
        for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
            Window w;
            w.Id = children[i];
            w.Name = Name(w.Id);
            if (auto *attributes =
                    xcb_get_window_attributes_reply(m_c, xcb_get_window_attributes(m_c, w.Id), nullptr)) {
                w.Viewable = attributes->map_state == XCB_MAP_STATE_VIEWABLE;
                std::free(attributes);
            }
            if (auto *geometry = xcb_get_geometry_reply(m_c, xcb_get_geometry(m_c, w.Id), nullptr)) {
                w.Geometry = QRect(geometry->x, geometry->y, geometry->width, geometry->height);
                std::free(geometry);
            }
            windows.append(w);
        }
        std::free(tree);
        return windows;
    }

    // The viewable window of that name, if there is one.
    std::optional<Window> Shown(const QString &name)
    {
        for (const Window &w : TopLevels())
            if (w.Viewable && w.Name == name)
                return w;
        return std::nullopt;
    }

    QStringList Describe()
    {
        QStringList lines;
        for (const Window &w : TopLevels())
            if (!w.Name.isEmpty())
                lines << QStringLiteral("\"%1\" %2 %3x%4")
                             .arg(w.Name, w.Viewable ? QStringLiteral("viewable") : QStringLiteral("unmapped"))
                             .arg(w.Geometry.width())
                             .arg(w.Geometry.height());
        return lines;
    }

    // What the screen shows.
    QImage Grab()
    {
        auto *reply = xcb_get_image_reply(m_c,
                                          xcb_get_image(m_c, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, 0, 0,
                                                        quint16(m_size.width()), quint16(m_size.height()), ~0u),
                                          nullptr);
        if (!reply)
            return {};
        QImage image;
        if (reply->depth == 24 && xcb_get_image_data_length(reply) == m_size.width() * m_size.height() * 4)
            image = QImage(xcb_get_image_data(reply), m_size.width(), m_size.height(), m_size.width() * 4,
                           QImage::Format_RGB32)
                        .copy();
        std::free(reply);
        return image;
    }

    // What the close button of a window manager sends.
    void AskToClose(xcb_window_t window)
    {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = m_protocols;
        event.data.data32[0] = m_delete;
        event.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(m_c, false, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&event));
        xcb_flush(m_c);
    }

private:
    xcb_atom_t Atom(const char *name)
    {
        auto *reply = xcb_intern_atom_reply(m_c, xcb_intern_atom(m_c, false, quint16(qstrlen(name)), name), nullptr);
        const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return atom;
    }

    QString Property(xcb_window_t window, xcb_atom_t property, xcb_atom_t type)
    {
        auto *reply =
            xcb_get_property_reply(m_c, xcb_get_property(m_c, false, window, property, type, 0, 1024), nullptr);
        if (!reply)
            return {};
        const QString value = QString::fromUtf8(static_cast<const char *>(xcb_get_property_value(reply)),
                                                xcb_get_property_value_length(reply));
        std::free(reply);
        return value;
    }

    QString Name(xcb_window_t window)
    {
        const QString name = Property(window, m_netWmName, m_utf8);
        return name.isEmpty() ? Property(window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING) : name;
    }

    xcb_connection_t *m_c = nullptr;
    xcb_window_t m_root = 0;
    QSize m_size;
    xcb_atom_t m_netWmName = 0, m_utf8 = 0, m_protocols = 0, m_delete = 0;
};

// Colours in a part of an image: a drawn window has many, an empty or black one a few.
int Colours(const QImage &image, const QRect &area)
{
    QSet<QRgb> seen;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); y += 2)
        for (int x = r.left(); x <= r.right(); x += 2)
            seen.insert(image.pixel(x, y));
    return int(seen.size());
}
}  // namespace

class TstSmoke : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void toolStartsShowsItsWindowsAndClosesCleanly();

private:
    // Polls until done() or the tool has exited or the time is up; true when done.
    bool WaitFor(const std::function<bool()> &done, int timeoutMs);
    QString ToolOutput();

    QProcess m_xvfb;
    QString m_display;
    QProcess m_tool;
    QString m_artifacts;  // where the screenshots go: the test's working folder in the build tree
};

void TstSmoke::initTestCase()
{
    m_artifacts = QDir::currentPath();
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty())
        QSKIP("Xvfb is not installed: no X server for the smoke test (apt-get install xvfb)");
    // Xvfb picks a free display itself and tells which on the descriptor given.
    m_xvfb.setProgram(xvfb);
    m_xvfb.setArguments({QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                         QStringLiteral("0"), QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                         QStringLiteral("tcp")});
    m_xvfb.start();
    QVERIFY2(m_xvfb.waitForStarted(kSoonMs), qPrintable(m_xvfb.errorString()));
    QElapsedTimer clock;
    clock.start();
    while (!m_xvfb.canReadLine() && clock.elapsed() < kSoonMs)
        m_xvfb.waitForReadyRead(kSoonMs - int(clock.elapsed()));
    const QByteArray number = m_xvfb.readLine().trimmed();
    QVERIFY2(!number.isEmpty(), qPrintable(QString::fromLocal8Bit(m_xvfb.readAllStandardError())));
    m_display = QStringLiteral(":") + QString::fromLatin1(number);
}

void TstSmoke::cleanupTestCase()
{
    if (m_tool.state() != QProcess::NotRunning) {
        m_tool.kill();
        m_tool.waitForFinished(kSoonMs);
    }
    if (m_xvfb.state() != QProcess::NotRunning) {
        m_xvfb.terminate();
        if (!m_xvfb.waitForFinished(kSoonMs)) {
            m_xvfb.kill();
            m_xvfb.waitForFinished(kSoonMs);
        }
    }
}

bool TstSmoke::WaitFor(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        if (done())
            return true;
        if (m_tool.state() == QProcess::NotRunning)
            return false;
        QTest::qWait(20);
    }
    return done();
}

QString TstSmoke::ToolOutput()
{
    return QStringLiteral("exit %1, stderr:\n%2")
        .arg(m_tool.exitCode())
        .arg(QString::fromLocal8Bit(m_tool.readAllStandardError()));
}

void TstSmoke::toolStartsShowsItsWindowsAndClosesCleanly()
{
    XDisplay x;
    QVERIFY2(x.Open(m_display), qPrintable(QStringLiteral("cannot connect to the X server %1").arg(m_display)));

    QTemporaryDir work;
    QVERIFY(work.isValid());
    const QString settings = work.filePath(QStringLiteral("R4Ivivaz.ini"));
    QVERIFY(WriteAll(settings, "[Connection]\n; the demo board\nMode=0\nIP1=127\nIP4=1\nReadPeriod=2\n"));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));  // "2.07" with a decimal point
    m_tool.setProcessEnvironment(env);
    m_tool.setWorkingDirectory(work.path());
    m_tool.setProgram(QStringLiteral(Z4_VENT_EXE));
    m_tool.start();
    QVERIFY2(m_tool.waitForStarted(kSoonMs), qPrintable(m_tool.errorString()));

    // The picture first, over the main window, and drawn.
    std::optional<XDisplay::Window> picture;
    QVERIFY2(WaitFor([&] { return (picture = x.Shown(kPictureTitle)).has_value(); }, kSoonMs),
             qPrintable(x.Describe().join(QLatin1Char('\n')) + QLatin1Char('\n') + ToolOutput()));
    QVERIFY(x.Shown(kMainTitle));
    QImage shot;
    const bool pictureDrawn = WaitFor(
                                  [&] {
                                      shot = x.Grab();
                                      return Colours(shot, picture->Geometry) > 50 || !x.Shown(kPictureTitle);
                                  },
                                  kSoonMs)
                              && Colours(shot, picture->Geometry) > 50;
    QVERIFY2(pictureDrawn, "the start-up picture closed before it was ever drawn");
    shot.save(QDir(m_artifacts).filePath(QStringLiteral("tst_smoke-picture.png")));

    // It goes by itself; then the main window alone, drawn.
    QVERIFY2(WaitFor([&] { return !x.Shown(kPictureTitle); }, kSoonMs), "the start-up picture never closed");
    std::optional<XDisplay::Window> main = x.Shown(kMainTitle);
    QVERIFY2(main, qPrintable(x.Describe().join(QLatin1Char('\n'))));
    // On the screen whole, and not shrunk to nothing.
    QVERIFY2(QRect(0, 0, 1024, 768).contains(main->Geometry) && main->Geometry.width() >= 720
                 && main->Geometry.height() >= 480,
             qPrintable(QStringLiteral("%1,%2 %3x%4")
                            .arg(main->Geometry.x())
                            .arg(main->Geometry.y())
                            .arg(main->Geometry.width())
                            .arg(main->Geometry.height())));
    QVERIFY(WaitFor(
        [&] {
            shot = x.Grab();
            return Colours(shot, main->Geometry) > 20;
        },
        kSoonMs));
    QVERIFY(shot.save(QDir(m_artifacts).filePath(QStringLiteral("tst_smoke-main.png"))));

    // Closed as a window manager closes it: the settings are written back and the tool exits.
    x.AskToClose(main->Id);
    QVERIFY2(m_tool.waitForFinished(kSoonMs), "the tool did not exit after its window was closed");
    QCOMPARE(m_tool.exitStatus(), QProcess::NormalExit);
    QVERIFY2(m_tool.exitCode() == 0, qPrintable(ToolOutput()));
    QFile written(settings);
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QByteArray text = written.readAll();
    for (const char *line :
         {"; the demo board", "Mode=0", "IP1=127", "IP4=1", "ReadPeriod=2", "Address=1", "BoardTypeIndex=0"})
        QVERIFY2(text.contains(line), text.constData());
}

QTEST_MAIN(TstSmoke)
#include "tst_smoke.moc"
