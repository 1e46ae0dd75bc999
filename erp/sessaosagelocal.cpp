#include "erp/sessaosagelocal.h"

#include <QDate>

#include "erp/erpschema.h"

namespace {

const QString kDocumentoComercial = QStringLiteral("SageApiNextPlus.DocumentoComercial");

// A document of the local ERP: reads and finalises through the session that gave it.
class DocumentoLocal : public DocumentoComercial {
  public:
    explicit DocumentoLocal(SessaoSageLocal& s) : m_sessao(s) {}
    long Ler(short& ano, short& serie, int& numero, QString& tipo) override {
        return m_sessao.lerDocumento(*this, ChaveDocumento{ano, tipo, serie, numero});
    }
    long Finalizar(short& ano, QString& tipo, short& serie, int& numero) override {
        ChaveDocumento k;
        const long r = m_sessao.finalizarDocumento(*this, k);
        if (r == 0) {
            ano = k.ano;
            tipo = k.tipo;
            serie = k.serie;
            numero = k.numero;
        }
        return r;
    }

  private:
    SessaoSageLocal& m_sessao;
};

QVariant isoDate(const QString& ddmmyyyy) {
    const QDate d = QDate::fromString(ddmmyyyy.trimmed(), QStringLiteral("dd-MM-yyyy"));
    return d.isValid() ? QVariant(QDateTime(d, QTime(0, 0))) : QVariant();
}

QString ddmmyyyy(const QVariant& stored) {
    const QDateTime dt = RecordSet::toDateTime(stored);
    return dt.isValid() ? dt.toString(QStringLiteral("dd-MM-yyyy")) : QString();
}

QVariant number(const QString& text) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    return ok ? QVariant(v) : QVariant(0.0);
}

}  // namespace

SessaoSageLocal::SessaoSageLocal(SqlSettings database, QString connectionName)
    : m_settings(std::move(database)), m_connectionName(std::move(connectionName)) {}

SessaoSageLocal::~SessaoSageLocal() {
    desligar();
}

void SessaoSageLocal::setErro(long numero, const QString& texto) {
    m_erroNumero = numero;
    m_erro = texto;
}

bool SessaoSageLocal::fail(long numero, const QString& texto) {
    setErro(numero, texto);
    m_db.reset();
    m_ligado = false;
    return false;
}

bool SessaoSageLocal::ligar(const QString& s1, const QString& s2, const QString& s3, const QString& s4,
                            const QString& s5) {
    Q_UNUSED(s2);  // the instance: the local ERP has one
    desligar();
    setErro(0, QString());
    if (s1.trimmed().isEmpty() || s3.trimmed().isEmpty() || s4.trimmed().isEmpty() || s5.isEmpty())
        return fail(1, QStringLiteral("Parâmetros de ligação ao ERP incompletos."));
    m_empresa = s3.trimmed();
    m_utilizador = s4.trimmed();
    m_password = s5;
    auto db = std::make_unique<BaseDados>(m_connectionName);
    if (!db->abrir(m_settings, BaseDados::OpenMode::MustExist)) {
        // The database itself is reported by the program's own open, which follows at
        // start-up; the company is verified as soon as the database can be reached.
        m_ligado = true;
        return true;
    }
    m_db = std::move(db);
    m_ligado = true;
    return requireDb();
}

bool SessaoSageLocal::requireDb() {
    if (!m_ligado) {
        setErro(SemLigacao, QStringLiteral("Não existe ligação ao ERP."));
        return false;
    }
    if (!m_db) {
        auto db = std::make_unique<BaseDados>(m_connectionName);
        if (!db->abrir(m_settings, BaseDados::OpenMode::MustExist)) {
            setErro(SemLigacao, QStringLiteral("O ERP não consegue abrir a base de dados: ") + db->ultimoErro());
            return false;
        }
        m_db = std::move(db);
    }
    try {
        if (!m_db->tableExists(ErpSchema::markerTable()))
            return fail(2, QStringLiteral("A base de dados indicada não é uma base de dados do ERP local."));
        const RecordSet rs = m_db->consultar(
            QStringLiteral("SELECT Empresa, Password FROM ERP_Local WHERE Empresa = ? AND Utilizador = ?"),
            {m_empresa, m_utilizador});
        if (rs.isEmpty() || rs.text(QStringLiteral("Password")) != m_password)
            return fail(3, QStringLiteral("Empresa, utilizador ou palavra-passe do ERP inválidos."));
        m_empresa = rs.text(QStringLiteral("Empresa"));
    } catch (const DbError& e) {
        return fail(e.numero(), e.descricao());
    }
    return true;
}

