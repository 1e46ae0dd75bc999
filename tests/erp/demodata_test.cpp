#include <QRegularExpression>
#include <QtTest>
#include <memory>

#include "erp/demodata.h"
#include "erp/erpschema.h"
#include "tests/support/testsupport.h"

// The demo company as someone trying the program meets it: lists that are full but
// not padded with inactive rows, addresses that resolve, names with an apostrophe for
// the lookups to meet, and data a real ERP would also accept.
class DemoDataTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { m_tmp = std::make_unique<TempDatabase>(TempDatabase::Demo); }
    void cleanupTestCase() { m_tmp.reset(); }

    // Row counts the lists and lookups rely on: at least `minimo`, at most `maximo` (-1: no bound);
    // 0 and 0 is an invariant. Lists filter with "Inactivo <> -1": a NULL would hide an active row.
    void counts_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("minimo");
        QTest::addColumn<int>("maximo");
        const auto linha = [](const QString& nome, const QString& sql, int minimo, int maximo) {
            QTest::newRow(qPrintable(nome)) << sql << minimo << maximo;
        };
        const QString semDono = QStringLiteral(
            "FROM MORADAS m WHERE m.TPTERC = %1 AND NOT EXISTS (SELECT 1 FROM %2 t WHERE "
            "t.CODIGO = m.TERCEIRO)");
        linha(QStringLiteral("company"), QStringLiteral("FROM EMPRESA"), 1, 1);
        linha(QStringLiteral("company code, name, mail"),
              QStringLiteral("FROM EMPRESA WHERE CODIGO = 'DEMO' AND NOME = 'Agro-Pecuária do Vale, Lda.' AND "
                             "Email LIKE '%.example'"),
              1, 1);
        linha(QStringLiteral("customers"), QStringLiteral("FROM Clientes"), 20, -1);
        // The customer list starts at C001.
        linha(QStringLiteral("listed up to C001"),
              QStringLiteral("FROM Clientes WHERE Inactivo <> -1 AND CODIGO <= 'C001'"), 1, 1);
        linha(QStringLiteral("customers listed"), QStringLiteral("FROM Clientes WHERE Inactivo <> -1"), 18, -1);
        linha(QStringLiteral("customers with mail"),
              QStringLiteral("FROM Clientes WHERE COALESCE(email_envio_documentos, '') <> ''"), 5, -1);
        linha(QStringLiteral("customers without"),
              QStringLiteral("FROM Clientes WHERE COALESCE(email_envio_documentos, '') = ''"), 3, -1);
        // Bulk mailing must find addresses only under the reserved test domain.
        linha(QStringLiteral("customer mail elsewhere"),
              QStringLiteral("FROM Clientes WHERE email_envio_documentos <> '' AND email_envio_documentos NOT LIKE "
                             "'%_@_%.example'"),
              0, 0);
        linha(QStringLiteral("suppliers"), QStringLiteral("FROM Fornec"), 15, 15);
        linha(QStringLiteral("suppliers listed"), QStringLiteral("FROM Fornec WHERE Inactivo <> -1"), 14, -1);
        linha(QStringLiteral("suppliers with mail"), QStringLiteral("FROM Fornec WHERE COALESCE(Email, '') <> ''"), 5,
              -1);
        linha(QStringLiteral("suppliers without"), QStringLiteral("FROM Fornec WHERE Email IS NULL"), 3, -1);
        linha(QStringLiteral("supplier mail elsewhere"),
              QStringLiteral("FROM Fornec WHERE Email <> '' AND Email NOT LIKE '%_@_%.example'"), 0, 0);
        linha(QStringLiteral("articles"), QStringLiteral("FROM Artigos"), 10, 10);
        linha(QStringLiteral("articles not in KG"),
              QStringLiteral("FROM Artigos WHERE UnBase <> 'KG' OR UnBase IS NULL"), 0, 0);
        // Codes compare without case.
        linha(
            QStringLiteral("article lookup"),
            QStringLiteral("FROM ARTIGOS WHERE Codigo = 'milho' AND Artoudes = 0 AND Inactivo <> -1 AND UnBase = 'KG'"),
            1, 1);
        linha(QStringLiteral("expense articles"), QStringLiteral("FROM Artigos WHERE Artoudes <> 0"), 1, 1);
        // The article list and lookup: neither the expense article nor the inactive one.
        linha(QStringLiteral("articles offered"), QStringLiteral("FROM ARTIGOS WHERE Artoudes = 0 AND Inactivo <> -1"),
              8, 8);
        linha(QStringLiteral("customer addresses"), QStringLiteral("FROM MORADAS WHERE TPTERC = 2"), 5, -1);
        linha(QStringLiteral("supplier addresses"), QStringLiteral("FROM MORADAS WHERE TPTERC = 1"), 3, -1);
        linha(QStringLiteral("addresses of no kind"), QStringLiteral("FROM MORADAS WHERE TPTERC NOT IN (1, 2)"), 0, 0);
        linha(QStringLiteral("addresses without their customer"), semDono.arg(2).arg(QStringLiteral("Clientes")), 0, 0);
        linha(QStringLiteral("addresses without their supplier"), semDono.arg(1).arg(QStringLiteral("Fornec")), 0, 0);
        // The desk's address list for one customer, as it joins the two tables.
        linha(QStringLiteral("addresses of C009"),
              QStringLiteral(
                  "FROM Clientes INNER JOIN MORADAS ON Clientes.CODIGO = MORADAS.TERCEIRO WHERE MORADAS.TPTERC = 2 "
                  "AND Terceiro = 'C009'"),
              3, 3);
        linha(QStringLiteral("postal codes"), QStringLiteral("FROM CodPost"), 10, -1);
        linha(QStringLiteral("postal codes out of format"),
              QStringLiteral("FROM CodPost WHERE Cod NOT GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9][0-9]' OR "
                             "COALESCE(Descr, '') = ''"),
              0, 0);
        linha(QStringLiteral("address types"), QStringLiteral("FROM TpMorada"), 3, -1);
        linha(
            QStringLiteral("addresses of an unknown type"),
            QStringLiteral("FROM MORADAS m WHERE m.TpMorada IS NOT NULL AND NOT EXISTS (SELECT 1 FROM TpMorada t WHERE "
                           "t.Codigo = m.TpMorada)"),
            0, 0);
        // Every postal code shown on a party or address gets its locality label.
        for (const QString& t : {QStringLiteral("EMPRESA"), QStringLiteral("Clientes"), QStringLiteral("Fornec"),
                                 QStringLiteral("MORADAS")})
            linha(t + QStringLiteral(" postal code unknown"),
                  QStringLiteral("FROM %1 t WHERE t.CdPostal IS NULL OR NOT EXISTS (SELECT 1 FROM CodPost p WHERE "
                                 "p.Cod = t.CdPostal)")
                      .arg(t),
                  0, 0);
        for (const auto& [t, inactivos] :
             {std::pair{QStringLiteral("Clientes"), 2}, std::pair{QStringLiteral("Fornec"), 1},
              std::pair{QStringLiteral("Artigos"), 1}, std::pair{QStringLiteral("kel_RS_Motoristas"), 1}}) {
            linha(t + QStringLiteral(" inactive"), QStringLiteral("FROM %1 WHERE Inactivo = -1").arg(t), inactivos,
                  inactivos);
            linha(t + QStringLiteral(" inactive flag unset"),
                  QStringLiteral("FROM %1 WHERE Inactivo IS NULL OR Inactivo NOT IN (0, -1)").arg(t), 0, 0);
        }
        // Names with an apostrophe, as an operator types them into a search (a customer and its
        // address: read at the desk in tests/desks/deskcore_test).
        linha(QStringLiteral("driver with an apostrophe"),
              QStringLiteral("FROM kel_RS_Motoristas WHERE Nome LIKE '%d''Oliveira'"), 1, 1);
        linha(QStringLiteral("drivers"), QStringLiteral("FROM kel_RS_Motoristas"), 5, -1);
        linha(QStringLiteral("drivers without a name or a long code"),
              QStringLiteral("FROM kel_RS_Motoristas WHERE COALESCE(Nome, '') = '' OR LENGTH(Codigo) > 5"), 0, 0);
    }
    void counts() {
        QFETCH(QString, sql);
        QFETCH(int, minimo);
        QFETCH(int, maximo);
        const int n = count(QStringLiteral("SELECT COUNT(*) ") + sql);
        QVERIFY2(n >= minimo && (maximo < 0 || n <= maximo), qPrintable(QString::number(n)));
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
