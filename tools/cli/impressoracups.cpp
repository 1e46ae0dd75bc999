#include "tools/cli/impressoracups.h"

#include <QDir>
#include <QPdfWriter>
#include <QTemporaryFile>

#include <cups/cups.h>

#include "output/renderizadortalao.h"

bool ImpressoraCups::imprimir(const QString& nome, const QString& nomeDoc, const QPageLayout& paginacao,
                              const QStringList& paginas, QString& usada, QString& erro) {
    const QByteArray pedida = nome.toUtf8();
    cups_dest_t* destino = cupsGetNamedDest(CUPS_HTTP_DEFAULT, nome.isEmpty() ? nullptr : pedida.constData(), nullptr);
    if (!destino) {
        erro = nome.isEmpty() ? textoSemPredefinida() : textoIndisponivel(nome);
        return false;
    }
    usada = QString::fromUtf8(destino->name);
    cupsFreeDests(1, destino);

    // A file of this user only (created exclusively), gone once CUPS has its copy.
    QTemporaryFile pdf(QDir::temp().filePath(QStringLiteral("BalantrixImpressao-XXXXXX.pdf")));
    if (!pdf.open()) {
        erro = QStringLiteral("Não foi possível preparar a impressão (%1).").arg(pdf.errorString());
        return false;
    }
    {
        QPdfWriter writer(&pdf);
        writer.setCreator(QStringLiteral("Balantrix"));
        writer.setTitle(nomeDoc);
        writer.setResolution(300);
        writer.setPageLayout(paginacao);
        RenderizadorTalao::pintar(writer, paginas);
    }
    if (!pdf.flush()) {
        erro = QStringLiteral("Não foi possível preparar a impressão (%1).").arg(pdf.errorString());
        return false;
    }
    const int trabalho = cupsPrintFile(usada.toUtf8().constData(), QFile::encodeName(pdf.fileName()).constData(),
                                       nomeDoc.toUtf8().constData(), 0, nullptr);
    if (trabalho == 0) {
        erro = QStringLiteral("A impressão do talão falhou (%1: %2).")
                   .arg(usada, QString::fromUtf8(cupsLastErrorString()));
        return false;
    }
    return true;
}
