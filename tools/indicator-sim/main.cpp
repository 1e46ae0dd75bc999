// indicator-sim: a weighbridge indicator on a pseudo-terminal, for tests, demos and
// trying the scale reader without a scale. Prints the device path on the first line of
// standard output, then answers every carriage return. Control lines on standard input
// ("weight 2000", "mark gu|gs|both|none", "unit on|off", "silent on|off",
// "garbage on|off", "delay MS", "slow MS", "reply TEXT", "hold on|off", "count", "quit") change
// how it answers; each is acknowledged with "ok" or "erro: ...". With --window it also
// opens a small window ("Indicador (simulador)") to drive it by hand: the weight,
// stable / unstable / silent, and buttons for typical trucks.
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#include <csignal>
#endif
#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <cstdio>
#include <memory>

#include "base/configlocation.h"
#include "tools/indicator-sim/indicador.h"
#include "tools/indicator-sim/janelaindicador.h"
#include "widgets/iconeprograma.h"
#include "widgets/traducaoqt.h"

namespace {
void escrever(const QString& linha) {
    std::fputs(linha.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

bool escreverConfig(const QString& ficheiro, const QString& porta, const QString& settings, int segundos,
                    QString* erro) {
    QFile f(ficheiro);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        *erro = f.errorString();
        return false;
    }
    f.write(QStringLiteral("%1\n%2\n%3\n").arg(porta, settings).arg(segundos).toLocal8Bit());
    return true;
}
}  // namespace

int main(int argc, char** argv) {
    // Widgets only for the window: tests and scripts run it without any display.
    bool janela = false;
    for (int i = 1; i < argc; ++i)
        if (qstrcmp(argv[i], "--window") == 0) janela = true;
    std::unique_ptr<QCoreApplication> aplicacao =
        janela ? std::make_unique<QApplication>(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication& app = *aplicacao;
    carregarTraducaoQt(app);
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("Simulador de indicador de báscula num pseudo-terminal."));
    p.addHelpOption();
    const QCommandLineOption oPeso(QStringLiteral("weight"), QStringLiteral("Peso em kg (1250)."),
                                   QStringLiteral("kg"));
    const QCommandLineOption oMarca(QStringLiteral("mark"), QStringLiteral("gs, gu, both ou none (gs)."),
                                    QStringLiteral("marca"));
    const QCommandLineOption oSemUnidade(QStringLiteral("no-unit"), QStringLiteral("Resposta sem \"kg\"."));
    const QCommandLineOption oSilencio(QStringLiteral("silent"), QStringLiteral("Não responde."));
    const QCommandLineOption oLixo(QStringLiteral("garbage"), QStringLiteral("Responde com ruído."));
    const QCommandLineOption oLento(QStringLiteral("slow"), QStringLiteral("Envia a resposta byte a byte (20 ms)."));
    const QCommandLineOption oByteMs(QStringLiteral("byte-ms"), QStringLiteral("Intervalo entre bytes no modo lento."),
                                     QStringLiteral("ms"));
    const QCommandLineOption oAtraso(QStringLiteral("delay"), QStringLiteral("Espera antes de responder."),
                                     QStringLiteral("ms"));
    const QCommandLineOption oResposta(QStringLiteral("reply"),
                                       QStringLiteral("Texto exacto da resposta (\\r e \\n aceites)."),
                                       QStringLiteral("texto"));
    const QCommandLineOption oSegurar(QStringLiteral("hold"),
                                      QStringLiteral("Mantém a porta aberta, como outro programa."));
    const QCommandLineOption oConfig(QStringLiteral("write-config"),
                                     QStringLiteral("Escreve um BALANCA.TXT para esta porta."),
                                     QStringLiteral("ficheiro"));
    const QCommandLineOption oDemo(
        QStringLiteral("demo"),
        QStringLiteral("Escreve o BALANCA.TXT na pasta de configuração norvak (deve existir)."));
    const QCommandLineOption oSegundos(QStringLiteral("seconds"),
                                       QStringLiteral("Segundos de espera no BALANCA.TXT escrito (3)."),
                                       QStringLiteral("s"));
    const QCommandLineOption oComPai(QStringLiteral("exit-with-parent"),
                                     QStringLiteral("Termina quando o programa que o lançou terminar."));
    const QCommandLineOption oJanela(QStringLiteral("window"),
                                     QStringLiteral("Abre uma janela para conduzir o indicador à mão."));
    p.addOption(oJanela);
    p.addOption(oComPai);
    p.addOptions({oPeso, oMarca, oSemUnidade, oSilencio, oLixo, oLento, oByteMs, oAtraso, oResposta, oSegurar, oConfig,
                  oDemo, oSegundos});
    p.process(app);
#ifdef __linux__
    // Started in the background by the demo script, which then becomes the program:
    // the simulator must not outlive it.
    if (p.isSet(oComPai)) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() == 1) return 0;
    }
