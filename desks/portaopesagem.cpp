#include "desks/portaopesagem.h"

#include "base/datasbase.h"
#include "records/numeracao.h"
#include "records/registohistorico.h"

namespace {

bool vazio(const QString& t) {
    return t.trimmed().isEmpty();
}

Recusa recusa(int campo, const QString& mensagem) {
    return Recusa{campo, mensagem};
}

// A weight the desk wrote into a read-only field (shown with the display rule).
std::optional<Money> pesoMostrado(const QString& texto) {
    const auto m = Money::parse(texto);
    if (!m || *m <= Money() || *m > Money::fromInteger(Pesos::kMaximoKg)) return std::nullopt;
    return m;
}

}  // namespace

QString PortaoPesagem::nomeCampo(int campo) const {
    switch (campo) {
        case 0:
            return m_kind.resumoTerceiro.left(m_kind.resumoTerceiro.indexOf(QLatin1Char(':')));
        case 1:
            return QStringLiteral("Morada");
        case 2:
            return QStringLiteral("Artigo");
        case 3:
            return QStringLiteral("Desc. Vasilhame");
        case 9:
            return QStringLiteral("Peso");
        case 11:
            return m_kind.entrada ? QStringLiteral("Desc. Qualidade") : QStringLiteral("Ref. Cliente");
        case 13:
            return QStringLiteral("Peso Efectivo");
        case 14:
            return QStringLiteral("Data/Hora de Entrada");
        case 15:
            return QStringLiteral("Data/Hora de Saída");
        case 16:
            return QStringLiteral("Peso Bruto");
        case 17:
            return QStringLiteral("Tara");
        case 18:
            return QStringLiteral("Peso Líquido");
        case 4:
            return QStringLiteral("Nome");
        case 8:
            return QStringLiteral("Contribuinte");
        case 10:
            return QStringLiteral("Matrícula");
        case 12:
            return QStringLiteral("Observações");
        case 23:
            return QStringLiteral("Tipo Morada");
        default:
            return QStringLiteral("Campo %1").arg(campo);
    }
}

std::optional<Recusa> PortaoPesagem::identificacao(const FormularioDesk& f, Pesagem& p) const {
    const QString nome = nomeCampo(0);
    const QString terceiro = f.campo(0);
    if (vazio(terceiro)) return recusa(0, QStringLiteral("%1: campo obrigatório!").arg(nome));
    if (f.terceiroAceite.isNull() || terceiro != f.terceiroAceite)
        return recusa(
            0,
            QStringLiteral("%1 \"%2\" não foi validado: escolha um %3 existente.").arg(nome, terceiro, nome.toLower()));
    const QString morada = f.campo(1);
    if (!vazio(morada) && (morada != f.moradaAceite || f.moradaDoTerceiro != terceiro))
        return recusa(
            1, QStringLiteral("Morada \"%1\" não foi validada para o %2 %3.").arg(morada, nome.toLower(), terceiro));
    const QString artigo = f.campo(2);
    if (vazio(artigo)) return recusa(2, QStringLiteral("Artigo: campo obrigatório!"));
    if (f.artigoAceite.isNull() || artigo != f.artigoAceite)
        return recusa(2, QStringLiteral("Artigo \"%1\" não foi validado: escolha um artigo existente.").arg(artigo));
    if (!m_kind.entrada) {
        const QString tipo = f.campo(23);
        if (!vazio(tipo) && tipo != f.tipoMoradaAceite)
            return recusa(23, QStringLiteral("Tipo Morada \"%1\" não foi validado.").arg(tipo));
        p.tipoMorada = tipo.toUpper();
        p.refCliente = f.campo(11);
        p.refEntrega = f.campo(21);
    }
    p.terceiro = terceiro;
    p.morada = vazio(morada) ? QString() : morada;
    p.artigo = artigo;
    p.matricula = f.campo(10);
    p.justificacao = f.campo(12);
    return std::nullopt;
}

