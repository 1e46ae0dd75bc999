#pragma once

#include <QtGlobal>
#include <optional>

class BaseDados;

// Choices of a weighing that the record itself has no column for, kept in the
// program's own table kel_PES_Historico_Opcoes (older workstations never read it).
namespace OpcoesPesagem {

// The subsidiary-materials choice of an incoming weighing, written with its first
// weight (inside the caller's transaction when one is open).
void gravarMateriasSubsidiarias(BaseDados& db, qint32 idRegisto, bool subsidiarias);
// The stored choice; nullopt for a weighing saved without one (an older workstation's).
std::optional<bool> lerMateriasSubsidiarias(BaseDados& db, qint32 idRegisto);
// Forgets the choices of a weighing that is removed.
void apagar(BaseDados& db, qint32 idRegisto);

}  // namespace OpcoesPesagem
