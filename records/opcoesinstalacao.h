#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class BaseDados;

// Options of the whole installation, kept in the database (kel_PES_Opcoes, name and
// value) so that every workstation obeys the same rule. Only the options known here can
// be set, each to one of its values; an option never set has its default.
class OpcoesInstalacao {
  public:
    struct Opcao {
        QString nome;
        QString omissao;
        QStringList valores;
        QString descricao;
    };
    static const QList<Opcao>& conhecidas();
    static const Opcao* procurar(const QString& nome);

    static QString pesoManual() { return QStringLiteral("PesoManual"); }
    static QString permitido() { return QStringLiteral("permitido"); }
    static QString proibido() { return QStringLiteral("proibido"); }
    static QString leituraContinuaNome() { return QStringLiteral("LeituraContinua"); }
    static QString sim() { return QStringLiteral("sim"); }
    static QString nao() { return QStringLiteral("nao"); }

    explicit OpcoesInstalacao(BaseDados& db) : m_db(db) {}

    // The value in force (the default when unset). Throws DbError.
    QString valor(const QString& nome);
    // Sets an option; false with `erro` for an unknown option or value. Throws DbError.
    bool definir(const QString& nome, const QString& valor, QString& erro);
    // A typed weight is allowed (PesoManual not "proibido").
    bool pesoManualPermitido() { return valor(pesoManual()) != proibido(); }
    // The desks show the indicator's weight all the time (LeituraContinua not "nao").
    bool leituraContinua() { return valor(leituraContinuaNome()) != nao(); }

  private:
    BaseDados& m_db;
};
