#include "app/ui/childforms.h"

#include <QFileInfo>

#include "base/basedados.h"
#include "base/ficheiroconfig.h"
#include "base/operatormessages.h"
#include "desks/balancadesk.h"
#include "desks/ui/deskwindow.h"
#include "erp/sessaosage.h"
#include "output/operacoestalao.h"
#include "output/ui/enviomail.h"
#include "output/ui/escolhaimpressora.h"
#include "output/ui/janelarelatorio.h"
#include "records/opcoesinstalacao.h"
#include "records/ui/parametros.h"
#include "records/ui/taloes.h"
#include "scale/monitorbalanca.h"

namespace {

// A weighing desk with what it works with: the scale (BALANCA.TXT beside the program,
// else beside the configuration file) and the tickets. Each desk is its own window,
// so several can be open at once.
QWidget* novaDesk(const DeskKind& kind, const FormContext& c) {
    if (!c.parametros || !c.sessao) return nullptr;
    auto* desk = new DeskWindow(kind, c.db, *c.parametros, c.messages, *c.sessao);
    auto balanca = std::make_unique<BalancaDesk>(c.programFolder, QFileInfo(c.configFile).absolutePath());
    // Indicators that must not be polled: LeituraContinua = nao leaves the live weight off.
    bool continua = true;
    try {
        continua = OpcoesInstalacao(c.db).leituraContinua();
    } catch (const DbError& e) {
        c.messages.mensagem(e.texto());
    }
    if (continua && c.monitor) {
        balanca->setMonitor(c.monitor);
        desk->setMonitor(c.monitor);
    }
    desk->setBalanca(std::move(balanca));
    desk->setOperacoesTalao(std::make_unique<OperacoesTalao>(c.db, c.messages, c.programFolder, c.configFile));
    return desk;
}

}  // namespace

// Forms register here as they are built; until then their menu entries stay disabled.
ChildForms ChildForms::available() {
    ChildForms forms;
    forms.saidas = [](const FormContext& c) { return novaDesk(DeskKind::saidas(), c); };
    forms.entradas = [](const FormContext& c) { return novaDesk(DeskKind::entradas(), c); };
    forms.parametros = [](const FormContext& c) -> QWidget* {
        if (!c.parametros) return nullptr;
        auto* form = new Parametros(c.db, *c.parametros, c.messages, c.configFile);
        if (SessaoSage* erp = c.sessao)
            form->core().setTiposDocumento([erp](int tipoDocumento, QStringList& tipos, QString& erro) {
                if (erp->tiposDocumento(tipoDocumento, tipos)) return true;
                erro = erp->ultimoErro();
                return false;
            });
        // The printer for tickets sits beside the PDF folder and is saved with the form.
        auto* impressora = new EscolhaImpressora(form);
        impressora->setObjectName(QStringLiteral("escolhaImpressora"));
        impressora->lerConfig(FicheiroConfig(c.configFile));
        form->adicionarLinha(QStringLiteral("Impressora"), impressora);
        const QString configFile = c.configFile;
        OperatorMessages* messages = &c.messages;
        QObject::connect(form, &Parametros::gravado, impressora, [impressora, configFile, messages] {
            try {
                FicheiroConfig f(configFile);
                impressora->gravarConfig(f);
            } catch (const std::exception& e) {
                messages->mensagem(QString::fromStdString(e.what()));
            }
        });
        return form;
    };
    forms.numeradores = [](const FormContext& c, int modo) -> QWidget* {
        if (!c.parametros) return nullptr;
        return new Taloes(c.db, *c.parametros, c.messages, modo);
    };
    forms.relatorio = [](const FormContext& c) -> QWidget* { return new JanelaRelatorio(c.db, c.messages); };
    forms.envioMail = [](const FormContext& c, int modo) -> QWidget* {
        return new EnvioMail(c.db, c.messages, modo, c.programFolder, c.configFile);
    };
    return forms;
}
