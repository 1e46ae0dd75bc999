// Tickets that can be checked: the installation's signing key (made once), the QR code
// read back from the ticket's PDF page with zbarimg, the signed line verified and refused
// after the stored weighing changes, and the manual mark with its legend.
#include <QImage>
#include <QProcess>
#include <QtTest>

#include "chaveinstalacao.h"
#include "codigoqr.h"
#include "modelotalao.h"
#include "rastreiotalao.h"
#include "registarvias.h"
#include "registoalibi.h"
#include "renderizadortalao.h"
#include "testsupport.h"
#include "ticketfixtures.h"

namespace {

QString correr(const QString& programa, const QStringList& args) {
    QProcess p;
    p.start(programa, args);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// The first page of a PDF as a PNG at 200 dpi, decoded by zbarimg.
QString qrDaPagina(const QString& pdf, const QString& pasta) {
    correr(QStringLiteral("pdftoppm"),
           {QStringLiteral("-r"), QStringLiteral("200"), QStringLiteral("-png"), QStringLiteral("-f"),
            QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"), QStringLiteral("-singlefile"),
            pdf, pasta + QStringLiteral("/pagina")});
    return correr(QStringLiteral("zbarimg"),
                  {QStringLiteral("-q"), QStringLiteral("--raw"), pasta + QStringLiteral("/pagina.png")});
}

}  // namespace

class LegalTest : public QObject {
    Q_OBJECT

  private slots:
    void keyIsMadeOnceAndSigns() {
        TempDatabase t;
        auto outro = t.second();
        ChaveInstalacao a(t.db()), b(*outro);
        const QString pa = a.publicaPem();
        QVERIFY(pa.startsWith(QStringLiteral("-----BEGIN PUBLIC KEY-----")));
        QCOMPARE(b.publicaPem(), pa);
        QCOMPARE(t.db().escalar(QStringLiteral("SELECT COUNT(*) FROM kel_PES_Chave")).toInt(), 1);
        const QByteArray sig = b.assinar("linha");
        QCOMPARE(sig.size(), 64);
        QVERIFY(ChaveInstalacao::verificar(pa, "linha", sig));
        QVERIFY(!ChaveInstalacao::verificar(pa, "linha!", sig));
        QString outraPriv, outraPub;
        QVERIFY(ChaveInstalacao::gerar(outraPriv, outraPub));
        QVERIFY(!ChaveInstalacao::verificar(outraPub, "linha", sig));
        QVERIFY(!ChaveInstalacao::verificar(QStringLiteral("lixo"), "linha", sig));
        QVERIFY(ChaveInstalacao::inserirSql(Backend::Mssql)
                    .contains(QStringLiteral("WHERE NOT EXISTS (SELECT 1 FROM kel_PES_Chave WITH (UPDLOCK, "
                                             "HOLDLOCK) WHERE Numero = 1)")));
    }

    void qrImageDecodes() {
        QTemporaryDir dir;
        const QString texto = QStringLiteral("BTX1|500100200|17|S|A|1234|2025/2026|a\\u00e7");
        QVERIFY(CodigoQr::imagem(texto).save(dir.filePath(QStringLiteral("qr.png"))));
        QCOMPARE(correr(QStringLiteral("zbarimg"), {QStringLiteral("-q"), QStringLiteral("--raw"),
                                                    dir.filePath(QStringLiteral("qr.png"))}),
                 texto);
    }