std::variant<Pesos, Recusa> PortaoPesagem::descontos(const FormularioDesk& f) const {
    Pesos p;
    for (int d : m_kind.descontos) {
        if (vazio(f.campo(d))) continue;
        QString erro;
        const auto m = Pesos::lerPeso(f.campo(d), nomeCampo(d), erro);
        if (!m) return recusa(d, erro);
        (d == 3 ? p.vasilhame : p.qualidade) = *m;
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
        return recusa(ds.qualidade.isZero() ? 3 : 11,
                      QStringLiteral("%1: os descontos (%2) não podem igualar nem exceder o Peso Líquido (%3).")
                          .arg(nomeCampo(ds.qualidade.isZero() ? 3 : 11), ds.descontos().format(), p.liquido.format()));
    if (f.efectivoCalculado) {
        p.efectivo = p.liquido - ds.descontos();
    } else {
        QString erro;
        const auto e = Pesos::lerPeso(f.campo(13), nomeCampo(13), erro);
        if (!e) return recusa(13, vazio(f.campo(13)) ? QStringLiteral("Peso Efectivo: campo obrigatório!") : erro);
        p.efectivo = *e;
    }
    if (p.efectivo <= Money()) return recusa(13, QStringLiteral("Peso Efectivo: tem de ser maior que zero."));
    if (p.efectivo > p.liquido)
        return recusa(13, QStringLiteral("Peso Efectivo: %1 não pode exceder o Peso Líquido (%2).")
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
        p.justificacao = f.campo(12);
    }
    if (const QString e = DatasBase::erro(f.dataPesagem, QStringLiteral("A data da pesagem")); !e.isEmpty())
        return recusa(-1, e);

    if (m == Momento::PrimeiroPeso) {
        QString erro;
        const int campo = m_kind.campoPrimeiroPeso;
        const auto peso = Pesos::lerPesado(f.campo(9), nomeCampo(campo), erro);
        if (!peso) return recusa(9, erro);
        (campo == 16 ? p.pesos.bruto : p.pesos.tara) = *peso;
        if (!f.agora.isValid()) return recusa(-1, QStringLiteral("A data da pesagem não é válida."));
        p.entrada = f.agora;
        return p;
    }

    // Both weights as the desk shows them, read again: nothing is completed from an emptied field.
    for (int campo : {m_kind.campoPrimeiroPeso, m_kind.campoSegundoPeso}) {
        const auto peso = pesoMostrado(f.campo(campo));
        if (!peso)
            return recusa(
                campo, vazio(f.campo(campo))
                           ? QStringLiteral("%1: falta o peso. Efectue a pesagem.").arg(nomeCampo(campo))
                           : QStringLiteral("%1: o peso \"%2\" não é válido.").arg(nomeCampo(campo), f.campo(campo)));
        (campo == 16 ? p.pesos.bruto : p.pesos.tara) = *peso;
    }
    p.liquido = *p.pesos.liquido();
    if (p.liquido <= Money()) return recusa(m_kind.campoSegundoPeso, QStringLiteral("Peso Líquido incorrecto"));
    if (m == Momento::Conclusao) {
        const auto liquido = Money::parse(f.campo(18));
        if (!liquido || *liquido != p.liquido)
            return recusa(
                18, QStringLiteral("Peso Líquido: %1 não é a diferença dos pesos (%2). Efectue a pesagem de novo.")
                        .arg(f.campo(18), p.liquido.format()));
    }
    if (const auto r = pesoEfectivo(f, p)) return *r;

    p.noTalao = f.noTalao;
    p.sigla = f.sigla;
    if (m == Momento::Correccao) return p;

    const auto entrada = RegistoHistorico::lerDataHora(f.campo(14));
    const auto saida = RegistoHistorico::lerDataHora(f.campo(15));
    if (!entrada) return recusa(14, QStringLiteral("Data/Hora de Entrada: falta ou não é válida."));
    if (!saida) return recusa(15, QStringLiteral("Data/Hora de Saída: falta. Efectue a pesagem."));
    if (*saida < *entrada)
        return recusa(15, QStringLiteral("A data/hora de saída (%1) não pode ser anterior à de entrada (%2)!")
                              .arg(f.campo(15), f.campo(14)));
    p.entrada = *entrada;
    p.saida = *saida;
    if (f.noTalao <= 0) return recusa(-1, QStringLiteral("Esta pesagem não tem número de talão."));
    // Campaign and ticket year are those of the first weighing (older rows may lack them).
    p.campanha = vazio(f.campanha) ? CampanhaDaData(entrada->date()) : f.campanha;
    p.anoTalao = f.anoTalao > 0 ? f.anoTalao : entrada->date().year();
    return p;
}

std::optional<Recusa> PortaoPesagem::verificarCampo(const FormularioDesk& f, int campo) const {
    if (campo != 13 && !m_kind.descontos.contains(campo)) return std::nullopt;
    if (campo != 13 && vazio(f.campo(campo))) return std::nullopt;
    if (campo == 13 && vazio(f.campo(13))) return std::nullopt;  // the gate asks for it at the confirmation
    QString erro;
    const auto valor = Pesos::lerPeso(f.campo(campo), nomeCampo(campo), erro);
    if (!valor) return recusa(campo, erro);
    // Against the net weight once both weights are known.
    const auto bruto = pesoMostrado(f.campo(16));
    const auto tara = pesoMostrado(f.campo(17));
    if (!bruto || !tara || *bruto <= *tara) return std::nullopt;
    const Money liquido = *bruto - *tara;
    if (campo == 13) {
        if (*valor <= Money()) return recusa(13, QStringLiteral("Peso Efectivo: tem de ser maior que zero."));
        if (*valor > liquido)
            return recusa(13, QStringLiteral("Peso Efectivo: %1 não pode exceder o Peso Líquido (%2).")
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
