#include "output/ui/impressorasistema.h"

#include <QPrinter>
#include <QPrinterInfo>

#include "output/renderizadortalao.h"

bool ImpressoraSistema::imprimir(const QString& nome, const QString& nomeDoc, const QPageLayout& paginacao,
                                 const QStringList& paginas, QString& usada, QString& erro) {
    const QPrinterInfo info = nome.isEmpty() ? QPrinterInfo::defaultPrinter() : QPrinterInfo::printerInfo(nome);
    if (info.isNull()) {
        erro = nome.isEmpty() ? textoSemPredefinida() : textoIndisponivel(nome);
        return false;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(info.printerName());
    usada = info.printerName();
    printer.setDocName(nomeDoc);
    printer.setPageLayout(paginacao);
    printer.setFullPage(false);
    RenderizadorTalao::pintar(printer, paginas);
    if (printer.printerState() == QPrinter::Error) {
        erro = QStringLiteral("A impressão do talão falhou (%1).").arg(usada);
        return false;
    }
    return true;
}
