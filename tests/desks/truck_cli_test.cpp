// Registered trucks from outside: balantrix-cli on a demo installation with the indicator
// simulator. A stored tare weighs a truck once, its ticket carries the mark inside the
// signed code, and every bad input is refused before anything is written.
#include <QtTest>

#include "tests/desks/clidesk.h"
#include "tests/scale/simulador.h"

namespace {

QString hoje(int dias) {
    return QDate::currentDate().addDays(dias).toString(QStringLiteral("dd-MM-yyyy"));
}

}  // namespace

class TruckCliTest : public QObject {
    Q_OBJECT

    std::unique_ptr<DemoCli> m_demo;
    QTemporaryDir m_dir;

    QVariant valor(const QString& sql, const QVariantList& p = {}) { return m_demo->valor(sql, p); }
    int contagem() {
        return valor(QStringLiteral("SELECT (SELECT COUNT(*) FROM kel_PES_Viaturas) + (SELECT COUNT(*) FROM "
                                    "kel_PES_Historico) + (SELECT COUNT(*) FROM kel_PES_Alibi)"))
            .toInt();
    }

  private slots:
    void initTestCase() {
        m_demo = std::make_unique<DemoCli>();
        QVERIFY2(m_demo->aberta, qPrintable(m_demo->init.err));
        // The program's own tables appear with the first verb that opens the database.
        QCOMPARE(cli(QStringLiteral("truck list")).code, 0);
    }
    void cleanupTestCase() { m_demo.reset(); }

