#pragma once

// What the desk core's job files share: how the desk reads and writes texts.
#include <QDateTime>
#include <QString>
#include <QVariant>

#include "base/money.h"
#include "base/recordset.h"
#include "desks/camposdesk.h"

namespace deskapoio {

// Thrown inside the completion; the text is already the desk's last error.
struct FalhaConclusao {
    QString texto;
};

// The note of an ERP write was settled by another workstation meanwhile: this one's write is undone.
struct AcertadaNoutroPosto {
    QString operacao;  // "A correcção", "A anulação"
    QString texto() const { return operacao + QStringLiteral(" foi acertada noutro posto entretanto."); }
};

inline QString dataHoraTexto(const QDateTime& dt) {
    return dt.isValid() ? dt.toString(QStringLiteral("dd-MM-yyyy HH:mm")) : QString();
}

// The same text for a list cell. SQLite's ISO text ("yyyy-MM-dd HH:mm:ss") is rearranged
// as stored: a local QDateTime per row costs a parse and a time-zone lookup, which for a
// month of history was most of the time the list took.
inline QString dataHoraTexto(const QVariant& v) {
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString();
        if (s.size() >= 16 && s[4] == u'-' && s[7] == u'-' && s[10] == u' ' && s[13] == u':') {
            QString t;
            t.reserve(16);
            t.append(QStringView(s).mid(8, 2)).append(u'-').append(QStringView(s).mid(5, 2)).append(u'-');
            t.append(QStringView(s).left(4)).append(u' ').append(QStringView(s).mid(11, 5));
            return t;
        }
    }
    return dataHoraTexto(RecordSet::toDateTime(v));
}

// Only what the operator sees as empty counts as empty.
inline bool vazio(const QString& t) {
    return t.trimmed().isEmpty();
}

// The dates and weights of the record: the desk writes them, the operator never types them.
inline bool nuncaEscrito(TipoCampo t) {
    return t == TipoCampo::Registo || t == TipoCampo::DataHora;
}

}  // namespace deskapoio
