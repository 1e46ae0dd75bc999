// Legal for trade, from outside: balantrix-cli on a demo installation with the indicator
// simulator. Typed weights refused while PesoManual is "proibido", the readings of a
// weighing listed, its ticket PDF marked, the QR code read back from the rendered page
// and verified, and the verification failing once the stored weighing is changed.
#include <QtTest>

#include "output/chaveinstalacao.h"
#include "tests/desks/clidesk.h"
#include "tests/scale/simulador.h"
#include "tests/support/ficheiros.h"

namespace {

using Run = CliRun;

}  // namespace

class LegalCliTest : public QObject {
    Q_OBJECT

    std::unique_ptr<DemoCli> m_demo;
    QTemporaryDir m_dir;
    QString m_base;

    QVariant valor(const QString& sql, const QVariantList& p = {}) { return m_demo->valor(sql, p); }

  private slots:
    void initTestCase() {
        m_demo = std::make_unique<DemoCli>();
        QVERIFY2(m_demo->aberta, qPrintable(m_demo->init.err));
        m_base = m_demo->base;
        QCOMPARE(permissoes(m_base), 0600);
    }
    void cleanupTestCase() { m_demo.reset(); }

    void weighingFromReadingToVerifiedTicket() {
        Simulador sim({QStringLiteral("--demo"), QStringLiteral("--weight"), QStringLiteral("14260")});
        QVERIFY(sim.iniciado());
        // A reading taken to try the indicator is logged too.
        Run r = cli(QStringLiteral("scale read"));
        QCOMPARE(r.code, 0);
        QCOMPARE(valor(QStringLiteral("SELECT Peso FROM kel_PES_Alibi WHERE Alibi_Id = ?"),
                       {r.value(QStringLiteral("alibi")).toInt()})
                     .toInt(),
                 14260);

        r = cli(QStringLiteral("option show"));
        QCOMPARE(r.code, 0);
        QCOMPARE(r.value(QStringLiteral("PesoManual")), QStringLiteral("permitido"));
        r = cli(QStringLiteral("option set PesoManual proibido"));
        QCOMPARE(r.code, 0);
        QCOMPARE(r.value(QStringLiteral("PesoManual")), QStringLiteral("proibido"));
        QCOMPARE(cli(QStringLiteral("option set PesoManual sim")).code, 2);

        // Forbidden: a typed weight is refused and nothing is saved.
        const int antes = valor(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Historico")).toInt();
        const QString base = QStringLiteral("weigh first --desk saidas --third C004 --article RAC-VL ");
        r = cli(base + QStringLiteral("--weight 14000"));
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QStringLiteral("não é permitido introduzir pesos manualmente")), qPrintable(r.err));
        QCOMPARE(valor(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Historico")).toInt(), antes);

        // Read from the indicator it goes through.
        r = cli(base + QStringLiteral("--scale"));
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const qint32 id = r.value(QStringLiteral("hist_id")).toInt();
        QVERIFY(id > 0);

        // Allowed again: the second weight typed by hand.
        QCOMPARE(cli(QStringLiteral("option set PesoManual permitido")).code, 0);
        r = cli(QStringLiteral("weigh second --desk saidas --weight 30260 --id %1").arg(id));
        QVERIFY2(r.code == 0, qPrintable(r.err));

        r = cli(QStringLiteral("alibi list --hist %1").arg(id));
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
        QVERIFY2(
            r.lines()[1].contains(QStringLiteral(" weight_no=2 source=manual weight=30260.0000 stable=0 raw= at=")),
            qPrintable(r.lines()[1]));
        const QString alibi1 = formato.match(lida).captured(1);

        // The ticket, and the code read back from its page.
        const QString pdf = m_dir.filePath(QStringLiteral("talao.pdf"));
        r = cli(QStringLiteral("ticket pdf %1 --out").arg(id), {pdf});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const QString linha = qrDoPdf(pdf);
        QVERIFY2(linha.startsWith(QStringLiteral("BTX2|")), qPrintable(linha));
        const QString chaveId = linha.section(QLatin1Char('|'), 1, 1);
        QCOMPARE(chaveId.size(), 16);
        // A verification writes nothing, not even with every public key gone from the table.
        const QByteArray gravada = bytesDaBase(m_base);
        r = cli(QStringLiteral("ticket verify --qr"), {linha});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.lines(), (QStringList{QStringLiteral("valid=1"), QStringLiteral("key_id=") + chaveId,
                                         QStringLiteral("hist_id=%1").arg(id), QStringLiteral("matches_record=1")}));
        QCOMPARE(bytesDaBase(m_base), gravada);

        // An inspector with the public keys only.
        r = cli(QStringLiteral("ticket public-key"));
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.startsWith(QStringLiteral("key_id=%1 fingerprint=%1").arg(chaveId)), qPrintable(r.out));
        QVERIFY(r.out.contains(QStringLiteral("\n-----BEGIN PUBLIC KEY-----\n")));
        const QString chave = m_dir.filePath(QStringLiteral("chave.pem"));
        QVERIFY(escreverFicheiro(chave, r.out.toLatin1()));
        r = cli(QStringLiteral("ticket verify --qr"), {linha, QStringLiteral("--public-key"), chave});
        QCOMPARE(r.value(QStringLiteral("valid")), QStringLiteral("1"));
        QCOMPARE(r.value(QStringLiteral("key_id")), chaveId);
        m_demo->db.executar(QStringLiteral("DELETE FROM kel_PES_ChavesPublicas"));
        const QByteArray semChaves = bytesDaBase(m_base);
        r = cli(QStringLiteral("ticket verify --qr"), {linha});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.value(QStringLiteral("valid")), QStringLiteral("0"));
        QCOMPARE(bytesDaBase(m_base), semChaves);
        // The next start of the workstation registers its key again.
        QCOMPARE(cli(QStringLiteral("ticket pdf %1 --out").arg(id), {pdf}).code, 0);
        QCOMPARE(cli(QStringLiteral("ticket verify --qr"), {linha}).code, 0);

        // The stored weighing changed: still signed, no longer matching, exit 1.
        m_demo->db.executar(
            QStringLiteral("UPDATE kel_PES_Historico SET PesoEfectivo = PesoEfectivo + 100 WHERE Hist_Id = ?"), {id});
        r = cli(QStringLiteral("ticket verify --qr"), {linha});
        QVERIFY2(r.code == 1, qPrintable(r.out + r.err));
        QCOMPARE(r.value(QStringLiteral("valid")), QStringLiteral("1"));
        QCOMPARE(r.value(QStringLiteral("matches_record")), QStringLiteral("0"));
        QCOMPARE(r.value(QStringLiteral("differs")), QStringLiteral("effective"));

        // The log as a whole; then one reading changed.
        r = cli(QStringLiteral("alibi verify"));
        QCOMPARE(r.code, 0);
        QVERIFY2(QRegularExpression(QStringLiteral("^rows=\\d+ ok=1$")).match(r.out.trimmed()).hasMatch(),
                 qPrintable(r.out));
        m_demo->db.executar(QStringLiteral("UPDATE kel_PES_Alibi SET Peso = 14200 WHERE Alibi_Id = ?"),
                            {alibi1.toInt()});
        r = cli(QStringLiteral("alibi verify --from"), {QDate::currentDate().toString(QStringLiteral("dd-MM-yyyy"))});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.out.trimmed(), QStringLiteral("ok=0 first_bad=") + alibi1);
    }

    // A private key an earlier version kept in the database leaves it at the next start;
    // the workstation keeps its own key, and tickets of the old one still verify.
    void keyInTheDatabaseMovesOutAtStart() {
        QString privada, publica;
        QVERIFY(ChaveInstalacao::gerar(privada, publica));
        m_demo->db.executar(QStringLiteral("DELETE FROM kel_PES_Chave"));
        m_demo->db.executar(QStringLiteral("INSERT INTO kel_PES_Chave (Numero, Algoritmo, Privada, Publica, Criada) "
                                           "VALUES (1, 'ED25519', ?, ?, ?)"),
                            {privada, publica, QDateTime(QDate(2025, 1, 2), QTime(8, 0))});
        Run r = cli(QStringLiteral("option show"));
        QCOMPARE(r.code, 0);
        QCOMPARE(valor(QStringLiteral("SELECT Privada FROM kel_PES_Chave")).toString(), QString());
        r = cli(QStringLiteral("ticket public-key"));
        QVERIFY2(r.out.contains(ChaveInstalacao::idDe(publica)), qPrintable(r.out));
    }

    // Periods and dates the database cannot hold, refused before anything runs.
    void rangesAndDates_data() {
        QTest::addColumn<QString>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("err");
        const QString bulk = QStringLiteral("bulk --mode customers --pdf ");
        QTest::newRow("bulk reversed") << bulk + QStringLiteral("--from 02-01-2026 --to 01-01-2026") << 2
                                       << QStringLiteral(
                                              "O período começa (02-01-2026) depois de acabar (01-01-2026).");
        QTest::newRow("bulk year 10000") << bulk + QStringLiteral("--from 01-01-2026 --to 01-01-10000") << 2
                                         << QStringLiteral("Data inválida");
        QTest::newRow("bulk before 1753") << bulk + QStringLiteral("--from 31-12-1752 --to 01-01-2026") << 2
                                          << QStringLiteral("fora das datas aceites (de 01-01-1753 a 31-12-9999)");
        QTest::newRow("alibi reversed") << QStringLiteral("alibi verify --from 02-01-2026 --to 01-01-2026") << 2
                                        << QStringLiteral("depois de acabar");
        QTest::newRow("history reversed") << QStringLiteral("history --desk saidas --from 02-01-2026 --to 01-01-2026")
                                          << 2 << QStringLiteral("depois de acabar");
        QTest::newRow("weighing in year 1")
            << QStringLiteral(
                   "weigh first --desk saidas --third C004 --article RAC-VL --weight 12000 --date 01-01-0001")
            << 2 << QStringLiteral("fora das datas aceites");
    }
    void rangesAndDates() {
        QFETCH(QString, args);
        QFETCH(int, code);
        QFETCH(QString, err);
        const int antes = valor(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Historico")).toInt();
        const Run r = cli(args);
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.contains(err), qPrintable(r.err));
        QCOMPARE(valor(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Historico")).toInt(), antes);
    }

    void lastDayOfTheCalendar() {
        const QString bulk = QStringLiteral("bulk --mode customers --pdf --from 01-01-2000 --to ");
        const Run antes = cli(bulk + QStringLiteral("30-12-9999"));
        const Run ultimo = cli(bulk + QStringLiteral("31-12-9999"));
        QCOMPARE(ultimo.code, 0);
        const auto partes = [](const Run& r) {
            return r.out.section(QStringLiteral("parties="), 1).section(QLatin1Char(' '), 0, 0);
        };
        QVERIFY2(partes(antes).toInt() > 0, qPrintable(antes.out + antes.err));
        QCOMPARE(partes(ultimo), partes(antes));
        const Run alibi = cli(QStringLiteral("alibi verify --to 31-12-9999"));
        // The whole log is in the period (its chain was broken on purpose above).
        QVERIFY2(alibi.code != 2 && !alibi.out.isEmpty() && !alibi.out.startsWith(QStringLiteral("rows=0")),
                 qPrintable(alibi.out + alibi.err));
    }

    // The configuration is read once; a file no configuration can be is refused, named.
    void hugeConfigurationRefused() {
        const QString config = m_demo->dados.norvak() + QStringLiteral("/Enorme.kel");
        QVERIFY(escreverFicheiro(config, "[SQL]\n" + QByteArray(1100 * 1024, ';')));
        const Run r = cli(QStringLiteral("--config Enorme.kel option show"));
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(config) && r.err.contains(QStringLiteral("demasiado grande")), qPrintable(r.err));
    }
};

QTEST_MAIN(LegalCliTest)
#include "legal_cli_test.moc"
