#include <QRegularExpression>
#include <QtTest>
#include <memory>

#include "erp/demodata.h"
#include "erp/erpschema.h"
#include "tests/support/testsupport.h"

// The demo company as someone trying the program meets it: lists that are full but
// not padded with inactive rows, addresses that resolve, lookups that survive an
// apostrophe, and data a real ERP would also accept.
class DemoDataTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { m_tmp = std::make_unique<TempDatabase>(TempDatabase::Demo); }
    void cleanupTestCase() { m_tmp.reset(); }

    void companyRow() {
        const RecordSet rs = db().consultar(QStringLiteral("SELECT * FROM EMPRESA"));
        QCOMPARE(rs.count(), 1);
        QCOMPARE(rs.text(QStringLiteral("CODIGO")), QStringLiteral("DEMO"));
        QCOMPARE(rs.text(QStringLiteral("NOME")), QStringLiteral("Agro-Pecuária do Vale, Lda."));
        QVERIFY(rs.text(QStringLiteral("Email")).endsWith(QStringLiteral(".example")));
    }

    void customersMixActiveInactiveAndMail() {
        QVERIFY(count(QStringLiteral("SELECT COUNT(*) FROM Clientes")) >= 20);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Clientes WHERE Inactivo = -1")), 2);
        // What the customer list shows (inactive rows hidden).
        const RecordSet lista =
            db().consultar(QStringLiteral("SELECT CODIGO FROM Clientes WHERE Inactivo <> -1 ORDER BY CODIGO"));
        QVERIFY(lista.count() >= 18);
        QCOMPARE(lista.text(0, QStringLiteral("CODIGO")), QStringLiteral("C001"));

        const int comMail =
            count(QStringLiteral("SELECT COUNT(*) FROM Clientes WHERE COALESCE(email_envio_documentos, '') <> ''"));
        const int semMail =
            count(QStringLiteral("SELECT COUNT(*) FROM Clientes WHERE COALESCE(email_envio_documentos, '') = ''"));
        QVERIFY2(comMail >= 5 && semMail >= 3,
                 qPrintable(QStringLiteral("%1 with, %2 without").arg(comMail).arg(semMail)));
        // Bulk mailing must find addresses only under the reserved test domain.
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Clientes WHERE email_envio_documentos <> '' AND "
                                      "email_envio_documentos NOT LIKE '%_@_%.example'")),
                 0);
    }

    void suppliersMixAndMail() {
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Fornec")), 15);
        QVERIFY(count(QStringLiteral("SELECT COUNT(*) FROM Fornec WHERE COALESCE(Email, '') <> ''")) >= 5);
        QVERIFY(count(QStringLiteral("SELECT COUNT(*) FROM Fornec WHERE Email IS NULL")) >= 3);
        QCOMPARE(
            count(QStringLiteral("SELECT COUNT(*) FROM Fornec WHERE Email <> '' AND Email NOT LIKE '%_@_%.example'")),
            0);
        QVERIFY(count(QStringLiteral("SELECT COUNT(*) FROM Fornec WHERE Inactivo <> -1")) >= 14);
    }

    void inactiveFlagIsNeverNull_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<int>("inactive");
        QTest::newRow("customers") << QStringLiteral("Clientes") << 2;
        QTest::newRow("suppliers") << QStringLiteral("Fornec") << 1;
        QTest::newRow("articles") << QStringLiteral("Artigos") << 1;
        QTest::newRow("drivers") << QStringLiteral("kel_RS_Motoristas") << 1;
    }

    void inactiveFlagIsNeverNull() {
        QFETCH(QString, table);
        QFETCH(int, inactive);
        // Lists filter with "Inactivo <> -1": a NULL would hide an active row.
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE Inactivo IS NULL").arg(table)), 0);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE Inactivo NOT IN (0, -1)").arg(table)), 0);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE Inactivo = -1").arg(table)), inactive);
    }

    void articlesOfferedAreTheStockedOnes() {
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Artigos")), 10);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Artigos WHERE UnBase <> 'KG' OR UnBase IS NULL")), 0);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Artigos WHERE Artoudes <> 0")), 1);
        // The article list and lookup: neither the expense article nor the inactive one.
        const RecordSet rs = db().consultar(
            QStringLiteral("SELECT CODIGO FROM ARTIGOS WHERE Artoudes = 0 AND Inactivo <> -1 ORDER BY Codigo"));
        QCOMPARE(rs.count(), 8);
        const RecordSet milho = db().consultar(
            QStringLiteral("SELECT NOME, UnBase FROM ARTIGOS WHERE Codigo = ? AND Artoudes = 0 AND Inactivo <> -1"),
            {QStringLiteral("milho")});
        QCOMPARE(milho.count(), 1);  // codes compare without case
        QCOMPARE(milho.text(QStringLiteral("UnBase")), QStringLiteral("KG"));
    }

    void alternativeAddressesPointAtExistingParties() {
        QVERIFY(count(QStringLiteral("SELECT COUNT(*) FROM MORADAS WHERE TPTERC = 2")) >= 5);
        QVERIFY(count(QStringLiteral("SELECT COUNT(*) FROM MORADAS WHERE TPTERC = 1")) >= 3);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM MORADAS WHERE TPTERC NOT IN (1, 2)")), 0);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM MORADAS m WHERE m.TPTERC = 2 AND NOT EXISTS "
                                      "(SELECT 1 FROM Clientes c WHERE c.CODIGO = m.TERCEIRO)")),
                 0);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM MORADAS m WHERE m.TPTERC = 1 AND NOT EXISTS "
                                      "(SELECT 1 FROM Fornec f WHERE f.CODIGO = m.TERCEIRO)")),
                 0);
        // The desk's address list for one customer, as it joins the two tables.
        const RecordSet rs = db().consultar(
            QStringLiteral("SELECT MORADAS.CDMORADA, MORADAS.Descr FROM Clientes INNER JOIN MORADAS ON "
                           "Clientes.CODIGO = MORADAS.TERCEIRO WHERE MORADAS.TPTERC = 2 AND Terceiro = ?"),
            {QStringLiteral("C009")});
        QCOMPARE(rs.count(), 3);
    }

    void postalCodesAndAddressTypesResolve() {
        QVERIFY(count(QStringLiteral("SELECT COUNT(*) FROM CodPost")) >= 10);
        const RecordSet cods = db().consultar(QStringLiteral("SELECT Cod, Descr FROM CodPost"));
        const QRegularExpression formato(QStringLiteral("^\\d{4}-\\d{3}$"));
        for (int i = 0; i < cods.count(); ++i) {
            QVERIFY2(formato.match(cods.text(i, QStringLiteral("Cod"))).hasMatch(),
                     qPrintable(cods.text(i, QStringLiteral("Cod"))));
            QVERIFY(!cods.text(i, QStringLiteral("Descr")).isEmpty());
        }
        // Every postal code shown on a party or address gets its locality label.
        for (const QString& table : {QStringLiteral("EMPRESA"), QStringLiteral("Clientes"), QStringLiteral("Fornec"),
                                     QStringLiteral("MORADAS")}) {
            QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM %1 t WHERE t.CdPostal IS NULL OR NOT EXISTS "
                                          "(SELECT 1 FROM CodPost p WHERE p.Cod = t.CdPostal)")
                               .arg(table)),
                     0);
        }
        QVERIFY(count(QStringLiteral("SELECT COUNT(*) FROM TpMorada")) >= 3);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM MORADAS m WHERE m.TpMorada IS NOT NULL AND NOT EXISTS "
                                      "(SELECT 1 FROM TpMorada t WHERE t.Codigo = m.TpMorada)")),
                 0);
    }

    void taxNumbersAreValid() {
        const RecordSet rs =
            db().consultar(QStringLiteral("SELECT NContrib FROM Clientes UNION ALL SELECT NContrib FROM Fornec "
                                          "UNION ALL SELECT NContrib FROM EMPRESA"));
        QSet<QString> vistos;
        for (int i = 0; i < rs.count(); ++i) {
            const QString n = rs.text(i, QStringLiteral("NContrib"));
            QVERIFY2(n.size() == 9 && QRegularExpression(QStringLiteral("^\\d{9}$")).match(n).hasMatch(),
                     qPrintable(n));
            int soma = 0;
            for (int d = 0; d < 8; ++d) soma += n.at(d).digitValue() * (9 - d);
            const int resto = soma % 11;
            QVERIFY2(n.at(8).digitValue() == (resto < 2 ? 0 : 11 - resto), qPrintable(n));
            QVERIFY2(!vistos.contains(n), qPrintable(QStringLiteral("repeated ") + n));
            vistos.insert(n);
        }
    }

    void apostropheNamesFoundByBoundLookups() {
        const QString nome = QStringLiteral("Quinta d'Ouro - Sociedade Agrícola, Lda.");
        const RecordSet porNome = db().consultar(QStringLiteral("SELECT CODIGO FROM Clientes WHERE NOME = ?"), {nome});
        QCOMPARE(porNome.count(), 1);
        const QString codigo = porNome.text(0, QStringLiteral("CODIGO"));

        const RecordSet porCodigo =
            db().consultar(QStringLiteral("SELECT * FROM Clientes WHERE Clientes.CODIGO = ?"), {codigo});
        QCOMPARE(porCodigo.text(QStringLiteral("NOME")), nome);
        QVERIFY(!porCodigo.text(QStringLiteral("email_envio_documentos")).isEmpty());

        // Partial search as typed by an operator, apostrophe included.
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Clientes WHERE NOME LIKE ?"), {QStringLiteral("%d'ouro%")}),
                 1);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM MORADAS WHERE TPTERC = 2 AND Terceiro = ? AND Descr = ?"),
                       {codigo, QStringLiteral("Pavilhão d'Além - Exploração")}),
                 1);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM kel_RS_Motoristas WHERE Nome LIKE ?"),
                       {QStringLiteral("%d'Oliveira")}),
                 1);
    }

    void textsFitDeclaredColumnSizes() {
        // A real ERP refuses texts longer than the column; the demo must not rely on sqlite's leniency.
        const QRegularExpression tipo(QStringLiteral("nvarchar\\((\\d+)\\)"),
                                      QRegularExpression::CaseInsensitiveOption);
        const QStringList tables = {QStringLiteral("EMPRESA"),  QStringLiteral("Clientes"),
                                    QStringLiteral("Fornec"),   QStringLiteral("Artigos"),
                                    QStringLiteral("MORADAS"),  QStringLiteral("CodPost"),
                                    QStringLiteral("TpMorada"), QStringLiteral("kel_RS_Motoristas")};
        int checked = 0;
        for (const QString& table : tables) {
            const RecordSet cols = db().consultar(QStringLiteral("PRAGMA table_info(%1)").arg(table));
            for (int i = 0; i < cols.count(); ++i) {
                const auto m = tipo.match(cols.text(i, QStringLiteral("type")));
                if (!m.hasMatch()) continue;
                const QString col = cols.text(i, QStringLiteral("name"));
                const int longest =
                    count(QStringLiteral("SELECT COALESCE(MAX(LENGTH(%1)), 0) FROM %2").arg(col, table));
                QVERIFY2(longest <= m.captured(1).toInt(),
                         qPrintable(QStringLiteral("%1.%2: %3 > %4").arg(table, col).arg(longest).arg(m.captured(1))));
                ++checked;
            }
        }
        QVERIFY(checked > 30);
        QCOMPARE(count(QStringLiteral("SELECT MAX(LENGTH(CDMORADA)) FROM MORADAS")), 3);
    }

    void driversList() {
        const RecordSet rs =
            db().consultar(QStringLiteral("SELECT Codigo, Nome FROM kel_RS_Motoristas ORDER BY Codigo"));
        QVERIFY(rs.count() >= 5);
        for (int i = 0; i < rs.count(); ++i) {
            QVERIFY(rs.text(i, QStringLiteral("Codigo")).size() <= 5);
            QVERIFY(!rs.text(i, QStringLiteral("Nome")).isEmpty());
        }
    }

    void failureLeavesNothingHalfWritten() {
        TempDatabase tmp(TempDatabase::Empty, QStringLiteral("halfwritten"));
        ErpSchema::criar(tmp.db(), QStringLiteral("DEMO"), QStringLiteral("admin"), QStringLiteral("demo"));
        // A driver already there makes the very last insert collide.
        tmp.db().executar(QStringLiteral("INSERT INTO kel_RS_Motoristas (Codigo, Nome, Inactivo) VALUES (?, ?, 0)"),
                          {QStringLiteral("M06"), QStringLiteral("Já existente")});
        QVERIFY_THROWS_EXCEPTION(DbError, DemoData::preencher(tmp.db()));
        QVERIFY(!tmp.db().inTransaction());
        for (const QString& table : {QStringLiteral("EMPRESA"), QStringLiteral("Clientes"), QStringLiteral("Fornec"),
                                     QStringLiteral("MORADAS"), QStringLiteral("Artigos"), QStringLiteral("CodPost")})
            QCOMPARE(tmp.db().escalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table)).toInt(), 0);
        QCOMPARE(tmp.db().escalar(QStringLiteral("SELECT COUNT(*) FROM kel_RS_Motoristas")).toInt(), 1);
    }

  private:
    BaseDados& db() { return m_tmp->db(); }
    int count(const QString& sql, const QVariantList& p = {}) { return db().escalar(sql, p).toInt(); }

    std::unique_ptr<TempDatabase> m_tmp;
};

QTEST_GUILESS_MAIN(DemoDataTest)
#include "demodata_test.moc"
