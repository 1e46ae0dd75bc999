#include "erp/documentodesk.h"

#include "base/operatormessages.h"
#include "erp/apiregistry.h"
#include "erp/sessaosage.h"

DocumentoDesk::DocumentoDesk(SessaoSage& sessao, ApiRegistry& registry, OperatorMessages& messages)
    : m_sessao(sessao), m_registry(registry), m_messages(messages) {}

DocumentoDesk::~DocumentoDesk() = default;

bool DocumentoDesk::LibertaDocumento() {
    m_doc.reset();
    return true;
}

QString DocumentoDesk::hora(const QDateTime& dt) {
    return dt.toString(QStringLiteral("dd-MM-yyyy HH:mm")).mid(11, 5);
}

bool DocumentoDesk::PreparaDocumento(const DadosDocumentoDesk& d) {
    if (m_doc) return true;
    std::unique_ptr<ApiObject> obj =
        SageCreateApiObject(m_sessao, m_registry, m_messages, QStringLiteral("SageApiNextPlus.DocumentoComercial"));
    auto* doc = dynamic_cast<DocumentoComercial*>(obj.get());
    if (!doc) return false;
    obj.release();
    m_doc.reset(doc);
    CabDocumento& c = m_doc->Cab;
    c.Ano = d.ano;
    c.Data = d.dataPesagem.toString(QStringLiteral("dd-MM-yyyy"));
    c.AreaGestao = 4;
    c.Sector = d.sector;
    c.Serie = d.serie;
    c.TipoDocumento = d.tipo;
    c.TipoTerceiro = 1;
    c.Terceiro = d.terceiro;
    c.NumeroContribuinte = d.contribuinte;
    c.DescontoCabecalho = 0;
    c.Processo.clear();
    c.VossoNoDocumento.clear();
    c.MeiodeTransporte.clear();
    c.Matricula = d.matricula;
    if (d.entrada) {
        c.LocalCarga.clear();
        c.LocalDescarga.clear();
    }
    c.SerieOriginal = d.serie;
    c.NumeroOriginal = d.numero;
    c.TipoPreco = 0;
    return true;
}

bool DocumentoDesk::Load(const DadosDocumentoDesk& d, short iAno, short iSerie, int lNumDoc, const QString& sTpDoc,
                         bool& bErro) {
    bErro = false;
    LibertaDocumento();
    if (!PreparaDocumento(d)) {
        bErro = true;
        return false;
    }
    short ano = iAno, serie = iSerie;
    int numero = lNumDoc;
    QString tipo = sTpDoc;
    if (m_doc->Ler(ano, serie, numero, tipo) == 0) return true;
    if (lNumDoc != 0) {
        m_messages.mostrarAviso(OperatorMessages::Informacao, m_doc->UltimaMensagem);
        bErro = true;
    }
    return false;
}

bool DocumentoDesk::GravaDocumento(const DadosDocumentoDesk& d, short modo, long& erroNumero, QString& erroTexto,
                                   bool& sucesso) {
    sucesso = false;
    if (!m_doc) {
        erroNumero = -1;
        erroTexto = QStringLiteral("Não existe documento do ERP em curso.");
        return false;
    }
    const int n = m_doc->Linhas.Count();
    // The lines are the document's own: the box on the desk cannot change the document
    // type, so a line without an article is the quality line of a raw-materials receipt
    // (it keeps its quantity of 0) and only article lines carry the weight.
    for (int i = 1; i <= n; ++i) {
        LinhaDocumento& l = m_doc->Linhas.item(i);
        if (l.Artigo.trimmed().isEmpty()) {
            if (d.entrada) l.Descricao = QStringLiteral("Qualidade do Produto ") + d.caracteristica;
            continue;
        }
        l.Artigo = d.artigo;
        l.Descricao = d.nomeArtigo;
        l.Quantidade = d.pesoEfectivo;
        l.QuantidadeOrigem = d.pesoEfectivo;
    }
    if (n == 0) {
        erroNumero = -1;
        erroTexto = QStringLiteral("Documento inválido. Obrigatório ter linhas.");
        return false;
    }
    long erro = 0;
    m_sessao.gravarDocumento(modo, 1, *m_doc, erro);
    if (erro != 0) {
        erroNumero = m_sessao.ultimoErroNumero();
        erroTexto = m_sessao.ultimoErro();
    }
    sucesso = erro == 0;
    return sucesso;
}

