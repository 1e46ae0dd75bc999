// The text a template query is sent as, and the shipped templates on every engine. Which
// queries are accepted or refused: the cases of modelos-hostis/consultas.txt.
#include <QtTest>

#include "output/modelotalao.h"

class ConsultaTest : public QObject {
    Q_OBJECT

    static QString modelo(const QString& sql) {
        return ModeloTalao::cabecalho() + QStringLiteral("\n[consulta]\n") + sql +
               QStringLiteral("\n[corpo]\n<p>{{NoVia}}</p>\n");
    }

  private slots:
    // The database gets the text as it was judged: comments gone (a server that ends them
    // elsewhere finds nothing left to read), each :registo a placeholder, strings intact.
    void sentAsJudged() {
        ModeloTalao m;
        QVERIFY(
            m.carregarTexto(modelo(QStringLiteral("SELECT N'/* x */' AS t, NoVia /* a /* b */ ' */ FROM kel_PES_Vias "
                                                  "-- c\nWHERE NoId = :registo OR NoId = :REGISTO;")),
                            QStringLiteral("m.rpt"), ModeloTalao::valoresTalao(), Backend::Mssql));
        QCOMPARE(m.consulta(),
                 QStringLiteral("SELECT N'/* x */' AS t, NoVia   FROM kel_PES_Vias  \nWHERE NoId = ? OR NoId = ?"));
        QCOMPARE(m.parametros(), 2);
    }

    void shippedTemplatesPass() {
        const QString mapas = qEnvironmentVariable("BALANTRIX_SOURCE") + QStringLiteral("/mapas");
        const QStringList nomes = QDir(mapas).entryList({QStringLiteral("*.rpt")}, QDir::Files);
        QCOMPARE(nomes.size(), 5);  // two tickets, two statements, the first-weighing slip
        for (const QString& nome : nomes) {
            ModeloTalao m;
            const QStringList valores =
                nome.endsWith(QStringLiteral("s.rpt")) ? ModeloTalao::valoresExtracto() : ModeloTalao::valoresTalao();
            for (Backend d : {Backend::Sqlite, Backend::Mssql, Backend::Postgresql})
                QVERIFY2(m.carregar(mapas + QLatin1Char('/') + nome, valores, d), qPrintable(m.erro()));
        }
    }
};

QTEST_GUILESS_MAIN(ConsultaTest)
#include "consulta_test.moc"
