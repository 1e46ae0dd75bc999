// Legal for trade, from outside: balantrix-cli on a demo installation with the indicator
// simulator. Typed weights refused while PesoManual is "proibido", the readings of a
// weighing listed, its ticket PDF marked, the QR code read back from the rendered page
// and verified, and the verification failing once the stored weighing is changed.
#include <QtTest>

#include "clirun.h"

#include "basedados.h"
#include "simulador.h"
#include "testsupport.h"

namespace {

using Run = CliRun;

Run correr(const QString& programa, const QStringList& args) {
    return runProgram(programa, args);
}

Run cli(const QStringList& args) {
    return runCli(args);
}

}  // namespace

class LegalCliTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDataDir> m_data;
    std::unique_ptr<BaseDados> m_db;
    QTemporaryDir m_dir;

    QVariant valor(const QString& sql, const QVariantList& p = {}) { return m_db->escalar(sql, p); }

  private slots:
    void initTestCase() {
        m_data = std::make_unique<TempDataDir>();
        const Run init = cli({QStringLiteral("demo"), QStringLiteral("init")});
        QVERIFY2(init.code == 0, qPrintable(init.err));
        m_db = std::make_unique<BaseDados>(QStringLiteral("legal_cli_check"));
        QVERIFY(m_db->abrir(
            SqlSettings{QStringLiteral("sqlite"), {}, init.value(QStringLiteral("database")), {}, {}}));
    }
    void cleanupTestCase() {
        m_db.reset();
        m_data.reset();
    }

    void weighingFromReadingToVerifiedTicket() {
        Simulador sim({QStringLiteral("--demo"), QStringLiteral("--weight"), QStringLiteral("14260")});
        QVERIFY(sim.iniciado());
        Run r = cli({QStringLiteral("option"), QStringLiteral("show")});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.value(QStringLiteral("PesoManual")), QStringLiteral("permitido"));
        r = cli({QStringLiteral("option"), QStringLiteral("set"), QStringLiteral("PesoManual"),
                 QStringLiteral("proibido")});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.value(QStringLiteral("PesoManual")), QStringLiteral("proibido"));
        QCOMPARE(cli({QStringLiteral("option"), QStringLiteral("set"), QStringLiteral("PesoManual"),
                      QStringLiteral("sim")})
                     .code,
                 2);

        // Forbidden: a typed weight is refused and nothing is saved.
        const int antes = valor(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Historico")).toInt();
        const QStringList base{QStringLiteral("weigh"),     QStringLiteral("first"),
                               QStringLiteral("--desk"),    QStringLiteral("saidas"),
                               QStringLiteral("--third"),   QStringLiteral("C004"),
                               QStringLiteral("--article"), QStringLiteral("RAC-VL")};
        r = cli(base + QStringList{QStringLiteral("--weight"), QStringLiteral("14000")});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QStringLiteral("não é permitido introduzir pesos manualmente")),
                 qPrintable(r.err));
        QCOMPARE(valor(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Historico")).toInt(), antes);

        // Read from the indicator it goes through.
        r = cli(base + QStringList{QStringLiteral("--scale")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const qint32 id = r.value(QStringLiteral("hist_id")).toInt();
        QVERIFY(id > 0);

        // Allowed again: the second weight typed by hand.
        QCOMPARE(cli({QStringLiteral("option"), QStringLiteral("set"), QStringLiteral("PesoManual"),
                      QStringLiteral("permitido")})
                     .code,
                 0);
        r = cli({QStringLiteral("weigh"), QStringLiteral("second"), QStringLiteral("--desk"),
                 QStringLiteral("saidas"), QStringLiteral("--id"), QString::number(id),
                 QStringLiteral("--weight"), QStringLiteral("30260")});
        QVERIFY2(r.code == 0, qPrintable(r.err));

        r = cli(
            {QStringLiteral("alibi"), QStringLiteral("list"), QStringLiteral("--hist"), QString::number(id)});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.lines().size(), 2);
        const QString lida = r.lines()[0];
        static const QRegularExpression formato(
            QStringLiteral("^alibi_id=(\\d+) hist_id=(\\d+) weight_no=1 source=scale weight=14260\\.0000 "
                           "stable=1 raw=(\\S+|\"[^\"]*\") "
                           "at=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d$"));
        QVERIFY2(formato.match(lida).hasMatch(), qPrintable(lida));
        QCOMPARE(formato.match(lida).captured(2).toInt(), id);
        QVERIFY2(lida.contains(QStringLiteral("kg")), qPrintable(lida));
        QVERIFY2(r.lines()[1].contains(
                     QStringLiteral(" weight_no=2 source=manual weight=30260.0000 stable=0 raw= at=")),
                 qPrintable(r.lines()[1]));
        const QString alibi1 = formato.match(lida).captured(1);

        // The ticket: the alibi number of the read weight, the manual mark and its legend.
        const QString pdf = m_dir.filePath(QStringLiteral("talao.pdf"));
        r = cli({QStringLiteral("ticket"), QStringLiteral("pdf"), QString::number(id),
                 QStringLiteral("--out"), pdf});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const QString texto =
            correr(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")}).out;
        QVERIFY2(texto.contains(QStringLiteral("Tara · Alibi n.º ") + alibi1), qPrintable(texto));
        QVERIFY(texto.contains(QStringLiteral("(M)")));
        QVERIFY(texto.contains(QStringLiteral("peso introduzido manualmente")));

        // The code read back from the page.
        correr(QStringLiteral("pdftoppm"),
               {QStringLiteral("-r"), QStringLiteral("200"), QStringLiteral("-png"),
                QStringLiteral("-singlefile"), pdf, m_dir.filePath(QStringLiteral("pagina"))});
        const QString linha =
            correr(QStringLiteral("zbarimg"), {QStringLiteral("-q"), QStringLiteral("--raw"),
                                               m_dir.filePath(QStringLiteral("pagina.png"))})
                .out.trimmed();
        QVERIFY2(linha.startsWith(QStringLiteral("BTX1|")), qPrintable(linha));
        r = cli({QStringLiteral("ticket"), QStringLiteral("verify"), QStringLiteral("--qr"), linha});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.lines(), (QStringList{QStringLiteral("valid=1"), QStringLiteral("hist_id=%1").arg(id),
                                         QStringLiteral("matches_record=1")}));

        // An inspector with the public key only.
        r = cli({QStringLiteral("ticket"), QStringLiteral("public-key")});
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.startsWith(QStringLiteral("-----BEGIN PUBLIC KEY-----")));
        const QString chave = m_dir.filePath(QStringLiteral("chave.pem"));
        QFile f(chave);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(r.out.toLatin1());
        f.close();
        r = cli({QStringLiteral("ticket"), QStringLiteral("verify"), QStringLiteral("--qr"), linha,
                 QStringLiteral("--public-key"), chave});
        QCOMPARE(r.value(QStringLiteral("valid")), QStringLiteral("1"));

        // The stored weighing changed: still signed, no longer matching, exit 1.
        m_db->executar(
            QStringLiteral(
                "UPDATE kel_PES_Historico SET PesoEfectivo = PesoEfectivo + 100 WHERE Hist_Id = ?"),
            {id});
        r = cli({QStringLiteral("ticket"), QStringLiteral("verify"), QStringLiteral("--qr"), linha});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.value(QStringLiteral("valid")), QStringLiteral("1"));
        QCOMPARE(r.value(QStringLiteral("matches_record")), QStringLiteral("0"));
        // A forged line: the signature fails.
        QString falsa = linha;
        falsa.replace(QStringLiteral("|14260.0000|"), QStringLiteral("|14160.0000|"));
        r = cli({QStringLiteral("ticket"), QStringLiteral("verify"), QStringLiteral("--qr"), falsa});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.value(QStringLiteral("valid")), QStringLiteral("0"));

        // The log as a whole; then one reading changed.
        r = cli({QStringLiteral("alibi"), QStringLiteral("verify")});
        QCOMPARE(r.code, 0);
        QVERIFY2(QRegularExpression(QStringLiteral("^rows=\\d+ ok=1$")).match(r.out.trimmed()).hasMatch(),
                 qPrintable(r.out));
        m_db->executar(QStringLiteral("UPDATE kel_PES_Alibi SET Peso = 14200 WHERE Alibi_Id = ?"),
                       {alibi1.toInt()});
        r = cli({QStringLiteral("alibi"), QStringLiteral("verify"), QStringLiteral("--from"),
                 QDate::currentDate().toString(QStringLiteral("dd-MM-yyyy"))});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.out.trimmed(), QStringLiteral("ok=0 first_bad=") + alibi1);
    }

    void scaleReadIsLogged() {
        Simulador sim({QStringLiteral("--demo"), QStringLiteral("--weight"), QStringLiteral("5120")});
        QVERIFY(sim.iniciado());
        const int antes = valor(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Alibi")).toInt();
        const Run r = cli({QStringLiteral("scale"), QStringLiteral("read")});
        QCOMPARE(r.code, 0);
        QVERIFY(r.value(QStringLiteral("alibi")).toInt() > 0);
        QCOMPARE(valor(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Alibi")).toInt(), antes + 1);
        QCOMPARE(valor(QStringLiteral("SELECT Peso FROM kel_PES_Alibi WHERE Alibi_Id = ?"),
                       {r.value(QStringLiteral("alibi")).toInt()})
                     .toInt(),
                 5120);
    }
};

QTEST_MAIN(LegalCliTest)
#include "legal_cli_test.moc"
