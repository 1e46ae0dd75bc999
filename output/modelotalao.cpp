#include "output/modelotalao.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <kainjow/mustache.hpp>

#include "output/lexicosql.h"
#include "output/permissoesmodelo.h"
#include "output/verificacaoselect.h"

bool ModeloTalao::falha(const QString& motivo) {
    m_erro = QStringLiteral("O modelo de talão %1 não pode ser usado: %2").arg(m_caminho, motivo);
    return false;
}

bool ModeloTalao::carregar(const QString& path, const QStringList& valores, Backend dialecto) {
    m_caminho = path;
    QFile f(path);
    if (!QFileInfo(path).isFile()) return falha(QStringLiteral("o ficheiro não existe."));
    if (!f.open(QIODevice::ReadOnly))
        return falha(QStringLiteral("o ficheiro não pode ser lido (%1).").arg(f.errorString()));
    // Templates are small; anything large is certainly not ours.
    const QByteArray bytes = f.read(4 * 1024 * 1024);
    if (!m_fonte.isNull() && bytes == m_fonte && valores == m_valores && dialecto == m_dialecto && m_erro.isEmpty())
        return true;
    m_fonte = QByteArray();
    if (!carregarTexto(QString::fromUtf8(bytes), path, valores, dialecto)) return false;
    m_fonte = bytes;
    m_valores = valores;
    return true;
}

bool ModeloTalao::carregarTexto(const QString& texto, const QString& nome, const QStringList& valores,
                                Backend dialecto) {
    m_caminho = nome;
    m_fonte = QByteArray();
    m_dialecto = dialecto;
    m_erro.clear();
    m_consulta.clear();
    m_corpo.clear();
    m_formatos.clear();
    m_parametros = 0;
    m_nomesConsulta.clear();
    m_totais.clear();
    m_nomesTotais.clear();
    m_modo = Modo::Talao;
    QString text = texto;
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    if (text.contains(QChar(0)))
        return falha(
            QStringLiteral("não é um modelo de talão deste programa (ficheiro binário, possivelmente de uma "
                           "instalação anterior)."));
    const int firstEnd = int(text.indexOf(QLatin1Char('\n')));
    const QString first = text.left(firstEnd < 0 ? text.size() : firstEnd).trimmed();
    if (first != cabecalho())
        return falha(QStringLiteral("não é um modelo de talão deste programa (a primeira linha deve ser \"%1\").")
                         .arg(cabecalho()));

    const QStringList lines = text.mid(firstEnd < 0 ? text.size() : firstEnd + 1).split(QLatin1Char('\n'));
    QString seccao;
    QStringList sqlLines, totalLines, bodyLines;
    bool temTotais = false;
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        const QString t = line.trimmed();
        if (seccao == QStringLiteral("corpo")) {  // the body runs to the end of the file
            bodyLines << line;
            continue;
        }
        // A query runs to the line of the next query or of the body.
        const bool fimConsulta = t.compare(QStringLiteral("[corpo]"), Qt::CaseInsensitive) == 0 ||
                                 t.compare(QStringLiteral("[totais]"), Qt::CaseInsensitive) == 0;
        if ((seccao == QStringLiteral("consulta") || seccao == QStringLiteral("totais")) && !fimConsulta) {
            (seccao == QStringLiteral("consulta") ? sqlLines : totalLines) << line;
            continue;
        }
        if (t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']'))) {
            seccao = t.mid(1, t.size() - 2).trimmed().toLower();
            if (seccao == QStringLiteral("totais")) temTotais = true;
            if (seccao != QStringLiteral("talao") && seccao != QStringLiteral("formatos") &&
                seccao != QStringLiteral("consulta") && seccao != QStringLiteral("totais") &&
                seccao != QStringLiteral("corpo"))
                return falha(QStringLiteral("secção desconhecida %1 na linha %2.").arg(t).arg(i + 2));
            continue;
        }
        if (t.isEmpty() || t.startsWith(QLatin1Char('#'))) continue;
        if (!lerCabecalho(seccao, t)) return false;
    }
    if (sqlLines.isEmpty() && seccao != QStringLiteral("corpo"))
        return falha(QStringLiteral("falta a secção [consulta]."));
    if (seccao != QStringLiteral("corpo")) return falha(QStringLiteral("falta a secção [corpo]."));
    if (!verificarConsulta(sqlLines.join(QLatin1Char('\n')), valores, m_consulta, m_nomesConsulta)) return false;
    m_parametros = int(m_nomesConsulta.size());
    if (temTotais) {
        if (m_modo != Modo::Extracto)
            return falha(QStringLiteral("a secção [totais] só existe nos modelos com \"modo = extracto\"."));
        if (!verificarConsulta(totalLines.join(QLatin1Char('\n')), valores, m_totais, m_nomesTotais)) return false;
    }
    m_corpo = bodyLines.join(QLatin1Char('\n'));
    return verificarCorpo();
}

