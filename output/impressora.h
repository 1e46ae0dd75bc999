#pragma once

#include <QPageLayout>
#include <QString>
#include <QStringList>

// A printer queue of this workstation. The window program prints through Qt's print
// system (output/ui), the command-line tool through CUPS: printing to a queue is the
// only part of a ticket's output that needs more than Qt Gui.
class Impressora {
  public:
    virtual ~Impressora() = default;
    // Paints the pages (HTML, one per sheet, see RenderizadorTalao::pintar) on the printer
    // `nome`, or the system's default printer when empty. Never another printer than the
    // one asked for: false with `erro` when it is not there. `usada` names the queue used.
    virtual bool imprimir(const QString& nome, const QString& nomeDoc, const QPageLayout& paginacao,
                          const QStringList& paginas, QString& usada, QString& erro) = 0;

    static QString textoSemPredefinida() {
        return QStringLiteral("Não existe uma impressora predefinida neste posto.");
    }
    static QString textoIndisponivel(const QString& nome) {
        return QStringLiteral("A impressora \"%1\" não está disponível neste posto.").arg(nome);
    }
};
