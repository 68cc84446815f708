#include <QApplication>
#include <QLabel>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Z4 Ventilation"));
    QLabel window(QStringLiteral("Z4 Ventilation"));
    window.setWindowTitle(QStringLiteral("Z4 Ventilation"));
    window.resize(720, 620);
    window.show();
    return app.exec();
}
