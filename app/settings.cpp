#include "app/settings.h"

#include <QCoreApplication>
#include <QSettings>

namespace mv::settings {

namespace {

QSettings store() { return QSettings(QString::fromLatin1(kOrganisation), QString::fromLatin1(kApplication)); }

}  // namespace

void registerKey() {
    QCoreApplication::setOrganizationName(QString::fromLatin1(kOrganisation));
    QCoreApplication::setApplicationName(QString::fromLatin1(kApplication));
}

QString saveFolder() { return store().value(QStringLiteral("Settings/SaveFolder")).toString(); }

void setSaveFolder(const QString& folder) { store().setValue(QStringLiteral("Settings/SaveFolder"), folder); }

bool barVisible(const QString& bar) { return store().value(QStringLiteral("Settings/") + bar, true).toBool(); }

void setBarVisible(const QString& bar, bool visible) { store().setValue(QStringLiteral("Settings/") + bar, visible); }

}  // namespace mv::settings
