// The desk and the alibi log: every reading logged as taken (stable or not), the weight
// that is saved linked to its reading, typed weights logged as manual, and refused at
// the desk when the installation forbids them.
#include <QtTest>

#include "desks/alibidesk.h"
#include "records/opcoesinstalacao.h"
#include "records/registoalibi.h"
#include "tests/desks/deskfixture.h"

// The indicator's reply comes with every reading, as from the real reader.
struct BalancaComResposta : FakeWeight {
    QByteArray resposta() const override {
        return QByteArray(ok ? "GS " : "GU ") + QByteArray::number(peso.units() / 10000) + "kg\r";
    }
};

class AlibiDeskTest : public QObject {
    Q_OBJECT

  private slots:
    void readingsAndTypedWeightsAreLoggedAndLinked() {
        DeskFixture f;
        auto d = f.desk(*DeskKind::porNome(QStringLiteral("saidas")));
        BalancaComResposta balanca;
        d->setWeightSource(&balanca);
        DeskFixture::nova(*d, QStringLiteral("C001"), QStringLiteral("RAC-VL"));
        d->btPeso();
        // An unstable reading is logged too, and never reaches the weight.
        balanca.ok = false;
        balanca.peso = Money::fromInteger(14300);
        d->btPesar();
        QCOMPARE(d->campo(Campo::Peso), QString());
        balanca.ok = true;
        balanca.peso = Money::fromInteger(14220);
        d->btPesar();
        QCOMPARE(d->campo(Campo::Peso), QStringLiteral("14220"));
        d->btConfPeso(Gravacao::Confirmar);
        const qint32 id = PesagemLida::ultimo(f.t.db());
        QVERIFY(id > 0);
        QVERIFY(f.segundaPesagem(*d, id, 40560));
        DeskFixture::concluir(*d);
        QVERIFY2(!PesagemLida::ler(f.t.db(), id).pendente, qPrintable(f.msgs.all.join(QLatin1Char('|'))));

        RegistoAlibi log(f.t.db(), QString());
        const QList<LeituraLigada> ligadas = log.leiturasDe(id);
        QCOMPARE(ligadas.size(), 2);
        QCOMPARE(ligadas[0].numeroPeso, 1);
        QCOMPARE(ligadas[0].leitura.origem, QStringLiteral("scale"));
        QCOMPARE(ligadas[0].leitura.peso, Money::fromInteger(14220));
        QVERIFY(ligadas[0].leitura.estavel);
        QCOMPARE(ligadas[0].leitura.resposta, QStringLiteral("GS 14220kg\\x0d"));
        QCOMPARE(ligadas[0].leitura.balcao, QStringLiteral("saidas"));
        QCOMPARE(ligadas[1].numeroPeso, 2);
        QCOMPARE(ligadas[1].leitura.origem, QStringLiteral("manual"));
        QCOMPARE(ligadas[1].leitura.peso, Money::fromInteger(40560));
        QVERIFY(ligadas[1].leitura.resposta.isEmpty());
        // The unstable reading stands in the log, linked to nothing.
        QCOMPARE(f.valor(QStringLiteral(
                             "SELECT COUNT(*) FROM kel_PES_Alibi WHERE Tipo = 'L' AND Estavel = 0 AND Peso = 14300"))
                     .toInt(),
                 1);
        QVERIFY(log.verificar().ok);
    }

    void forbiddenTypedWeightIsRefusedAtTheDesk() {
        DeskFixture f;
        QString erro;
        QVERIFY(OpcoesInstalacao(f.t.db()).definir(QStringLiteral("PesoManual"), QStringLiteral("proibido"), erro));
        auto d = f.desk(*DeskKind::porNome(QStringLiteral("entradas")));
        const int antes = f.contar(QStringLiteral("kel_PES_Historico"));
        DeskFixture::nova(*d, QStringLiteral("F001"), QStringLiteral("MILHO"));
        DeskFixture::pesar(*d, 30000);
        QCOMPARE(f.msgs.last(), AlibiDesk::mensagemProibido());
        QVERIFY(d->painelPesagem());
        QCOMPARE(f.contar(QStringLiteral("kel_PES_Historico")), antes);
        QCOMPARE(f.contar(QStringLiteral("kel_PES_Alibi")), 0);

        // A reading changed by hand afterwards is a typed weight.
        f.balanca.peso = Money::fromInteger(30120);
        d->btPesar();
        d->escrever(Campo::Peso, QStringLiteral("30100"));
        d->btConfPeso(Gravacao::Confirmar);
        QCOMPARE(f.msgs.last(), AlibiDesk::mensagemProibido());
        // After a failed reading nothing is left to confirm.
        f.balanca.ok = false;
        d->btPesar();
        QCOMPARE(d->campo(Campo::Peso), QString());
        d->btConfPeso(Gravacao::Confirmar);
        QCOMPARE(f.contar(QStringLiteral("kel_PES_Historico")), antes);

        // The weight read from the indicator goes through.
        f.balanca.ok = true;
        d->btPesar();
        QCOMPARE(d->campo(Campo::Peso), QStringLiteral("30120"));
        d->btConfPeso(Gravacao::Confirmar);
        QCOMPARE(f.contar(QStringLiteral("kel_PES_Historico")), antes + 1);
        const qint32 id = PesagemLida::ultimo(f.t.db());
        QCOMPARE(RegistoAlibi(f.t.db(), QString()).leituraDoPeso(id, 1)->leitura.peso, Money::fromInteger(30120));
    }

    void aReadingThatCannotBeLoggedIsNotUsed() {
        DeskFixture f;
        auto d = f.desk(*DeskKind::porNome(QStringLiteral("saidas")));
        DeskFixture::nova(*d, QStringLiteral("C001"), QStringLiteral("RAC-VL"));
        d->btPeso();
        f.t.db().executar(QStringLiteral("DROP TABLE kel_PES_Alibi"));
        f.balanca.peso = Money::fromInteger(14220);
        d->btPesar();
        QCOMPARE(d->campo(Campo::Peso), QString());
        QVERIFY(f.msgs.last().startsWith(QStringLiteral("A leitura da balança não pôde ser registada")));
    }
};

QTEST_MAIN(AlibiDeskTest)
#include "alibidesk_test.moc"
