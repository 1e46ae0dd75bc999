#pragma once

#include <QString>
#include <optional>

class BaseDados;
struct DeskKind;

// The records a desk looks its codes up in, read into typed values. Each lookup throws
// DbError when the database fails and gives nothing when the code is not there.

// A customer (outgoing desk) or a supplier (incoming desk).
struct Terceiro {
    QString codigo;
    QString nome;
    QString morada;
    QString localidade;
    QString codPostal;
    QString contribuinte;
    QString email;  // where its documents are sent
    bool inactivo = false;
};

// One of a party's other addresses.
struct MoradaTerceiro {
    QString codigo;
    QString descricao;  // the address line
    QString localidade;
    QString codPostal;
};

struct Artigo {
    QString codigo;
    QString nome;
    QString unBase;  // the unit it is sold in
};

namespace consultasdesk {

std::optional<Terceiro> lerTerceiro(BaseDados& db, const DeskKind& kind, const QString& codigo);
std::optional<MoradaTerceiro> lerMorada(BaseDados& db, const DeskKind& kind, const QString& terceiro,
                                        const QString& codigo);
// Goods only (no services), and only those still sold.
std::optional<Artigo> lerArtigoActivo(BaseDados& db, const QString& codigo);
// Any article, as a saved weighing names it.
std::optional<Artigo> lerArtigo(BaseDados& db, const QString& codigo);
// The descriptions of a postal code and of an address type.
std::optional<QString> lerCodPostal(BaseDados& db, const QString& codigo);
std::optional<QString> lerTipoMorada(BaseDados& db, const QString& codigo);

}  // namespace consultasdesk