DocumentoDesk::Actualizacao DocumentoDesk::actualizarDocumentoFinalizado(
    const DadosDocumentoDesk& d, const std::function<bool(const DocumentoComercial&)>& antesDeGravar) {
    bool bErro = false;
    // A document that cannot be read is never judged by stale state: stop after Load's message.
    if (!Load(d, d.ano, d.serie, d.numero, d.tipo, bErro)) {
        if (!bErro)
            m_messages.mostrarAviso(OperatorMessages::Informacao,
                                    QStringLiteral("Não foi possível ler o documento do ERP desta pesagem."));
        return Actualizacao::Falhou;
    }
    const QString naoPermitidas = QStringLiteral("\r\n Não são permitidas alterações.");
    if (m_doc->Cab.NumeroViasemitidas == -1) {
        m_messages.mostrarAviso(OperatorMessages::Informacao, QStringLiteral("Documento Anulado!") + naoPermitidas);
        LibertaDocumento();
        return Actualizacao::Anulado;
    }
    if (m_doc->Cab.Convertido == -1) {
        m_messages.mostrarAviso(OperatorMessages::Informacao,
                                QStringLiteral("Documento já convertido!") + naoPermitidas);
        LibertaDocumento();
        return Actualizacao::Convertido;
    }
    const QString pergunta = QStringLiteral("A informação foi alterada!\r\n") +
                             (d.entrada ? QStringLiteral(" O Documento de Entrada será actualizado.")
                                        : QStringLiteral(" O Documento de Saída será actualizado."));
    if (!m_messages.mostrarAviso(OperatorMessages::OkCancelar, pergunta)) return Actualizacao::Desistiu;
    if (antesDeGravar && !antesDeGravar(*m_doc)) return Actualizacao::Falhou;
    if (!d.entrada) {
        CabDocumento& c = m_doc->Cab;
        c.LocalCarga = d.localCarga;
        c.LocalDescarga = d.localDescarga;
        c.HoraCarga = hora(d.carga);
        c.HoraDescarga = hora(d.descarga);
        c.DataCarga = d.carga.toString(QStringLiteral("dd-MM-yyyy"));
        c.DataDescarga = d.descarga.toString(QStringLiteral("dd-MM-yyyy"));
        c.OndeEntregarDoc = d.ondeEntregar;
    }
    long numero = 0;
    QString texto;
    bool sucesso = false;
    GravaDocumento(d, 2, numero, texto, sucesso);
    if (!sucesso) {
        // The refusal is shown and the weighing keeps its values.
        m_messages.mostrarAviso(
            OperatorMessages::Informacao,
            QStringLiteral("O documento do ERP não foi actualizado.\r\nErro: %1 - %2").arg(numero).arg(texto));
        return Actualizacao::Falhou;
    }
    return Actualizacao::Gravado;
}

QList<ChaveDocumento> anularDocumentosCriados(SessaoSage& sessao, OperatorMessages& messages,
                                              QList<ChaveDocumento>& criados, QList<short>& flags) {
    QList<ChaveDocumento> recusados;
    for (int i = 0; i < criados.size(); ++i) {
        ResultadoAnulacao resultado;
        long erro = 0;
        sessao.anularDocumento(flags.value(i) == 0 ? 1 : 3, criados[i], resultado, erro);
        if (!resultado.anulado()) recusados << criados[i];
    }
    if (!recusados.isEmpty()) {
        QString texto = QStringLiteral("Os documentos seguintes devem ser anulados manualmente - ");
        for (const ChaveDocumento& k : recusados) texto += QStringLiteral("\n\r'") + k.texto() + QStringLiteral(" '");
        messages.mostrarAviso(OperatorMessages::Informacao, texto);
    }
    criados.clear();
    flags.clear();
    return recusados;
}
