// Crash safety from outside: balantrix-cli is stopped abruptly (as by a power cut or
// kill -9) at each named point of the completion and the cancellation, on both desks;
// the next start settles what was cut short. After each crash and again after the
// truck is completed once more: the stored rules of the randomized operator hold (one
// live ERP document per finished weighing, no ticket number twice, no note left), the
// ticket number stayed, no number was taken, and the database passes integrity_check.
#include <QtTest>

#include "tests/support/clirun.h"

#include "base/basedados.h"
#include "records/parametrosaplic.h"
#include "tests/desks/operador/invariantes.h"
#include "tests/desks/pesagemlida.h"
#include "tests/support/testsupport.h"

namespace {

using Run = CliRun;

// balantrix-cli with its words as one line, stopped abruptly at `crashAt` when given.
Run cli(const QString& linha, const QString& crashAt = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!crashAt.isEmpty()) env.insert(QStringLiteral("BALANTRIX_CRASH_AT"), crashAt);
    return runCli(linha.split(QLatin1Char(' ')), env);
}

struct Desk {
    QString name;
    QString first;   // options of the first weighing
    QString second;  // weight of the second
};

const Desk kDesks[] = {
    {QStringLiteral("saidas"), QStringLiteral("--third C001 --article MILHO --weight 14000"), QStringLiteral("25000")},
    {QStringLiteral("entradas"), QStringLiteral("--third F001 --article MILHO --weight 31000"),
     QStringLiteral("12000")},
};

}  // namespace

class CrashPointsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDataDir> m_data;
    std::unique_ptr<BaseDados> m_db;
    bool m_pg = false;
    SqlSettings m_base;
    ParametrosAplic m_parametros;
    std::unique_ptr<RegrasBase> m_regras;
    QSet<qint32> m_digitados;  // effective weights set by a correction

    QVariant valor(const QString& sql, const QVariantList& p = {}) { return m_db->escalar(sql, p); }

    Run first(const Desk& d) { return cli(QStringLiteral("weigh first --desk %1 ").arg(d.name) + d.first); }
    Run second(const Desk& d, qint32 id, const QString& crashAt = {}) {
        return cli(QStringLiteral("weigh second --desk %1 --id %2 --weight %3").arg(d.name).arg(id).arg(d.second),
                   crashAt);
    }

    // The sum of every ticket counter: a completion or a cancellation never takes a number.
    qint64 contadores() {
        return valor(QStringLiteral("SELECT COALESCE(SUM(Contador), 0) FROM kel_PES_Taloes")).toLongLong();
    }

    // The stored rules the randomized operator checks, after every step, and SQLite's own check.
    void invariantes(const char* onde) {
        const auto f = m_regras->verificar({m_digitados, {}, true});
        QVERIFY2(!f, qPrintable(QLatin1String(onde) + QStringLiteral(" - ") + Falha::descrever(f)));
        if (!m_pg) QCOMPARE(valor(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
    }

  private slots:
    void initTestCase() {
        m_data = std::make_unique<TempDataDir>();
        // The same crashes on the test server's PostgreSQL when the run asks for it.
        SqlSettings base;
        QString args = QStringLiteral("demo init");
        if (PgTeste::pedido()) {
            m_pg = true;
            m_base = base = PgTeste::novaBase();
            args += QStringLiteral(" --backend postgresql --server %1 --database %2 --login %3")
                        .arg(base.servidor, base.baseDados, base.login);
        }
        const Run init = cli(args);
        QVERIFY2(init.code == 0, qPrintable(init.err));
        if (!m_pg) base = SqlSettings{QStringLiteral("sqlite"), {}, init.value(QStringLiteral("database")), {}, {}};
        m_db = std::make_unique<BaseDados>(QStringLiteral("crash_check"));
        QVERIFY(m_db->abrir(base));
        RecordingMessages m;
        QVERIFY(m_parametros.ler(*m_db, m));
        m_regras = std::make_unique<RegrasBase>(*m_db, m_parametros);
        invariantes("demo");
    }
    void cleanupTestCase() {
        m_regras.reset();
        m_db.reset();
        if (m_pg) PgTeste::apagarBase(m_base);
        m_data.reset();
    }

    // Each point of the completion, the correction and the cancellation, on both desks;
    // `action` is what the next start reports (none: the work was committed).
    void crashPoints_data() {
        QTest::addColumn<int>("posto");  // in kDesks
        QTest::addColumn<QString>("point");
        QTest::addColumn<QString>("action");
        const char* pontos[][2] = {{"complete.note-written", "cancelled"},
                                   {"complete.document-created", "cancelled"},
                                   {"complete.document-finalised", "cancelled"},
                                   {"complete.before-commit", "cancelled"},
                                   {"complete.after-commit", ""},
                                   {"correct.document-saved", "restored"},
                                   {"correct.before-commit", "restored"},
                                   {"correct.after-commit", ""},
                                   {"cancel.note-written", "finished"},
                                   {"cancel.document-cancelled", "finished"},
                                   {"cancel.before-commit", "finished"},
                                   {"cancel.after-commit", ""}};
        for (int d = 0; d < 2; ++d)
            for (const auto& p : pontos)
                QTest::newRow(qPrintable(kDesks[d].name + u' ' + QLatin1String(p[0])))
                    << d << QString::fromLatin1(p[0]) << QString::fromLatin1(p[1]);
    }
    void crashPoints() {
        QFETCH(int, posto);
        QFETCH(QString, point);
        QFETCH(QString, action);
        const Desk& d = kDesks[posto];
        const QString operacao = point.section(u'.', 0, 0);
        Run r = first(d);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const qint32 id = r.value(QStringLiteral("hist_id")).toInt();
        const QString ticket = r.value(QStringLiteral("ticket"));
        QString documento;
        double efectivo = 0;
        if (operacao != QLatin1String("complete")) {
            r = second(d, id);
            QVERIFY2(r.code == 0, qPrintable(r.err));
            documento = r.value(QStringLiteral("document"));
            efectivo = r.value(QStringLiteral("effective")).toDouble();
        }
        const qint64 antes = contadores();
        const QString corrigir = QStringLiteral("weigh correct --desk %1 --id %2 --effective %3")
                                     .arg(d.name)
                                     .arg(id)
                                     .arg(efectivo - 100, 0, 'f', 0);
        if (operacao == QLatin1String("complete")) {
            r = second(d, id, point);
        } else if (operacao == QLatin1String("correct")) {
            m_digitados.insert(id);
            r = cli(corrigir, point);
            if (r.code == 2) QSKIP("this build's balantrix-cli has no weigh correct");
        } else {
            r = cli(QStringLiteral("weigh cancel --desk %1 --id %2").arg(d.name).arg(id), point);
        }
        QVERIFY2(r.crashed, qPrintable(r.out + r.err));
        const Run rec = cli(QStringLiteral("erp reconcile"));
        QVERIFY2(rec.code == 0, qPrintable(rec.out + rec.err));
        // One line for the weighing cut short, if any, then nothing left open.
        QCOMPARE(rec.lines().size(), action.isEmpty() ? 1 : 2);
        QCOMPARE(rec.lines().last(), QStringLiteral("open=0"));
        if (!action.isEmpty()) {
            const QString l = rec.lines().first();
            QVERIFY2(
                l.startsWith(QStringLiteral("hist_id=%1 operation=%2 document=%3").arg(id).arg(operacao, documento)) &&
                    l.endsWith(QStringLiteral(" action=") + action),
                qPrintable(rec.out));
        }
        invariantes("after the crash");
        QCOMPARE(contadores(), antes);

        if (operacao == QLatin1String("correct")) {
            // Corrected only when the record was (the document says what the record says: an invariant);
            // and the correction can be made again.
            QCOMPARE(PesagemLida::ler(*m_db, id).efectivo, action.isEmpty() ? efectivo - 100 : efectivo);
            r = cli(corrigir);
            QVERIFY2(r.code == 0, qPrintable(r.err));
            invariantes("corrected again");
            return;
        }
        // A completion cut short is undone; a cancellation the operator asked for is finished:
        // either way the truck is pending again, and completes with its ticket.
        const bool concluida = !PesagemLida::ler(*m_db, id).pendente;
        QCOMPARE(concluida, operacao == QLatin1String("complete") && action.isEmpty());
        if (!concluida) {
            r = second(d, id);
            QVERIFY2(r.code == 0, qPrintable(r.err));
            QVERIFY(r.value(QStringLiteral("document")) != documento);
        }
        QCOMPARE(PesagemLida::ler(*m_db, id).talao, ticket);
        invariantes("completed again");
        QCOMPARE(contadores(), antes);
    }
};

QTEST_GUILESS_MAIN(CrashPointsTest)
#include "crashpoints_test.moc"
