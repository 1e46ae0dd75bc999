#pragma once

#include <QString>
#include <optional>

#include "base/money.h"

// The weights of one weighing as values, never as text read with a default: a weight
// that is missing is missing, and every text becomes a weight only through the two
// readers below, which name the field when they refuse.
struct Pesos {
    std::optional<Money> bruto;
    std::optional<Money> tara;
    Money vasilhame;  // container deduction (empty field: none)
    Money qualidade;  // quality deduction, incoming desk

    std::optional<Money> liquido() const {
        if (!bruto || !tara) return std::nullopt;
        return *bruto - *tara;
    }
    Money descontos() const { return vasilhame + qualidade; }

    // The heaviest weighing the desk takes: nine digits of kilograms, as the weight
    // field and the command line take them, far below what the record and the ERP hold exactly.
    static constexpr qint64 kMaximoKg = 999999999;

    // A weight of the weighing panel or the scale: whole kilograms, more than 0, at most
    // kMaximoKg. `nome` names the field in the refusal.
    static std::optional<Money> lerPesado(const QString& texto, const QString& nome, QString& erro);
    // A deduction or an effective weight in the program's weight format ("1.250" is one
    // thousand two hundred and fifty, "20,5" twenty and a half); never negative.
    static std::optional<Money> lerPeso(const QString& texto, const QString& nome, QString& erro);
};
