#pragma once

#include <QHash>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QString>
#include <QStringList>

#include "base/sqlsettings.h"

// A ticket template as read from its file (format described in the README, "Ticket
// templates"): a header, one SELECT that fetches the weighing with the record number
// bound where the query says :registo, and an HTML body filled with mustache. Each
// row of the query is one printed page.
//
// A statement template ("modo = extracto", the bulk mailing's) takes the party and
// the period instead (:terceiro, :inicio, :fim) and makes one document of all the
// rows: the body lists them in {{#linhas}}, and an optional second SELECT under
// [totais] fills {{#totais}}.
class ModeloTalao {
  public:
    enum class Formato { Texto, Peso, DataHora, Data };
    enum class Modo { Talao, Extracto };

    // Reads and checks the file. False with erro() set for a file that is missing,
    // not in our format (a report left by an older installation, say), or unsound:
    // not exactly one SELECT, a text the dialect's rules cannot split, a function or name
    // templates may not use (see VerificacaoSelect), a body that is not valid mustache, or a body that
    // would put database values into the page without escaping them.
    // `valores` are the names the queries may use, the first of them required (a
    // ticket must be about one record, a statement about one party).
    // The query is judged by the rules of `dialecto`, the database it will run on.
    // Loading the same file again into the same object re-reads it but checks it again
    // only when its text, the names or the dialect changed (a ticket a minute, a statement
    // per party in a bulk run, all from one template).
    bool carregar(const QString& path, const QStringList& valores = valoresTalao(), Backend dialecto = Backend::Sqlite);
    bool carregarTexto(const QString& texto, const QString& nome, const QStringList& valores = valoresTalao(),
                       Backend dialecto = Backend::Sqlite);

    static QStringList valoresTalao() { return {QStringLiteral("registo")}; }
    static QStringList valoresExtracto() {
        return {QStringLiteral("terceiro"), QStringLiteral("inicio"), QStringLiteral("fim")};
    }

    Modo modo() const { return m_modo; }
    // The names of the placeholders of consulta() / totais(), in order (lower case).
    QStringList nomesConsulta() const { return m_nomesConsulta; }
    QString totais() const { return m_totais; }
    QStringList nomesTotais() const { return m_nomesTotais; }

    QString erro() const { return m_erro; }
    QString caminho() const { return m_caminho; }

    // The query with every :registo (every named value) turned into a "?" placeholder,
    // and how many there are.
    QString consulta() const { return m_consulta; }
    int parametros() const { return m_parametros; }
    QString corpo() const { return m_corpo; }
    Formato formato(const QString& coluna) const { return m_formatos.value(coluna.toLower(), Formato::Texto); }
    QPageLayout paginacao() const { return m_layout; }

    static QString cabecalho() { return QStringLiteral("BALANTRIX-TALAO 1"); }

  private:
    bool falha(const QString& motivo);
    bool lerCabecalho(const QString& seccao, const QString& linha);
    bool verificarConsulta(const QString& sql, const QStringList& valores, QString& consulta, QStringList& nomes);
    bool verificarCorpo();

    QString m_caminho;
    QByteArray m_fonte;  // the file's bytes of the last good carregar()
    QStringList m_valores;
    Backend m_dialecto = Backend::Sqlite;
    QString m_erro;
    QString m_consulta;
    int m_parametros = 0;
    QStringList m_nomesConsulta;
    QString m_totais;
    QStringList m_nomesTotais;
    Modo m_modo = Modo::Talao;
    QString m_corpo;
    QHash<QString, Formato> m_formatos;
    QPageLayout m_layout{QPageSize(QPageSize::A5), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10),
                         QPageLayout::Millimeter};
};
