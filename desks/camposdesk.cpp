#include "desks/camposdesk.h"

CamposDesk::CamposDesk(QVector<CampoDesk> campos) : m_campos(std::move(campos)) {
    for (int& i : m_porNome) i = -1;
    for (int i = 0; i < m_campos.size(); ++i) m_porNome[int(m_campos[i].nome)] = i;
}

std::optional<Campo> CamposDesk::noIndice(int indice) const {
    for (const CampoDesk& c : m_campos)
        if (c.indice == indice) return c.nome;
    return std::nullopt;
}

namespace {

// The fields both desks share, by their window index; each desk adds its own.
QVector<CampoDesk> comuns(bool entrada) {
    const auto S = [](const char16_t* s) { return QString::fromUtf16(s); };
    return {
        {Campo::Terceiro, 0, entrada ? S(u"Fornecedor") : S(u"Cliente"),
         entrada ? S(u"Código Fornecedor.") : S(u"Código Cliente"), 15, TipoCampo::Codigo},
        {Campo::Morada, 1, S(u"Morada"),
         entrada ? S(u"Código da morada alternativa.") : S(u"Onde Entregar Mercadoria."), 3, TipoCampo::Codigo},
        {Campo::Artigo, 2, S(u"Artigo"), S(u"Código do Artigo."), 15, TipoCampo::Codigo},
        {Campo::Vasilhame, 3, S(u"Desc. Vasilhame"), S(u"Desconto Vasilhame."), 15, TipoCampo::Peso},
        {Campo::Nome, 4, S(u"Nome"), S(u"Nome do Fornecedor."), 50, TipoCampo::Texto},
        {Campo::Endereco, 5, S(u"Endereço"), S(u"Morada do Fornecedor."), 50, TipoCampo::Texto},
        {Campo::Localidade, 6, S(u"Localidade"), S(u"Localidade do Fornecedor."), 35, TipoCampo::Texto},
        {Campo::CodPostal, 7, S(u"Código Postal"), S(u"Código Postal do Fornecedor."), 8, TipoCampo::Codigo},
        {Campo::Contribuinte, 8, S(u"Contribuinte"), S(u"Número de Contribuinte."), 15, TipoCampo::Texto},
        {Campo::Peso, 9, S(u"Peso"), S(u"Peso."), 15, TipoCampo::Leitura},
        {Campo::Matricula, 10, S(u"Matrícula"), S(u"Matricula."), 10, TipoCampo::Codigo},
        entrada ? CampoDesk{Campo::Qualidade, 11, S(u"Desc. Qualidade"), S(u"Desconto Qualidade."), 15, TipoCampo::Peso}
                : CampoDesk{Campo::RefCliente, 11, S(u"Ref. Cliente"), S(u"Referência Cliente."), 20, TipoCampo::Texto},
        {Campo::Observacoes, 12, S(u"Observações"), QString(), 2000, TipoCampo::Memo},
        {Campo::Efectivo, 13, S(u"Peso Efectivo"), S(u"Peso Efectivo da Carga."), 15, TipoCampo::Peso},
        {Campo::DataEntrada, 14, S(u"Data/Hora de Entrada"), S(u"Data/Hora de Entrada."), 19, TipoCampo::DataHora},
        {Campo::DataSaida, 15, S(u"Data/Hora de Saída"), S(u"Data/Hora de Saída."), 19, TipoCampo::DataHora},
        {Campo::Bruto, 16, S(u"Peso Bruto"), S(u"Peso Bruto."), 15, TipoCampo::Registo},
        {Campo::Tara, 17, S(u"Tara"), S(u"Peso da Tara."), 15, TipoCampo::Registo},
        {Campo::Liquido, 18, S(u"Peso Líquido"), S(u"Peso Líquido."), 15, TipoCampo::Registo},
    };
}

}  // namespace

// Longest texts: never more than the record's columns hold.
const CamposDesk& CamposDesk::saidas() {
    static const CamposDesk t = [] {
        QVector<CampoDesk> c = comuns(false);
        c << CampoDesk{Campo::LocalCarga, 19, QStringLiteral("Local de Carga"), QStringLiteral("Local de Carga."), 35,
                       TipoCampo::Texto}
          << CampoDesk{Campo::LocalDescarga,
                       20,
                       QStringLiteral("Local de Descarga"),
                       QStringLiteral("Local de Descarga."),
                       35,
                       TipoCampo::Texto}
          << CampoDesk{Campo::RefEntrega, 21, QStringLiteral("Ref. Entrega"), QStringLiteral("Referência Artigo."), 20,
                       TipoCampo::Texto}
          << CampoDesk{Campo::Email,    22, QStringLiteral("e-mail"), QStringLiteral("e-mail Cliente."), 250,
                       TipoCampo::Texto}
          << CampoDesk{
                 Campo::TipoMorada, 23, QStringLiteral("Tipo Morada"), QStringLiteral("Onde Entregar Mercadoria."), 3,
                 TipoCampo::Codigo};
        return CamposDesk(c);
    }();
    return t;
}

const CamposDesk& CamposDesk::entradas() {
    static const CamposDesk t = [] {
        QVector<CampoDesk> c = comuns(true);
        c << CampoDesk{Campo::Email,    19, QStringLiteral("e-mail"), QStringLiteral("e-mail Fornecedor."), 250,
                       TipoCampo::Texto};
        return CamposDesk(c);
    }();
    return t;
}
