#include "desks/portaopesagem.h"

#include "base/datasbase.h"
#include "records/numeracao.h"
#include "records/registohistorico.h"

namespace {

bool vazio(const QString& t) {
    return t.trimmed().isEmpty();
}

Recusa recusa(std::optional<Campo> campo, const QString& mensagem) {
    return Recusa{campo, mensagem};
}

// A weight the desk wrote into a read-only field (shown with the display rule).
std::optional<Money> pesoMostrado(const QString& texto) {
    const auto m = Money::parse(texto);
    if (!m || *m <= Money() || *m > Money::fromInteger(Pesos::kMaximoKg)) return std::nullopt;
    return m;
}

}  // namespace

std::optional<Recusa> PortaoPesagem::identificacao(const FormularioDesk& f, Pesagem& p) const {
    const QString nome = nomeCampo(Campo::Terceiro);
    const QString terceiro = f.campo(Campo::Terceiro);
    if (vazio(terceiro)) return recusa(Campo::Terceiro, QStringLiteral("%1: campo obrigatório!").arg(nome));
    if (f.terceiroAceite.isNull() || terceiro != f.terceiroAceite)
        return recusa(
            Campo::Terceiro,
            QStringLiteral("%1 \"%2\" não foi validado: escolha um %3 existente.").arg(nome, terceiro, nome.toLower()));
    const QString morada = f.campo(Campo::Morada);
    if (!vazio(morada) && (morada != f.moradaAceite || f.moradaDoTerceiro != terceiro))
        return recusa(
            Campo::Morada,
            QStringLiteral("Morada \"%1\" não foi validada para o %2 %3.").arg(morada, nome.toLower(), terceiro));
    const QString artigo = f.campo(Campo::Artigo);
    if (vazio(artigo)) return recusa(Campo::Artigo, QStringLiteral("Artigo: campo obrigatório!"));
    if (f.artigoAceite.isNull() || artigo != f.artigoAceite)
        return recusa(Campo::Artigo,
                      QStringLiteral("Artigo \"%1\" não foi validado: escolha um artigo existente.").arg(artigo));
    if (!m_kind.entrada) {
        const QString tipo = f.campo(Campo::TipoMorada);
        if (!vazio(tipo) && tipo != f.tipoMoradaAceite)
            return recusa(Campo::TipoMorada, QStringLiteral("Tipo Morada \"%1\" não foi validado.").arg(tipo));
        p.tipoMorada = tipo.toUpper();
        p.refCliente = f.campo(Campo::RefCliente);
        p.refEntrega = f.campo(Campo::RefEntrega);
    }
    p.terceiro = terceiro;
    p.morada = vazio(morada) ? QString() : morada;
    p.artigo = artigo;
    p.matricula = f.campo(Campo::Matricula);
    p.justificacao = f.campo(Campo::Observacoes);
    return std::nullopt;
}

std::variant<Pesos, Recusa> PortaoPesagem::descontos(const FormularioDesk& f) const {
    Pesos p;
    for (Campo d : m_kind.descontos) {
        if (vazio(f.campo(d))) continue;
        QString erro;
        const auto m = Pesos::lerPeso(f.campo(d), nomeCampo(d), erro);
        if (!m) return recusa(d, erro);
        (d == Campo::Vasilhame ? p.vasilhame : p.qualidade) = *m;
    }
    return p;
}

std::optional<Recusa> PortaoPesagem::pesoEfectivo(const FormularioDesk& f, Pesagem& p) const {
    const auto d = descontos(f);
    if (const Recusa* r = std::get_if<Recusa>(&d)) return *r;
    const Pesos& ds = std::get<Pesos>(d);
    p.pesos.vasilhame = ds.vasilhame;
    p.pesos.qualidade = ds.qualidade;
    if (ds.descontos() >= p.liquido)
        return recusa(ds.qualidade.isZero() ? Campo::Vasilhame : Campo::Qualidade,
                      QStringLiteral("%1: os descontos (%2) não podem igualar nem exceder o Peso Líquido (%3).")
                          .arg(nomeCampo(ds.qualidade.isZero() ? Campo::Vasilhame : Campo::Qualidade),
                               ds.descontos().format(), p.liquido.format()));
    if (f.efectivoCalculado) {
        p.efectivo = p.liquido - ds.descontos();
    } else {
        QString erro;
        const auto e = Pesos::lerPeso(f.campo(Campo::Efectivo), nomeCampo(Campo::Efectivo), erro);
        if (!e)
            return recusa(Campo::Efectivo,
                          vazio(f.campo(Campo::Efectivo)) ? QStringLiteral("Peso Efectivo: campo obrigatório!") : erro);
        p.efectivo = *e;
    }
    if (p.efectivo <= Money())
        return recusa(Campo::Efectivo, QStringLiteral("Peso Efectivo: tem de ser maior que zero."));
    if (p.efectivo > p.liquido)
        return recusa(Campo::Efectivo, QStringLiteral("Peso Efectivo: %1 não pode exceder o Peso Líquido (%2).")
                                           .arg(p.efectivo.format(), p.liquido.format()));
    return std::nullopt;
}

