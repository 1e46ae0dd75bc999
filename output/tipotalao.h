#pragma once

#include <QString>

// Which ticket a weighing gets: the outgoing desk prints the customer ticket, the
// incoming desk the supplier ticket. Each has its own template and PDF file name.
enum class TipoTalao { Cliente, Fornecedor };

namespace TiposTalao {
inline QString modelo(TipoTalao t) {
    return t == TipoTalao::Cliente ? QStringLiteral("kel_PES_Talao_Cliente.rpt")
                                   : QStringLiteral("kel_PES_Talao_Fornecedor.rpt");
}
inline QString ficheiroPdf(TipoTalao t) {
    return t == TipoTalao::Cliente ? QStringLiteral("TalaoPesagem_Cli.pdf") : QStringLiteral("TalaoPesagem_For.pdf");
}
// The driver's slip after a first weighing, the same for both desks.
inline QString modeloSenha() {
    return QStringLiteral("kel_PES_Senha.rpt");
}
inline QString ficheiroSenhaPdf() {
    return QStringLiteral("SenhaPesagem.pdf");
}
// The record's Tipo: "S" outgoing load (customer), "E" incoming delivery (supplier).
inline bool deTipoRegisto(const QString& tipo, TipoTalao& out) {
    const QString t = tipo.trimmed().toUpper();
    if (t == QStringLiteral("S"))
        out = TipoTalao::Cliente;
    else if (t == QStringLiteral("E"))
        out = TipoTalao::Fornecedor;
    else
        return false;
    return true;
}
}  // namespace TiposTalao
