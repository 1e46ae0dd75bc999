#include "output/operacoestalao.h"

#include <QFile>
#include <QFileInfo>

#include "base/basedados.h"
#include "base/operatormessages.h"
#include "output/ficheiroatomico.h"
#include "output/mailsender.h"
#include "output/mailsettings.h"
#include "output/pastas.h"
#include "output/registarvias.h"
#include "records/parametrosaplic.h"

OperacoesTalao::OperacoesTalao(BaseDados& db, OperatorMessages& mensagens, QString programFolder, QString configFile)
    : m_db(db),
      m_mensagens(mensagens),
      m_programFolder(std::move(programFolder)),
      m_configFile(std::move(configFile)),
      m_renderizador(std::make_unique<RenderizadorTalao>(db.settings())) {
    m_renderizador->setRastreio(db);
}

OperacoesTalao::~OperacoesTalao() = default;

QString OperacoesTalao::caminhoModelo(TipoTalao tipo) const {
    const QString configFolder = m_configFile.isEmpty() ? QString() : QFileInfo(m_configFile).absolutePath();
    return Pastas::modelo(m_programFolder, configFolder, TiposTalao::modelo(tipo));
}

bool OperacoesTalao::carregarModelo(TipoTalao tipo, ModeloTalao& modelo) {
    const QString path = caminhoModelo(tipo);
    ModeloTalao& lido = m_modelos[path];
    if (!lido.carregar(path, ModeloTalao::valoresTalao(), m_db.backend())) {
        m_erro = lido.erro();
        return false;
    }
    modelo = lido;
    return true;
}

QString OperacoesTalao::caminhoModeloSenha() const {
    const QString configFolder = m_configFile.isEmpty() ? QString() : QFileInfo(m_configFile).absolutePath();
    return Pastas::modelo(m_programFolder, configFolder, TiposTalao::modeloSenha());
}

bool OperacoesTalao::carregarModeloSenha(ModeloTalao& modelo) {
    const QString path = caminhoModeloSenha();
    ModeloTalao& lido = m_modelos[path];
    if (!lido.carregar(path)) {
        m_erro = lido.erro();
        return false;
    }
    modelo = lido;
    return true;
}

QString OperacoesTalao::exportaSenhaPDF(qint32 id, const QString& path) {
    m_erro.clear();
    QString out = path;
    if (out.isEmpty()) {
        const QString pasta = Pastas::trabalho(&m_erro);
        if (pasta.isEmpty()) return {};
        out = pasta + QLatin1Char('/') + TiposTalao::ficheiroSenhaPdf();
    }
    ModeloTalao modelo;
    if (!carregarModeloSenha(modelo)) {
        FicheiroAtomico::remover(out);
        return {};
    }
    if (!m_renderizador->exportarPdf(modelo, id, out, path.isEmpty())) {
        m_erro = m_renderizador->erro();
        return {};
    }
    return QFileInfo(out).isFile() ? out : QString();
}

QString OperacoesTalao::caminhoPdf(TipoTalao tipo, QString* erro) {
    const QString pasta = Pastas::trabalho(erro);
    return pasta.isEmpty() ? QString() : pasta + QLatin1Char('/') + TiposTalao::ficheiroPdf(tipo);
}

QString OperacoesTalao::exportaPDF(qint32 id, TipoTalao tipo, const QString& path) {
    m_erro.clear();
    const QString out = path.isEmpty() ? caminhoPdf(tipo, &m_erro) : path;
    if (out.isEmpty()) return {};
    ModeloTalao modelo;
    if (!carregarModelo(tipo, modelo)) {
        // Whatever the file held before is not this weighing's ticket.
        FicheiroAtomico::remover(out);
        return {};
    }
    // The working folder's file is the operator's own; a file named on the command line
    // gets the usual permissions of a new file.
    if (!m_renderizador->exportarPdf(modelo, id, out, path.isEmpty())) {
        m_erro = m_renderizador->erro();
        return {};
    }
    return QFileInfo(out).isFile() ? out : QString();
}

QByteArray OperacoesTalao::pdfAnexo(qint32 id, TipoTalao tipo) {
    m_erro.clear();
    ModeloTalao modelo;
    if (!carregarModelo(tipo, modelo)) return {};
    const QByteArray pdf = m_renderizador->pdf(modelo, id);
    if (pdf.isEmpty()) m_erro = m_renderizador->erro();
    return pdf;
}

bool OperacoesTalao::prepararVias(qint32 id, qint32 noTalao, const ParametrosAplic& parametros) {
    if (noTalao <= 0) return false;
    const int n = parametros.inteiro(QStringLiteral("NoVias"));
    RegistarVias(m_db, id, qint16(qBound(-32768, n, 32767)));
    return true;
}

int OperacoesTalao::enviarMail(qint32 id, TipoTalao tipo, const QString& destinatario) {
    m_erro.clear();
    m_copiasRecusadas.clear();
    if (destinatario.trimmed().isEmpty()) {
        m_mensagens.mostrarAviso(OperatorMessages::Informacao, textoSemEmail());
        return OperatorMessages::Exclamacao;
    }
    const MailSettings settings = MailSettings::ler(m_configFile);
    RegistarVias(m_db, id, 1);
    // The attachment is this weighing's own, made in memory: never the desk's file,
    // which another desk or program may be writing at the same moment.
    MailMessage m;
    m.anexo = pdfAnexo(id, tipo);
    int estado = OperatorMessages::Critico;
    if (!m.anexo.isEmpty()) {
        m.para = destinatario;
        m.cc = settings.cc;
        m.bcc = settings.bcc;
        m.assunto = settings.assunto;
        m.corpo = settings.mensagem;
        m.nomeAnexo = TiposTalao::ficheiroPdf(tipo);
        MailSender sender(settings);
        if (sender.enviar(m)) {
            estado = OperatorMessages::Info;
            m_copiasRecusadas = sender.copiasRecusadas();
        } else {
            m_erro = sender.ultimoErro();
        }
    }
    if (estado == OperatorMessages::Info && !m_copiasRecusadas.isEmpty())
        // The customer has the ticket; the operator learns which copy did not go.
        m_mensagens.mostrarEstado(estado, textoEnviado() + QStringLiteral("\n\nO servidor recusou a cópia para ") +
                                              m_copiasRecusadas.join(QStringLiteral(", ")) +
                                              QStringLiteral("; a mensagem seguiu para os restantes destinatários."));
    else if (estado == OperatorMessages::Info)
        m_mensagens.mostrarEstado(estado, textoEnviado());
    else
        m_mensagens.mostrarEstado(estado,
                                  m_erro.isEmpty() ? textoFalhou() : textoFalhou() + QStringLiteral("\n\n") + m_erro);
    return estado;
}

QString OperacoesTalao::emailTerceiro(BaseDados& db, qint32 id) {
    const RecordSet rs = db.consultar(
        QStringLiteral("SELECT h.TipoTerc, c.email_envio_documentos AS EmailCliente, f.Email AS EmailFornecedor "
                       "FROM kel_PES_Historico h LEFT JOIN Clientes c ON h.TipoTerc = 2 AND c.CODIGO = h.Terceiro "
                       "LEFT JOIN Fornec f ON h.TipoTerc = 1 AND f.CODIGO = h.Terceiro WHERE h.Hist_Id = ?"),
        {id});
    if (rs.isEmpty()) return {};
    return (rs.text(0, QStringLiteral("TipoTerc")).toInt() == 2 ? rs.text(0, QStringLiteral("EmailCliente"))
                                                                : rs.text(0, QStringLiteral("EmailFornecedor")))
        .trimmed();
}