void SessaoSageLocal::desligar() {
    m_tiposGarantidos = false;
    m_criado.reset();
    m_db.reset();
    m_ligado = false;
}

std::unique_ptr<ApiObject> SessaoSageLocal::criarObjecto(const QString& nome) {
    if (nome.compare(kDocumentoComercial, Qt::CaseInsensitive) == 0 && m_ligado)
        return std::make_unique<DocumentoLocal>(*this);
    setErro(SemLigacao, QStringLiteral("Objecto desconhecido: ") + nome);
    return nullptr;
}

void SessaoSageLocal::criarDocumento(const PedidoDocumento& p, short& resultado1, short& resultado2) {
    resultado1 = 0;
    resultado2 = 0;
    m_criado.reset();
    m_sucesso = false;
    auto refuse = [&](const QString& text) {
        m_mensagem = text;
        setErro(DadosInvalidos, text);
    };
    if (!requireDb()) {
        m_mensagem = m_erro;
        return;
    }
    if (p.tipo.trimmed().isEmpty()) return refuse(QStringLiteral("Tipo de documento não indicado."));
    const QDate data = QDate::fromString(p.data, QStringLiteral("dd-MM-yyyy"));
    if (!data.isValid()) return refuse(QStringLiteral("Data do documento inválida: ") + p.data);
    const bool cliente = p.tipoDocumento == 3;
    QStringList tipos;
    if (!tiposDocumento(p.tipoDocumento, tipos)) {
        m_mensagem = m_erro;
        return;
    }
    if (!tipos.contains(p.tipo.trimmed(), Qt::CaseInsensitive))
        return refuse(QStringLiteral("O tipo de documento %1 não existe no ERP (%2).")
                          .arg(p.tipo.trimmed(), cliente ? QStringLiteral("saídas") : QStringLiteral("entradas")));
    try {
        // An inactive party is still a party: the desks weigh for it, so its document is made.
        const RecordSet t =
            m_db->consultar(cliente ? QStringLiteral("SELECT NOME, NContrib FROM Clientes WHERE CODIGO = ?")
                                    : QStringLiteral("SELECT NOME, NContrib FROM Fornec WHERE CODIGO = ?"),
                            {p.terceiro.trimmed()});
        if (t.isEmpty())
            return refuse(
                (cliente ? QStringLiteral("O cliente %1 não existe.") : QStringLiteral("O fornecedor %1 não existe."))
                    .arg(p.terceiro));
        auto doc = std::make_unique<DocumentoLocal>(*this);
        CabDocumento& c = doc->Cab;
        c.Ano = short(data.year());
        c.Data = p.data;
        c.AreaGestao = 4;
        c.Sector = p.sector;
        c.Serie = p.serie;
        c.TipoDocumento = p.tipo.trimmed();
        c.TipoTerceiro = cliente ? 2 : 1;
        c.Terceiro = p.terceiro.trimmed();
        c.NumeroContribuinte = t.text(QStringLiteral("NContrib"));
        c.VossoNoDocumento = p.referencia;
        for (int i = 1; i < p.artigos.size() || i < p.descricoes.size(); ++i) {
            LinhaDocumento l;
            l.Artigo = p.artigos.value(i).trimmed();
            l.Descricao = p.descricoes.value(i);
            const double q = p.quantidades.value(i);
            l.Quantidade = QString::number(q, 'f', 4);
            l.QuantidadeOrigem = l.Quantidade;
            l.Armazem = p.armazem;
            if (l.Artigo.isEmpty() && l.Descricao.isEmpty()) continue;
            if (!l.Artigo.isEmpty()) {
                const RecordSet a = m_db->consultar(
                    QStringLiteral("SELECT NOME FROM Artigos WHERE CODIGO = ? AND Inactivo = 0"), {l.Artigo});
                if (a.isEmpty())
                    return refuse(QStringLiteral("O artigo %1 não existe ou está inactivo.").arg(l.Artigo));
                if (l.Descricao.isEmpty()) l.Descricao = a.text(QStringLiteral("NOME"));
            }
            doc->Linhas.adicionar(l);
        }
        if (doc->Linhas.Count() == 0) return refuse(QStringLiteral("Documento inválido. Obrigatório ter linhas."));
        m_criado = std::move(doc);
    } catch (const DbError& e) {
        return refuse(e.texto());
    }
    m_sucesso = true;
    m_mensagem.clear();
    setErro(0, QString());
    resultado1 = 1;
}

