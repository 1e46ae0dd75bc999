// An operator's ordinary slips on the desk core: a recalled truck typed over, a plate
// weighed in twice, typing into a finished weighing, work dropped by the wrong key,
// and what the desk says after each step. Both kinds of desk, on a real SQLite file
// and the local ERP.
#include <QtTest>

#include "records/registohistorico.h"
#include "tests/desks/deskfixture.h"

namespace {

const DeskKind& kindDe(bool entrada) {
    return entrada ? DeskKind::entradas() : DeskKind::saidas();
}
QString terceiro(bool entrada) {
    return entrada ? QStringLiteral("F001") : QStringLiteral("C001");
}
QString outro(bool entrada) {
    return entrada ? QStringLiteral("F002") : QStringLiteral("C002");
}
// First and second weights that give a positive net weight on either desk.
int primeiro(bool entrada) {
    return entrada ? 30000 : 12000;
}
int segundo(bool entrada) {
    return entrada ? 12000 : 30000;
}

}  // namespace

class DeslizesTest : public QObject {
    Q_OBJECT

  private slots:
    void kinds_data() {
        QTest::addColumn<bool>("entrada");
        QTest::newRow("saidas") << false;
        QTest::newRow("entradas") << true;
    }

    // Another party typed over a recalled truck, then F3: still its second weighing, one record.
    void recalledTruckKeepsItsIdentity_data() { kinds_data(); }
    void recalledTruckKeepsItsIdentity() {
        QFETCH(bool, entrada);
        DeskFixture f;
        auto d = f.desk(kindDe(entrada));
        const qint32 id = f.primeiraPesagem(*d, terceiro(entrada), QStringLiteral("MILHO"), primeiro(entrada));
        d->btPendentes();
        d->activarLinha(0);
        QList<Campo> identidade = {Campo::Terceiro,  Campo::Morada,       Campo::Artigo,
                                   Campo::Nome,      Campo::Endereco,     Campo::Localidade,
                                   Campo::CodPostal, Campo::Contribuinte, Campo::Matricula};
        if (!entrada) identidade << Campo::TipoMorada;
        for (Campo i : identidade) {
            QVERIFY2(d->campoSoLeitura(i), qPrintable(kindDe(entrada).tabela().legenda(i)));
            QVERIFY(!d->listaActiva(i));
        }
        DeskFixture::tab(*d, Campo::Terceiro, outro(entrada));
        QCOMPARE(d->campo(Campo::Terceiro), terceiro(entrada));
        d->escrever(Campo::Observacoes, QStringLiteral("x"));  // a change elsewhere, then the party field left again
        QVERIFY(d->sair(Campo::Terceiro));
        QVERIFY(d->segundoPeso());
        QVERIFY(!d->primeiroPeso());
        d->btPeso();
        QCOMPARE(d->rotulo(DeskCore::LegendaPeso), kindDe(entrada).legendaSegundoPeso);
        DeskFixture::pesar(*d, segundo(entrada));
        QCOMPARE(d->tabActual(), Pagina::Carga);
        DeskFixture::concluir(*d);
        QCOMPARE(f.contar(QStringLiteral("kel_PES_Historico")), 1);
        const RecordSet r = LerHistorico(f.t.db(), id);
        QVERIFY(!r.isNull(QStringLiteral("DataHoraPL")));
        QCOMPARE(r.text(QStringLiteral("Terceiro")), terceiro(entrada));
        // A new weighing afterwards takes every field again.
        d->btEntrada();
        for (Campo i : identidade) QVERIFY(!d->campoSoLeitura(i));
    }

    // A plate already pending asks first (default No); the command line's refusal is tested with it.
    void duplicatePlateAsksFirst_data() { kinds_data(); }
    void duplicatePlateAsksFirst() {
        QFETCH(bool, entrada);
        DeskFixture f;
        auto d = f.desk(kindDe(entrada));
        f.primeiraPesagem(*d, terceiro(entrada), QStringLiteral("MILHO"), primeiro(entrada),
                          QStringLiteral("12-AB-34"));
        f.msgs.clear();
        f.msgs.answers = {false};
        f.primeiraPesagem(*d, outro(entrada), QStringLiteral("TRIGO"), primeiro(entrada), QStringLiteral("12-ab-34"));
        QCOMPARE(
            f.msgs.all,
            QStringList{QStringLiteral("A viatura 12-ab-34 já tem uma pesagem pendente (talão 1). Registar outra?")});
        QCOMPARE(f.msgs.kinds, QList<int>{OperatorMessages::SimNaoPredefinidoNao});
        QCOMPARE(f.contar(QStringLiteral("kel_PES_Historico")), 1);
        QVERIFY(!d->painelPesagem());
        QCOMPARE(d->foco(), Campo::Matricula);
        QCOMPARE(d->campo(Campo::Terceiro), outro(entrada));  // nothing typed is lost: the plate can be mended
        // Yes: a second truck with that plate is weighed in.
        f.msgs.answers = {true};
        DeskFixture::pesar(*d, primeiro(entrada));
        QCOMPARE(f.contar(QStringLiteral("kel_PES_Historico")), 2);
        // Another plate is not asked about.
        f.msgs.clear();
        f.primeiraPesagem(*d, outro(entrada), QStringLiteral("TRIGO"), primeiro(entrada), QStringLiteral("99-ZZ-99"));
        QVERIFY2(f.msgs.all.isEmpty(), qPrintable(f.msgs.all.join(u'|')));
        QCOMPARE(f.contar(QStringLiteral("kel_PES_Historico")), 3);
    }

