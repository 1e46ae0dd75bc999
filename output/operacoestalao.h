#pragma once

#include <QString>
#include <QStringList>
#include <memory>

#include "output/modelotalao.h"
#include "output/renderizadortalao.h"
#include "output/tipotalao.h"

class BaseDados;
class OperatorMessages;
class ParametrosAplic;

// What the desks, the history and the command-line tool do with the ticket of a
// finished weighing, without any window: copies, PDF export, e-mail. Printing is
// ImpressaoTalao on top of this.
class OperacoesTalao {
  public:
    // The configuration file gives the mail settings; the program folder and the
    // configuration folder say where templates are found (see Pastas::modelo).
    OperacoesTalao(BaseDados& db, OperatorMessages& mensagens, QString programFolder, QString configFile);
    ~OperacoesTalao();

    BaseDados& db() { return m_db; }
    OperatorMessages& mensagens() { return m_mensagens; }
    QString configFile() const { return m_configFile; }

    QString caminhoModelo(TipoTalao tipo) const;
    // Loads the kind's template; false with ultimoErro() naming the file and the fault.
    bool carregarModelo(TipoTalao tipo, ModeloTalao& modelo);
    // The slip of a first weighing (kel_PES_Senha.rpt), found like the tickets.
    QString caminhoModeloSenha() const;
    bool carregarModeloSenha(ModeloTalao& modelo);
    // The slip as a PDF at `path` (the working folder's SenhaPesagem.pdf when empty);
    // the path, or empty text with ultimoErro().
    QString exportaSenhaPDF(qint32 id, const QString& path = {});
    // The desk's fixed PDF file in the working folder; empty, with `erro`, when the
    // working folder is refused (see Pastas::trabalho).
    static QString caminhoPdf(TipoTalao tipo, QString* erro = nullptr);

    // ExportaPDF: the ticket with the weighing's current copy rows, written to `path`
    // (the desk's fixed file when empty). Gives the path, or empty text when no file
    // was produced (ultimoErro() says why).
    QString exportaPDF(qint32 id, TipoTalao tipo, const QString& path = {});
    // The ticket with the current copy rows as a PDF in memory, for an attachment of
    // its own. Empty with ultimoErro() when it cannot be made.
    QByteArray pdfAnexo(qint32 id, TipoTalao tipo);

    // The copies for a print (reprint from the history, print after completion):
    // RegistarVias with the parameter NoVias. False, and nothing written, for a
    // weighing without a ticket number, which is not printed.
    bool prepararVias(qint32 id, qint32 noTalao, const ParametrosAplic& parametros);

    // Mail the ticket: one copy row, the PDF (in memory, attached as
    // TalaoPesagem_Cli.pdf / TalaoPesagem_For.pdf; the desk's file is left alone), one message to `destinatario` with
    // the settings of the configuration file, and the outcome through MostrarEstado. Gives 0 when there is no address
    // ("Terceiro sem e-mail associado!", no PDF made), 1 sent, 2 failed. Database errors are raised to the caller.
    int enviarMail(qint32 id, TipoTalao tipo, const QString& destinatario);

    // The e-mail address a weighing's ticket goes to: the customer's document address
    // or the supplier's address. Empty when the record or the address is missing.
    static QString emailTerceiro(BaseDados& db, qint32 id);

    QString ultimoErro() const { return m_erro; }
    // Copy addresses (CC, BCC) the server refused in the last mail that was sent, with its reply.
    QStringList copiasRecusadas() const { return m_copiasRecusadas; }
    RenderizadorTalao& renderizador() { return *m_renderizador; }

    static QString textoSemEmail() { return QStringLiteral("Terceiro sem e-mail associado!"); }
    static QString textoEnviado() { return QStringLiteral("Email enviado com sucesso !"); }
    static QString textoFalhou() { return QStringLiteral("Não foi possivel enviar o email"); }

  private:
    BaseDados& m_db;
    OperatorMessages& m_mensagens;
    QString m_programFolder;
    QString m_configFile;
    QString m_erro;
    QStringList m_copiasRecusadas;
    std::unique_ptr<RenderizadorTalao> m_renderizador;
    QHash<QString, ModeloTalao> m_modelos;  // by file: read each time, checked when changed
};
