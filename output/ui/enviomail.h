#pragma once

#include <QList>
#include <QWidget>

#include "output/enviotaloes.h"

class BaseDados;
class CampoEntrada;
class OperatorMessages;
class QDateEdit;
class QLabel;
class QProgressDialog;
class QPushButton;

// The bulk mailing window: a code range, a period and two runs, "Enviar e-mail"
// (btMailHist_0) and "PDF" (btMailHist_1), in supplier (modo 1) or customer (modo 2)
// mode. The run itself is EnvioTaloes; this window asks, shows a progress dialog that
// can cancel between parties, and ends with a summary.
// Controls: campo_0 / campo_1, btlista_0 / btlista_1, DTPicker2_0 / DTPicker2_1, btSair.
class EnvioMail : public QWidget {
    Q_OBJECT
  public:
    EnvioMail(BaseDados& db, OperatorMessages& messages, int modo, const QString& programFolder,
              const QString& configFile, QWidget* parent = nullptr);

    int modo() const { return m_modo; }
    CampoEntrada* campo(int i) const { return m_campos.at(i); }
    QDateEdit* data(int i) const { return m_datas.at(i); }

    // The field 0 "0", field 1 "zzzzzzz", both dates today, focus in field 0.
    void limparForm();
    // The lookup list of field 0 or 1 (other indexes do nothing).
    void abrirLista(int indice);
    // btMailHist: index 0 e-mail, 1 PDF. Gives the run's summary (also shown).
    ResumoEnvio executar(int indice);

    // What the lookup lists show: active parties of the mode, by code.
    static QString sqlLista(int modo);
    ResumoEnvio ultimoResumo() const { return m_resumo; }

  private:
    BaseDados& m_db;
    OperatorMessages& m_messages;
    int m_modo;
    QString m_programFolder;
    QString m_configFile;
    QList<CampoEntrada*> m_campos;
    QList<QDateEdit*> m_datas;
    QList<QPushButton*> m_botoes;
    ResumoEnvio m_resumo;
    bool m_aCorrer = false;
};