std::unique_ptr<DocumentoComercial> SessaoSageLocal::documentoCriado() {
    return std::move(m_criado);
}

RecordSet SessaoSageLocal::estado(const ChaveDocumento& k) {
    return m_db->consultar(
        QStringLiteral(
            "SELECT NumVias, Convertido FROM DocGCCab WHERE Tpdoc = ? AND Serie = ? AND NNumdoc = ? AND Ano = ?"),
        {k.tipo, k.serie, k.numero, k.ano});
}

void SessaoSageLocal::escreverLinhas(const DocumentoComercial& doc) {
    const CabDocumento& c = doc.Cab;
    const QVariantList key{c.TipoDocumento, c.Serie, c.NossoNoDocumento, c.Ano};
    m_db->executar(QStringLiteral("DELETE FROM DocGCLin WHERE Tpdoc = ? AND Serie = ? AND NNumdoc = ? AND Ano = ?"),
                   key);
    double total = 0;
    for (int i = 1; i <= doc.Linhas.Count(); ++i) {
        const LinhaDocumento& l = doc.Linhas.item(i);
        m_db->executar(QStringLiteral("INSERT INTO DocGCLin (Tpdoc, Serie, NNumdoc, Ano, NLinha, Artigo, Descricao, "
                                      "Quantidade, QuantidadeOrigem, Armazem) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                       QVariantList(key) << i << l.Artigo << l.Descricao << number(l.Quantidade)
                                         << number(l.QuantidadeOrigem) << l.Armazem);
        total += number(l.Quantidade).toDouble();
    }
    m_db->executar(
        QStringLiteral("UPDATE DocGCCab SET TotalQtd = ? WHERE Tpdoc = ? AND Serie = ? AND NNumdoc = ? AND Ano = ?"),
        QVariantList{total} + key);
}

void SessaoSageLocal::inserir(DocumentoComercial& doc) {
    CabDocumento& c = doc.Cab;
    if (c.Ano == 0) c.Ano = short(QDate::fromString(c.Data, QStringLiteral("dd-MM-yyyy")).year());
    if (c.NossoNoDocumento == 0) {
        // PostgreSQL: wait for a workstation numbering the same series; a number taken
        // past an unlocked end meets the primary key and the caller tries again.
        if (m_db->backend() == Backend::Postgresql)
            m_db->consultar(QStringLiteral("SELECT NNumdoc FROM DocGCCab WHERE Tpdoc = ? AND Serie = ? AND Ano = ? "
                                           "ORDER BY NNumdoc DESC LIMIT 1 FOR UPDATE"),
                            {c.TipoDocumento, c.Serie, c.Ano});
        c.NossoNoDocumento =
            m_db->escalar(
                    QStringLiteral("SELECT COALESCE(MAX(NNumdoc), 0) + 1 FROM DocGCCab WHERE Tpdoc = ? AND Serie = ? "
                                   "AND Ano = ?"),
                    {c.TipoDocumento, c.Serie, c.Ano})
                .toInt();
    }
    m_db->executar(
        QStringLiteral(
            "INSERT INTO DocGCCab (Tpdoc, Serie, NNumdoc, Ano, Data, AreaGestao, Sector, TipoTerc, Terceiro, "
            "NContrib, DescCab, Processo, VossoNo, MeioTransp, Matricul, LocalCG, LocalDSG, DtCarga, Hora, "
            "DataDes, HoraDes, ONDEENTR, SerieOrig, NumOrig, TipoPreco, NumVias, Convertido, Estado) VALUES "
            "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 0, 0, 'F')"),
        {c.TipoDocumento,
         c.Serie,
         c.NossoNoDocumento,
         c.Ano,
         isoDate(c.Data),
         c.AreaGestao,
         c.Sector,
         c.TipoTerceiro,
         c.Terceiro,
         c.NumeroContribuinte,
         c.DescontoCabecalho,
         c.Processo,
         c.VossoNoDocumento,
         c.MeiodeTransporte,
         c.Matricula,
         c.LocalCarga,
         c.LocalDescarga,
         isoDate(c.DataCarga),
         c.HoraCarga,
         isoDate(c.DataDescarga),
         c.HoraDescarga,
         c.OndeEntregarDoc,
         c.SerieOriginal,
         c.NumeroOriginal,
         c.TipoPreco});
    escreverLinhas(doc);
}

long SessaoSageLocal::finalizarDocumento(DocumentoComercial& doc, ChaveDocumento& chave) {
    if (!requireDb()) {
        doc.UltimaMensagem = m_erro;
        return m_erroNumero;
    }
    try {
        // The write lock is taken before the number is read, so two workstations
        // never give the same number.
        m_db->comRepeticao(
            [&] {
                doc.Cab.NossoNoDocumento = 0;
                inserir(doc);
            },
            BaseDados::Repetir::TambemChaveDuplicada);
    } catch (const DbError& e) {
        doc.UltimaMensagem = e.texto();
        setErro(e.numero(), e.descricao());
        return e.numero() ? e.numero() : DadosInvalidos;
    }
    chave = ChaveDocumento{doc.Cab.Ano, doc.Cab.TipoDocumento, doc.Cab.Serie, doc.Cab.NossoNoDocumento};
    setErro(0, QString());
    return 0;
}

long SessaoSageLocal::lerDocumento(DocumentoComercial& doc, const ChaveDocumento& k) {
    if (!requireDb()) {
        doc.UltimaMensagem = m_erro;
        return m_erroNumero;
    }
    try {
        const RecordSet h = m_db->consultar(
            QStringLiteral("SELECT * FROM DocGCCab WHERE Tpdoc = ? AND Serie = ? AND NNumdoc = ? AND Ano = ?"),
            {k.tipo, k.serie, k.numero, k.ano});
        if (h.isEmpty()) {
            doc.UltimaMensagem = QStringLiteral("O documento %1 não existe.").arg(k.texto());
            setErro(DocumentoInexistente, doc.UltimaMensagem);
            return DocumentoInexistente;
        }
        CabDocumento& c = doc.Cab;
        c.TipoDocumento = h.text(QStringLiteral("Tpdoc"));
        c.Serie = short(h.value(QStringLiteral("Serie")).toInt());
        c.NossoNoDocumento = h.value(QStringLiteral("NNumdoc")).toInt();
        c.Ano = short(h.value(QStringLiteral("Ano")).toInt());
        c.Data = ddmmyyyy(h.value(QStringLiteral("Data")));
        c.AreaGestao = short(h.value(QStringLiteral("AreaGestao")).toInt());
        c.Sector = h.text(QStringLiteral("Sector"));
        c.TipoTerceiro = short(h.value(QStringLiteral("TipoTerc")).toInt());
        c.Terceiro = h.text(QStringLiteral("Terceiro"));
        c.NumeroContribuinte = h.text(QStringLiteral("NContrib"));
        c.Processo = h.text(QStringLiteral("Processo"));
        c.VossoNoDocumento = h.text(QStringLiteral("VossoNo"));
        c.MeiodeTransporte = h.text(QStringLiteral("MeioTransp"));
        c.Matricula = h.text(QStringLiteral("Matricul"));
        c.LocalCarga = h.text(QStringLiteral("LocalCG"));
        c.LocalDescarga = h.text(QStringLiteral("LocalDSG"));
        c.DataCarga = ddmmyyyy(h.value(QStringLiteral("DtCarga")));
        c.HoraCarga = h.text(QStringLiteral("Hora"));
        c.DataDescarga = ddmmyyyy(h.value(QStringLiteral("DataDes")));
        c.HoraDescarga = h.text(QStringLiteral("HoraDes"));
        c.OndeEntregarDoc = h.text(QStringLiteral("ONDEENTR"));
        c.SerieOriginal = short(h.value(QStringLiteral("SerieOrig")).toInt());
        c.NumeroOriginal = h.value(QStringLiteral("NumOrig")).toInt();
        c.TipoPreco = short(h.value(QStringLiteral("TipoPreco")).toInt());
        c.NumeroViasemitidas = short(h.value(QStringLiteral("NumVias")).toInt());
        c.Convertido = short(h.value(QStringLiteral("Convertido")).toInt());
        doc.Linhas.limpar();
        const RecordSet l = m_db->consultar(
            QStringLiteral(
                "SELECT * FROM DocGCLin WHERE Tpdoc = ? AND Serie = ? AND NNumdoc = ? AND Ano = ? ORDER BY NLinha"),
            {k.tipo, k.serie, k.numero, k.ano});
        for (int i = 0; i < l.count(); ++i) {
            doc.Linhas.adicionar(
                LinhaDocumento{l.text(i, QStringLiteral("Artigo")), l.text(i, QStringLiteral("Descricao")),
                               QString::number(l.value(i, QStringLiteral("Quantidade")).toDouble(), 'f', 4),
                               QString::number(l.value(i, QStringLiteral("QuantidadeOrigem")).toDouble(), 'f', 4),
                               l.text(i, QStringLiteral("Armazem"))});
        }
    } catch (const DbError& e) {
        doc.UltimaMensagem = e.texto();
        setErro(e.numero(), e.descricao());
        return DocumentoInexistente;
    }
    doc.UltimaMensagem.clear();
    return 0;
}

void SessaoSageLocal::gravarDocumento(int modo, int valor, DocumentoComercial& doc, long& erro) {
    Q_UNUSED(valor);
    erro = 0;
    if (!requireDb()) {
        erro = m_erroNumero;
        return;
    }
    const CabDocumento& c = doc.Cab;
    const ChaveDocumento k{c.Ano, c.TipoDocumento, c.Serie, c.NossoNoDocumento};
    try {
        // A new number taken by another workstation meanwhile: tried again (see inserir);
        // the refusals below wrote nothing, so their transaction commits empty.
        m_db->comRepeticao(
            [&] {
                if (modo == 2) {
                    const RecordSet s = estado(k);
                    if (s.isEmpty()) {
                        setErro(DocumentoInexistente, QStringLiteral("O documento %1 não existe.").arg(k.texto()));
                    } else if (s.value(QStringLiteral("NumVias")).toInt() == -1) {
                        setErro(DocumentoAnulado, QStringLiteral("O documento %1 está anulado.").arg(k.texto()));
                    } else if (s.value(QStringLiteral("Convertido")).toInt() == -1) {
                        setErro(DocumentoConvertido,
                                QStringLiteral("O documento %1 já foi convertido.").arg(k.texto()));
                    } else {
                        m_db->executar(
                            QStringLiteral("UPDATE DocGCCab SET Data = ?, Sector = ?, Terceiro = ?, NContrib "
                                           "= ?, Matricul = ?, "
                                           "LocalCG = ?, LocalDSG = ?, DtCarga = ?, Hora = ?, DataDes = ?, "
                                           "HoraDes = ?, ONDEENTR = ? "
                                           "WHERE Tpdoc = ? AND Serie = ? AND NNumdoc = ? AND Ano = ?"),
                            {isoDate(c.Data), c.Sector, c.Terceiro, c.NumeroContribuinte, c.Matricula, c.LocalCarga,
                             c.LocalDescarga, isoDate(c.DataCarga), c.HoraCarga, isoDate(c.DataDescarga),
                             c.HoraDescarga, c.OndeEntregarDoc, k.tipo, k.serie, k.numero, k.ano});
                        escreverLinhas(doc);
                        setErro(0, QString());
                    }
                } else {
                    if (modo == 0) doc.Cab.NossoNoDocumento = 0;
                    if (modo == 1 && !estado(k).isEmpty()) {
                        setErro(DocumentoExistente, QStringLiteral("O documento %1 já existe.").arg(k.texto()));
                    } else {
                        inserir(doc);
                        setErro(0, QString());
                    }
                }
            },
            BaseDados::Repetir::TambemChaveDuplicada);
    } catch (const DbError& e) {
        setErro(e.numero() ? e.numero() : DadosInvalidos, e.descricao());
    }
    erro = m_erroNumero;
}

void SessaoSageLocal::anularDocumento(int tipo, const ChaveDocumento& k, ResultadoAnulacao& resultado, long& erro) {
    Q_UNUSED(tipo);  // kinds 1 and 3 end the same way here: the document is cancelled
    resultado.valores = {0};
    erro = 0;
    if (!requireDb()) {
        erro = m_erroNumero;
        return;
    }
    try {
        Transaccao t(*m_db, true);
        const RecordSet s = estado(k);
        if (s.isEmpty()) {
            setErro(DocumentoInexistente, QStringLiteral("O documento %1 não existe.").arg(k.texto()));
        } else if (s.value(QStringLiteral("Convertido")).toInt() == -1) {
            setErro(DocumentoConvertido,
                    QStringLiteral("O documento %1 já foi convertido e não pode ser anulado.").arg(k.texto()));
        } else {
            if (s.value(QStringLiteral("NumVias")).toInt() != -1)
                m_db->executar(
                    QStringLiteral("UPDATE DocGCCab SET NumVias = -1, Estado = 'A' WHERE Tpdoc = ? AND Serie = ? "
                                   "AND NNumdoc = ? AND Ano = ?"),
                    {k.tipo, k.serie, k.numero, k.ano});
            t.commit();
            setErro(0, QString());
            resultado.valores = {-1};
        }
    } catch (const DbError& e) {
        setErro(e.numero() ? e.numero() : DadosInvalidos, e.descricao());
    }
    erro = m_erroNumero;
}

bool SessaoSageLocal::garantirTipos() {
    if (m_tiposGarantidos) return true;
    try {
        // Only a list still to be made takes the write lock.
        if (m_db->tableExists(QStringLiteral("ERP_TiposDoc")) &&
            m_db->escalar(QStringLiteral("SELECT COUNT(*) FROM ERP_TiposDoc")).toLongLong() > 0) {
            m_tiposGarantidos = true;
            return true;
        }
        Transaccao t(*m_db, true);
        ErpSchema::garantirTiposDocumento(*m_db);
        t.commit();
    } catch (const DbError& e) {
        setErro(e.numero() ? e.numero() : DadosInvalidos, e.descricao());
        return false;
    }
    m_tiposGarantidos = true;
    return true;
}

bool SessaoSageLocal::tiposDocumento(int tipoDocumento, QStringList& tipos) {
    tipos.clear();
    if (!requireDb() || !garantirTipos()) return false;
    try {
        const RecordSet rs = m_db->consultar(
            QStringLiteral("SELECT Tpdoc FROM ERP_TiposDoc WHERE TipoDocumento = ? ORDER BY Tpdoc"), {tipoDocumento});
        for (int i = 0; i < rs.count(); ++i) tipos << rs.text(i, QStringLiteral("Tpdoc")).trimmed();
    } catch (const DbError& e) {
        setErro(e.numero() ? e.numero() : DadosInvalidos, e.descricao());
        return false;
    }
    setErro(0, QString());
    return true;
}

bool SessaoSageLocal::procurarDocumentos(const PesquisaDocumentos& p, QList<DocumentoEncontrado>& encontrados) {
    encontrados.clear();
    if (!requireDb()) return false;
    try {
        const RecordSet rs = m_db->consultar(
            QStringLiteral("SELECT Tpdoc, Serie, NNumdoc, Ano, NumVias, Convertido FROM DocGCCab WHERE VossoNo = ? AND "
                           "TipoTerc = ? AND Terceiro = ? AND Tpdoc = ? AND Serie = ? ORDER BY Ano, NNumdoc"),
            {p.referencia, p.tipoTerceiro, p.terceiro.trimmed(), p.tipo.trimmed(), p.serie});
        for (int i = 0; i < rs.count(); ++i) {
            DocumentoEncontrado d;
            d.chave = ChaveDocumento{
                short(rs.value(i, QStringLiteral("Ano")).toInt()), rs.text(i, QStringLiteral("Tpdoc")),
                short(rs.value(i, QStringLiteral("Serie")).toInt()), rs.value(i, QStringLiteral("NNumdoc")).toInt()};
            d.anulado = rs.value(i, QStringLiteral("NumVias")).toInt() == -1;
            d.convertido = rs.value(i, QStringLiteral("Convertido")).toInt() == -1;
            encontrados << d;
        }
    } catch (const DbError& e) {
        setErro(e.numero(), e.descricao());
        return false;
    }
    setErro(0, QString());
    return true;
}

bool SessaoSageLocal::marcarConvertido(const ChaveDocumento& k) {
    if (!requireDb()) return false;
    try {
        const int n = m_db->executar(
            QStringLiteral(
                "UPDATE DocGCCab SET Convertido = -1 WHERE Tpdoc = ? AND Serie = ? AND NNumdoc = ? AND Ano = ?"),
            {k.tipo, k.serie, k.numero, k.ano});
        if (n == 0) {
            setErro(DocumentoInexistente, QStringLiteral("O documento %1 não existe.").arg(k.texto()));
            return false;
        }
    } catch (const DbError& e) {
        setErro(e.numero(), e.descricao());
        return false;
    }
    setErro(0, QString());
    return true;
}
