// The alibi log: appending, the chain check naming the first bad row, two processes
// appending to one SQLite file at once, the installation options, and the SQL Server
// statements that keep workstations from sharing a number.
#include <QProcess>
#include <QtTest>

#include "base/basedados.h"
#include "records/opcoesinstalacao.h"
#include "records/registoalibi.h"
#include "records/tabelasrastreio.h"
#include "tests/support/testsupport.h"

namespace {

int anexar(const QString& path, int n, const QString& posto) {
    BaseDados db(QStringLiteral("anexar"));
    if (!db.abrir(TempDatabase::settingsFor(path))) return 2;
    RegistoAlibi r(db, posto);
    for (int i = 0; i < n; ++i) {
        try {
            r.registarLeitura(QStringLiteral("saidas"), QByteArray("GS  00") + QByteArray::number(1000 + i) + "kg\r",
                              Money::fromInteger(1000 + i), true);
        } catch (const DbError& e) {
            fprintf(stderr, "%s\n", qPrintable(e.texto()));
            return 1;
        }
    }
    return 0;
}

}  // namespace

class AlibiTest : public QObject {
    Q_OBJECT

    static qint64 leituras(RegistoAlibi& r, int n) {
        qint64 ultimo = 0;
        for (int i = 0; i < n; ++i)
            ultimo = r.registarLeitura(QStringLiteral("entradas"),
                                       QByteArray("GS 0") + QByteArray::number(20000 + i) + "kg\r",
                                       Money::fromInteger(20000 + i), i % 3 != 0)
                         .id;
        return ultimo;
    }

  private slots:
    void appendsAChainThatVerifies() {
        TempDatabase t;
        RegistoAlibi r(t.db(), QStringLiteral("POSTO-1"));
        const LinhaAlibi a =
            r.registarLeitura(QStringLiteral("saidas"), QByteArray("GS  001250kg\r\n"), Money::fromInteger(1250), true);
        const LinhaAlibi m = r.registarManual(QStringLiteral("saidas"), Money::fromInteger(980));
        const LinhaAlibi v = r.ligar(QStringLiteral("saidas"), a.id, 7, 1);
        QCOMPARE(a.id, 1);
        QCOMPARE(m.id, 2);
        QCOMPARE(v.id, 3);
        // The reply is kept as text, control bytes visible; the weight with four decimals in the hash text.
        const auto lida = r.linha(1);
        QVERIFY(lida);
        QCOMPARE(lida->resposta, QStringLiteral("GS  001250kg\\x0d\\x0a"));
        QVERIFY(lida->textoCanonico(RegistoAlibi::hashInicial()).contains(QStringLiteral("|1250.0000|1|")));
        QCOMPARE(lida->hash, a.hash);
        QCOMPARE(lida->dataHora.time().msec(), 0);
        const auto ligadas = r.leiturasDe(7);
        QCOMPARE(ligadas.size(), 1);
        QCOMPARE(ligadas[0].leitura.id, 1);
        QCOMPARE(ligadas[0].numeroPeso, 1);
        QCOMPARE(r.leituraDoPeso(7, 1)->leitura.peso, Money::fromInteger(1250));
        QVERIFY(!r.leituraDoPeso(7, 2));
        const RegistoAlibi::Verificacao ok = r.verificar();
        QVERIFY(ok.ok);
        QCOMPARE(ok.linhas, 3);
        // A period of today holds every row; one of last year none.
        QCOMPARE(r.verificar(QDate::currentDate(), QDate::currentDate()).linhas, 3);
        QCOMPARE(r.verificar(QDate::currentDate().addYears(-1), QDate::currentDate().addYears(-1)).linhas, 0);
    }

    void findsAndNamesTheFirstBadRow() {
        TempDatabase t;
        RegistoAlibi r(t.db(), QStringLiteral("POSTO-1"));
        leituras(r, 10);
        QVERIFY(r.verificar().ok);

        // A changed weight.
        t.db().executar(QStringLiteral("UPDATE kel_PES_Alibi SET Peso = 1 WHERE Alibi_Id = 4"));
        RegistoAlibi::Verificacao v = r.verificar();
        QVERIFY(!v.ok);
        QCOMPARE(v.primeiraErrada, 4);
        QVERIFY(v.motivo.contains(QStringLiteral("alterada")));
        t.db().executar(QStringLiteral("UPDATE kel_PES_Alibi SET Peso = 20003 WHERE Alibi_Id = 4"));
        QVERIFY(r.verificar().ok);

        // A deleted row, in the middle.
        t.db().executar(QStringLiteral("DELETE FROM kel_PES_Alibi WHERE Alibi_Id = 6"));
        v = r.verificar();
        QVERIFY(!v.ok);
        QCOMPARE(v.primeiraErrada, 6);
        QVERIFY(v.motivo.contains(QStringLiteral("falta a linha 6")));

        // Two rows swapped (their numbers exchanged): the first of them is named.
        TempDatabase t2(TempDatabase::Catalogue, QStringLiteral("troca"));
        RegistoAlibi r2(t2.db(), QStringLiteral("POSTO-1"));
        leituras(r2, 6);
        t2.db().executar(QStringLiteral("UPDATE kel_PES_Alibi SET Alibi_Id = -3 WHERE Alibi_Id = 3"));
        t2.db().executar(QStringLiteral("UPDATE kel_PES_Alibi SET Alibi_Id = 3 WHERE Alibi_Id = 4"));
        t2.db().executar(QStringLiteral("UPDATE kel_PES_Alibi SET Alibi_Id = 4 WHERE Alibi_Id = -3"));
        v = r2.verificar();
        QVERIFY(!v.ok);
        QCOMPARE(v.primeiraErrada, 3);
        // A period that starts after the damage is still sound.
        t2.db().executar(QStringLiteral("UPDATE kel_PES_Alibi SET DataHora = ? WHERE Alibi_Id <= 5"),
                         {QDateTime(QDate::currentDate().addDays(-3), QTime(10, 0))});
        v = r2.verificar(QDate::currentDate(), {});
        QVERIFY2(v.ok, qPrintable(v.motivo));
        QCOMPARE(v.linhas, 1);
        // The period of the damage is not.
        QCOMPARE(r2.verificar(QDate::currentDate().addDays(-3), QDate::currentDate().addDays(-3)).primeiraErrada, 1);
    }

