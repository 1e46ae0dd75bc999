// The randomized operator on fixed seeds: both desks, two workstations, the local ERP
// and a simulated scale, with the database's invariants checked after every action.
// A failure prints its seed and the shortest action list that still fails; longer runs:
// tests/fuzz/operador-longo SEED STEPS.
#include <QtTest>

#include "desks/deskcore.h"
#include "tests/desks/operador/operadoraleatorio.h"

class OperadorTest : public QObject {
    Q_OBJECT

  private slots:
    void seeds_data() {
        QTest::addColumn<quint64>("semente");
        for (quint64 s : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u}) QTest::newRow(qPrintable(QString::number(s))) << s;
    }
    void seeds() {
        QFETCH(quint64, semente);
        const OperadorAleatorio::Resultado r = OperadorAleatorio::correr(semente, 600);
        QVERIFY2(!r.falha, qPrintable(r.relatorio()));
        qInfo().noquote() << r.relatorio();
    }

    void aFailureIsShrunkToTheActionsThatCause() {
        // A list "fails" once it holds a btConf of desk 2 after an entry typed into the weight field
        // of desk 2: of 200 random actions only those two must stay.
        QList<Accao> l;
        for (int i = 0; i < 200; ++i) {
            Accao a;
            a.posto = i % 4;
            a.tipo = Accao::Escrever;
            a.campo = DeskKind::entradas().tabela().todos()[i % 20].nome;
            a.texto = QString::number(i);
            l << a;
        }
        l[57].posto = 2;
        l[57].campo = Campo::Peso;
        l[57].texto = QStringLiteral("x");
        l[140].tipo = Accao::Botao;
        l[140].indice = DeskCore::BtConf;
        l[140].posto = 2;
        int tentativas = 0;
        const auto falha = [&tentativas](const QList<Accao>& c) -> std::optional<int> {
            ++tentativas;
            bool peso = false;
            for (int i = 0; i < c.size(); ++i) {
                if (c[i].posto == 2 && c[i].tipo == Accao::Escrever && c[i].texto == QStringLiteral("x")) peso = true;
                if (peso && c[i].posto == 2 && c[i].tipo == Accao::Botao && c[i].indice == DeskCore::BtConf) return i;
            }
            return std::nullopt;
        };
        const QList<Accao> curta = OperadorAleatorio::encolher(l, falha);
        QCOMPARE(curta.size(), 2);
        QCOMPARE(curta[0].texto, QStringLiteral("x"));
        QCOMPARE(curta[1].indice, int(DeskCore::BtConf));
        QVERIFY(tentativas <= 400);
        QVERIFY(curta[1].descricao().contains(QStringLiteral("entradas-A btConf")));
    }
};

QTEST_GUILESS_MAIN(OperadorTest)
#include "operador_test.moc"
