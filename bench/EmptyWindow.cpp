// The yardsticks of the benchmarks: the least a Qt Quick program of the
// program's size does, an empty window of the same 430 x 880. Built with
// ORVO_BENCH_GLOW_WINDOW it also holds what a connection must keep moving:
// one circle of the connect button's glow, 260 x 260 in its free colour, whose
// opacity steps every 80 ms along the same pulse (0 to 0.2 and back every
// 3000 ms on an InOutSine curve).
#include <QGuiApplication>
#include <QQmlApplicationEngine>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QQmlApplicationEngine engine;
#ifdef ORVO_BENCH_GLOW_WINDOW
    engine.loadData(QByteArrayLiteral(
        "import QtQuick\n"
        "Window {\n"
        "    width: 430; height: 880; visible: true\n"
        "    readonly property real started: Date.now()\n"
        "    Rectangle {\n"
        "        id: glow\n"
        "        anchors.centerIn: parent\n"
        "        width: 260; height: 260; radius: 130\n"
        "        color: \"#00FFD9\"\n"
        "        opacity: 0.0\n"
        "    }\n"
        "    Timer {\n"
        "        interval: 80; repeat: true; running: true\n"
        "        onTriggered: {\n"
        "            const phase = (Date.now() - started) % 3000\n"
        "            const half = phase < 1500 ? phase / 1500 : 2 - phase / 1500\n"
        "            glow.opacity = 0.2 * (1 - Math.cos(Math.PI * half)) / 2\n"
        "        }\n"
        "    }\n"
        "}\n"));
#else
    engine.loadData(QByteArrayLiteral("import QtQuick\n"
                                      "Window { width: 430; height: 880; visible: true }\n"));
#endif
    if (engine.rootObjects().isEmpty())
        return 1;
    return app.exec();
}
