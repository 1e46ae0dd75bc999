// ERP documents through the local ERP: API object creation with its fallbacks,
// numbering, reading, saving, cancelling, and the desk-side operations built on them.
#include <QtTest>

#include "erp/apiregistry.h"
#include "erp/documentodesk.h"
#include "erp/sessaosagelocal.h"
#include "tests/support/testsupport.h"

namespace {

class FakeApi : public ApiObject {
  public:
    QString nomeClasse() const override { return QStringLiteral("Fake"); }
};

PedidoDocumento pedidoSaida(const QString& data, const QString& artigo = QStringLiteral("MILHO"),
                            const QString& cliente = QStringLiteral("C001")) {
    PedidoDocumento p;
    p.tipoDocumento = 3;
    p.tipo = QStringLiteral("GR");
    p.sector = QStringLiteral("PES");
    p.serie = 1;
    p.terceiro = cliente;
    p.referencia = QStringLiteral("A/7/2026/2027");
    p.data = data;
    p.armazem = QStringLiteral("A2");
    p.artigos = {QString(), artigo};
    p.descricoes = {QString(), QString()};
    p.quantidades = {0, 12340.5};
    p.numeros2 = {0, 0};
    p.textos2 = {QString(), QString()};
    return p;
}

}  // namespace

class DocumentsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDatabase> m_t;
    BaseDados& db() { return m_t->db(); }
    std::unique_ptr<SessaoSageLocal> m_erp;
    ApiRegistry m_registry;
    RecordingMessages m_msgs;

    // Asks the ERP for a document (the two outputs nobody reads).
    void pedir(const PedidoDocumento& p) {
        short r1 = 0, r2 = 0;
        m_erp->criarDocumento(p, r1, r2);
    }

    // Creates and finalises a document; gives its key.
    ChaveDocumento criar(const PedidoDocumento& p) {
        m_erp->setOpcaoCriacao(true);
        pedir(p);
        if (!m_erp->sucesso()) qWarning() << m_erp->mensagem();
        auto doc = m_erp->documentoCriado();
        ChaveDocumento k;
        if (!doc) return k;
        if (doc->Finalizar(k.ano, k.tipo, k.serie, k.numero) != 0) qWarning() << doc->UltimaMensagem;
        return k;
    }

    static DadosDocumentoDesk desk(const ChaveDocumento& k) {
        DadosDocumentoDesk d;
        d.ano = k.ano;
        d.serie = k.serie;
        d.numero = k.numero;
        d.tipo = k.tipo;
        d.dataPesagem = QDate(2026, 12, 6);
        d.terceiro = QStringLiteral("C001");
        d.matricula = QStringLiteral("12-AB-34");
        d.artigo = QStringLiteral("MILHO");
        d.nomeArtigo = QStringLiteral("Milho grão");
        d.pesoEfectivo = QStringLiteral("9000");
        d.ondeEntregar = QStringLiteral("001");
        d.localCarga = QStringLiteral("Armazém d'Aveiro");
        d.localDescarga = QStringLiteral("Quinta");
        d.carga = QDateTime(QDate(2026, 12, 6), QTime(9, 5));
        d.descarga = QDateTime(QDate(2026, 12, 7), QTime(14, 45));
        return d;
    }

    int count(const QString& sql, const QVariantList& params = {}) { return m_t->db().escalar(sql, params).toInt(); }

  private slots:
    void init() {
        m_registry = ApiRegistry();
        m_msgs = RecordingMessages();
        m_t = std::make_unique<TempDatabase>(TempDatabase::Demo);
        m_erp = std::make_unique<SessaoSageLocal>(m_t->settings());
        QVERIFY(m_erp->ligar(QStringLiteral("local"), QString(), QStringLiteral("DEMO"), QStringLiteral("admin"),
                             QStringLiteral("demo")));
    }
    void cleanup() {
        m_erp.reset();
        m_t.reset();
    }

    void apiObjectFallbacks() {
        // The session knows the commercial document itself.
        QVERIFY(SageCreateApiObject(*m_erp, m_registry, m_msgs, QStringLiteral("SageApiNextPlus.DocumentoComercial")));
        QVERIFY(m_registry.tentativas().isEmpty());
        // A name without a dot: nothing, silently.
        QVERIFY(!SageCreateApiObject(*m_erp, m_registry, m_msgs, QStringLiteral("BaseNext")));
        QVERIFY(m_registry.tentativas().isEmpty());
        QVERIFY(m_msgs.all.isEmpty());
        // Three libraries in order; BaseNext is BaseBusiness in the first one only.
        QVERIFY(!SageCreateApiObject(*m_erp, m_registry, m_msgs, QStringLiteral("Qualquer.BaseNext")));
        QCOMPARE(m_registry.tentativas(),
                 (QStringList{"SageBGCOApi10.BaseBusiness", "SAGENGCOAPI.BaseNext", "SageApiNextPlus.BaseNext"}));
        QCOMPARE(m_msgs.all, QStringList{"Erro não conseguiu carregar nenhuma DLL da SAGEAPI"});
        QCOMPARE(m_msgs.kinds.first(), 0);
        // The first library that answers gives the object; later ones are not tried.
        m_registry.limparTentativas();
        m_msgs.clear();
        m_registry.registar(QStringLiteral("sagengcoapi.motor"), [] { return std::make_unique<FakeApi>(); });
        auto obj = SageCreateApiObject(*m_erp, m_registry, m_msgs, QStringLiteral("X.Motor"));
        QVERIFY(obj);
        QCOMPARE(m_registry.tentativas(), (QStringList{"SageBGCOApi10.Motor", "SAGENGCOAPI.Motor"}));
        QVERIFY(m_msgs.all.isEmpty());
    }

    void numbersPerTypeSeriesAndYear() {
        const ChaveDocumento a = criar(pedidoSaida(QStringLiteral("06-12-2026")));
        const ChaveDocumento b = criar(pedidoSaida(QStringLiteral("07-12-2026")));
        QCOMPARE(a, (ChaveDocumento{2026, QStringLiteral("GR"), 1, 1}));
        QCOMPARE(b.numero, 2);
        PedidoDocumento s2 = pedidoSaida(QStringLiteral("07-12-2026"));
        s2.serie = 2;
        QCOMPARE(criar(s2).numero, 1);
        const ChaveDocumento nextYear = criar(pedidoSaida(QStringLiteral("02-01-2027")));
        QCOMPARE(nextYear, (ChaveDocumento{2027, QStringLiteral("GR"), 1, 1}));
        QCOMPARE(criar(pedidoSaida(QStringLiteral("31-12-2026"))).numero, 3);
        // The stored header carries key, party, date, state and the line.
        const RecordSet h =
            m_t->db().consultar(QStringLiteral("SELECT * FROM DocGCCab WHERE Tpdoc = 'GR' AND Serie = 1 AND "
                                               "NNumdoc = 1 AND Ano = 2026"));
        QCOMPARE(h.text(QStringLiteral("Terceiro")), QStringLiteral("C001"));
        QCOMPARE(h.text(QStringLiteral("Data")), QStringLiteral("2026-12-06 00:00:00"));
        QCOMPARE(h.value(QStringLiteral("NumVias")).toInt(), 0);
        QCOMPARE(h.value(QStringLiteral("TotalQtd")).toDouble(), 12340.5);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM DocGCLin WHERE Tpdoc = 'GR' AND NNumdoc = 1 AND Ano = 2026 "
                                      "AND Serie = 1 AND Artigo = 'MILHO'")),
                 1);
    }

    void draftIsNotStoredUntilFinalised() {
        pedir(pedidoSaida(QStringLiteral("06-12-2026")));
        QVERIFY(m_erp->sucesso());
        auto doc = m_erp->documentoCriado();
        QVERIFY(doc);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM DocGCCab")), 0);
        doc.reset();
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM DocGCCab")), 0);
    }

    void creationRefusals() {
        pedir(pedidoSaida(QStringLiteral("06-12-2026"), QStringLiteral("MILHO"), QStringLiteral("C999")));
        QVERIFY(!m_erp->sucesso());
        QVERIFY(m_erp->mensagem().contains(QStringLiteral("C999")));
        QVERIFY(!m_erp->documentoCriado());
        pedir(pedidoSaida(QStringLiteral("06-12-2026"), QStringLiteral("NAOHA")));
        QVERIFY(!m_erp->sucesso());
        QVERIFY(m_erp->mensagem().contains(QStringLiteral("NAOHA")));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM DocGCCab")), 0);
        // An inactive customer is still a customer: the desks weigh for it, so its document is made.
        const QString inactive =
            m_t->db().escalar(QStringLiteral("SELECT CODIGO FROM Clientes WHERE Inactivo = -1")).toString();
        pedir(pedidoSaida(QStringLiteral("06-12-2026"), QStringLiteral("MILHO"), inactive));
        QVERIFY(m_erp->sucesso());
        QVERIFY(m_erp->documentoCriado());
    }

    // Only a type the ERP lists for the kind makes a document; an ERP from before the
    // list gets the usual types and every type it already made documents of.
    void documentTypesAreTheErpsOwn() {
        QStringList saidas, entradas;
        QVERIFY(m_erp->tiposDocumento(3, saidas));
        QVERIFY(m_erp->tiposDocumento(1, entradas));
        QCOMPARE(saidas, (QStringList{"GR", "GT"}));
        QCOMPARE(entradas, (QStringList{"GEM", "GES"}));
        for (const QString& tipo : {QStringLiteral("ZZ"), QStringLiteral("GEM")}) {
            PedidoDocumento p = pedidoSaida(QStringLiteral("06-12-2026"));
            p.tipo = tipo;
            pedir(p);
            QVERIFY(!m_erp->sucesso());
            QCOMPARE(m_erp->mensagem(), QStringLiteral("O tipo de documento %1 não existe no ERP (saídas).").arg(tipo));
        }
        PedidoDocumento gt = pedidoSaida(QStringLiteral("06-12-2026"));
        gt.tipo = QStringLiteral("gt");
        QCOMPARE(criar(gt).numero, 1);

        m_erp.reset();
        m_t->db().executar(QStringLiteral("UPDATE DocGCCab SET Tpdoc = 'GX'"));
        m_t->db().executar(QStringLiteral("DROP TABLE ERP_TiposDoc"));
        m_erp = std::make_unique<SessaoSageLocal>(m_t->settings());
        QVERIFY(m_erp->ligar(QStringLiteral("local"), QString(), QStringLiteral("DEMO"), QStringLiteral("admin"),
                             QStringLiteral("demo")));
        QVERIFY(m_erp->tiposDocumento(3, saidas));
        QCOMPARE(saidas, (QStringList{"GR", "GT", "GX"}));
        gt.tipo = QStringLiteral("GX");
        QCOMPARE(criar(gt).numero, 2);
    }

    void readingAndLoad() {
        const ChaveDocumento k = criar(pedidoSaida(QStringLiteral("06-12-2026")));
        DocumentoDesk dd(*m_erp, m_registry, m_msgs);
        bool bErro = true;
        QVERIFY(dd.Load(desk(k), k.ano, k.serie, k.numero, k.tipo, bErro));
        QVERIFY(!bErro);
        QCOMPARE(dd.documento()->Cab.Terceiro, QStringLiteral("C001"));
        QCOMPARE(dd.documento()->Linhas.Count(), 1);
        // Number 0: quiet failure.
        QVERIFY(!dd.Load(desk(k), k.ano, k.serie, 0, k.tipo, bErro));
        QVERIFY(!bErro);
        QVERIFY(m_msgs.all.isEmpty());
        // A missing document: the ERP's message, and bErro.
        QVERIFY(!dd.Load(desk(k), k.ano, k.serie, 99, k.tipo, bErro));
        QVERIFY(bErro);
        QCOMPARE(m_msgs.all.size(), 1);
        QVERIFY(m_msgs.last().contains(QStringLiteral("GR/1/99/2026")));
        QCOMPARE(dd.documento()->UltimaMensagem, m_msgs.last());
    }

    void preparingKeepsTheHeaderItHas() {
        DocumentoDesk dd(*m_erp, m_registry, m_msgs);
        DadosDocumentoDesk d = desk(ChaveDocumento{2026, QStringLiteral("GR"), 1, 0});
        QVERIFY(dd.PreparaDocumento(d));
        QCOMPARE(dd.documento()->Cab.Matricula, QStringLiteral("12-AB-34"));
        QCOMPARE(dd.documento()->Cab.Data, QStringLiteral("06-12-2026"));
        QCOMPARE(dd.documento()->Cab.AreaGestao, short(4));
        d.matricula = QStringLiteral("99-ZZ-99");
        QVERIFY(dd.PreparaDocumento(d));
        QCOMPARE(dd.documento()->Cab.Matricula, QStringLiteral("12-AB-34"));
        // No lines: refused before the ERP is asked.
        long n = 0;
        QString text;
        bool ok = true;
        QVERIFY(!dd.GravaDocumento(d, 2, n, text, ok));
        QVERIFY(!ok);
        QCOMPARE(n, -1L);
        QCOMPARE(text, QStringLiteral("Documento inválido. Obrigatório ter linhas."));
    }

    void cancellationAndConversion() {
        const ChaveDocumento a = criar(pedidoSaida(QStringLiteral("06-12-2026")));
        const ChaveDocumento b = criar(pedidoSaida(QStringLiteral("06-12-2026")));
        ResultadoAnulacao r;
        long erro = 0;
        m_erp->anularDocumento(1, a, r, erro);
        QVERIFY(r.anulado());
        QCOMPARE(erro, 0L);
        QCOMPARE(count(QStringLiteral("SELECT NumVias FROM DocGCCab WHERE NNumdoc = ?"), {a.numero}), -1);
        // Cancelling again is a success.
        m_erp->anularDocumento(3, a, r, erro);
        QVERIFY(r.anulado());
        QVERIFY(m_erp->marcarConvertido(b));
        m_erp->anularDocumento(1, b, r, erro);
        QVERIFY(!r.anulado());
        QCOMPARE(erro, long(SessaoSageLocal::DocumentoConvertido));
        QCOMPARE(m_erp->ultimoErroNumero(), erro);
        QVERIFY(!m_erp->ultimoErro().isEmpty());
        m_erp->anularDocumento(1, ChaveDocumento{2026, QStringLiteral("GR"), 1, 77}, r, erro);
        QVERIFY(!r.anulado());
        QCOMPARE(erro, long(SessaoSageLocal::DocumentoInexistente));
        QVERIFY(!m_erp->marcarConvertido(ChaveDocumento{2026, QStringLiteral("GR"), 1, 77}));
    }

    void saveModeTwoRefusesCancelledOrConvertedDocuments() {
        for (bool convert : {false, true}) {
            const ChaveDocumento k = criar(pedidoSaida(QStringLiteral("06-12-2026")));
            DocumentoDesk dd(*m_erp, m_registry, m_msgs);
            bool bErro = false;
            QVERIFY(dd.Load(desk(k), k.ano, k.serie, k.numero, k.tipo, bErro));
            if (convert) {
                QVERIFY(m_erp->marcarConvertido(k));
            } else {
                ResultadoAnulacao r;
                long e = 0;
                m_erp->anularDocumento(1, k, r, e);
            }
            long n = 0;
            QString text;
            bool ok = true;
            QVERIFY(!dd.GravaDocumento(desk(k), 2, n, text, ok));
            QCOMPARE(n, long(convert ? SessaoSageLocal::DocumentoConvertido : SessaoSageLocal::DocumentoAnulado));
            QCOMPARE(text, m_erp->ultimoErro());
            QCOMPARE(m_t->db()
                         .escalar(QStringLiteral("SELECT Quantidade FROM DocGCLin WHERE NNumdoc = ?"), {k.numero})
                         .toDouble(),
                     12340.5);
        }
    }

    void updateOfAFinishedWeighing() {
        const ChaveDocumento k = criar(pedidoSaida(QStringLiteral("06-12-2026")));
        DocumentoDesk dd(*m_erp, m_registry, m_msgs);
        // The operator cancels the question: nothing changes.
        m_msgs.answers = {false};
        QCOMPARE(dd.actualizarDocumentoFinalizado(desk(k)), DocumentoDesk::Actualizacao::Desistiu);
        QCOMPARE(m_msgs.last(),
                 QStringLiteral("A informação foi alterada!\r\n O Documento de Saída será actualizado."));
        QCOMPARE(m_t->db()
                     .escalar(QStringLiteral("SELECT Quantidade FROM DocGCLin WHERE NNumdoc = ?"), {k.numero})
                     .toDouble(),
                 12340.5);
        // Confirmed: header load details and the line follow the desk.
        m_msgs.answers = {true};
        QCOMPARE(dd.actualizarDocumentoFinalizado(desk(k)), DocumentoDesk::Actualizacao::Gravado);
        const RecordSet h = m_t->db().consultar(QStringLiteral("SELECT * FROM DocGCCab WHERE NNumdoc = ?"), {k.numero});
        QCOMPARE(h.text(QStringLiteral("LocalCG")), QStringLiteral("Armazém d'Aveiro"));
        QCOMPARE(h.text(QStringLiteral("Hora")), QStringLiteral("09:05"));
        QCOMPARE(h.text(QStringLiteral("HoraDes")), QStringLiteral("14:45"));
        QCOMPARE(h.text(QStringLiteral("DataDes")), QStringLiteral("2026-12-07 00:00:00"));
        QCOMPARE(h.text(QStringLiteral("ONDEENTR")), QStringLiteral("001"));
        QCOMPARE(count(QStringLiteral("SELECT Quantidade FROM DocGCLin WHERE NNumdoc = ?"), {k.numero}), 9000);
        // Cancelled documents are not touched; the desk is told.
        ResultadoAnulacao r;
        long e = 0;
        m_erp->anularDocumento(1, k, r, e);
        m_msgs.clear();
        QCOMPARE(dd.actualizarDocumentoFinalizado(desk(k)), DocumentoDesk::Actualizacao::Anulado);
        QCOMPARE(m_msgs.all, QStringList{"Documento Anulado!\r\n Não são permitidas alterações."});
        // A document that cannot be read stops after the ERP's message.
        m_msgs.clear();
        ChaveDocumento missing = k;
        missing.numero = 500;
        QCOMPARE(dd.actualizarDocumentoFinalizado(desk(missing)), DocumentoDesk::Actualizacao::Falhou);
        QCOMPARE(m_msgs.all.size(), 1);
    }

    // The lines an update writes (the quality text, the weight on the article's line):
    // desks/subsidiarias_test.cpp::theLinesOfACorrectionComeFromTheDocument.
    void incomingUpdateKeepsNoLoadDetails() {
        PedidoDocumento p;
        p.tipoDocumento = 1;
        p.tipo = QStringLiteral("GEM");
        p.serie = 1;
        p.terceiro = QStringLiteral("F001");
        p.data = QStringLiteral("06-12-2026");
        p.artigos = {QString(), QString(), QStringLiteral("MILHO")};
        p.descricoes = {QString(), QStringLiteral("Qualidade do Produto Tipo A"), QStringLiteral("Milho")};
        p.quantidades = {0, 0, 5000};
        const ChaveDocumento k = criar(p);
        QCOMPARE(k.numero, 1);
        DadosDocumentoDesk d = desk(k);
        d.entrada = true;
        d.caracteristica = QStringLiteral("Tipo B");
        d.terceiro = QStringLiteral("F001");
        DocumentoDesk dd(*m_erp, m_registry, m_msgs);
        m_msgs.answers = {true};
        QCOMPARE(dd.actualizarDocumentoFinalizado(d), DocumentoDesk::Actualizacao::Gravado);
        QCOMPARE(m_msgs.all.first(),
                 QStringLiteral("A informação foi alterada!\r\n O Documento de Entrada será actualizado."));
        // Incoming receipts keep no load details.
        QCOMPARE(m_t->db().escalar(QStringLiteral("SELECT LocalCG FROM DocGCCab WHERE Tpdoc = 'GEM'")).toString(),
                 QString());
    }

    void undoListsExactlyTheRefusedDocuments() {
        QList<ChaveDocumento> criados{criar(pedidoSaida(QStringLiteral("06-12-2026"))),
                                      criar(pedidoSaida(QStringLiteral("06-12-2026"))),
                                      ChaveDocumento{2026, QStringLiteral("GR"), 1, 40}};
        QList<short> flags{0, 1, 0};
        QVERIFY(m_erp->marcarConvertido(criados[1]));
        const QList<ChaveDocumento> recusados = anularDocumentosCriados(*m_erp, m_msgs, criados, flags);
        QCOMPARE(recusados.size(), 2);
        QVERIFY(criados.isEmpty());
        QVERIFY(flags.isEmpty());
        QCOMPARE(m_msgs.all,
                 QStringList{
                     "Os documentos seguintes devem ser anulados manualmente - \n\r'GR/1/2/2026 '\n\r'GR/1/40/2026 '"});
        QCOMPARE(count(QStringLiteral("SELECT NumVias FROM DocGCCab WHERE NNumdoc = 1")), -1);
        // Nothing refused: nothing shown.
        m_msgs.clear();
        QList<ChaveDocumento> one{criar(pedidoSaida(QStringLiteral("06-12-2026")))};
        QList<short> f{0};
        QVERIFY(anularDocumentosCriados(*m_erp, m_msgs, one, f).isEmpty());
        QVERIFY(m_msgs.all.isEmpty());
    }

    void erpWritesOutsideTheProgramsTransaction() {
        // The program's transaction is open (as around a completion) while the ERP
        // numbers and stores a document through its own connection.
        {
            Transaccao t(db());
            const ChaveDocumento k = criar(pedidoSaida(QStringLiteral("06-12-2026")));
            QCOMPARE(k.numero, 1);
            db().executar(QStringLiteral("INSERT INTO kel_PES_Carros (Codigo) VALUES ('12-AB-34')"));
            // Not committed: the program's part goes, the ERP document stays.
        }
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Carros")), 0);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM DocGCCab")), 1);
    }

    void wrongCredentialsAreRefused() {
        SessaoSageLocal other(m_t->settings(), QStringLiteral("erp_other"));
        QVERIFY(!other.ligar(QStringLiteral("local"), QString(), QStringLiteral("OUTRA"), QStringLiteral("admin"),
                             QStringLiteral("demo")));
        QVERIFY(!other.ligado());
        QVERIFY(!other.ultimoErro().isEmpty());
        QVERIFY(!other.ligar(QStringLiteral("local"), QString(), QStringLiteral("DEMO"), QStringLiteral("admin"),
                             QStringLiteral("DEMO")));
        QVERIFY(!other.ligar(QString(), QString(), QStringLiteral("DEMO"), QStringLiteral("admin"),
                             QStringLiteral("demo")));
    }
};

QTEST_GUILESS_MAIN(DocumentsTest)
#include "documents_test.moc"