    // A finished weighing: only what a correction writes takes typing; nothing else.
    void finishedWeighingTakesOnlyWhatIsSaved_data() { kinds_data(); }
    void finishedWeighingTakesOnlyWhatIsSaved() {
        QFETCH(bool, entrada);
        DeskFixture f;
        auto d = f.desk(kindDe(entrada));
        const qint32 id = f.primeiraPesagem(*d, terceiro(entrada), QStringLiteral("MILHO"), primeiro(entrada));
        QVERIFY(f.segundaPesagem(*d, id, segundo(entrada)));
        DeskFixture::concluir(*d);
        QVERIFY(f.abrirHistorico(*d, id));
        const DeskKind& k = kindDe(entrada);
        const QList<Campo> abertos = {Campo::Vasilhame, Campo::Observacoes, Campo::Efectivo,     Campo::Email,
                                      Campo::Qualidade, Campo::LocalCarga,  Campo::LocalDescarga};
        for (const CampoDesk& c : k.tabela().todos())
            QVERIFY2(d->campoSoLeitura(c.nome) != abertos.contains(c.nome), qPrintable(c.legenda));
        // "Ref. Cliente" (outgoing) / the plate (both) cannot be typed into at all.
        const Campo fechado = entrada ? Campo::Matricula : Campo::RefCliente;
        d->escrever(fechado, QStringLiteral("ALTERADO"));
        QVERIFY(d->campo(fechado) != QStringLiteral("ALTERADO"));
        // Confirmar with nothing changed says that nothing was written.
        f.msgs.clear();
        d->btConf();
        QVERIFY(f.msgs.all.isEmpty());
        QVERIFY2(d->estado().endsWith(QStringLiteral("sem alterações: nada foi gravado.")), qPrintable(d->estado()));
        QVERIFY(!d->verHistorico());
    }

    // Every action that would drop unsaved work asks first; No keeps it, Yes drops it.
    void unsavedWorkIsNeverDroppedSilently_data() {
        QTest::addColumn<QString>("accao");
        QTest::addColumn<bool>(
            "revisao");  // a recalled truck reviewed after its second weight, or a new one in the panel
        for (const char* a : {"btPendentes", "btEntrada", "btHistorico", "btSair", "escape0", "cancelar"}) {
            QTest::newRow(qPrintable(QStringLiteral("%1 revisão").arg(QLatin1String(a))))
                << QString::fromLatin1(a) << true;
            QTest::newRow(qPrintable(QStringLiteral("%1 peso lido").arg(QLatin1String(a))))
                << QString::fromLatin1(a) << false;
        }
    }
    void unsavedWorkIsNeverDroppedSilently() {
        QFETCH(QString, accao);
        QFETCH(bool, revisao);
        DeskFixture f;
        auto d = f.desk(DeskKind::saidas());
        QSignalSpy fechar(d.get(), &DeskCore::fecharPedido);
        const qint32 id = f.primeiraPesagem(*d, QStringLiteral("C001"), QStringLiteral("MILHO"), 12000);
        if (revisao) {
            QVERIFY(f.segundaPesagem(*d, id, 30000));
        } else {
            DeskFixture::nova(*d, QStringLiteral("C002"), QStringLiteral("TRIGO"));
            d->btPeso();
            f.balanca.peso = Money::fromInteger(14220);
            d->btPesar();
            QCOMPARE(d->campo(Campo::Peso), QStringLiteral("14220"));
        }
        QVERIFY(d->trabalhoPorGravar());
        const QHash<QString, std::function<void()>> accoes{
            {QStringLiteral("btPendentes"), [&] { d->btPendentes(); }},
            {QStringLiteral("btEntrada"), [&] { d->btEntrada(); }},
            {QStringLiteral("btHistorico"), [&] { d->btHistorico(); }},
            {QStringLiteral("btSair"), [&] { d->btSair(); }},
            {QStringLiteral("escape0"), [&] { d->escape(Campo::Terceiro); }},
            {QStringLiteral("cancelar"), [&] { d->cancelar(); }}};
        const auto fazer = accoes.value(accao);
        f.msgs.clear();
        f.msgs.answers = {false};
        fazer();
        QCOMPARE(f.msgs.all, QStringList{QStringLiteral("Abandonar a pesagem em curso?")});
        QCOMPARE(f.msgs.kinds, QList<int>{OperatorMessages::SimNaoPredefinidoNao});
        QCOMPARE(fechar.count(), 0);
        QCOMPARE(d->campo(Campo::Terceiro), revisao ? QStringLiteral("C001") : QStringLiteral("C002"));
        QCOMPARE(d->campo(revisao ? Campo::Bruto : Campo::Peso),
                 revisao ? QStringLiteral("30.000,00") : QStringLiteral("14220"));
        f.msgs.answers = {true};
        fazer();
        QCOMPARE(f.msgs.all.size(), 2);
        const bool fecha = accao == QLatin1String("btSair") || accao == QLatin1String("escape0");
        QCOMPARE(fechar.count(), fecha ? 1 : 0);
        QVERIFY(!d->trabalhoPorGravar());
        QVERIFY(PesagemLida::ler(f.t.db(), id).pendente);
    }

