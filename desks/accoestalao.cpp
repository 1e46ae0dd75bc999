#include "desks/accoestalao.h"

#include <QDesktopServices>
#include <QDir>
#include <QTemporaryFile>
#include <QUrl>

#include "base/basedados.h"
#include "base/operatormessages.h"
#include "output/impressaotalao.h"
#include "output/operacoestalao.h"
#include "output/registarvias.h"

AccoesTalao::AccoesTalao(OperacoesTalao& operacoes, Impressora* impressora, QString ficheiroImpressao)
    : m_ops(operacoes), m_impressora(impressora), m_ficheiro(std::move(ficheiroImpressao)) {}

bool AccoesTalao::imprimir(qint32 idHistorico, bool entrada, int copias, QString& erro) {
    try {
        RegistarVias(m_ops.db(), idHistorico, qint16(copias));
    } catch (const ErroOperacao& e) {
        erro = e.texto();
        return false;
    }
    // NoVias 0: the copies table is left as asked (no rows) and the operator is told why
    // nothing comes out of the printer.
    if (copias < 1) {
        erro = ImpressaoTalao::textoSemVias();
        return false;
    }
    ImpressaoTalao impressao(m_ops, m_impressora);
    // The desk shows the failure once, with its own words around it.
    impressao.setMostrarFalhas(false);
    const bool ok = impressao.imprimeDoc(idHistorico, entrada ? TipoTalao::Fornecedor : TipoTalao::Cliente, m_ficheiro);
    if (!ok) erro = impressao.ultimoErro();
    return ok;
}

bool AccoesTalao::imprimirSenha(qint32 idHistorico, QString& erro) {
    ImpressaoTalao impressao(m_ops, m_impressora);
    impressao.setMostrarFalhas(false);
    const bool ok = impressao.imprimeSenha(idHistorico, m_ficheiro);
    if (!ok) erro = impressao.ultimoErro();
    return ok;
}

bool AccoesTalao::previsualizar(qint32 idHistorico, bool entrada, QString& erro) {
    const QByteArray pdf = m_ops.pdfAnexo(idHistorico, entrada ? TipoTalao::Fornecedor : TipoTalao::Cliente);
    if (pdf.isEmpty()) {
        erro = m_ops.ultimoErro();
        return false;
    }
    QTemporaryFile ficheiro(QDir::temp().filePath(QStringLiteral("TalaoPesagem-%1-XXXXXX.pdf").arg(idHistorico)));
    ficheiro.setAutoRemove(false);
    if (!ficheiro.open() || ficheiro.write(pdf) != pdf.size() || !ficheiro.flush()) {
        erro = QStringLiteral("Não foi possível escrever o PDF de pré-visualização (%1).").arg(ficheiro.errorString());
        ficheiro.remove();
        return false;
    }
    ficheiro.close();
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(ficheiro.fileName()))) {
        erro =
            QStringLiteral("Não há programa para abrir PDF neste posto. O talão ficou em %1.").arg(ficheiro.fileName());
        return false;
    }
    return true;
}

bool AccoesTalao::enviarEmail(qint32 idHistorico, bool entrada, const QString& destinatario) {
    try {
        return m_ops.enviarMail(idHistorico, entrada ? TipoTalao::Fornecedor : TipoTalao::Cliente, destinatario) == 1;
    } catch (const ErroOperacao& e) {
        m_ops.mensagens().mostrarEstado(2, QStringLiteral("Não foi possivel enviar o email\r\n") + e.texto());
        return false;
    }
}