    void ticketCarriesItsTraceAndVerifies() {
        TempDatabase t(TempDatabase::Demo);
        QTemporaryDir dir;
        BaseDados& db = t.db();
        Pesagem p;
        const qint32 id = gravarPesagem(db, p);
        RegistarVias(db, id, 1);
        // Outgoing: the tare is the first weight (read), the gross the second (typed).
        RegistoAlibi log(db, QStringLiteral("POSTO"));
        const LinhaAlibi tara =
            log.registarLeitura(QStringLiteral("saidas"), "GS  014220kg\r", Money::fromInteger(14220), true);
        log.ligar(QStringLiteral("saidas"), tara.id, id, 1);
        const LinhaAlibi bruto = log.registarManual(QStringLiteral("saidas"), Money::fromInteger(40560));
        log.ligar(QStringLiteral("saidas"), bruto.id, id, 2);

        ModeloTalao m;
        QVERIFY(m.carregar(pastaPrograma() + QStringLiteral("/mapas/kel_PES_Talao_Cliente.rpt")));
        RenderizadorTalao r(t.settings());
        r.setRastreio(db);
        const QString pdf = dir.filePath(QStringLiteral("talao.pdf"));
        QVERIFY2(r.exportarPdf(m, id, pdf), qPrintable(r.erro()));
        const QString texto = pdfTexto(pdf);
        QVERIFY2(texto.contains(QStringLiteral("Alibi n.º %1").arg(tara.id)), qPrintable(texto));
        QVERIFY(texto.contains(QStringLiteral("(M) 40 560")) ||
                texto.contains(QStringLiteral("(M) 40,560")) || texto.contains(QStringLiteral("(M)")));
        QVERIFY(texto.contains(QStringLiteral("peso introduzido manualmente")));

        const QString linha = qrDaPagina(pdf, dir.path());
        QVERIFY2(linha.startsWith(QStringLiteral("BTX1|")), qPrintable(linha));
        QVERIFY(linha.contains(
            QStringLiteral("|%1|%2|M%3|%4|").arg(tara.id).arg(tara.hash).arg(bruto.id).arg(bruto.hash)));
        RastreioTalao rastreio(db);
        const QString pem = rastreio.chave().publicaPem();
        RastreioTalao::Verificacao v = RastreioTalao::verificar(linha, pem, &rastreio);
        QVERIFY(v.valida);
        QVERIFY(v.confere);
        QCOMPARE(v.histId, id);

        // The stored weighing changed afterwards: the signature still holds, the record no longer matches.
        db.executar(QStringLiteral("UPDATE kel_PES_Historico SET PesoLiquido = 26000 WHERE Hist_Id = ?"),
                    {id});
        v = RastreioTalao::verificar(linha, pem, &rastreio);
        QVERIFY(v.valida);
        QVERIFY(!v.confere);
        db.executar(QStringLiteral("UPDATE kel_PES_Historico SET PesoLiquido = 26340 WHERE Hist_Id = ?"),
                    {id});
        QVERIFY(RastreioTalao::verificar(linha, pem, &rastreio).confere);
        // A reading edited in place (its stored hash left alone) is caught too.
        db.executar(QStringLiteral("UPDATE kel_PES_Alibi SET Peso = 14000 WHERE Alibi_Id = ?"), {tara.id});
        QVERIFY(!RastreioTalao::verificar(linha, pem, &rastreio).confere);
        db.executar(QStringLiteral("UPDATE kel_PES_Alibi SET Peso = 14220 WHERE Alibi_Id = ?"), {tara.id});
        // Rows taken away from the end of the log.
        db.executar(QStringLiteral("DELETE FROM kel_PES_Alibi WHERE Alibi_Id >= ?"), {bruto.id});
        QVERIFY(!RastreioTalao::verificar(linha, pem, &rastreio).confere);
        // A changed character breaks the signature.
        QString falsa = linha;
        falsa.replace(QStringLiteral("|40560.0000|"), QStringLiteral("|40960.0000|"));
        QVERIFY(falsa != linha);
        QVERIFY(!RastreioTalao::verificar(falsa, pem, nullptr).valida);
    }

    void ticketWithoutTypedWeightHasNoMark() {
        TempDatabase t(TempDatabase::Demo);
        QTemporaryDir dir;
        Pesagem p;
        p.tipo = QStringLiteral("E");
        const qint32 id = gravarPesagem(t.db(), p);
        RegistarVias(t.db(), id, 1);
        RegistoAlibi log(t.db(), QStringLiteral("POSTO"));
        for (int n : {1, 2}) {
            const LinhaAlibi l = log.registarLeitura(QStringLiteral("entradas"), "GS 1kg\r",
                                                     Money::fromInteger(n == 1 ? 40560 : 14220), true);
            log.ligar(QStringLiteral("entradas"), l.id, id, n);
        }
        ModeloTalao m;
        QVERIFY(m.carregar(pastaPrograma() + QStringLiteral("/mapas/kel_PES_Talao_Fornecedor.rpt")));
        RenderizadorTalao r(t.settings());
        r.setRastreio(t.db());
        const QString pdf = dir.filePath(QStringLiteral("talao.pdf"));
        QVERIFY2(r.exportarPdf(m, id, pdf), qPrintable(r.erro()));
        const QString texto = pdfTexto(pdf);
        // Incoming: the gross weight is the first reading.
        QVERIFY2(texto.contains(QStringLiteral("Peso bruto · Alibi n.º 1")), qPrintable(texto));
        QVERIFY(texto.contains(QStringLiteral("Tara · Alibi n.º 3")));
        QVERIFY(!texto.contains(QStringLiteral("manualmente")));
        QVERIFY(!texto.contains(QStringLiteral("(M)")));
    }
};

QTEST_MAIN(LegalTest)
#include "legal_test.moc"