bool ModeloTalao::lerCabecalho(const QString& seccao, const QString& linha) {
    const int eq = int(linha.indexOf(QLatin1Char('=')));
    if (eq <= 0) return falha(QStringLiteral("linha sem \"chave = valor\": %1").arg(linha));
    const QString key = linha.left(eq).trimmed().toLower();
    const QString value = linha.mid(eq + 1).trimmed();
    if (seccao == QStringLiteral("talao")) {
        if (key == QStringLiteral("papel")) {
            const QString v = value.toUpper();
            if (v == QStringLiteral("A4"))
                m_layout.setPageSize(QPageSize(QPageSize::A4));
            else if (v == QStringLiteral("A5"))
                m_layout.setPageSize(QPageSize(QPageSize::A5));
            else
                return falha(QStringLiteral("papel %1 desconhecido (A4 ou A5).").arg(value));
        } else if (key == QStringLiteral("orientacao")) {
            const QString v = value.toLower();
            if (v == QStringLiteral("retrato"))
                m_layout.setOrientation(QPageLayout::Portrait);
            else if (v == QStringLiteral("paisagem"))
                m_layout.setOrientation(QPageLayout::Landscape);
            else
                return falha(QStringLiteral("orientação %1 desconhecida (retrato ou paisagem).").arg(value));
        } else if (key == QStringLiteral("margem")) {
            bool ok = false;
            const double mm = value.toDouble(&ok);
            if (!ok || mm < 0 || mm > 40)
                return falha(QStringLiteral("margem inválida: %1 (milímetros, 0 a 40).").arg(value));
            m_layout.setMinimumMargins(QMarginsF(0, 0, 0, 0));
            m_layout.setMargins(QMarginsF(mm, mm, mm, mm));
        } else if (key == QStringLiteral("modo")) {
            const QString v = value.toLower();
            if (v == QStringLiteral("talao"))
                m_modo = Modo::Talao;
            else if (v == QStringLiteral("extracto"))
                m_modo = Modo::Extracto;
            else
                return falha(QStringLiteral("modo %1 desconhecido (talao ou extracto).").arg(value));
        } else {
            return falha(QStringLiteral("chave desconhecida em [talao]: %1").arg(key));
        }
        return true;
    }
    if (seccao == QStringLiteral("formatos")) {
        Formato f;
        if (key == QStringLiteral("peso"))
            f = Formato::Peso;
        else if (key == QStringLiteral("datahora"))
            f = Formato::DataHora;
        else if (key == QStringLiteral("data"))
            f = Formato::Data;
        else
            return falha(QStringLiteral("formato desconhecido: %1 (peso, datahora ou data).").arg(key));
        for (const QString& c : value.split(QLatin1Char(','), Qt::SkipEmptyParts))
            m_formatos.insert(c.trimmed().toLower(), f);
        return true;
    }
    return falha(QStringLiteral("linha fora de uma secção: %1").arg(linha));
}

bool ModeloTalao::verificarConsulta(const QString& sql, const QStringList& valores, QString& consulta,
                                    QStringList& nomes) {
    if (sql.size() > PermissoesModelo::tamanhoMaximo)
        return falha(QStringLiteral("a consulta é demasiado longa (%1 caracteres; no máximo %2).")
                         .arg(sql.size())
                         .arg(PermissoesModelo::tamanhoMaximo));
    const LexicoSql lexico = LexicoSql::analisar(sql, m_dialecto);
    if (!lexico.erro.isEmpty()) return falha(lexico.erro);
    QList<TokenSql> tokens = lexico.tokens;
    while (!tokens.isEmpty() && tokens.last().tipo == TokenSql::Simbolo && tokens.last().texto == QStringLiteral(";"))
        tokens.removeLast();
    QString rewritten = lexico.reescrita.trimmed();
    while (rewritten.endsWith(QLatin1Char(';'))) {
        rewritten.chop(1);
        rewritten = rewritten.trimmed();
    }
    const QString recusa = VerificacaoSelect::motivo(tokens, m_dialecto);
    if (!recusa.isEmpty()) return falha(recusa);
    QStringList names;
    for (const TokenSql& t : tokens)
        if (t.tipo == TokenSql::Valor) names << t.texto;
    QStringList aceites;
    for (const QString& v : valores) aceites << QLatin1Char(':') + v;
    for (const QString& nome : names)
        if (!valores.contains(nome))
            return falha(QStringLiteral("a consulta usa :%1, que este modelo não recebe (só %2).")
                             .arg(nome, aceites.join(QStringLiteral(", "))));
    // A ticket must be about its record, a statement about its party.
    if (!valores.isEmpty() && !names.contains(valores.first())) {
        if (valores.first() == QStringLiteral("registo"))
            return falha(QStringLiteral("a consulta não usa o número do registo (:registo)."));
        return falha(QStringLiteral("a consulta não usa :%1.").arg(valores.first()));
    }
    consulta = rewritten;
    nomes = names;
    return true;
}

bool ModeloTalao::verificarCorpo() {
    // Database values must reach the page escaped: no triple braces, no "&" tags, no
    // change of delimiters (which would hide either), no partials (no other files).
    static const QRegularExpression unsafe(QStringLiteral("\\{\\{\\s*([{&=>])"));
    const QRegularExpressionMatch m = unsafe.match(m_corpo);
    if (m.hasMatch()) {
        const int line = int(m_corpo.left(m.capturedStart()).count(QLatin1Char('\n'))) + 1;
        return falha(
            QStringLiteral("o corpo só pode usar {{campo}} (com escape); encontrado \"{{%1\" na linha %2 do corpo.")
                .arg(m.captured(1))
                .arg(line));
    }
    kainjow::mustache::mustache tmpl(m_corpo.toStdString());
    if (!tmpl.is_valid())
        return falha(QStringLiteral("erro no corpo: %1").arg(QString::fromStdString(tmpl.error_message())));
    return true;
}
