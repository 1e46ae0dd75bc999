#include "output/enviotaloes.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QThread>
#include <QThreadPool>
#include <deque>
#include <future>

#include "base/basedados.h"
#include "base/datasbase.h"
#include "base/dberror.h"
#include "base/ficheiroconfig.h"
#include "output/erromodelo.h"
#include "output/ficheiroatomico.h"
#include "output/fontetalao.h"
#include "output/mailsender.h"
#include "output/mailsettings.h"
#include "output/modelotalao.h"
#include "output/pastas.h"
#include "output/renderizadortalao.h"

namespace {

bool clientes(int modo) {
    return modo != 1;
}

// Whole days: the first instant of the start day, and the first instant after the
// end day (so a weighing at 23:59:59.5 on the last day still counts).
QDateTime inicioDia(const QDate& d) {
    return QDateTime(d, QTime(0, 0));
}
QDateTime depoisDoFim(const QDate& d) {
    return DatasBase::depoisDoDia(d);
}

}  // namespace

int ResumoEnvio::contar(ResultadoTerceiro::Estado e) const {
    int n = 0;
    for (const auto& r : resultados) n += r.estado == e;
    return n;
}

QStringList ResumoEnvio::codigos(ResultadoTerceiro::Estado e) const {
    QStringList out;
    for (const auto& r : resultados)
        if (r.estado == e) out << r.codigo;
    return out;
}

QString ResumoEnvio::texto(bool pdf) const {
    if (resultados.isEmpty() && erro.isEmpty())
        return QStringLiteral("Não há pesagens terminadas no período para os terceiros indicados.");
    QStringList linhas;
    if (!erro.isEmpty()) linhas << EnvioTaloes::textoSituacaoAnomala(erro) << QString();
    if (cancelado) linhas << QStringLiteral("Envio interrompido pelo operador.") << QString();
    auto lista = [](const QStringList& c) {
        return c.isEmpty() ? QString() : QStringLiteral(": ") + c.join(QStringLiteral(", "));
    };
    if (pdf)
        linhas << QStringLiteral("PDF gravados: %1").arg(contar(ResultadoTerceiro::Gravado));
    else
        linhas << QStringLiteral("E-mails enviados: %1").arg(contar(ResultadoTerceiro::Enviado));
    if (!pdf || contar(ResultadoTerceiro::SemEmail))
        linhas << QStringLiteral("Sem endereço de e-mail: %1%2")
                      .arg(contar(ResultadoTerceiro::SemEmail))
                      .arg(lista(codigos(ResultadoTerceiro::SemEmail)));
    linhas << QStringLiteral("Falhados: %1%2")
                  .arg(contar(ResultadoTerceiro::Falhou))
                  .arg(lista(codigos(ResultadoTerceiro::Falhou)));
    if (const int n = contar(ResultadoTerceiro::NaoProcessado))
        linhas << QStringLiteral("Não processados: %1%2").arg(n).arg(lista(codigos(ResultadoTerceiro::NaoProcessado)));
    if (pdf && !pasta.isEmpty()) linhas << QString() << QStringLiteral("Pasta dos PDF: %1").arg(pasta);
    // Each party with its outcome; a very long run names the first ones and counts the rest.
    constexpr int kMaxLinhas = 200;
    if (!resultados.isEmpty()) linhas << QString();
    for (qsizetype i = 0; i < resultados.size() && i < kMaxLinhas; ++i) {
        const ResultadoTerceiro& r = resultados[i];
        QString desfecho;
        switch (r.estado) {
            case ResultadoTerceiro::Enviado:
                desfecho = QStringLiteral("enviado");
                break;
            case ResultadoTerceiro::Gravado:
                desfecho = QStringLiteral("gravado em ") + QFileInfo(r.ficheiro).fileName();
                break;
            case ResultadoTerceiro::SemEmail:
                desfecho = QStringLiteral("sem endereço de e-mail");
                break;
            case ResultadoTerceiro::Falhou:
                desfecho = QStringLiteral("falhou") + (r.erro.isEmpty() ? QString() : QStringLiteral(" - ") + r.erro);
                break;
            case ResultadoTerceiro::NaoProcessado:
                desfecho = QStringLiteral("não processado");
                break;
        }
        linhas << QStringLiteral("%1 %2: %3").arg(r.codigo, r.nome, desfecho);
    }
    if (resultados.size() > kMaxLinhas)
        linhas << QStringLiteral("... e mais %1 terceiros.").arg(resultados.size() - kMaxLinhas);
    return linhas.join(QLatin1Char('\n'));
}

