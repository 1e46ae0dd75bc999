#include "ficheiroconfig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <stdexcept>

FicheiroConfig::FicheiroConfig(QString path) : m_path(std::move(path)) {}

bool FicheiroConfig::exists() const { return QFileInfo(m_path).isFile(); }

QString FicheiroConfig::ler(const QString& seccao, const QString& chave) const {
    if (!exists()) return {};
    QSettings s(m_path, QSettings::IniFormat);
    const QVariant v = s.value(seccao + QLatin1Char('/') + chave);
    // A hand-edited line with commas ("CC=a@x.pt, b@y.pt") is read by QSettings as a
    // list; the setting is one text all the same.
    if (v.typeId() == QMetaType::QStringList) return v.toStringList().join(QStringLiteral(", "));
    return v.toString();
}

void FicheiroConfig::gravar(const QString& seccao, const QString& chave, const QString& valor) {
    const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    if (!exists()) {
        QDir().mkpath(QFileInfo(m_path).absolutePath());
        QFile f(m_path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (!exists())
                throw std::runtime_error((QStringLiteral("Não foi possível criar o ficheiro de configuração ") + m_path).toStdString());
        } else {
            f.setPermissions(ownerOnly);
            f.close();
        }
    }
    {
        QSettings s(m_path, QSettings::IniFormat);
        s.setValue(seccao + QLatin1Char('/') + chave, valor);
        s.sync();
        if (s.status() != QSettings::NoError)
            throw std::runtime_error((QStringLiteral("Não foi possível gravar o ficheiro de configuração ") + m_path).toStdString());
    }
    QFile::setPermissions(m_path, ownerOnly);
}
