#include "base/datasbase.h"

bool DatasBase::aceite(const QDate& d) {
    return d.isValid() && d >= primeiroDia() && d <= ultimoDia();
}

QString DatasBase::erro(const QDate& d, const QString& oque) {
    if (!d.isValid()) return QStringLiteral("%1 não é válida.").arg(oque);
    if (!aceite(d))
        return QStringLiteral("%1 (%2) está fora das datas aceites (de %3 a %4).")
            .arg(oque, d.toString(QStringLiteral("dd-MM-yyyy")), primeiroDia().toString(QStringLiteral("dd-MM-yyyy")),
                 ultimoDia().toString(QStringLiteral("dd-MM-yyyy")));
    return {};
}

std::optional<QDate> DatasBase::ler(const QString& texto, QString* motivo) {
    const QDate d = QDate::fromString(texto.trimmed(), QStringLiteral("dd-MM-yyyy"));
    if (!d.isValid()) {
        if (motivo) *motivo = QStringLiteral("Data inválida (DD-MM-AAAA): %1").arg(texto);
        return std::nullopt;
    }
    const QString e = erro(d, QStringLiteral("A data"));
    if (!e.isEmpty()) {
        if (motivo) *motivo = e;
        return std::nullopt;
    }
    return d;
}

QString DatasBase::erroPeriodo(const QDate& de, const QDate& ate) {
    if (de.isValid() && ate.isValid() && de > ate)
        return QStringLiteral("O período começa (%1) depois de acabar (%2).")
            .arg(de.toString(QStringLiteral("dd-MM-yyyy")), ate.toString(QStringLiteral("dd-MM-yyyy")));
    return {};
}

QDateTime DatasBase::depoisDoDia(const QDate& d) {
    if (d >= ultimoDia()) return QDateTime(ultimoDia(), QTime(23, 59, 59));
    return QDateTime(d.addDays(1), QTime(0, 0));
}
