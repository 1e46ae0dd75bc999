#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <functional>

class BaseDados;
class OperatorMessages;
class ParametrosAplic;

// The parameters form without its widgets: fifteen fields (0-9 the shared
// parameters row, 10-14 the workstation's e-mail texts and PDF folder), the
// validation switch and the form's operations.
class ParametrosCore {
  public:
    static constexpr int kCampos = 15;
    enum Campo {
        ArmCentral = 0,
        TpGuiaEntMP,
        SeGuiaEntMP,
        Sector,
        TpGuiaEntMS,
        SeGuiaEntMS,
        TpSaida,
        SeSaida,
        ArmSaida,
        NoVias,
        Assunto,
        Mensagem,
        CC,
        BCC,
        PastaPdf
    };
    static const QString kMensagemIntervalo;  // "Deve digitar um valor entre 1 e 50!"
    static const QString kMensagemSeries;     // "Deve preencher o(s) campo(s) Série(s)!"

    ParametrosCore(BaseDados& db, ParametrosAplic& parametros, OperatorMessages& messages, QString configPath);

    // Column of the parameters row (0-9) or empty for the file fields.
    static QString coluna(int campo);
    static QString dica(int campo);
    // Most characters a field takes: the database column (Sector: its three-character
    // procedure parameter), so nothing is cut on saving. 0 = no limit.
    static int tamanhoMaximo(int campo);
    static bool numerico(int campo);

    // Asks the ERP for the document types it makes for a kind (3 delivery note, 1 goods
    // receipt); false with the reason when it cannot be asked.
    using TiposDocumento = std::function<bool(int tipoDocumento, QStringList& tipos, QString& erro)>;
    // The document types are checked against the ERP (none set: not checked).
    void setTiposDocumento(TiposDocumento consulta) { m_tipos = std::move(consulta); }

    QString campo(int i) const { return m_campos.at(size_t(i)); }
    void setCampo(int i, const QString& texto) { m_campos.at(size_t(i)) = texto; }
    bool validacaoActiva() const { return m_validar; }

    // Loads the fields from the configuration file and from the database (refreshing
    // the shared ParametrosAplic); no parameters row leaves fields 0-9 as they are.
    void carregarConfig();
    // Every key pressed in a field turns validation on.
    void teclaPremida() { m_validar = true; }
    // Esc: validation off; true when the form should close (Esc in field 0).
    bool escape(int campo);
    // Leaving a field: false (with the message shown) keeps the focus in it.
    bool validarSaida(int campo);
    // "&Confirmar": true when saved and the form may close.
    bool confirmar();
    // Saves the fields to the database and the configuration file. False when the
    // database refused (the message was shown; the file is then left untouched so
    // that nothing is half-saved and the operator can correct the form).
    bool gravarConfig();
    // The field the last refusal was about, or -1.
    int campoRecusado() const { return m_recusado; }

  private:
    BaseDados& m_db;
    ParametrosAplic& m_parametros;
    OperatorMessages& m_messages;
    QString m_configPath;
    // A document type field whose type the ERP does not make: the message, else empty.
    QString tipoDesconhecido(int campo);

    TiposDocumento m_tipos;
    std::array<QString, kCampos> m_campos;
    std::array<QString, kCampos> m_lidos;  // as loaded, so an unchanged type is not asked again
    bool m_validar = false;
    int m_recusado = -1;
};