    void twoProcessesAppendAtOnce() {
        TempDatabase t;
        const QString self = QCoreApplication::applicationFilePath();
        QProcess a, b;
        a.start(self, {QStringLiteral("--anexar"), t.path(), QStringLiteral("150"), QStringLiteral("A")});
        b.start(self, {QStringLiteral("--anexar"), t.path(), QStringLiteral("150"), QStringLiteral("B")});
        QVERIFY(a.waitForFinished(60000));
        QVERIFY(b.waitForFinished(60000));
        QVERIFY2(a.exitCode() == 0, a.readAllStandardError().constData());
        QVERIFY2(b.exitCode() == 0, b.readAllStandardError().constData());
        RegistoAlibi r(t.db(), QStringLiteral("C"));
        const RegistoAlibi::Verificacao v = r.verificar();
        QVERIFY2(v.ok, qPrintable(v.motivo));
        QCOMPARE(v.linhas, 300);
        QCOMPARE(t.db().escalar(QStringLiteral("SELECT COUNT(DISTINCT Posto) FROM kel_PES_Alibi")).toInt(), 2);
        QCOMPARE(t.db().escalar(QStringLiteral("SELECT MAX(Alibi_Id) FROM kel_PES_Alibi")).toInt(), 300);
    }

    void installationOptions() {
        TempDatabase t;
        OpcoesInstalacao o(t.db());
        QCOMPARE(o.valor(QStringLiteral("PesoManual")), QStringLiteral("permitido"));
        QVERIFY(o.pesoManualPermitido());
        QString erro;
        QVERIFY(o.definir(QStringLiteral("PesoManual"), QStringLiteral("proibido"), erro));
        QVERIFY(!o.pesoManualPermitido());
        // Another workstation sees the same rule.
        auto outro = t.second();
        QCOMPARE(OpcoesInstalacao(*outro).valor(QStringLiteral("PesoManual")), QStringLiteral("proibido"));
        QVERIFY(!o.definir(QStringLiteral("PesoManual"), QStringLiteral("talvez"), erro));
        QVERIFY(erro.contains(QStringLiteral("permitido, proibido")));
        QVERIFY(!o.definir(QStringLiteral("Outra"), QStringLiteral("x"), erro));
        QCOMPARE(o.valor(QStringLiteral("PesoManual")), QStringLiteral("proibido"));
        QCOMPARE(t.db().escalar(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Opcoes")).toInt(), 1);
    }

    void sqlServerStatements() {
        // No SQL Server here: the texts that carry the locking and the guards.
        const QString ultima = RegistoAlibi::ultimaLinhaSql(Backend::Mssql);
        QVERIFY2(ultima.startsWith(QStringLiteral("SELECT TOP 1 ")) &&
                     ultima.contains(QStringLiteral("kel_PES_Alibi WITH (UPDLOCK, HOLDLOCK)")) &&
                     ultima.endsWith(QStringLiteral("ORDER BY Alibi_Id DESC")),
                 qPrintable(ultima));
        // Every statement is guarded, so each workstation's start-up may run them all; the
        // row number is taken under the lock above, never generated by the server.
        const QStringList ddl = TabelasRastreio::instrucoes(Backend::Mssql);
        for (const QString& st : ddl)
            QVERIFY2(st.startsWith(QStringLiteral("IF OBJECT_ID(N'")) || st.startsWith(QStringLiteral("IF NOT EXISTS")),
                     qPrintable(st));
        QVERIFY(!ddl[0].contains(QStringLiteral("IDENTITY")));
        // Running the guarded statements twice changes nothing (the start-up of every workstation).
        TempDatabase t;
        TabelasRastreio::garantir(t.db());
        TabelasRastreio::garantir(t.db());
        QVERIFY(t.db().tableExists(QStringLiteral("kel_PES_Alibi")));
    }
};

int main(int argc, char** argv) {
    if (argc == 5 && qstrcmp(argv[1], "--anexar") == 0) {
        QCoreApplication app(argc, argv);
        return anexar(QString::fromLocal8Bit(argv[2]), atoi(argv[3]), QString::fromLocal8Bit(argv[4]));
    }
    QCoreApplication app(argc, argv);
    AlibiTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "alibi_test.moc"
