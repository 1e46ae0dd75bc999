#include "desks/pesos.h"

namespace {

const Money kMaximo = Money::fromInteger(Pesos::kMaximoKg);

QString impossivel(const QString& nome, const QString& texto) {
    return QStringLiteral("%1: o peso \"%2\" é impossível (máximo %3 kg).").arg(nome, texto, kMaximo.format());
}

}  // namespace

std::optional<Money> Pesos::lerPesado(const QString& texto, const QString& nome, QString& erro) {
    const QString t = texto.trimmed();
    if (t.isEmpty()) {
        erro = QStringLiteral("%1: falta o peso. Efectue a pesagem.").arg(nome);
        return std::nullopt;
    }
    for (QChar c : t) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            erro = QStringLiteral("%1: o peso \"%2\" não é um número inteiro de quilogramas.").arg(nome, t);
            return std::nullopt;
        }
    }
    QString digitos = t;
    while (digitos.size() > 1 && digitos.front() == QLatin1Char('0')) digitos.remove(0, 1);
    if (digitos.size() > 9) {
        erro = impossivel(nome, t);
        return std::nullopt;
    }
    const Money m = Money::fromInteger(digitos.toLongLong());
    if (m.isZero()) {
        erro = QStringLiteral("%1: o peso tem de ser maior que zero.").arg(nome);
        return std::nullopt;
    }
    return m;
}

std::optional<Money> Pesos::lerPeso(const QString& texto, const QString& nome, QString& erro) {
    const QString t = texto.trimmed();
    const auto m = Money::parse(t);
    if (!m) {
        erro = QStringLiteral("%1: \"%2\" não é um peso. Escreva os quilogramas como 1.250 ou 20,5.").arg(nome, t);
        return std::nullopt;
    }
    if (*m < Money()) {
        erro = QStringLiteral("%1: o peso não pode ser negativo.").arg(nome);
        return std::nullopt;
    }
    if (*m > kMaximo) {
        erro = impossivel(nome, t);
        return std::nullopt;
    }
    return m;
}
