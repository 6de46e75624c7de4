// A local service for trying the program by hand: the fake service on a fixed
// port of 127.0.0.1 with the development data of DevService. Any e-mail and
// password log in (demo@example.com is there from the start); a registration
// needs an e-mail that has no account yet.
//
//   orvo_dev_service [port]      (default 8765; the program is built with
//                                 -DORVO_API_BASE_URL=http://127.0.0.1:<port>/api/v1/)
#include <QCoreApplication>

#include <cstdio>

#include "DevService.h"
#include "FakeService.h"

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const quint16 port = quint16(app.arguments().value(1, QStringLiteral("8765")).toUInt());
    Orvo::Testing::FakeService service;
    if (port == 0 || !service.start(port)) {
        std::fprintf(stderr, "orvo_dev_service: cannot listen on 127.0.0.1:%u\n", unsigned(port));
        return 1;
    }
    Orvo::Testing::DevService dev;
    dev.install(service);
    std::printf("%s\n", qPrintable(service.baseUrl()));
    std::fflush(stdout);
    return app.exec();
}