EnvioTaloes::EnvioTaloes(BaseDados& db, QString programFolder, QString configFile)
    : m_db(db),
      m_programFolder(std::move(programFolder)),
      m_configFile(std::move(configFile)),
      m_renderizador(std::make_unique<RenderizadorTalao>(db.settings())),
      m_desenhos(std::clamp(QThread::idealThreadCount(), 1, 4)) {
    m_renderizador->setRastreio(db);
}

EnvioTaloes::~EnvioTaloes() = default;

QString EnvioTaloes::nomeModelo(int modo) {
    return clientes(modo) ? QStringLiteral("kel_PES_Talao_Clientes.rpt")
                          : QStringLiteral("kel_PES_Talao_Fornecedores.rpt");
}

QString EnvioTaloes::caminhoModelo(int modo) const {
    const QString configFolder = m_configFile.isEmpty() ? QString() : QFileInfo(m_configFile).absolutePath();
    return Pastas::modelo(m_programFolder, configFolder, nomeModelo(modo));
}

namespace {

// A short hash of the exact code: the same code always gets the same one.
QString sufixo(const QString& codigo) {
    return QString::fromLatin1(QCryptographicHash::hash(codigo.toUtf8(), QCryptographicHash::Sha256).toHex().left(8));
}

QString nome(int modo, const QString& codigo, const QDate& inicio, const QDate& fim, bool comSufixo) {
    static const QString proibidos = QStringLiteral("/\\:*?\"<>|");
    QString c = codigo.trimmed();
    bool mudou = c != codigo || c.isEmpty();
    for (qsizetype i = 0; i < c.size(); ++i) {
        QChar& ch = c[i];
        const bool parSurrogate = ch.isHighSurrogate() && i + 1 < c.size() && c[i + 1].isLowSurrogate();
        if (parSurrogate) {
            ++i;
            continue;
        }
        if (proibidos.contains(ch) || ch.unicode() < 32 || ch.unicode() == 127 || ch.isSurrogate() ||
            ch.category() == QChar::Other_Format || (ch.isSpace() && ch != QLatin1Char(' '))) {
            ch = QLatin1Char('_');
            mudou = true;
        } else if (ch == QLatin1Char('~')) {
            mudou = true;  // the mark of a hashed name: a code holding it gets its own hash
        }
    }
    if (c.startsWith(QLatin1Char('.'))) {
        c.replace(0, 1, QLatin1Char('_'));
        mudou = true;
    }
    if (c.size() > 60) {
        c.truncate(c[59].isHighSurrogate() ? 59 : 60);
        mudou = true;
    }
    if (mudou || comSufixo) c += QLatin1Char('~') + sufixo(codigo);
    return (clientes(modo) ? QStringLiteral("Talao_Cli_") : QStringLiteral("Talao_For_")) + c + QLatin1Char('_') +
           inicio.toString(QStringLiteral("yyyy_MM_dd")) + QLatin1Char('_') +
           fim.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".pdf");
}

}  // namespace

QString EnvioTaloes::nomeFicheiro(int modo, const QString& codigo, const QDate& inicio, const QDate& fim) {
    return nome(modo, codigo, inicio, fim, false);
}

QStringList EnvioTaloes::nomesFicheiros(int modo, const QStringList& codigos, const QDate& inicio, const QDate& fim) {
    QStringList nomes;
    QHash<QString, int> vezes;  // by the name as a case-blind file system sees it
    for (const QString& c : codigos) {
        nomes << nome(modo, c, inicio, fim, false);
        ++vezes[nomes.last().toCaseFolded()];
    }
    // "c1" and "C1" are one file where case does not count: both get their hash then,
    // whatever the order of the run.
    for (qsizetype i = 0; i < nomes.size(); ++i)
        if (vezes.value(nomes[i].toCaseFolded()) > 1) nomes[i] = nome(modo, codigos[i], inicio, fim, true);
    return nomes;
}

