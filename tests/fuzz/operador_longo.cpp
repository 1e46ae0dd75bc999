// The randomized operator for as long as wanted:
//   operador-longo SEED STEPS [STEPS_PER_DAY]
// Plays STEPS actions from SEED on both desks with the local ERP and a simulated scale,
// checking the database's invariants after each. Every STEPS_PER_DAY actions (default
// 2000) it starts again on a fresh database with the next seed of the run, so the
// checks stay fast. On a failure it prints the failing seed and the shortest action list
// that still fails (OperadorAleatorio::correr with that seed replays it), and exits 1.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

#include "tests/desks/operador/operadoraleatorio.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    bool ok1 = false, ok2 = false, ok3 = true;
    const quint64 semente = args.value(1).toULongLong(&ok1);
    const qint64 passos = args.value(2).toLongLong(&ok2);
    const int porDia = args.size() > 3 ? args.value(3).toInt(&ok3) : 2000;
    if (args.size() < 3 || args.size() > 4 || !ok1 || !ok2 || !ok3 || passos <= 0 || porDia <= 0) {
        std::fprintf(stderr, "uso: operador-longo SEMENTE PASSOS [PASSOS_POR_DIA]\n");
        return 2;
    }
    // Never near a real installation.
    QTemporaryDir dados;
    qputenv("BALANTRIX_DATA_DIR", dados.path().toLocal8Bit());
    QElapsedTimer relogio;
    relogio.start();
    qint64 feitos = 0;
    int concluidas = 0, correccoes = 0, anulacoes = 0;
    for (quint64 dia = 0; feitos < passos; ++dia) {
        const quint64 s = semente * 1000003ULL + dia;
        const int n = int(std::min<qint64>(porDia, passos - feitos));
        const auto r = OperadorAleatorio::correr(s, n);
        feitos += r.passos;
        concluidas += r.finalizadas;
        correccoes += r.correccoes;
        anulacoes += r.anulacoes;
        if (r.falha) {
            std::printf("%s\n", qPrintable(r.relatorio()));
            std::printf("FALHOU após %lld acções da corrida %llu (%.1f s)\n", feitos, semente,
                        relogio.elapsed() / 1000.0);
            return 1;
        }
        std::fprintf(stderr, "%lld acções (%.0f s)\n", feitos, relogio.elapsed() / 1000.0);
    }
    std::printf("semente %llu: %lld acções sem falhas (%d documentos, %d correcções, %d anulações) em %.1f s\n",
                semente, feitos, concluidas, correccoes, anulacoes, relogio.elapsed() / 1000.0);
    return 0;
}
