// The live weight's cost: the program's one reader asking the indicator every half
// second, with a desk watching, for a given time. Prints the processor time of the
// thread that runs the windows (the reader's thread) as a share of one core.
//   bench_pesovivo [--seconds N] [--interval MS]
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <thread>

#include "scale/monitorbalanca.h"

namespace {
double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int segundos = 60;
    int intervalo = 500;
    const QStringList a = app.arguments();
    for (int i = 1; i + 1 < a.size(); ++i) {
        if (a[i] == QStringLiteral("--seconds")) segundos = std::max(1, a[i + 1].toInt());
        if (a[i] == QStringLiteral("--interval")) intervalo = std::max(10, a[i + 1].toInt());
    }
    int mestre = -1, escravo = -1;
    char nome[256] = {};
    if (openpty(&mestre, &escravo, nome, nullptr, nullptr) != 0) {
        std::fprintf(stderr, "openpty failed\n");
        return 1;
    }
    termios t{};
    tcgetattr(escravo, &t);
    cfmakeraw(&t);
    tcsetattr(escravo, TCSANOW, &t);
    QTemporaryDir pasta;
    {
        QFile f(pasta.filePath(QStringLiteral("BALANCA.TXT")));
        if (!f.open(QIODevice::WriteOnly)) return 1;
        f.write(QStringLiteral("%1\n9600,N,8,1\n2\n").arg(QString::fromLocal8Bit(nome)).toLocal8Bit());
    }
    // The indicator: every carriage return is answered at once.
    std::atomic<bool> fim{false};
    std::atomic<int> respostas{0};
    std::thread indicador([&] {
        char buf[256];
        while (!fim) {
            pollfd p{mestre, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0) continue;
            const ssize_t n = read(mestre, buf, sizeof buf);
            for (ssize_t i = 0; i < n; ++i)
                if (buf[i] == '\r') {
                    static const char r[] = "GS  014220kg\r\n";
                    if (write(mestre, r, sizeof r - 1) > 0) ++respostas;
                }
        }
    });

    MonitorBalanca monitor(pasta.path(), pasta.path());
    monitor.setIntervalo(intervalo);
    QObject desk;
    int leituras = 0;
    QObject::connect(&monitor, &MonitorBalanca::mudou, [&](const PesoVivo& p) {
        if (p.tipo == PesoVivo::Estavel) ++leituras;
    });
    const double cpu0 = threadCpuMs();
    monitor.registar(&desk);
    QTimer::singleShot(segundos * 1000, &app, &QCoreApplication::quit);
    app.exec();
    const double cpu = threadCpuMs() - cpu0;
    const int pedidos = monitor.pedidos();
    monitor.libertar(&desk);
    fim = true;
    indicador.join();
    close(escravo);
    close(mestre);
    const double percent = 100.0 * cpu / (segundos * 1000.0);
    std::printf(
        "live_weight: seconds=%d interval_ms=%d requests=%d replies=%d cpu_ms=%.1f cpu_percent=%.3f "
        "target_percent=1 %s\n",
        segundos, intervalo, pedidos, int(respostas), cpu, percent, percent < 1.0 ? "ok" : "SLOW");
    // A reader that asked nothing, or got no reading, measured nothing.
    return pedidos >= segundos && leituras >= 1 ? 0 : 1;
}
