#include "tests/desks/operador/invariantes.h"

#include <QHash>

#include "base/money.h"
#include "records/numeracao.h"
#include "records/registohistorico.h"
#include "tests/desks/operador/mundo.h"

namespace {

std::optional<Falha> falha(const QString& regra, const QString& texto) {
    return Falha{regra, texto};
}

QSet<QString> codigos(BaseDados& db, const QString& tabela) {
    QSet<QString> s;
    const RecordSet rs = db.consultar(QStringLiteral("SELECT CODIGO FROM %1").arg(tabela));
    for (int r = 0; r < rs.count(); ++r) s.insert(rs.text(r, QStringLiteral("CODIGO")).toUpper());
    return s;
}

QString chaveDoc(const QString& tipo, const QVariant& serie, const QVariant& numero, const QVariant& ano) {
    return tipo.toUpper() + QLatin1Char('/') + QString::number(serie.toInt()) + QLatin1Char('/') +
           QString::number(numero.toInt()) + QLatin1Char('/') + QString::number(ano.toInt());
}

Money kg(const QVariant& v) {
    return Money::fromVariant(v);
}

}  // namespace

Antes Antes::de(Mundo& m, int posto) {
    DeskCore& d = m.desk(posto);
    Antes a;
    a.primeiroPeso = d.primeiroPeso();
    a.segundoPeso = d.segundoPeso();
    a.verHistorico = d.verHistorico();
    a.painelPesagem = d.painelPesagem();
    a.painelFinal = d.painelFinal();
    a.dadosAlterados = d.dadosAlterados();
    a.obsAlteradas = d.obsAlteradas();
    a.idHistorico = d.idHistorico();
    for (const CampoDesk& c : d.kind().tabela().todos()) {
        a.campos[size_t(c.nome)] = d.campo(c.nome);
        a.soLeitura[size_t(c.nome)] = d.campoSoLeitura(c.nome);
    }
    a.registos = m.db().escalar(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Historico")).toInt();
    a.matriculaPendente = d.pendenteComMatricula(d.campo(Campo::Matricula)).has_value();
    if (d.taraRegistada()) a.taraRegistada = d.taraRegistada()->tara;
    a.resumoEfectivo = d.rotulo(DeskCore::Resumo3).section(QStringLiteral(" = "), 1);
    if (a.resumoEfectivo.endsWith(QStringLiteral(" kg"))) a.resumoEfectivo.chop(3);
    if (a.idHistorico > 0) {
        const RecordSet r = LerHistorico(m.db(), a.idHistorico);
        a.registoPendente = !r.isEmpty() && r.isNull(QStringLiteral("DataHoraPL"));
    }
    return a;
}

Invariantes::Invariantes(Mundo& m) : m_mundo(m), m_regras(m.db(), m.parametros()) {}

RegrasBase::RegrasBase(BaseDados& db, const ParametrosAplic& p)
    : m_db(db),
      m_tpSaida(p.texto(QStringLiteral("TpSaida")).toUpper()),
      m_tpMP(p.texto(QStringLiteral("TpGuiaEntMP")).toUpper()),
      m_tpMS(p.texto(QStringLiteral("TpGuiaEntMS")).toUpper()),
      m_clientes(codigos(db, QStringLiteral("Clientes"))),
      m_fornecedores(codigos(db, QStringLiteral("Fornec"))),
      m_artigos(codigos(db, QStringLiteral("Artigos"))) {}

std::optional<Falha> Invariantes::depoisDe(const Accao& a, const Antes& antes) {
    DeskCore& d = m_mundo.desk(a.posto);
    const MensagensAccao& msgs = m_mundo.mensagens();
    const bool entrada = d.kind().entrada;
    // A transaction left open is the database rules' first check (baseDados, right after this).
    const int registos = m_mundo.db().escalar(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Historico")).toInt();

    // A field that takes no typing took none.
    if ((a.tipo == Accao::Escrever || a.tipo == Accao::EscreverESair || a.tipo == Accao::Lista) &&
        antes.soLeitura[size_t(a.campo)] && d.campo(a.campo) != antes.campo(a.campo))
        return falha(QStringLiteral("campo-so-leitura"),
                     QStringLiteral("o campo %1 só de leitura passou de \"%2\" a \"%3\"")
                         .arg(d.kind().tabela().legenda(a.campo))
                         .arg(antes.campo(a.campo), d.campo(a.campo)));
    // A recalled truck or a finished weighing never becomes another record.
    if ((antes.segundoPeso || antes.verHistorico) && antes.idHistorico > 0 && registos > antes.registos)
        return falha(QStringLiteral("registo-novo-de-recuperada"),
                     QStringLiteral("a pesagem %1 aberta no posto deu origem a outro registo").arg(antes.idHistorico));
    // A recalled truck keeps its identity as saved.
    if (d.segundoPeso() && d.idHistorico() > 0) {
        const RecordSet r = LerHistorico(m_mundo.db(), d.idHistorico());
        if (!r.isEmpty() && r.isNull(QStringLiteral("DataHoraPL")) &&
            (d.campo(Campo::Terceiro) != r.text(QStringLiteral("Terceiro")) ||
             d.campo(Campo::Artigo) != r.text(QStringLiteral("Artigo")) ||
             d.campo(Campo::Matricula) != r.text(QStringLiteral("Carro")) ||
             d.campo(Campo::Morada) != r.text(QStringLiteral("CodMorada"))))
            return falha(QStringLiteral("identidade-recuperada"),
                         QStringLiteral("a pesagem %1 mostra %2/%3/%4; o registo tem %5/%6/%7")
                             .arg(d.idHistorico())
                             .arg(d.campo(Campo::Terceiro), d.campo(Campo::Artigo), d.campo(Campo::Matricula),
                                  r.text(QStringLiteral("Terceiro")), r.text(QStringLiteral("Artigo")),
                                  r.text(QStringLiteral("Carro"))));
    }
    if (a.tipo != Accao::Botao) return std::nullopt;

    // A plate already pending is weighed in again only when the operator said Yes.
    if (a.indice == DeskCore::BtConfPeso && antes.primeiroPeso && antes.matriculaPendente && !a.resposta &&
        registos > antes.registos)
        return falha(QStringLiteral("matricula-repetida"),
                     QStringLiteral("a viatura %1 já pendente foi pesada de novo sem o operador o aceitar")
                         .arg(antes.campo(Campo::Matricula)));

    // First weight: a panel that closes without a word saved exactly what it showed.
    if (a.indice == DeskCore::BtConfPeso && antes.primeiroPeso && antes.painelPesagem && !d.painelPesagem() &&
        !msgs.recusou && !msgs.negou) {
        const RecordSet r = LerHistorico(m_mundo.db(), d.idHistorico());
        if (d.idHistorico() <= 0 || d.idHistorico() == antes.idHistorico || r.isEmpty())
            return falha(QStringLiteral("sucesso-sem-gravacao"),
                         QStringLiteral("a primeira pesagem fechou sem aviso e nada foi gravado"));
        // With a stored tare the reading is the gross weight and the record is finished at once.
        const bool unica = antes.taraRegistada.has_value();
        const Money primeiro = kg(r.value(entrada || unica ? QStringLiteral("PesoBruto") : QStringLiteral("PesoTara")));
        const auto pesado = Money::parse(antes.campo(Campo::Peso));
        if (unica &&
            (r.isNull(QStringLiteral("DataHoraPL")) || kg(r.value(QStringLiteral("PesoTara"))) != *antes.taraRegistada))
            return falha(
                QStringLiteral("pesagem-unica"),
                QStringLiteral("a pesagem %1 com a tara registada %2 ficou com tara %3%4")
                    .arg(d.idHistorico())
                    .arg(antes.taraRegistada->plain(), kg(r.value(QStringLiteral("PesoTara"))).plain(),
                         r.isNull(QStringLiteral("DataHoraPL")) ? QStringLiteral(", por concluir") : QString()));
        if (!pesado || primeiro != *pesado || r.text(QStringLiteral("Terceiro")) != antes.campo(Campo::Terceiro) ||
            r.text(QStringLiteral("Artigo")) != antes.campo(Campo::Artigo))
            return falha(
                QStringLiteral("primeira-pesagem-diferente"),
                QStringLiteral("gravado %1 kg, %2, %3; o posto mostrava %4, %5, %6")
                    .arg(primeiro.plain(), r.text(QStringLiteral("Terceiro")), r.text(QStringLiteral("Artigo")),
                         antes.campo(Campo::Peso), antes.campo(Campo::Terceiro), antes.campo(Campo::Artigo)));
    }

    // Completion: the desk either finished the weighing as its summary showed, or said why not.
    if (a.indice == DeskCore::BtConfFinal && antes.painelFinal && antes.segundoPeso && antes.registoPendente &&
        !d.painelFinal()) {
        const RecordSet r = LerHistorico(m_mundo.db(), antes.idHistorico);
        const bool concluida = !r.isEmpty() && !r.isNull(QStringLiteral("DataHoraPL"));
        if (!concluida && !msgs.recusou)
            return falha(QStringLiteral("sucesso-sem-gravacao"),
                         QStringLiteral("a gravação final fechou sem aviso e a pesagem %1 não foi concluída")
                             .arg(antes.idHistorico));
        if (concluida) {
            // The operator confirmed the summary's figure, and the field showed the same.
            const auto efectivo = Money::parse(antes.resumoEfectivo);
            const auto campo = Money::parse(antes.campo(Campo::Efectivo));
            if (!efectivo || !campo || *campo != *efectivo || kg(r.value(QStringLiteral("PesoEfectivo"))) != *efectivo)
                return falha(QStringLiteral("conclusao-diferente"),
                             QStringLiteral("concluída com efectivo %1; o resumo mostrava %2, o campo %3")
                                 .arg(kg(r.value(QStringLiteral("PesoEfectivo"))).plain(), antes.resumoEfectivo,
                                      antes.campo(Campo::Efectivo)));
        }
    }

    // Correction: a desk that cleared itself without a word saved what it showed.
    if (a.indice == DeskCore::BtConf && antes.verHistorico && antes.idHistorico > 0 && !antes.primeiroPeso &&
        !antes.segundoPeso && (antes.dadosAlterados || antes.obsAlteradas) && !d.verHistorico() && !msgs.recusou) {
        const RecordSet r = LerHistorico(m_mundo.db(), antes.idHistorico);
        const auto efectivo = Money::parse(antes.campo(Campo::Efectivo));
        // The figure shown, or (a deduction typed and not yet left) net minus the deductions saved.
        Money calculado;
        if (!r.isEmpty()) {
            const RecordSet c = LerComplementosHistorico(m_mundo.db(), antes.idHistorico);
            calculado = kg(r.value(QStringLiteral("PesoLiquido")));
            if (!c.isEmpty())
                calculado = calculado - kg(c.value(0, QStringLiteral("Vasilhame"))) -
                            kg(c.value(0, QStringLiteral("Qualidade")));
        }
        const Money gravado = r.isEmpty() ? Money() : kg(r.value(QStringLiteral("PesoEfectivo")));
        if (r.isEmpty() || (!(efectivo && gravado == *efectivo) && gravado != calculado) ||
            r.text(QStringLiteral("Justificacao")) != antes.campo(Campo::Observacoes))
            return falha(
                QStringLiteral("correccao-sem-gravacao"),
                QStringLiteral("a correcção da pesagem %1 fechou sem aviso mas o registo tem efectivo %2 (posto: %3)")
                    .arg(antes.idHistorico)
                    .arg(r.isEmpty() ? QStringLiteral("-") : kg(r.value(QStringLiteral("PesoEfectivo"))).plain(),
                         antes.campo(Campo::Efectivo)));
    }

    // Cancellation confirmed without a word: it happened.
    if (a.indice == DeskCore::BtAnularHist && a.resposta && antes.idHistorico > 0 && !antes.primeiroPeso &&
        (antes.verHistorico || antes.segundoPeso) && !msgs.recusou) {
        const RecordSet r = LerHistorico(m_mundo.db(), antes.idHistorico);
        const bool feito = antes.verHistorico ? (!r.isEmpty() && r.isNull(QStringLiteral("DataHoraPL"))) : r.isEmpty();
        if (!feito)
            return falha(
                QStringLiteral("anulacao-sem-efeito"),
                QStringLiteral("a anulação da pesagem %1 terminou sem aviso e não aconteceu").arg(antes.idHistorico));
    }
    return std::nullopt;
}

std::optional<Falha> Invariantes::baseDados() {
    return m_regras.verificar(
        {m_mundo.efectivosDigitados(), [this](bool entrada) { return m_mundo.listaPendentes(entrada); }, false});
}

std::optional<Falha> RegrasBase::verificar(const Contexto& ctx) const {
    BaseDados& db = m_db;
    if (db.inTransaction()) return falha(QStringLiteral("transaccao"), QStringLiteral("uma transacção ficou aberta"));
    if (ctx.semNotas && db.escalar(QStringLiteral("SELECT COUNT(*) FROM kel_PES_NotasERP")).toInt() != 0)
        return falha(QStringLiteral("nota-aberta"), QStringLiteral("ficou uma nota do ERP por resolver"));
    const QString &tpSaida = m_tpSaida, &tpMP = m_tpMP, &tpMS = m_tpMS;

    // The ERP's live documents, their quantities, and the weighings' complement rows.
    struct Doc {
        QString terceiro, matricula, referencia;
        Money quantidade;
        int pesagens = 0;
    };
    QHash<QString, Doc> docs;
    const RecordSet cab = db.consultar(QStringLiteral("SELECT * FROM DocGCCab WHERE NumVias <> -1"));
    for (int i = 0; i < cab.count(); ++i) {
        Doc d;
        d.terceiro = cab.text(i, QStringLiteral("Terceiro"));
        d.matricula = cab.text(i, QStringLiteral("Matricul"));
        d.referencia = cab.text(i, QStringLiteral("VossoNo"));
        docs.insert(chaveDoc(cab.text(i, QStringLiteral("Tpdoc")), cab.value(i, QStringLiteral("Serie")),
                             cab.value(i, QStringLiteral("NNumdoc")), cab.value(i, QStringLiteral("Ano"))),
                    d);
    }
    const RecordSet lin = db.consultar(QStringLiteral("SELECT Tpdoc, Serie, NNumdoc, Ano, Quantidade FROM DocGCLin"));
    for (int i = 0; i < lin.count(); ++i) {
        auto it = docs.find(chaveDoc(lin.text(i, QStringLiteral("Tpdoc")), lin.value(i, QStringLiteral("Serie")),
                                     lin.value(i, QStringLiteral("NNumdoc")), lin.value(i, QStringLiteral("Ano"))));
        if (it != docs.end())
            it->quantidade = it->quantidade + Money::fromDouble(lin.value(i, QStringLiteral("Quantidade")).toDouble());
    }
    struct Comp {
        int linhas = 0;
        Money descontos;
    };
    QHash<qint32, Comp> comps;
    const RecordSet cp =
        db.consultar(QStringLiteral("SELECT Cab_Id, Vasilhame, Qualidade FROM kel_PES_Historico_Comp"));
    for (int i = 0; i < cp.count(); ++i) {
        Comp& c = comps[cp.value(i, QStringLiteral("Cab_Id")).toInt()];
        ++c.linhas;
        c.descontos =
            c.descontos + kg(cp.value(i, QStringLiteral("Vasilhame"))) + kg(cp.value(i, QStringLiteral("Qualidade")));
    }
    QHash<qint32, bool> opcoes;
    const RecordSet op = db.consultar(QStringLiteral("SELECT Hist_Id, MatSubsidiarias FROM kel_PES_Historico_Opcoes"));
    for (int i = 0; i < op.count(); ++i)
        opcoes.insert(op.value(i, QStringLiteral("Hist_Id")).toInt(),
                      op.value(i, QStringLiteral("MatSubsidiarias")).toInt() != 0);

    // A weighing marked with a stored tare weighed that tare; an expired tare is never used.
    QHash<qint32, Money> tarasUsadas;
    const RecordSet tu =
        db.consultar(QStringLiteral("SELECT Hist_Id, Matricula, Tara, PesadaEm FROM kel_PES_Historico_TaraRegistada"));
    for (int i = 0; i < tu.count(); ++i) {
        if (RecordSet::toDateTime(tu.value(i, QStringLiteral("PesadaEm"))) == Mundo::taraExpiradaEm())
            return falha(QStringLiteral("tara-expirada"),
                         QStringLiteral("a pesagem %1 usou a tara expirada da viatura %2")
                             .arg(tu.text(i, QStringLiteral("Hist_Id")), tu.text(i, QStringLiteral("Matricula"))));
        tarasUsadas.insert(tu.value(i, QStringLiteral("Hist_Id")).toInt(), kg(tu.value(i, QStringLiteral("Tara"))));
    }

    QHash<QString, qint32> taloes;
    QSet<qint32> pendentes[2];
    const RecordSet h = db.consultar(QStringLiteral("SELECT * FROM kel_PES_Historico ORDER BY Hist_Id"));
    for (int i = 0; i < h.count(); ++i) {
        const qint32 id = h.value(i, QStringLiteral("Hist_Id")).toInt();
        const QString tipo = h.text(i, QStringLiteral("Tipo")).toUpper();
        const bool entrada = tipo == QStringLiteral("E");
        const QString quem = QStringLiteral("pesagem %1 (%2): ").arg(id).arg(tipo);
        if (!entrada && tipo != QStringLiteral("S"))
            return falha(QStringLiteral("tipo"), quem + QStringLiteral("tipo desconhecido"));
        const QString terceiro = h.text(i, QStringLiteral("Terceiro"));
        if (!(entrada ? m_fornecedores : m_clientes).contains(terceiro.toUpper()))
            return falha(QStringLiteral("terceiro-inexistente"),
                         quem + QStringLiteral("terceiro '%1' não existe").arg(terceiro));
        if (!m_artigos.contains(h.text(i, QStringLiteral("Artigo")).toUpper()))
            return falha(QStringLiteral("artigo-inexistente"),
                         quem + QStringLiteral("artigo '%1' não existe").arg(h.text(i, QStringLiteral("Artigo"))));
        const QDateTime pb = RecordSet::toDateTime(h.value(i, QStringLiteral("DataHoraPB")));
        if (!pb.isValid())
            return falha(QStringLiteral("data-entrada"), quem + QStringLiteral("sem data da primeira pesagem"));
        const QString campanha = h.text(i, QStringLiteral("Campanha"));
        const bool concluida = !h.value(i, QStringLiteral("DataHoraPL")).isNull();
        const qint32 noTalao = h.value(i, QStringLiteral("NoTalao")).toInt();

        // Ticket numbers of one counter never repeat.
        if (noTalao > 0) {
            QString tipoDoc;
            if (!entrada)
                tipoDoc = tpSaida;
            else if (concluida)
                tipoDoc = h.text(i, QStringLiteral("TpDoc")).toUpper();
            else if (opcoes.contains(id))
                tipoDoc = opcoes.value(id) ? tpMS : tpMP;
            if (!tipoDoc.isEmpty()) {
                QString contador = tipo + QLatin1Char('|') + campanha + QLatin1Char('|') + tipoDoc;
                if (!entrada)
                    contador += QLatin1Char('|') + terceiro.toUpper() + QLatin1Char('|') +
                                h.text(i, QStringLiteral("TipoMorada")).toUpper();
                contador += QLatin1Char('|') + QString::number(noTalao);
                if (taloes.contains(contador))
                    return falha(QStringLiteral("talao-repetido"),
                                 quem + QStringLiteral("talão %1 já é da pesagem %2 (%3)")
                                            .arg(noTalao)
                                            .arg(taloes.value(contador))
                                            .arg(contador));
                taloes.insert(contador, id);
            }
        }
        if (!concluida) {
            pendentes[entrada ? 1 : 0].insert(id);
            continue;
        }

        // A finished weighing.
        const Money bruto = kg(h.value(i, QStringLiteral("PesoBruto")));
        const Money tara = kg(h.value(i, QStringLiteral("PesoTara")));
        const Money liquido = kg(h.value(i, QStringLiteral("PesoLiquido")));
        const Money efectivo = kg(h.value(i, QStringLiteral("PesoEfectivo")));
        if (!(bruto > tara && tara > Money()))
            return falha(QStringLiteral("pesos"),
                         quem + QStringLiteral("bruto %1, tara %2").arg(bruto.plain(), tara.plain()));
        if (liquido != bruto - tara)
            return falha(
                QStringLiteral("liquido"),
                quem + QStringLiteral("líquido %1 ≠ %2 − %3").arg(liquido.plain(), bruto.plain(), tara.plain()));
        if (!(efectivo > Money() && efectivo <= liquido))
            return falha(QStringLiteral("efectivo"),
                         quem + QStringLiteral("efectivo %1, líquido %2").arg(efectivo.plain(), liquido.plain()));
        if (tarasUsadas.contains(id) && tarasUsadas.value(id) != tara)
            return falha(QStringLiteral("tara-registada"),
                         quem + QStringLiteral("tara %1, tara registada usada %2")
                                    .arg(tara.plain(), tarasUsadas.value(id).plain()));
        const Comp comp = comps.value(id);
        if (comp.linhas != 1)
            return falha(QStringLiteral("complemento"),
                         quem + QStringLiteral("%1 linhas de complemento").arg(comp.linhas));
        if (!ctx.efectivosDigitados.contains(id) && efectivo != liquido - comp.descontos)
            return falha(QStringLiteral("efectivo-descontos"),
                         quem + QStringLiteral("efectivo %1 ≠ líquido %2 − descontos %3")
                                    .arg(efectivo.plain(), liquido.plain(), comp.descontos.plain()));
        if (campanha != CampanhaDaData(pb.date()))
            return falha(QStringLiteral("campanha"),
                         quem + QStringLiteral("campanha %1, primeira pesagem em %2")
                                    .arg(campanha, pb.toString(QStringLiteral("dd-MM-yyyy"))));
        if (h.value(i, QStringLiteral("AnoTalao")).toInt() != pb.date().year())
            return falha(QStringLiteral("ano-talao"), quem + QStringLiteral("ano do talão %1, primeira pesagem em %2")
                                                                 .arg(h.text(i, QStringLiteral("AnoTalao")),
                                                                      pb.toString(QStringLiteral("dd-MM-yyyy"))));
        if (RecordSet::toDateTime(h.value(i, QStringLiteral("DataHoraPL"))) < pb)
            return falha(QStringLiteral("datas"), quem + QStringLiteral("segunda pesagem antes da primeira"));
        const QString chave = chaveDoc(h.text(i, QStringLiteral("TpDoc")), h.value(i, QStringLiteral("Serie")),
                                       h.value(i, QStringLiteral("NoDoc")), h.value(i, QStringLiteral("Ano")));
        auto it = docs.find(chave);
        if (it == docs.end())
            return falha(QStringLiteral("documento"), quem + QStringLiteral("sem documento vivo %1 no ERP").arg(chave));
        ++it->pesagens;
        if (it->quantidade != efectivo)
            return falha(QStringLiteral("quantidade-erp"),
                         quem + QStringLiteral("documento %1 com %2 kg, efectivo %3")
                                    .arg(chave, it->quantidade.plain(), efectivo.plain()));
        const QString referencia = (entrada ? QString() : h.text(i, QStringLiteral("Sigla")) + QLatin1Char('/')) +
                                   QString::number(noTalao) + QLatin1Char('/') + campanha;
        // An incoming document is made without the plate (its header is not rewritten after
        // creation); where a document carries one it is the weighing's.
        const bool matriculaDiferente =
            it->matricula != h.text(i, QStringLiteral("Carro")) && !(entrada && it->matricula.isEmpty());
        if (it->terceiro.compare(terceiro, Qt::CaseInsensitive) != 0 || matriculaDiferente ||
            it->referencia != referencia)
            return falha(
                QStringLiteral("documento-dados"),
                quem + QStringLiteral("documento %1: terceiro %2, matrícula %3, referência %4; pesagem: %5, %6, %7")
                           .arg(chave, it->terceiro, it->matricula, it->referencia, terceiro,
                                h.text(i, QStringLiteral("Carro")), referencia));
    }
    for (auto it = docs.cbegin(); it != docs.cend(); ++it)
        if (it->pesagens != 1)
            return falha(
                QStringLiteral("documento-orfao"),
                QStringLiteral("o documento vivo %1 é de %2 pesagens concluídas").arg(it.key()).arg(it->pesagens));
    for (int k = 0; k < 2 && ctx.pendentes; ++k) {
        const QSet<qint32> lista = ctx.pendentes(k == 1);
        for (qint32 id : pendentes[k])
            if (!lista.contains(id))
                return falha(QStringLiteral("pendente-fora-da-lista"),
                             QStringLiteral("a pesagem pendente %1 não aparece na lista do posto").arg(id));
    }
    return std::nullopt;
}
