#pragma once

#include <QString>
#include <QStringList>

#include "base/recordset.h"

class BaseDados;
class OperatorMessages;

// The shared parameters row (kel_PES_Parametros, Numero 1) as last read. Start-up
// fills it; the parameters form refreshes it; the desks read it by column name.
class ParametrosAplic {
  public:
    bool carregado() const { return !m_rows.isEmpty(); }
    const RecordSet& registo() const { return m_rows; }
    // Text of a column of the row; empty when there is no row or the value is null.
    QString texto(const QString& coluna) const;
    int inteiro(const QString& coluna) const { return texto(coluna).toInt(); }
    void definir(RecordSet rs) { m_rows = std::move(rs); }

    // Runs sp_kel_Ler_PES_Param_Aplic for the given row number. On failure shows
    // "Ler Parâmetros " and the description, keeps the previous contents and gives false.
    bool ler(BaseDados& db, OperatorMessages& messages, const QString& numero = QStringLiteral("1"));

    // Saves a parameters row through sp_kel_Gravar_PES_Param_Aplic from eleven texts in
    // the order Numero, ArmCentral, TpGuiaEntMP, SeGuiaEntMP, TpGuiaEntMS, SeGuiaEntMS,
    // TpSaida, SeSaida, Sector, ArmSaida, NoVias. A text longer than its parameter is
    // refused rather than cut. On failure shows "Gravar Parâmetros Aplicação " and the
    // description and gives false.
    static bool gravar(BaseDados& db, OperatorMessages& messages, const QStringList& valores);

  private:
    RecordSet m_rows;
};
