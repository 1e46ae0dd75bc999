// The cost per weighing of the legal-for-trade work on one SQLite file: the alibi log
// (two readings and two link rows per weighing, each its own transaction as at the
// desk), the ticket's signature and QR code, and the chain check over the whole log.
//   bench-alibi [--weighings N] [--database FILE]
// Prints key=value lines (milliseconds).
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>

#include "base/basedados.h"
#include "output/chaveinstalacao.h"
#include "output/codigoqr.h"
#include "records/registoalibi.h"
#include "records/tabelasrastreio.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCommandLineParser p;
    p.addOption(
        {QStringLiteral("weighings"), QStringLiteral("weighings to log"), QStringLiteral("N"), QStringLiteral("500")});
    p.addOption({QStringLiteral("database"), QStringLiteral("SQLite file (a temporary one if not given)"),
                 QStringLiteral("FILE")});
    p.process(app);
    const int n = std::max(1, p.value(QStringLiteral("weighings")).toInt());
    QTemporaryDir dir;
    const QString path = p.isSet(QStringLiteral("database")) ? p.value(QStringLiteral("database"))
                                                             : dir.filePath(QStringLiteral("bench.db"));

    BaseDados db(QStringLiteral("bench"));
    if (!db.abrir(SqlSettings{QStringLiteral("sqlite"), QStringLiteral("local"), path, QString(), QString()},
                  BaseDados::OpenMode::CreateIfMissing)) {
        fprintf(stderr, "%s\n", qPrintable(db.ultimoErro()));
        return 1;
    }
    try {
        TabelasRastreio::garantir(db);
        RegistoAlibi log(db, QStringLiteral("BENCH"));
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < n; ++i) {
            const LinhaAlibi a =
                log.registarLeitura(QStringLiteral("saidas"), "GS  014220kg\r\n", Money::fromInteger(14220 + i), true);
            log.ligar(QStringLiteral("saidas"), a.id, i + 1, 1);
            const LinhaAlibi b =
                log.registarLeitura(QStringLiteral("saidas"), "GS  040560kg\r\n", Money::fromInteger(40560 + i), true);
            log.ligar(QStringLiteral("saidas"), b.id, i + 1, 2);
        }
        const double logMs = double(t.nsecsElapsed()) / 1e6 / n;

        // The workstation key in the temporary folder: a benchmark never touches an installation's.
        ChaveInstalacao chave(db, dir.filePath(QStringLiteral("chaves/posto.pem")));
        chave.carregar();
        const QString linha = QStringLiteral(
                                  "BTX2|%5|500100200|%1|S|A|1234|2026|2026/2027|C0001|1|RAC-VL|AA-00-BB|GR/1/1234/2026|"
                                  "40560.0000|14220.0000|26340.0000|100.0000|0.0000|26240.0000|"
                                  "2026-12-06T08:41:00|2026-12-06T09:27:00|%2|%3|M%4|%3")
                                  .arg(n)
                                  .arg(n * 4 - 3)
                                  .arg(QString(64, QLatin1Char('a')))
                                  .arg(n * 4 - 1)
                                  .arg(chave.id());
        t.restart();
        QByteArray sig;
        for (int i = 0; i < n; ++i) sig = chave.assinar((linha + QString::number(i)).toUtf8());
        const double signMs = double(t.nsecsElapsed()) / 1e6 / n;
        const QString completa = linha + QLatin1Char('|') + QString::fromLatin1(sig.toBase64());
        t.restart();
        qsizetype bytes = 0;
        for (int i = 0; i < n; ++i) bytes += CodigoQr::dataUrl(completa).size();
        const double qrMs = double(t.nsecsElapsed()) / 1e6 / n;
        t.restart();
        const RegistoAlibi::Verificacao v = log.verificar();
        const double verifyMs = double(t.nsecsElapsed()) / 1e6;

        printf(
            "weighings=%d\nlog_ms_per_weighing=%.3f\nsign_ms_per_ticket=%.3f\nqr_ms_per_ticket=%.3f\n"
            "qr_line_chars=%d\nverify_rows=%lld\nverify_ms=%.1f\nchain_ok=%d\n",
            n, logMs, signMs, qrMs, int(completa.size()), v.linhas, verifyMs, v.ok ? 1 : 0);
        Q_UNUSED(bytes);
        return v.ok && v.linhas == qint64(n) * 4 ? 0 : 1;
    } catch (const ErroOperacao& e) {
        fprintf(stderr, "%s\n", qPrintable(e.texto()));
        return 1;
    }
}
