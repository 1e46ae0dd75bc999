// The counters form's core on a real SQLite file: what it writes into a counter that
// ticket numbering is using, across workstations, and what it refuses.
#include <QtTest>

#include "records/numeracao.h"
#include "records/parametrosaplic.h"
#include "records/taloescore.h"
#include "tests/support/testsupport.h"

namespace {

const QString kCampanha = QStringLiteral("2024/2025");

// Fields typed and left one after the other as the operator does it; false when the form kept the focus.
bool escrever(TaloesCore& core, std::initializer_list<std::pair<int, QString>> campos) {
    for (const auto& [campo, texto] : campos) {
        core.setCampo(campo, texto);
        core.teclaPremida();
        if (!core.validarSaida(campo)) return false;
    }
    return true;
}

bool escrever(TaloesCore& core, int campo, const QString& texto) {
    return escrever(core, {{campo, texto}});
}

// The key of the counter in use, typed up to the address type (which reads the counter).
bool chaveGR(TaloesCore& core, bool morada = true) {
    return escrever(core, {{TaloesCore::Campanha, kCampanha},
                           {TaloesCore::TipoDoc, QStringLiteral("GR")},
                           {TaloesCore::Cliente, QStringLiteral("C001")}}) &&
           (!morada || escrever(core, TaloesCore::TipoMorada, QString()));
}

int contador(BaseDados& db, const QString& cliente = QStringLiteral("C001")) {
    return db.escalar(QStringLiteral("SELECT Contador FROM kel_PES_Taloes WHERE Cliente=?"), {cliente}).toInt();
}

// A ticket issued for an outgoing weighing of C001 in the campaign.
void emitido(BaseDados& db, int numero, const QString& tipo = QStringLiteral("S"), const QString& tpDoc = {}) {
    db.executar(QStringLiteral("INSERT INTO kel_PES_Historico (Tipo, TpDoc, Terceiro, TipoMorada, TipoTerc, Campanha, "
                               "AnoTalao, NoTalao) VALUES (?, ?, ?, '', ?, ?, 2024, ?)"),
                {tipo, tpDoc, tipo == QStringLiteral("S") ? QStringLiteral("C001") : QStringLiteral("F001"),
                 tipo == QStringLiteral("S") ? 2 : 1, kCampanha, numero});
}

}  // namespace

