// Scale reader benchmark: processor time spent while waiting for a silent indicator,
// and the time from the indicator's carriage return to the reading's result.
//   bench_scale [--wait SECONDS] [--rounds N]
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>
#include <vector>

#include "scale/leitorbalanca.h"

namespace {
using Clock = std::chrono::steady_clock;

double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

qint64 agoraUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch()).count();
}

struct Pty {
    int mestre = -1, escravo = -1;
    QString caminho;
    Pty() {
        char nome[256] = {};
        if (openpty(&mestre, &escravo, nome, nullptr, nullptr) != 0) return;
        termios t{};
        tcgetattr(escravo, &t);
        cfmakeraw(&t);
        tcsetattr(escravo, TCSANOW, &t);
        caminho = QString::fromLocal8Bit(nome);
    }
    ~Pty() {
        close(escravo);
        close(mestre);
    }
};

void escreverConfig(const QString& pasta, const QString& porta, int segundos) {
    QFile f(pasta + QStringLiteral("/BALANCA.TXT"));
    if (f.open(QIODevice::WriteOnly))
        f.write(QStringLiteral("%1\n9600,N,8,1\n%2\n").arg(porta).arg(segundos).toLocal8Bit());
}
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    const int espera =
        a.contains(QStringLiteral("--wait")) ? a.value(a.indexOf(QStringLiteral("--wait")) + 1).toInt() : 3;
    const int rondas =
        a.contains(QStringLiteral("--rounds")) ? a.value(a.indexOf(QStringLiteral("--rounds")) + 1).toInt() : 50;
    QTemporaryDir pasta;

    // 1. A silent indicator: the reading waits for the whole limit.
    {
        Pty pty;
        escreverConfig(pasta.path(), pty.caminho, espera);
        LeitorBalanca leitor(pasta.path(), pasta.path());
        qint64 peso = 0;
        QString msg;
        const double c0 = cpuMs();
        const auto t0 = Clock::now();
        leitor.pesar(peso, msg);
        const double parede = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        const double cpu = cpuMs() - c0;
        std::printf("wait_limit_s=%d\nwait_wall_ms=%.1f\nwait_cpu_ms=%.2f\nwait_cpu_percent=%.3f\n", espera, parede,
                    cpu, 100.0 * cpu / parede);
    }

    // 2. An indicator that answers at once: carriage return to result.
    Pty pty;
    escreverConfig(pasta.path(), pty.caminho, 5);
    std::atomic<qint64> enviadoUs{0};
    std::atomic<bool> parar{false};
    std::thread indicador([&] {
        QByteArray pedido;
        while (!parar) {
            pollfd p{pty.mestre, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) continue;
            char buf[64];
            const ssize_t n = read(pty.mestre, buf, sizeof buf);
            if (n <= 0) continue;
            pedido.append(buf, n);
            if (!pedido.contains('\r')) continue;
            pedido.clear();
            static const char resposta[] = "GS  001250kg\r\n";
            enviadoUs = agoraUs();  // the reply's carriage return leaves now
            (void)!write(pty.mestre, resposta, sizeof resposta - 1);
        }
    });
    std::vector<double> latencias, chegadas;
    int falhas = 0;
    for (int i = 0; i < rondas; ++i) {
        LeitorBalanca leitor(pasta.path(), pasta.path());
        qint64 chegouUs = 0;
        QObject::connect(&leitor, &LeitorBalanca::recebidoMudou, [&](const QByteArray& r) {
            if (r.contains('\r') && chegouUs == 0) chegouUs = agoraUs();
        });
        qint64 peso = 0;
        QString msg;
        const bool ok = leitor.pesar(peso, msg);
        const qint64 fim = agoraUs();
        if (!ok || peso != 1250) {
            ++falhas;
            continue;
        }
        latencias.push_back((fim - enviadoUs.load()) / 1000.0);
        chegadas.push_back((chegouUs - enviadoUs.load()) / 1000.0);
    }
    parar = true;
    indicador.join();
    std::sort(latencias.begin(), latencias.end());
    std::sort(chegadas.begin(), chegadas.end());
    if (latencias.empty()) {
        std::printf("latency_failures=%d\n", falhas);
        return 1;
    }
    auto pct = [&](double p) { return latencias[size_t(p * double(latencias.size() - 1))]; };
    std::printf(
        "latency_rounds=%zu\nlatency_failures=%d\nlatency_median_ms=%.3f\nlatency_p95_ms=%.3f\nlatency_max_"
        "ms=%.3f\n",
        latencias.size(), falhas, pct(0.5), pct(0.95), latencias.back());
    // Of which: the pseudo-terminal delivering the bytes to the reader's readyRead.
    std::printf("arrival_median_ms=%.3f\n", chegadas[chegadas.size() / 2]);
    return falhas == 0 ? 0 : 1;
}
