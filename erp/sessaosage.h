#pragma once

#include <QString>

// The ERP session: one per run, connected at start-up and disconnected when the main
// window closes. Document operations are added beside these as the desks need them.
class SessaoSage {
public:
    virtual ~SessaoSage() = default;

    // Option number given before connecting (start-up gives 2).
    virtual void setOpcao(int opcao) = 0;
    // Connects with the five ERP settings in order; settings 1, 3, 4 and 5 are required.
    virtual bool ligar(const QString& s1, const QString& s2, const QString& s3, const QString& s4,
                       const QString& s5) = 0;
    virtual bool ligado() const = 0;
    virtual void desligar() = 0;

    // Number and text of the last failure (0 and empty when the last call succeeded).
    virtual long ultimoErroNumero() const = 0;
    virtual QString ultimoErro() const = 0;
};
