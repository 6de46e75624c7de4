// The yardstick of the start-up benchmark: the least a Qt Quick program of
// the program's size does, an empty window of the same 430 x 880.
#include <QGuiApplication>
#include <QQmlApplicationEngine>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QQmlApplicationEngine engine;
    engine.loadData(QByteArrayLiteral("import QtQuick\n"
                                      "Window { width: 430; height: 880; visible: true }\n"));
    if (engine.rootObjects().isEmpty())
        return 1;
    return app.exec();
}