class TestTaloes : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDatabase> m_t;
    ParametrosAplic m_p;
    RecordingMessages m_msgs;

    BaseDados& db() { return m_t->db(); }
    // An outgoing customer counter in use: 33 tickets given, no prefix yet.
    void contadorEmUso() {
        db().executar(QStringLiteral("INSERT INTO kel_PES_Taloes (ANO, iTipo, TipoDoc, Cliente, cdmorada, Sigla, "
                                     "Contador, TipoMorada) VALUES (?, 2, 'GR', 'C001', '', '', 33, '')"),
                      {kCampanha});
    }

  private slots:
    void init() {
        m_t = std::make_unique<TempDatabase>(TempDatabase::ErpTables);
        db().executar(QStringLiteral("INSERT INTO Clientes (CODIGO, NOME) VALUES ('C001', 'Cooperativa do Vale')"));
        gravarParametros(db(), m_p);
        m_msgs = RecordingMessages();
    }
    void cleanup() { m_t.reset(); }

    void prefixAloneKeepsTheCounter() {
        contadorEmUso();
        // Campaign, type and customer typed, then straight to the prefix: the counter
        // was never read, and an empty counter field is not a value to write.
        TaloesCore core(db(), m_p, m_msgs, 2);
        QVERIFY(chaveGR(core, false) && escrever(core, TaloesCore::Sigla, QStringLiteral("CV")));
        QCOMPARE(core.confirmar(), -1);
        QCOMPARE(contador(db()), 33);
        QCOMPARE(db().escalar(QStringLiteral("SELECT Sigla FROM kel_PES_Taloes")).toString(), QStringLiteral("CV"));

        // Mode 1 with the counter field emptied by hand: refused (it would look
        // saved while the stored counter stays), and the stored counter is untouched.
        db().executar(QStringLiteral("INSERT INTO kel_PES_Taloes (ANO, iTipo, TipoDoc, Cliente, cdmorada, Sigla, "
                                     "Contador) VALUES (?, 1, 'GMP', '0', '', '', 12)"),
                      {kCampanha});
        TaloesCore entradas(db(), m_p, m_msgs, 1);
        QVERIFY(escrever(entradas, {{TaloesCore::Campanha, kCampanha}, {TaloesCore::TipoDoc, QStringLiteral("GMP")}}));
        QCOMPARE(entradas.campo(TaloesCore::Contador), QStringLiteral("12"));
        entradas.setCampo(TaloesCore::Contador, QString());
        QCOMPARE(entradas.confirmar(), int(TaloesCore::Contador));
        QCOMPARE(m_msgs.last(), QStringLiteral("Campo obrigatório [Contador]."));
        QCOMPARE(ProximoTalao(db(), {1, kCampanha, QStringLiteral("GMP"), {}, {}}).numero, 13);

        // A key without a counter gets one at 0: its first ticket is 1.
        TaloesCore novo(db(), m_p, m_msgs, 2);
        novo.setCampo(TaloesCore::Campanha, QStringLiteral("2025/2026"));
        novo.setCampo(TaloesCore::TipoDoc, QStringLiteral("GR"));
        novo.setCampo(TaloesCore::Cliente, QStringLiteral("C001"));
        novo.setCampo(TaloesCore::Sigla, QStringLiteral("CV"));
        QCOMPARE(novo.confirmar(), -1);
        QCOMPARE(ProximoTalao(db(), {2, QStringLiteral("2025/2026"), QStringLiteral("GR"), QStringLiteral("C001"), {}})
                     .numero,
                 1);
    }

    void counterChangedAtAnotherWorkstationIsNotWrittenBack() {
        contadorEmUso();
        TaloesCore core(db(), m_p, m_msgs, 2);
        QVERIFY(chaveGR(core));
        QCOMPARE(core.campo(TaloesCore::Contador), QStringLiteral("33"));

        // Another workstation takes ticket 34 while the form shows 33.
        auto outra = m_t->second();
        QCOMPARE(ProximoTalao(*outra, {2, kCampanha, QStringLiteral("GR"), QStringLiteral("C001"), {}}).numero, 34);

        QVERIFY(escrever(core, TaloesCore::Sigla, QStringLiteral("CV")));
        QCOMPARE(core.confirmar(), int(TaloesCore::Contador));
        QCOMPARE(m_msgs.last(),
                 QStringLiteral("O contador foi alterado noutro posto de trabalho: o valor actual é 34.\n\r"
                                "Verifique-o e confirme de novo."));
        QCOMPARE(contador(db()), 34);
        QCOMPARE(db().escalar(QStringLiteral("SELECT Sigla FROM kel_PES_Taloes")).toString(), QString());
        // The form shows the new value and keeps what was typed; confirming again saves.
        QCOMPARE(core.campo(TaloesCore::Contador), QStringLiteral("34"));
        QCOMPARE(core.campo(TaloesCore::Sigla), QStringLiteral("CV"));
        QCOMPARE(core.confirmar(), -1);
        QCOMPARE(contador(db()), 34);
        QCOMPARE(ProximoTalao(db(), {2, kCampanha, QStringLiteral("GR"), QStringLiteral("C001"), {}}).numero, 35);

        // A value typed over a stale one is not written either; nor when the counter was
        // removed meanwhile.
        QVERIFY(chaveGR(core));
        QCOMPARE(core.campo(TaloesCore::Contador), QStringLiteral("35"));
        ProximoTalao(*outra, {2, kCampanha, QStringLiteral("GR"), QStringLiteral("C001"), {}});
        QVERIFY(escrever(core, TaloesCore::Contador, QStringLiteral("50")));
        QCOMPARE(core.confirmar(), int(TaloesCore::Contador));
        QCOMPARE(contador(db()), 36);
        QCOMPARE(core.campo(TaloesCore::Contador), QStringLiteral("36"));
        outra->executar(QStringLiteral("DELETE FROM kel_PES_Taloes"));
        QCOMPARE(core.confirmar(), int(TaloesCore::Contador));
        QVERIFY(m_msgs.last().contains(QStringLiteral("o valor actual é 0.")));
        QCOMPARE(db().escalar(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Taloes")).toInt(), 0);
    }

    void campaignMustBeWrittenAsTheCampaignOfADate() {
        for (int modo : {1, 2}) {
            TaloesCore core(db(), m_p, m_msgs, modo);
            for (const char* mau :
                 {"2024", "2024/2026", "24/25", "2024-2025", "2025/2024", "2024/2025x", "abcd/abce"}) {
                m_msgs.clear();
                QVERIFY2(!escrever(core, TaloesCore::Campanha, QString::fromLatin1(mau)), mau);
                QCOMPARE(m_msgs.last(), QStringLiteral("Campanha inválida! Escreva os dois anos da campanha, "
                                                       "como 2024/2025."));
            }
            QVERIFY(escrever(core, TaloesCore::Campanha, CampanhaDaData(QDate(2024, 3, 15))));
            // Confirming checks it again, whatever was left in the field.
            core.setCampo(TaloesCore::Campanha, QStringLiteral("2024/26"));
            core.setCampo(TaloesCore::TipoDoc, modo == 1 ? QStringLiteral("GMP") : QStringLiteral("GR"));
            core.setCampo(TaloesCore::Cliente, QStringLiteral("C001"));
            core.setCampo(TaloesCore::Contador, QStringLiteral("5"));
            QCOMPARE(core.confirmar(), int(TaloesCore::Campanha));
            QCOMPARE(db().escalar(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Taloes")).toInt(), 0);
        }
    }

    void counterBelowTheLastTicketIssuedNeedsConsent() {
        contadorEmUso();
        emitido(db(), 31, QStringLiteral("S"), QStringLiteral("GR"));
        emitido(db(), 33);                       // pending: no document type yet
        emitido(db(), 90, QStringLiteral("E"));  // another desk's numbers
        TaloesCore core(db(), m_p, m_msgs, 2);
        auto preencher = [&](const QString& valor) {
            QVERIFY(chaveGR(core) && escrever(core, TaloesCore::Contador, valor));
        };
        const QString pergunta = QStringLiteral(
            "O contador 20 é inferior ao último talão já emitido (33) para esta "
            "chave: os próximos talões repetiriam números já usados.\n\r"
            "Pretende continuar?");
        preencher(QStringLiteral("20"));
        m_msgs.answers = {false};
        QCOMPARE(core.confirmar(), int(TaloesCore::Contador));
        QCOMPARE(m_msgs.last(), pergunta);
        QCOMPARE(m_msgs.kinds.last(), int(OperatorMessages::OkCancelar));
        QCOMPARE(contador(db()), 33);
        m_msgs.answers = {true};
        QCOMPARE(core.confirmar(), -1);
        QCOMPARE(contador(db()), 20);

        // At or above the last ticket nothing is asked.
        m_msgs.clear();
        preencher(QStringLiteral("33"));
        QCOMPARE(core.confirmar(), -1);
        QVERIFY(m_msgs.all.isEmpty());
        QCOMPARE(contador(db()), 33);
        QCOMPARE(UltimoTalaoEmitido(db(), {1, kCampanha, QStringLiteral("GMP"), {}, {}}), 90);
        QCOMPARE(UltimoTalaoEmitido(db(), {2, kCampanha, QStringLiteral("GR"), QStringLiteral("c001"), {}}), 33);
        QCOMPARE(UltimoTalaoEmitido(db(),
                                    {2, QStringLiteral("2023/2024"), QStringLiteral("GR"), QStringLiteral("C001"), {}}),
                 0);
    }

    // A key field left empty is refused by name before anything is written.
    void confirmRefusesAMissingKeyField_data() {
        QTest::addColumn<int>("modo");
        QTest::addColumn<int>("vazio");
        QTest::addColumn<QString>("rotulo");
        QTest::newRow("entradas, campanha") << 1 << int(TaloesCore::Campanha) << "Campanha";
        QTest::newRow("entradas, tipo") << 1 << int(TaloesCore::TipoDoc) << "";
        QTest::newRow("entradas, contador") << 1 << int(TaloesCore::Contador) << "Contador";
        QTest::newRow("saídas, campanha") << 2 << int(TaloesCore::Campanha) << "Campanha";
        QTest::newRow("saídas, tipo") << 2 << int(TaloesCore::TipoDoc) << "";
        QTest::newRow("saídas, cliente") << 2 << int(TaloesCore::Cliente) << "Cliente";
        QTest::newRow("saídas, contador") << 2 << int(TaloesCore::Contador) << "Contador";
    }
    void confirmRefusesAMissingKeyField() {
        QFETCH(int, modo);
        QFETCH(int, vazio);
        QFETCH(QString, rotulo);
        TaloesCore core(db(), m_p, m_msgs, modo);
        core.setCampo(TaloesCore::Campanha, kCampanha);
        core.setCampo(TaloesCore::TipoDoc, modo == 1 ? QStringLiteral("GMP") : QStringLiteral("GR"));
        if (modo == 2) core.setCampo(TaloesCore::Cliente, QStringLiteral("C001"));
        core.setCampo(TaloesCore::Contador, QStringLiteral("5"));
        const QString guardado = core.campo(vazio);
        core.setCampo(vazio, QString());
        QCOMPARE(core.confirmar(), vazio);
        QVERIFY2(m_msgs.last().startsWith(QStringLiteral("Campo obrigatório [") + rotulo), qPrintable(m_msgs.last()));
        QCOMPARE(db().escalar(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Taloes")).toInt(), 0);
        core.setCampo(vazio, guardado);
        QCOMPARE(core.confirmar(), -1);
        QCOMPARE(db().escalar(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Taloes")).toInt(), 1);
    }

    void sqlServerReadsTheCounterUnderAnUpdateLock() {
        // No SQL Server here: the lock hint and the placeholders of the texts it is sent.
        for (int modo : {1, 2}) {
            const QString sql = TaloesCore::sqlContador(modo, Backend::Mssql, true);
            QVERIFY2(sql.contains(QStringLiteral("kel_PES_Taloes WITH (UPDLOCK, HOLDLOCK)")), qPrintable(sql));
            QCOMPARE(sql.count(QLatin1Char('?')), modo == 1 ? 2 : 4);
        }
        // Reading for the form takes no lock; sqlite has no lock hints at all.
        QVERIFY(!TaloesCore::sqlContador(2, Backend::Mssql, false).contains(QStringLiteral("UPDLOCK")));
        QVERIFY(!TaloesCore::sqlContador(1, Backend::Sqlite, true).contains(QStringLiteral("UPDLOCK")));
    }
};

QTEST_GUILESS_MAIN(TestTaloes)
#include "taloes_test.moc"
