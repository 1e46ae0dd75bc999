// The parameters and counters forms driven through their widgets, and the lookup list.
#include <QApplication>
#include <QtTest>

#include <QTableView>
#include "base/ficheiroconfig.h"
#include "records/numeracao.h"
#include "records/parametrosaplic.h"
#include "records/ui/parametros.h"
#include "records/ui/taloes.h"
#include "tests/support/encaixe.h"
#include "tests/support/fotografia.h"
#include "tests/support/janelas.h"
#include "tests/support/testsupport.h"
#include "widgets/campoentrada.h"
#include "widgets/listapesquisa.h"

namespace {

void dadosErp(BaseDados& db) {
    db.executar(
        QStringLiteral("INSERT INTO Clientes (CODIGO, NOME) VALUES ('C001', 'Cooperativa do Vale'), "
                       "('O''NEIL', 'O''Neil & Filhos'), ('C002', 'Moagem Central')"));
    db.executar(QStringLiteral("INSERT INTO TpMorada (Codigo, Descrica) VALUES ('AR', 'Armazém'), ('SD', 'Sede')"));
    db.executar(
        QStringLiteral("INSERT INTO MORADAS (TERCEIRO, TPTERC, CDMORADA, Descr, Local) VALUES "
                       "('O''NEIL', 2, '01', 'Quinta Nova', 'Beja')"));
}

// Types into a field as the operator does; with `sair`, then leaves it with Tab.
void escrever(CampoEntrada* c, const QString& texto, bool sair = false) {
    c->setFocus();
    c->selectAll();
    QTest::keyClick(c, Qt::Key_Backspace);
    // Qt Test only types ASCII keys: other texts are put in, as a paste would.
    bool ascii = true;
    for (QChar ch : texto) ascii = ascii && ch.unicode() < 128;
    if (ascii)
        QTest::keyClicks(c, texto);
    else
        c->insert(texto);
    if (sair) QTest::keyClick(c, Qt::Key_Tab);
}

int linhas(BaseDados& db, const char* tabela) {
    return db.escalar(QStringLiteral("SELECT COUNT(*) FROM ") + QLatin1String(tabela)).toInt();
}

QWidget* focado() {
    return QApplication::focusWidget();
}

}  // namespace