QString EnvioTaloes::textoSituacaoAnomala(const QString& descricao) {
    return QStringLiteral("Situação Anómala\n\rErro: ") + descricao;
}

QList<TerceiroEnvio> EnvioTaloes::selecionar(const PedidoEnvio& p) {
    // Only finished weighings: a pending one has no ticket yet.
    const QString sql =
        clientes(p.modo)
            ? QStringLiteral(
                  "SELECT h.Terceiro, Clientes.email_envio_documentos AS email, MAX(Clientes.NOME) AS nome FROM "
                  "kel_PES_Historico h "
                  "INNER JOIN Clientes ON Clientes.Codigo = h.Terceiro "
                  "WHERE h.TipoTerc = 2 AND h.Terceiro >= ? AND h.Terceiro <= ? "
                  "AND h.DataHoraPB >= ? AND h.DataHoraPB < ? AND h.DataHoraPL IS NOT NULL "
                  "GROUP BY h.Terceiro, Clientes.email_envio_documentos ORDER BY h.Terceiro")
            : QStringLiteral(
                  "SELECT h.Terceiro, Fornec.Email AS email, MAX(Fornec.NOME) AS nome FROM kel_PES_Historico h "
                  "INNER JOIN Fornec ON Fornec.Codigo = h.Terceiro "
                  "WHERE h.TipoTerc = 1 AND h.Terceiro >= ? AND h.Terceiro <= ? "
                  "AND h.DataHoraPB >= ? AND h.DataHoraPB < ? AND h.DataHoraPL IS NOT NULL "
                  "GROUP BY h.Terceiro, Fornec.Email ORDER BY h.Terceiro");
    QList<TerceiroEnvio> out;
    if (!p.inicio.isValid() || !p.fim.isValid() || p.inicio > p.fim) return out;
    const RecordSet rs = m_db.consultar(sql, {p.primeiro, p.ultimo, inicioDia(p.inicio), depoisDoFim(p.fim)});
    for (int i = 0; i < rs.count(); ++i)
        out << TerceiroEnvio{rs.text(i, QStringLiteral("Terceiro")), rs.text(i, QStringLiteral("email")).trimmed(),
                             rs.text(i, QStringLiteral("nome")).trimmed()};
    return out;
}

std::optional<EnvioTaloes::Extracto> EnvioTaloes::preparar(int modo, const QString& codigo, const QDate& inicio,
                                                           const QDate& fim) {
    m_erro.clear();
    const QString path = caminhoModelo(modo);
    ModeloTalao& modelo = m_modelos[path];
    if (!modelo.carregar(path, ModeloTalao::valoresExtracto(), m_db.backend())) {
        m_erro = modelo.erro();
        return std::nullopt;
    }
    if (modelo.modo() != ModeloTalao::Modo::Extracto) {
        m_erro = QStringLiteral("O modelo %1 não é um extracto (falta \"modo = extracto\" em [talao]).")
                     .arg(modelo.caminho());
        return std::nullopt;
    }
    const QVariantHash valores{{QStringLiteral("terceiro"), codigo},
                               {QStringLiteral("inicio"), inicioDia(inicio)},
                               {QStringLiteral("fim"), depoisDoFim(fim)}};
    const QHash<QString, QString> extras{
        {QStringLiteral("periodo_inicio"), inicio.toString(QStringLiteral("dd-MM-yyyy"))},
        {QStringLiteral("periodo_fim"), fim.toString(QStringLiteral("dd-MM-yyyy"))}};
    const QString titulo =
        QStringLiteral("Talões de pesagem %1 - %2 a %3")
            .arg(codigo, extras.value(QStringLiteral("periodo_inicio")), extras.value(QStringLiteral("periodo_fim")));
    return Extracto{m_renderizador->documento(modelo, valores, extras), modelo.paginacao(), titulo};
}