    void emptyDeskClosesWithoutAsking() {
        DeskFixture f;
        auto d = f.desk(DeskKind::entradas());
        QSignalSpy fechar(d.get(), &DeskCore::fecharPedido);
        d->btEntrada();
        d->escape(Campo::Terceiro);
        QCOMPARE(fechar.count(), 1);
        QVERIFY(f.msgs.all.isEmpty());
    }

    // The desk's own line says what each step did; a failed step leaves the desk as it was.
    void operatorIsToldWhatHappened() {
        DeskFixture f;
        auto d = f.desk(DeskKind::saidas());
        const qint32 id = f.primeiraPesagem(*d, QStringLiteral("C001"), QStringLiteral("MILHO"), 12000);
        QCOMPARE(d->talaoTexto(), QStringLiteral("1"));  // no prefix: no leading "/"
        QCOMPARE(d->estado(),
                 QStringLiteral("Talão 1 gravado: viatura 12-AB-34, Tara 12.000,00 kg. Aguarda a segunda pesagem."));
        // A refused second weight keeps the truck's first weight and entry on the card.
        d->btPendentes();
        QVERIFY(d->estado().isEmpty());
        d->activarLinha(0);
        DeskFixture::pesar(*d, 11000);
        QCOMPARE(f.msgs.last(), QStringLiteral("Peso Líquido incorrecto"));
        QStringList cartao = d->cartaoPesos();
        QCOMPARE(cartao.value(0), QStringLiteral("12-AB-34"));
        QVERIFY(!cartao.value(1).isEmpty());
        QCOMPARE(cartao.value(2), QStringLiteral("12.000,00 kg"));
        DeskFixture::pesar(*d, 30000);
        QCOMPARE(d->cartaoPesos().value(4), QStringLiteral("18.000,00 kg"));
        DeskFixture::concluir(*d);
        QCOMPARE(d->estado(), QStringLiteral("Talão 1 concluído: viatura 12-AB-34, peso efectivo 18.000,00 kg; "
                                             "documento GR 1/1."));
        // The history lists the ticket as the desk names it.
        d->btHistorico();
        d->btLer();
        QCOMPARE(d->grelha().valor(0, QStringLiteral("Talao")), QStringLiteral("1"));
        // A reprint that fails leaves the weighing on the desk.
        for (int r = 0; r < d->grelha().linhas.size(); ++r)
            if (d->grelha().valor(r, QStringLiteral("Id")).toInt() == id) d->activarLinha(r);
        f.tickets.falhar = true;
        d->btImpHist();
        QVERIFY(f.msgs.last().startsWith(QStringLiteral("O talão não foi impresso.")));
        QVERIFY(d->verHistorico());
        QCOMPARE(d->campo(Campo::Terceiro), QStringLiteral("C001"));
        QVERIFY(d->botaoVisivel(DeskCore::BtImpHist));
        f.tickets.falhar = false;
        d->btImpHist();
        QCOMPARE(d->estado(), QStringLiteral("Talão 1 impresso."));
        // Cancelling a finished weighing says where it went and which document went with it.
        QVERIFY(f.abrirHistorico(*d, id));
        f.msgs.answers = {true};
        d->btAnularHist();
        QCOMPARE(d->estado(), QStringLiteral("Talão 1 voltou às pendentes; documento GR 1/1 anulado."));
        // A required field left empty is named.
        DeskFixture::nova(*d, QStringLiteral("C003"), QStringLiteral("MILHO"));
        d->escrever(Campo::Artigo, QString());
        QVERIFY(!d->sair(Campo::Artigo));
        QCOMPARE(f.msgs.last(), QStringLiteral("Artigo: campo obrigatório!"));
    }
};

QTEST_GUILESS_MAIN(DeslizesTest)
#include "deslizes_test.moc"