class TestForms : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDataDir> m_dir;
    RecordingMessages m_msgs;
    ParametrosAplic m_p;  // as the program holds it: one object every form refreshes
    QString cfg() const { return m_dir->path() + QStringLiteral("/b.kel"); }

  private slots:
    void init() {
        m_dir = std::make_unique<TempDataDir>();
        m_p = ParametrosAplic();
        m_msgs = RecordingMessages();
    }
    void cleanup() { m_dir.reset(); }

    void parametrosRangeOfSeriesAndCopies() {
        TempDatabase t;
        gravarParametros(t.db(), m_p);
        auto* w = new Parametros(t.db(), m_p, m_msgs, cfg());
        QVERIFY(activa(*w));
        QCOMPARE(w->campo(ParametrosCore::NoVias)->text(), QStringLiteral("4"));
        fotografar(w, QStringLiteral("parametros"));

        CampoEntrada* vias = w->campo(ParametrosCore::NoVias);
        const QList<std::pair<const char*, bool>> casos = {{"0", false}, {"51", false}, {"abc", false},
                                                           {"1", true},  {"50", true},  {" 7x", true}};
        for (const auto& [texto, aceite] : casos) {
            escrever(vias, QString::fromLatin1(texto));
            m_msgs.clear();
            QTest::keyClick(vias, Qt::Key_Tab);
            QCOMPARE(m_msgs.all,
                     aceite ? QStringList() : QStringList{QStringLiteral("Deve digitar um valor entre 1 e 50!")});
            QCOMPARE(focado(), aceite ? w->campo(ParametrosCore::Assunto) : vias);
        }
        // The series fields follow the same rule.
        escrever(w->campo(ParametrosCore::SeSaida), QStringLiteral("51"), true);
        QCOMPARE(m_msgs.last(), QStringLiteral("Deve digitar um valor entre 1 e 50!"));
        delete w;
    }

    void parametrosEscMovesBackAndCloses() {
        TempDatabase t;
        QPointer<Parametros> w = new Parametros(t.db(), m_p, m_msgs, cfg());
        QVERIFY(activa(*w));
        // Esc in a series holding a bad value goes back one field without the range message.
        escrever(w->campo(ParametrosCore::SeGuiaEntMS), QStringLiteral("99"));
        QTest::keyClick(w->campo(ParametrosCore::SeGuiaEntMS), Qt::Key_Escape);
        QCOMPARE(focado(), w->campo(ParametrosCore::TpGuiaEntMS));
        QVERIFY(m_msgs.all.isEmpty());
        QTest::keyClick(w->campo(ParametrosCore::TpGuiaEntMS), Qt::Key_Escape);
        QCOMPARE(focado(), w->campo(ParametrosCore::Sector));
        QTest::keyClick(focado(), Qt::Key_Escape);
        QTest::keyClick(focado(), Qt::Key_Escape);
        QTest::keyClick(focado(), Qt::Key_Escape);
        QCOMPARE(focado(), w->campo(ParametrosCore::ArmCentral));
        QTest::keyClick(focado(), Qt::Key_Escape);
        QTRY_VERIFY(w.isNull());
        QCOMPARE(linhas(t.db(), "kel_PES_Parametros"), 0);
    }

    void parametrosSaveReachesDatabaseAndFile() {
        TempDatabase t;
        gravarParametros(t.db(), m_p);
        QPointer<Parametros> w = new Parametros(t.db(), m_p, m_msgs, cfg());
        w->show();
        QCOMPARE(w->campo(ParametrosCore::Sector)->maxLength(), 3);
        escrever(w->campo(ParametrosCore::TpSaida), QStringLiteral("GT"));
        escrever(w->campo(ParametrosCore::Assunto), QStringLiteral("Talão de pesagem"));
        escrever(w->campo(ParametrosCore::PastaPdf), QStringLiteral("/srv/taloes"));
        clicar(w, "btConf");
        QTRY_VERIFY(w.isNull());
        // The shared object every desk reads is refreshed at once.
        QCOMPARE(m_p.texto(QStringLiteral("TpSaida")), QStringLiteral("GT"));
        QCOMPARE(FicheiroConfig(cfg()).ler(QStringLiteral("EMAIL"), QStringLiteral("Assunto")),
                 QStringLiteral("Talão de pesagem"));
        QCOMPARE(FicheiroConfig(cfg()).ler(QStringLiteral("PDF"), QStringLiteral("Pasta")),
                 QStringLiteral("/srv/taloes"));

        // A refused save keeps the form open and the file untouched.
        t.db().executar(QStringLiteral("DROP TABLE kel_PES_Parametros"));
        ParametrosCore core(t.db(), m_p, m_msgs, cfg());
        for (int i = 0; i < ParametrosCore::kCampos; ++i) core.setCampo(i, QStringLiteral("1"));
        core.setCampo(ParametrosCore::Assunto, QStringLiteral("Outro"));
        QVERIFY(!core.confirmar());
        QVERIFY(m_msgs.last().startsWith(QStringLiteral("Gravar Parâmetros Aplicação ")));
        QCOMPARE(FicheiroConfig(cfg()).ler(QStringLiteral("EMAIL"), QStringLiteral("Assunto")),
                 QStringLiteral("Talão de pesagem"));
    }

    void parametrosWithoutRowKeepTheWorkstationSettings() {
        TempDatabase t;
        const QList<std::tuple<const char*, const char*, int, QString>> ficheiro = {
            {"EMAIL", "Assunto", ParametrosCore::Assunto, QStringLiteral("Talão de pesagem")},
            {"EMAIL", "CC", ParametrosCore::CC, QStringLiteral("balanca@vale.pt")},
            {"PDF", "Pasta", ParametrosCore::PastaPdf, QStringLiteral("/srv/taloes")}};
        for (const auto& [seccao, chave, campo, valor] : ficheiro)
            FicheiroConfig(cfg()).gravar(QLatin1String(seccao), QLatin1String(chave), valor);
        QPointer<Parametros> w = new Parametros(t.db(), m_p, m_msgs, cfg());
        w->show();
        for (const auto& [seccao, chave, campo, valor] : ficheiro) QCOMPARE(w->campo(campo)->text(), valor);
        QCOMPARE(w->campo(ParametrosCore::TpSaida)->text(), QString());
        // Every series is needed before anything is saved.
        escrever(w->campo(ParametrosCore::SeGuiaEntMP), QStringLiteral("1"));
        escrever(w->campo(ParametrosCore::SeSaida), QStringLiteral("3"));
        clicar(w, "btConf");
        QCOMPARE(m_msgs.last(), QStringLiteral("Deve preencher o(s) campo(s) Série(s)!"));
        QVERIFY(!w.isNull());
        QCOMPARE(linhas(t.db(), "kel_PES_Parametros"), 0);
        escrever(w->campo(ParametrosCore::SeGuiaEntMS), QStringLiteral("2"));
        clicar(w, "btConf");
        QTRY_VERIFY(w.isNull());
        QCOMPARE(linhas(t.db(), "kel_PES_Parametros"), 1);
        for (const auto& [seccao, chave, campo, valor] : ficheiro)
            QCOMPARE(FicheiroConfig(cfg()).ler(QLatin1String(seccao), QLatin1String(chave)), valor);

        // Parameters the database cannot give still leave the file's settings on the form.
        t.db().executar(QStringLiteral("DROP TABLE kel_PES_Parametros"));
        ParametrosCore core(t.db(), m_p, m_msgs, cfg());
        core.carregarConfig();
        QVERIFY(m_msgs.last().startsWith(QStringLiteral("Ler Parâmetros ")));
        QCOMPARE(core.campo(ParametrosCore::PastaPdf), QStringLiteral("/srv/taloes"));
    }

    void parametrosDocumentTypesAreTheErps() {
        TempDatabase t;
        gravarParametros(t.db(), m_p);
        bool alcancavel = true;
        const auto tipos = [&alcancavel](int kind, QStringList& lista, QString& erro) {
            if (!alcancavel) {
                erro = QStringLiteral("Não existe ligação ao ERP.");
                return false;
            }
            lista = kind == 3 ? QStringList{"GR", "GT"} : QStringList{"GEM", "GES", "GMP", "GMS"};
            return true;
        };
        QPointer<Parametros> w = new Parametros(t.db(), m_p, m_msgs, cfg());
        w->core().setTiposDocumento(tipos);
        QVERIFY(activa(*w));
        // Leaving the field with a type the ERP does not make keeps the focus there...
        escrever(w->campo(ParametrosCore::TpSaida), QStringLiteral("ZZ"), true);
        QCOMPARE(focado(), w->campo(ParametrosCore::TpSaida));
        QCOMPARE(m_msgs.last(),
                 QStringLiteral("O tipo de documento ZZ não existe no ERP.\n\rTipos de documento de saída: GR, GT."));
        // ...and so does confirming with one, saving nothing.
        escrever(w->campo(ParametrosCore::TpGuiaEntMS), QStringLiteral("GR"));
        w->campo(ParametrosCore::SeSaida)->setFocus();
        clicar(w, "btConf");
        QVERIFY(!w.isNull());
        QCOMPARE(focado(), w->campo(ParametrosCore::TpGuiaEntMS));
        QVERIFY(m_msgs.last().contains(QStringLiteral("entrada: GEM, GES, GMP, GMS")));
        QCOMPARE(t.db().escalar(QStringLiteral("SELECT TpSaida FROM kel_PES_Parametros")).toString(),
                 QStringLiteral("GR"));
        escrever(w->campo(ParametrosCore::TpGuiaEntMS), QStringLiteral("ges"));
        escrever(w->campo(ParametrosCore::TpSaida), QStringLiteral("gt"));
        w->campo(ParametrosCore::SeSaida)->setFocus();
        clicar(w, "btConf");
        QTRY_VERIFY(w.isNull());
        QCOMPARE(m_p.texto(QStringLiteral("TpSaida")), QStringLiteral("gt"));

        // With the ERP out of reach a saved type stays, a new one is refused.
        alcancavel = false;
        ParametrosCore core(t.db(), m_p, m_msgs, cfg());
        core.setTiposDocumento(tipos);
        core.carregarConfig();
        QVERIFY(core.confirmar());
        core.setCampo(ParametrosCore::TpGuiaEntMP, QStringLiteral("GEX"));
        QVERIFY(!core.confirmar());
        QCOMPARE(core.campoRecusado(), int(ParametrosCore::TpGuiaEntMP));
        QCOMPARE(
            m_msgs.last(),
            QStringLiteral("Não foi possível confirmar o tipo de documento GEX no ERP.\n\rNão existe ligação ao ERP."));
        QCOMPARE(t.db().escalar(QStringLiteral("SELECT TpGuiaEntMP FROM kel_PES_Parametros")).toString(),
                 QStringLiteral("GMP"));
    }

    void taloesMode1ReadWriteRemove() {
        TempDatabase t;
        gravarParametros(t.db(), m_p);
        QPointer<Taloes> w = new Taloes(t.db(), m_p, m_msgs, 1);
        QVERIFY(activa(*w));
        QCOMPARE(w->windowTitle(), QStringLiteral("Numeradores - Entradas"));
        for (int hidden : {TaloesCore::MoradaAlt, TaloesCore::Sigla, TaloesCore::Cliente, TaloesCore::TipoMorada})
            QVERIFY(w->campo(hidden)->isHidden());
        QVERIFY(filho(w, "btlista_5")->isHidden());
        fotografar(w.data(), QStringLiteral("taloes1"));

        escrever(w->campo(TaloesCore::Campanha), QStringLiteral("2024/2025"), true);
        escrever(w->campo(TaloesCore::TipoDoc), QStringLiteral("gxx"), true);
        QCOMPARE(m_msgs.last(), QStringLiteral("Tipo Doc. inválido!"));
        QCOMPARE(focado(), w->campo(TaloesCore::TipoDoc));
        escrever(w->campo(TaloesCore::TipoDoc), QStringLiteral("gms"), true);
        QCOMPARE(w->campo(TaloesCore::Contador)->text(), QStringLiteral("0"));  // no counter yet
        QCOMPARE(focado(), w->campo(TaloesCore::Contador));
        escrever(w->campo(TaloesCore::Contador), QStringLiteral("41"));
        clicar(w, "btConf");
        QCOMPARE(w->campo(TaloesCore::Campanha)->text(), QString());
        const RecordSet rs = t.db().consultar(QStringLiteral("SELECT * FROM kel_PES_Taloes"));
        QCOMPARE(rs.count(), 1);
        QCOMPARE(rs.text(0, QStringLiteral("TipoDoc")), QStringLiteral("GMS"));
        QCOMPARE(rs.text(0, QStringLiteral("Cliente")), QStringLiteral("0"));
        QCOMPARE(rs.value(0, QStringLiteral("Contador")).toInt(), 41);

        // Reading the key back shows the counter. Changed at another workstation meanwhile (the rule:
        // taloes_test), confirming shows the new value with the focus on it; again, it saves and clears.
        escrever(w->campo(TaloesCore::Campanha), QStringLiteral("2024/2025"), true);
        escrever(w->campo(TaloesCore::TipoDoc), QStringLiteral("GMS"), true);
        QCOMPARE(w->campo(TaloesCore::Contador)->text(), QStringLiteral("41"));
        QCOMPARE(ProximoTalao(*t.second(), {1, QStringLiteral("2024/2025"), QStringLiteral("GMS"), {}, {}}).numero, 42);
        clicar(w, "btConf");
        QCOMPARE(w->campo(TaloesCore::Contador)->text(), QStringLiteral("42"));
        QCOMPARE(focado(), w->campo(TaloesCore::Contador));
        fotografar(w.data(), QStringLiteral("taloes-alterado"));
        clicar(w, "btConf");
        QCOMPARE(w->campo(TaloesCore::Campanha)->text(), QString());

        // A&nular asks and Cancel keeps it.
        escrever(w->campo(TaloesCore::Campanha), QStringLiteral("2024/2025"), true);
        escrever(w->campo(TaloesCore::TipoDoc), QStringLiteral("GMS"), true);
        m_msgs.answers = {false, true};
        clicar(w, "btAnular");
        QCOMPARE(m_msgs.last(), QStringLiteral("Vai proceder à anulação do Contador!\n\rPretende continuar?"));
        QCOMPARE(linhas(t.db(), "kel_PES_Taloes"), 1);
        clicar(w, "btAnular");
        QCOMPARE(linhas(t.db(), "kel_PES_Taloes"), 0);
        QCOMPARE(focado(), w->campo(TaloesCore::Campanha));

        // Esc steps back, and closes from the first field without saving.
        escrever(w->campo(TaloesCore::TipoDoc), QStringLiteral("GMP"));
        QTest::keyClick(focado(), Qt::Key_Escape);
        QCOMPARE(focado(), w->campo(TaloesCore::Campanha));
        QTest::keyClick(focado(), Qt::Key_Escape);
        QTRY_VERIFY(w.isNull());
        QCOMPARE(linhas(t.db(), "kel_PES_Taloes"), 0);
    }

    void taloesMode2WithListsAndApostrophes() {
        TempDatabase t(TempDatabase::ErpTables);
        dadosErp(t.db());
        gravarParametros(t.db(), m_p);
        auto* w = new Taloes(t.db(), m_p, m_msgs, 2);
        QVERIFY(activa(*w));
        QCOMPARE(w->windowTitle(), QStringLiteral("Numeradores - Saídas"));
        escrever(w->campo(TaloesCore::Campanha), QStringLiteral("2024/2025"), true);
        escrever(w->campo(TaloesCore::TipoDoc), QStringLiteral("GR"), true);
        QCOMPARE(focado(), w->campo(TaloesCore::Cliente));

        // An unknown code with an apostrophe is "not found", never an SQL error.
        escrever(w->campo(TaloesCore::Cliente), QStringLiteral("D'X"), true);
        QCOMPARE(m_msgs.last(), QStringLiteral("Cliente não existente!"));
        QCOMPARE(focado(), w->campo(TaloesCore::Cliente));

        // Pick the customer from its list: typing filters, Enter picks, the field validates.
        QTimer::singleShot(0, this, [] {
            auto* lista = qobject_cast<ListaPesquisa*>(QApplication::activeModalWidget());
            QVERIFY(lista);
            QCOMPARE(lista->windowTitle(), QStringLiteral("Clientes"));
            QCOMPARE(lista->linhasVisiveis(), 3);
            fotografar(lista, QStringLiteral("lista"));
            QTest::keyClicks(lista->filtro(), QStringLiteral("neil"));
            QTest::keyClick(lista->filtro(), Qt::Key_Return);
        });
        w->abrirLista(TaloesCore::Cliente);
        QCOMPARE(w->campo(TaloesCore::Cliente)->text(), QStringLiteral("O'NEIL"));
        QCOMPARE(rotulo(w, "lblCliente"), QStringLiteral("O'Neil & Filhos"));
        QTRY_COMPARE(focado(), w->campo(TaloesCore::TipoMorada));

        // A list closed without a choice leaves the field as it was.
        QTimer::singleShot(0, this, [] { QApplication::activeModalWidget()->close(); });
        w->abrirLista(TaloesCore::TipoMorada);
        QCOMPARE(w->campo(TaloesCore::TipoMorada)->text(), QString());
        QTRY_COMPARE(focado(), w->campo(TaloesCore::TipoMorada));

        escrever(w->campo(TaloesCore::TipoMorada), QStringLiteral("ar"), true);
        QCOMPARE(rotulo(w, "lblTipoMorada"), QStringLiteral("Armazém"));
        QCOMPARE(w->campo(TaloesCore::Contador)->text(), QStringLiteral("0"));
        escrever(w->campo(TaloesCore::MoradaAlt), QStringLiteral("01"), true);
        QCOMPARE(rotulo(w, "lblMorada"), QStringLiteral("Quinta Nova"));
        escrever(w->campo(TaloesCore::Sigla), QStringLiteral("ON"));
        escrever(w->campo(TaloesCore::Contador), QStringLiteral("9"));
        fotografar(w, QStringLiteral("taloes2"));
        clicar(w, "btConf");
        RecordSet rs = t.db().consultar(QStringLiteral("SELECT * FROM kel_PES_Taloes"));
        QCOMPARE(rs.count(), 1);
        QCOMPARE(rs.text(0, QStringLiteral("Cliente")), QStringLiteral("O'NEIL"));
        QCOMPARE(rs.text(0, QStringLiteral("CdMorada")), QStringLiteral("01"));
        // Numbering ignores the address code: the prefix applies to the customer's tickets.
        const Talao talao = ProximoTalao(t.db(), {2, QStringLiteral("2024/2025"), QStringLiteral("GR"),
                                                  QStringLiteral("o'neil"), QStringLiteral("AR")});
        QCOMPARE(talao.numero, 10);
        QCOMPARE(talao.sigla, QStringLiteral("ON"));

        delete w;
    }

    void listaFiltersAndReturnsFirstColumn() {
        TempDatabase t(TempDatabase::ErpTables);
        dadosErp(t.db());
        ListaPesquisa lista(t.db(), m_msgs);
        lista.setTitulo(QStringLiteral("Moradas Alternativas"));
        lista.setSql(QStringLiteral("SELECT CDMORADA AS 'Cód.Morada', Descr AS Morada FROM MORADAS WHERE TERCEIRO=?"),
                     {QStringLiteral("O'NEIL")});
        lista.setLargura(9200);
        QVERIFY(lista.carregar());
        // Widths given in twips for another font never cut a title, and the dialog shows every column.
        lista.setLarguraColuna(1, 700);
        lista.setLarguraColuna(2, 300);
        lista.show();
        QVERIFY(QTest::qWaitForWindowExposed(&lista));
        QCOMPARE(encaixe::cabecalhosCortados(lista.tabela()->horizontalHeader()), QStringList());
        QVERIFY(lista.tabela()->horizontalHeader()->length() <= lista.tabela()->viewport()->width());
        lista.setLarguraColuna(1, 3000);
        QCOMPARE(lista.tabela()->columnWidth(0), 3000 / 15);
        fotografar(&lista, QStringLiteral("lista-moradas"));
        QCOMPARE(lista.tabela()->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Cód.Morada"));
        QTimer::singleShot(0, this, [&lista] {
            const QModelIndex i = lista.tabela()->model()->index(0, 1);
            lista.tabela()->setCurrentIndex(i);
            emit lista.tabela()->doubleClicked(i);
        });
        QCOMPARE(lista.mostrar(), QStringLiteral("01"));

        // A statement the database refuses is reported, and the list gives nothing.
        ListaPesquisa errada(t.db(), m_msgs);
        errada.setSql(QStringLiteral("SELECT * FROM TabelaQueNaoExiste"));
        QVERIFY(!errada.carregar());
        QVERIFY(m_msgs.last().contains(QStringLiteral("TabelaQueNaoExiste")));
    }

    void formsFitTheirContents() {
        TempDatabase t(TempDatabase::ErpTables);
        gravarParametros(t.db(), m_p);
        // A long customer name, as the ERP may hold, must show whole beside its code.
        t.db().executar(
            QStringLiteral("INSERT INTO Clientes (CODIGO, NOME) VALUES "
                           "('C0000000000001', 'Sociedade Agrícola da Herdade do Monte Novo, Lda.')"));
        Taloes taloes(t.db(), m_p, m_msgs, 2);
        taloes.show();
        QVERIFY(QTest::qWaitForWindowExposed(&taloes));
        escrever(taloes.campo(TaloesCore::Cliente), QStringLiteral("C0000000000001"), true);
        QCOMPARE(rotulo(&taloes, "lblCliente").left(10), QStringLiteral("Sociedade "));
        QTRY_COMPARE(encaixe::problemas(&taloes), QStringList());
        // The field shows the whole code, and the list button stays beside it.
        CampoEntrada* cliente = taloes.campo(TaloesCore::Cliente);
        QVERIFY(cliente->fontMetrics().horizontalAdvance(cliente->text()) < cliente->width());
        fotografar(&taloes, QStringLiteral("taloes-longo"));

        // Short codes get short fields; free texts keep the form's width.
        Parametros param(t.db(), m_p, m_msgs, cfg());
        param.show();
        QVERIFY(QTest::qWaitForWindowExposed(&param));
        QCOMPARE(encaixe::problemas(&param), QStringList());
        const int sector = param.campo(ParametrosCore::Sector)->width();
        QVERIFY2(sector * 3 < param.campo(ParametrosCore::Assunto)->width(), qPrintable(QString::number(sector)));
        QVERIFY(param.campo(ParametrosCore::Sector)->fontMetrics().horizontalAdvance(QStringLiteral("WWW")) < sector);
        QVERIFY(param.campo(ParametrosCore::ArmCentral)->width() > sector);
    }
};

QTEST_MAIN(TestForms)
#include "forms_test.moc"