#endif

    Indicador ind;
    QString erro;
    if (!ind.abrir(&erro)) {
        std::fprintf(stderr, "indicator-sim: %s\n", erro.toLocal8Bit().constData());
        return 1;
    }
    QStringList comandos;
    if (p.isSet(oPeso)) comandos << QStringLiteral("weight ") + p.value(oPeso);
    if (p.isSet(oMarca)) comandos << QStringLiteral("mark ") + p.value(oMarca);
    if (p.isSet(oSemUnidade)) comandos << QStringLiteral("unit off");
    if (p.isSet(oSilencio)) comandos << QStringLiteral("silent on");
    if (p.isSet(oLixo)) comandos << QStringLiteral("garbage on");
    if (p.isSet(oLento) || p.isSet(oByteMs))
        comandos << QStringLiteral("slow ") + (p.isSet(oByteMs) ? p.value(oByteMs) : QStringLiteral("20"));
    if (p.isSet(oAtraso)) comandos << QStringLiteral("delay ") + p.value(oAtraso);
    if (p.isSet(oResposta)) comandos << QStringLiteral("reply ") + p.value(oResposta);
    if (p.isSet(oSegurar)) comandos << QStringLiteral("hold on");
    for (const QString& c : comandos) {
        if (!ind.comando(c, &erro)) {
            std::fprintf(stderr, "indicator-sim: %s\n", erro.toLocal8Bit().constData());
            return 2;
        }
    }

    bool okSegundos = true;
    const int segundos = p.isSet(oSegundos) ? p.value(oSegundos).toInt(&okSegundos) : 3;
    if (!okSegundos) {
        std::fprintf(stderr, "indicator-sim: --seconds inválido\n");
        return 2;
    }
    QStringList ficheiros;
    if (p.isSet(oConfig)) ficheiros << p.value(oConfig);
    if (p.isSet(oDemo)) {
        // The demo's configuration folder only; the program's folder may be shared or read-only.
        const QString norvak = ConfigLocation::norvakFolder();
        if (!QFileInfo(norvak).isDir()) {
            std::fprintf(stderr, "indicator-sim: a pasta %s não existe (crie primeiro a demonstração)\n",
                         norvak.toLocal8Bit().constData());
            return 1;
        }
        ficheiros << QDir(norvak).filePath(QStringLiteral("BALANCA.TXT"));
    }
    for (const QString& f : ficheiros) {
        if (!escreverConfig(f, ind.caminho(), QStringLiteral("9600,N,8,1"), segundos, &erro)) {
            std::fprintf(stderr, "indicator-sim: %s: %s\n", f.toLocal8Bit().constData(),
                         erro.toLocal8Bit().constData());
            return 1;
        }
    }

    escrever(ind.caminho());

    std::unique_ptr<JanelaIndicador> j;
    if (janela) {
        QApplication::setWindowIcon(iconePrograma());
        j = std::make_unique<JanelaIndicador>(ind);
        j->colocarAoLado();
        j->show();
    }

    QSocketNotifier entrada(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pendente;
    QObject::connect(&entrada, &QSocketNotifier::activated, &app, [&]() {
        char buf[1024];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            // No controller (started in the background): keep answering.
            entrada.setEnabled(false);
            return;
        }
        pendente.append(buf, n);
        qsizetype fim;
        while ((fim = pendente.indexOf('\n')) >= 0) {
            const QString linha = QString::fromLocal8Bit(pendente.left(fim)).trimmed();
            pendente.remove(0, fim + 1);
            if (linha.isEmpty()) continue;
            if (linha == QLatin1String("quit")) {
                app.quit();
                return;
            }
            if (linha == QLatin1String("count")) {
                escrever(QStringLiteral("count=%1").arg(ind.pedidos()));
                continue;
            }
            QString e;
            escrever(ind.comando(linha, &e) ? QStringLiteral("ok") : QStringLiteral("erro: ") + e);
        }
    });
    return app.exec();
}