std::variant<Pesagem, Recusa> PortaoPesagem::ler(const FormularioDesk& f, Momento m) const {
    Pesagem p;
    p.dataPesagem = f.dataPesagem;
    p.caracteristica = f.caracteristica;
    p.materiasSubsidiarias = f.materiasSubsidiarias;
    if (m != Momento::Correccao) {
        if (const auto r = identificacao(f, p)) return *r;
    } else {
        p.justificacao = f.campo(Campo::Observacoes);
    }
    if (const QString e = DatasBase::erro(f.dataPesagem, QStringLiteral("A data da pesagem")); !e.isEmpty())
        return recusa(std::nullopt, e);

    if (m == Momento::PrimeiroPeso) {
        QString erro;
        const Campo campo = m_kind.campoPrimeiroPeso;
        const auto peso = Pesos::lerPesado(f.campo(Campo::Peso), nomeCampo(campo), erro);
        if (!peso) return recusa(Campo::Peso, erro);
        (campo == Campo::Bruto ? p.pesos.bruto : p.pesos.tara) = *peso;
        if (!f.agora.isValid()) return recusa(std::nullopt, QStringLiteral("A data da pesagem não é válida."));
        p.entrada = f.agora;
        return p;
    }

    // Both weights as the desk shows them, read again: nothing is completed from an emptied field.
    for (Campo campo : {m_kind.campoPrimeiroPeso, m_kind.campoSegundoPeso}) {
        const auto peso = pesoMostrado(f.campo(campo));
        if (!peso)
            return recusa(
                campo, vazio(f.campo(campo))
                           ? QStringLiteral("%1: falta o peso. Efectue a pesagem.").arg(nomeCampo(campo))
                           : QStringLiteral("%1: o peso \"%2\" não é válido.").arg(nomeCampo(campo), f.campo(campo)));
        (campo == Campo::Bruto ? p.pesos.bruto : p.pesos.tara) = *peso;
    }
    p.liquido = *p.pesos.liquido();
    if (p.liquido <= Money()) return recusa(m_kind.campoSegundoPeso, QStringLiteral("Peso Líquido incorrecto"));
    if (m == Momento::Conclusao) {
        const auto liquido = Money::parse(f.campo(Campo::Liquido));
        if (!liquido || *liquido != p.liquido)
            return recusa(
                Campo::Liquido,
                QStringLiteral("Peso Líquido: %1 não é a diferença dos pesos (%2). Efectue a pesagem de novo.")
                    .arg(f.campo(Campo::Liquido), p.liquido.format()));
    }
    if (const auto r = pesoEfectivo(f, p)) return *r;

    p.noTalao = f.noTalao;
    p.sigla = f.sigla;
    if (m == Momento::Correccao) return p;

    const auto entrada = RegistoHistorico::lerDataHora(f.campo(Campo::DataEntrada));
    const auto saida = RegistoHistorico::lerDataHora(f.campo(Campo::DataSaida));
    if (!entrada) return recusa(Campo::DataEntrada, QStringLiteral("Data/Hora de Entrada: falta ou não é válida."));
    if (!saida) return recusa(Campo::DataSaida, QStringLiteral("Data/Hora de Saída: falta. Efectue a pesagem."));
    if (*saida < *entrada)
        return recusa(Campo::DataSaida,
                      QStringLiteral("A data/hora de saída (%1) não pode ser anterior à de entrada (%2)!")
                          .arg(f.campo(Campo::DataSaida), f.campo(Campo::DataEntrada)));
    p.entrada = *entrada;
    p.saida = *saida;
    if (f.noTalao <= 0) return recusa(std::nullopt, QStringLiteral("Esta pesagem não tem número de talão."));
    // Campaign and ticket year are those of the first weighing (older rows may lack them).
    p.campanha = vazio(f.campanha) ? CampanhaDaData(entrada->date()) : f.campanha;
    p.anoTalao = f.anoTalao > 0 ? f.anoTalao : entrada->date().year();
    return p;
}

std::optional<Recusa> PortaoPesagem::verificarCampo(const FormularioDesk& f, Campo campo) const {
    if (campo != Campo::Efectivo && !m_kind.descontos.contains(campo)) return std::nullopt;
    if (campo != Campo::Efectivo && vazio(f.campo(campo))) return std::nullopt;
    if (campo == Campo::Efectivo && vazio(f.campo(Campo::Efectivo)))
        return std::nullopt;  // the gate asks for it at the confirmation
    QString erro;
    const auto valor = Pesos::lerPeso(f.campo(campo), nomeCampo(campo), erro);
    if (!valor) return recusa(campo, erro);
    // Against the net weight once both weights are known.
    const auto bruto = pesoMostrado(f.campo(Campo::Bruto));
    const auto tara = pesoMostrado(f.campo(Campo::Tara));
    if (!bruto || !tara || *bruto <= *tara) return std::nullopt;
    const Money liquido = *bruto - *tara;
    if (campo == Campo::Efectivo) {
        if (*valor <= Money())
            return recusa(Campo::Efectivo, QStringLiteral("Peso Efectivo: tem de ser maior que zero."));
        if (*valor > liquido)
            return recusa(Campo::Efectivo, QStringLiteral("Peso Efectivo: %1 não pode exceder o Peso Líquido (%2).")
                                               .arg(valor->format(), liquido.format()));
        return std::nullopt;
    }
    const auto d = descontos(f);
    if (const Recusa* r = std::get_if<Recusa>(&d)) return r->campo == campo ? std::optional<Recusa>(*r) : std::nullopt;
    const Money total = std::get<Pesos>(d).descontos();
    if (total >= liquido)
        return recusa(campo, QStringLiteral("%1: os descontos (%2) não podem igualar nem exceder o Peso Líquido (%3).")
                                 .arg(nomeCampo(campo), total.format(), liquido.format()));
    return std::nullopt;
}
