#include "childforms.h"

#include <QFileInfo>

#include "balancadesk.h"
#include "deskwindow.h"
#include "enviomail.h"
#include "escolhaimpressora.h"
#include "janelarelatorio.h"
#include "ficheiroconfig.h"
#include "operacoestalao.h"
#include "operatormessages.h"
#include "parametros.h"
#include "sessaosage.h"
#include "taloes.h"

namespace {

// A weighing desk with what it works with: the scale (BALANCA.TXT beside the program,
// else beside the configuration file) and the tickets. Each desk is its own window,
// so several can be open at once.
QWidget* novaDesk(const DeskKind& kind, const FormContext& c) {
    if (!c.parametros || !c.sessao) return nullptr;
    auto* desk = new DeskWindow(kind, c.db, *c.parametros, c.messages, *c.sessao);
    desk->setBalanca(std::make_unique<BalancaDesk>(c.programFolder, QFileInfo(c.configFile).absolutePath()));
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