    // set → one-pass weighing from the scale → ticket with the mark → verified code.
    void storedTareFromSetToVerifiedTicket() {
        Simulador sim({QStringLiteral("--demo"), QStringLiteral("--weight"), QStringLiteral("31480")});
        QVERIFY(sim.iniciado());
        CliRun r = cli(QStringLiteral("truck set --plate 77-tt-11 --third C004 --article RAC-VL --tare 12340 "
                                      "--valid-until ") +
                       hoje(30));
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const QString linha = QStringLiteral("plate=77-TT-11 third=C004 article=RAC-VL tare=12340 stored=");
        QVERIFY2(r.out.startsWith(linha), qPrintable(r.out));
        QVERIFY2(r.out.trimmed().endsWith(QStringLiteral("valid_until=%1 source=manual")
                                              .arg(QDate::currentDate().addDays(30).toString(Qt::ISODate))),
                 qPrintable(r.out));
        QCOMPARE(cli(QStringLiteral("truck list")).out, r.out);

        // Party and article come from the register; the reading is the gross weight.
        r = cli(QStringLiteral("weigh first --desk saidas --plate 77-TT-11 --stored-tare --scale"));
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const qint32 id = r.value(QStringLiteral("hist_id")).toInt();
        QVERIFY(id > 0);
        QVERIFY(r.value(QStringLiteral("document")).startsWith(QStringLiteral("GR/")));
        QCOMPARE(r.value(QStringLiteral("net")), QStringLiteral("19140"));
        QCOMPARE(r.value(QStringLiteral("effective")), QStringLiteral("19140"));
        QCOMPARE(valor(QStringLiteral("SELECT Terceiro FROM kel_PES_Historico WHERE Hist_Id = ?"), {id}).toString(),
                 QStringLiteral("C004"));

        // The alibi log: the reading for the gross weight, a typed row for the stored tare.
        r = cli(QStringLiteral("alibi list --hist %1").arg(id));
        QVERIFY2(r.out.contains(QStringLiteral("weight_no=1 source=manual weight=12340.0000")), qPrintable(r.out));
        QVERIFY2(r.out.contains(QStringLiteral("weight_no=2 source=scale weight=31480.0000")), qPrintable(r.out));

        const QString pdf = m_dir.filePath(QStringLiteral("talao.pdf"));
        r = cli(QStringLiteral("ticket pdf %1 --out").arg(id), {pdf});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const QString texto = textoPdf(pdf);
        const QString marca = QStringLiteral("PT — tara registada em ") + hoje(0);
        QVERIFY2(texto.contains(marca), qPrintable(texto));

        const QString qr = qrDoPdf(pdf);
        QVERIFY2(qr.startsWith(QStringLiteral("BTX3|")), qPrintable(qr));
        QVERIFY2(qr.contains(QLatin1Char('|') + QDate::currentDate().toString(Qt::ISODate) + QLatin1Char('|')),
                 qPrintable(qr));
        r = cli(QStringLiteral("ticket verify --qr"), {qr});
        QVERIFY2(r.code == 0, qPrintable(r.out + r.err));
        QCOMPARE(r.value(QStringLiteral("matches_record")), QStringLiteral("1"));

        // Its tare was a stored one: it cannot become a new stored tare.
        r = cli(QStringLiteral("truck set --plate 77-TT-11 --tare-from %1").arg(id));
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QStringLiteral("já era a tara registada")), qPrintable(r.err));

        // The mark taken away from the record: the signed line no longer matches.
        m_demo->db.executar(QStringLiteral("DELETE FROM kel_PES_Historico_TaraRegistada WHERE Hist_Id = ?"), {id});
        r = cli(QStringLiteral("ticket verify --qr"), {qr});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.value(QStringLiteral("valid")), QStringLiteral("1"));
        QCOMPARE(r.value(QStringLiteral("differs")), QStringLiteral("stored_tare"));

        // Delete: gone, and the next one-pass weighing is refused.
        QCOMPARE(cli(QStringLiteral("truck delete --plate 77-TT-11")).code, 0);
        QCOMPARE(cli(QStringLiteral("truck show --plate 77-TT-11")).code, 1);
        r = cli(QStringLiteral("weigh first --desk saidas --plate 77-TT-11 --stored-tare --scale"));
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QStringLiteral("não tem tara registada")), qPrintable(r.err));
    }

    // A tare stored from a finished outgoing load: the reading it stands on, then an
    // incoming one-pass weighing with it as the second weight.
    void tareFromAWeighingServesBothDesks() {
        Simulador sim({QStringLiteral("--demo"), QStringLiteral("--weight"), QStringLiteral("9800")});
        QVERIFY(sim.iniciado());
        CliRun r =
            cli(QStringLiteral("weigh first --desk saidas --third C001 --article RAC-VL --plate 88-UU-22 --scale"));
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const QString id = r.value(QStringLiteral("hist_id"));
        QVERIFY(sim.comando(QStringLiteral("weight 30000")).startsWith(QStringLiteral("ok")));
        r = cli(QStringLiteral("weigh second --desk saidas --id %1 --scale").arg(id));
        QVERIFY2(r.code == 0, qPrintable(r.err));
        r = cli(QStringLiteral("truck set --plate 88-uu-22 --tare-from ") + id);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QVERIFY2(r.out.contains(QStringLiteral(" tare=9800 ")) && r.out.contains(QStringLiteral("source=scale")),
                 qPrintable(r.out));
        QVERIFY2(
            r.out.contains(QStringLiteral("valid_until=") + QDate::currentDate().addDays(180).toString(Qt::ISODate)),
            qPrintable(r.out));

        QVERIFY(sim.comando(QStringLiteral("weight 25000")).startsWith(QStringLiteral("ok")));
        r =
            cli(QStringLiteral("weigh first --desk entradas --plate 88-UU-22 --stored-tare --third F001 "
                               "--article MILHO --scale"));
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.value(QStringLiteral("net")), QStringLiteral("15200"));
        const QString nova = r.value(QStringLiteral("hist_id"));
        // The tare links to the reading of the outgoing load's first weight.
        const QString leitura =
            cli(QStringLiteral("alibi list --hist ") + id).lines().value(0).section(QLatin1Char(' '), 0, 0);
        r = cli(QStringLiteral("alibi list --hist ") + nova);
        QVERIFY2(r.out.contains(leitura + QStringLiteral(" hist_id=") + nova +
                                QStringLiteral(" weight_no=2 source=scale weight=9800.0000")),
                 qPrintable(leitura + QStringLiteral("\n") + r.out));
    }

    void refusals_data() {
        QTest::addColumn<QString>("linha");
        QTest::addColumn<QString>("mensagem");
        const QString valida = QStringLiteral(" --valid-until ") + hoje(10);
        QTest::newRow("tare 0") << QStringLiteral("truck set --plate 11-AA-11 --tare 0") + valida
                                << QStringLiteral("maior que zero");
        QTest::newRow("tare negative") << QStringLiteral("truck set --plate 11-AA-11 --tare -5") + valida
                                       << QStringLiteral("maior que zero");
        QTest::newRow("tare text") << QStringLiteral("truck set --plate 11-AA-11 --tare 12,5") + valida
                                   << QStringLiteral("maior que zero");
        QTest::newRow("past validity") << QStringLiteral("truck set --plate 11-AA-11 --tare 9000 --valid-until ") +
                                              hoje(-1)
                                       << QStringLiteral("já passou");
        QTest::newRow("bad date") << QStringLiteral("truck set --plate 11-AA-11 --tare 9000 --valid-until 31-02-2030")
                                  << QString();
        QTest::newRow("unknown party") << QStringLiteral("truck set --plate 11-AA-11 --third ZZ9 --tare 9000") + valida
                                       << QStringLiteral("não existe");
        QTest::newRow("unknown article") << QStringLiteral("truck set --plate 11-AA-11 --article NADA --tare 9000") +
                                                valida
                                         << QStringLiteral("não existe");
        QTest::newRow("long plate") << QStringLiteral("truck set --plate 12345678901 --tare 9000") + valida
                                    << QStringLiteral("não é válida");
        QTest::newRow("pending") << QStringLiteral("truck set --plate 11-AA-11 --tare-from PENDENTE")
                                 << QStringLiteral("não está concluída");
        QTest::newRow("incoming") << QStringLiteral("truck set --plate 11-AA-11 --tare-from ENTRADA")
                                  << QStringLiteral("é uma entrada");
        QTest::newRow("other truck") << QStringLiteral("truck set --plate 11-AA-11 --tare-from SAIDA")
                                     << QStringLiteral("não da viatura");
        QTest::newRow("no such weighing")
            << QStringLiteral("truck set --plate 11-AA-11 --tare-from 999999") << QStringLiteral("não existe");
        QTest::newRow("missing tare") << QStringLiteral(
                                             "weigh first --desk saidas --plate 33-NO-33 --stored-tare --weight 30000")
                                      << QStringLiteral("não tem tara registada");
        QTest::newRow("typed forbidden") << QStringLiteral("PROIBIDO truck set --plate 11-AA-11 --tare 9000") + valida
                                         << QStringLiteral("PesoManual = proibido");
    }
    void refusals() {
        QFETCH(QString, linha);
        QFETCH(QString, mensagem);
        // Real rows of the demo for the weighings a --tare-from must refuse.
        const auto id = [this](const char* sql) { return valor(QString::fromLatin1(sql)).toString(); };
        linha.replace(QStringLiteral("PENDENTE"),
                      id("SELECT MIN(Hist_Id) FROM kel_PES_Historico WHERE Tipo = 'S' AND DataHoraPL IS NULL"));
        linha.replace(QStringLiteral("ENTRADA"),
                      id("SELECT MIN(Hist_Id) FROM kel_PES_Historico WHERE Tipo = 'E' AND DataHoraPL IS NOT NULL"));
        linha.replace(QStringLiteral("SAIDA"), id("SELECT MIN(Hist_Id) FROM kel_PES_Historico WHERE Tipo = 'S' AND "
                                                  "DataHoraPL IS NOT NULL AND Carro <> '' AND Carro <> '11-AA-11'"));
        const bool proibido = linha.startsWith(QStringLiteral("PROIBIDO "));
        if (proibido) {
            linha.remove(0, 9);
            QCOMPARE(cli(QStringLiteral("option set PesoManual proibido")).code, 0);
        }
        const int antes = contagem();
        const CliRun r = cli(linha);
        if (proibido) cli(QStringLiteral("option set PesoManual permitido"));
        QVERIFY2(r.code == 1 || (mensagem.isEmpty() && r.code != 0), qPrintable(r.out + r.err));
        QVERIFY2(r.err.contains(mensagem), qPrintable(r.err));
        QCOMPARE(contagem(), antes);
    }
};

QTEST_GUILESS_MAIN(TruckCliTest)
#include "truck_cli_test.moc"