QString EnvioTaloes::exportarTaloesTerceiro(int modo, const QString& codigo, const QDate& inicio, const QDate& fim,
                                            const QString& path) {
    const std::optional<Extracto> e = preparar(modo, codigo, inicio, fim);
    if (!e) {
        FicheiroAtomico::remover(path);  // an older statement under this name is not this one
        return {};
    }
    if (!m_renderizador->gravarFicheiro(path, RenderizadorTalao::documentoPdf(e->html, e->paginacao, e->titulo))) {
        m_erro = m_renderizador->erro();
        return {};
    }
    return QFileInfo(path).isFile() ? path : QString();
}

QByteArray EnvioTaloes::extractoPdf(int modo, const QString& codigo, const QDate& inicio, const QDate& fim) {
    const std::optional<Extracto> e = preparar(modo, codigo, inicio, fim);
    return e ? RenderizadorTalao::documentoPdf(e->html, e->paginacao, e->titulo) : QByteArray();
}

namespace {

// A party of the run between being read and being saved or sent: its statement may still
// be drawing on another thread.
struct EmCurso {
    int indice = 0;
    std::future<QByteArray> pdf;  // not valid when the outcome is known already
};

}  // namespace

ResumoEnvio EnvioTaloes::executar(const PedidoEnvio& p, const Progresso& progresso, const AoTerminar& aoTerminar) {
    ResumoEnvio resumo;
    QList<TerceiroEnvio> terceiros;
    const MailSettings mail = MailSettings::ler(m_configFile);
    QString pasta;
    try {
        // The run's own faults come first, before anything is sent or written.
        for (const QDate& d : {p.inicio, p.fim})
            if (const QString e = DatasBase::erro(d, QStringLiteral("A data do período")); !e.isEmpty())
                throw ErroConfiguracao(e);
        if (const QString e = DatasBase::erroPeriodo(p.inicio, p.fim); !e.isEmpty()) throw ErroConfiguracao(e);
        if (p.pdf) {
            pasta = FicheiroConfig(m_configFile).ler(QStringLiteral("PDF"), QStringLiteral("Pasta")).trimmed();
            if (pasta.isEmpty())
                throw ErroConfiguracao(QStringLiteral("A pasta dos PDF não está configurada (Parâmetros, Pasta PDF)."));
            if (!QDir().mkpath(pasta))
                throw ErroConfiguracao(
                    QStringLiteral("A pasta dos PDF %1 não existe e não pode ser criada.").arg(pasta));
        } else if (mail.servidor.trimmed().isEmpty()) {
            throw ErroConfiguracao(
                QStringLiteral("O servidor de e-mail não está configurado (secção SMTP, Servidor)."));
        }
        terceiros = selecionar(p);
        if (!terceiros.isEmpty()) {
            ModeloTalao modelo;
            if (!modelo.carregar(caminhoModelo(p.modo), ModeloTalao::valoresExtracto(), m_db.backend()))
                throw ErroModelo(modelo.erro());
        }
    } catch (const ErroOperacao& e) {
        resumo.erro = e.descricao();
        return resumo;
    }
    for (const auto& t : terceiros)
        resumo.resultados << ResultadoTerceiro{t.codigo, ResultadoTerceiro::NaoProcessado, {}, {}, t.nome};
    if (p.pdf) resumo.pasta = QDir::toNativeSeparators(QDir(pasta).absolutePath());

    MailSender sender(mail);
    QStringList codigos;
    for (const auto& t : terceiros) codigos << t.codigo;
    const QStringList nomes = nomesFicheiros(p.modo, codigos, p.inicio, p.fim);
    QSet<QString> usados;  // two parties never share a file, even on a case-blind disk

    // Reading a party and filling its template stay on this thread (the database
    // connection is this thread's); drawing the PDF, most of a party's time, goes to the
    // pool while the next parties are read. Each party is still saved or sent here, in
    // the run's order, so the outcomes, the progress and a stop fall as they always did.
    QThreadPool desenho;
    desenho.setMaxThreadCount(m_desenhos);
    FonteTalao::familia();  // the font copy is registered here, before any drawing thread needs it
    std::deque<EmCurso> emCurso;
    auto concluir = [&](EmCurso& c) {
        ResultadoTerceiro& r = resumo.resultados[c.indice];
        if (c.pdf.valid()) {
            QByteArray pdf;
            try {
                pdf = c.pdf.get();
            } catch (const std::exception& e) {
                r.erro = QStringLiteral("O extracto não pôde ser desenhado: %1").arg(QString::fromLocal8Bit(e.what()));
            }
            const TerceiroEnvio& t = terceiros[c.indice];
            if (pdf.isEmpty()) {
                r.estado = ResultadoTerceiro::Falhou;
                if (r.erro.isEmpty()) r.erro = QStringLiteral("O extracto de %1 saiu vazio.").arg(t.codigo);
                if (p.pdf) FicheiroAtomico::remover(QDir(pasta).filePath(nomes[c.indice]));
            } else if (p.pdf) {
                const QString path = QDir(pasta).filePath(nomes[c.indice]);
                if (m_renderizador->gravarFicheiro(path, pdf)) {
                    r.estado = ResultadoTerceiro::Gravado;
                    r.ficheiro = path;
                } else {
                    r.estado = ResultadoTerceiro::Falhou;
                    r.erro = m_renderizador->erro();
                }
            } else {
                // Made in memory for this party alone: no file another run could overwrite.
                MailMessage m;
                m.anexo = pdf;
                m.para = t.email;
                m.cc = mail.cc;
                m.bcc = mail.bcc;
                m.assunto = mail.assunto;
                m.corpo = mail.mensagem;
                // The recipient sees a name that says whose and which period.
                m.nomeAnexo = nomes[c.indice];
                r.ficheiro = nomes[c.indice];
                if (sender.enviar(m)) {
                    r.estado = ResultadoTerceiro::Enviado;
                } else {
                    r.estado = ResultadoTerceiro::Falhou;
                    r.erro = sender.ultimoErro();
                }
            }
        }
        if (aoTerminar) aoTerminar(r);
    };
    auto concluirAte = [&](std::size_t restam) {
        while (emCurso.size() > restam) {
            concluir(emCurso.front());
            emCurso.pop_front();
        }
    };

    for (int i = 0; i < terceiros.size(); ++i) {
        const TerceiroEnvio& t = terceiros[i];
        if (progresso && !progresso(i + 1, int(terceiros.size()), t.codigo)) {
            resumo.cancelado = true;
            break;
        }
        ResultadoTerceiro& r = resumo.resultados[i];
        EmCurso c;
        c.indice = i;
        try {
            if (p.pdf && usados.contains(nomes[i].toCaseFolded())) {
                r.estado = ResultadoTerceiro::Falhou;
                r.erro = QStringLiteral("O ficheiro %1 já foi gravado para outro terceiro nesta execução.")
                             .arg(QDir(pasta).filePath(nomes[i]));
            } else if (!p.pdf && t.email.isEmpty()) {
                r.estado = ResultadoTerceiro::SemEmail;  // no statement is made for nobody
            } else {
                if (p.pdf) usados.insert(nomes[i].toCaseFolded());
                if (std::optional<Extracto> e = preparar(p.modo, t.codigo, p.inicio, p.fim)) {
                    auto tarefa = std::make_shared<std::packaged_task<QByteArray()>>(
                        [e = std::move(*e)] { return RenderizadorTalao::documentoPdf(e.html, e.paginacao, e.titulo); });
                    c.pdf = tarefa->get_future();
                    if (m_desenhos > 1)
                        desenho.start([tarefa] { (*tarefa)(); });
                    else
                        (*tarefa)();
                } else {
                    r.estado = ResultadoTerceiro::Falhou;
                    r.erro = m_erro;
                    // an older statement under this name is not this one
                    if (p.pdf) FicheiroAtomico::remover(QDir(pasta).filePath(nomes[i]));
                }
            }
        } catch (const ErroOperacao& e) {
            // The database or the template failed under us: nothing after this can be trusted
            // to work. What was read before it is still saved or sent.
            concluirAte(0);
            resumo.erro = e.descricao();
            r.estado = ResultadoTerceiro::Falhou;
            r.erro = e.descricao();
            if (aoTerminar) aoTerminar(r);
            break;
        }
        emCurso.push_back(std::move(c));
        // One statement waiting beyond those drawing keeps every thread busy.
        concluirAte(m_desenhos > 1 ? std::size_t(m_desenhos) : 0);
    }
    concluirAte(0);
    return resumo;
}
