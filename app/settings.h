#pragma once

#include <QString>

// The program's settings, kept by QSettings under the organisation "Local AppWizard-Generated
// Applications" and the application "Marvolen" (~/.config/Local AppWizard-Generated
// Applications/Marvolen.conf). Calculation parameters are never stored.
namespace mv::settings {

inline constexpr const char* kOrganisation = "Local AppWizard-Generated Applications";
inline constexpr const char* kApplication = "Marvolen";

// Sets the names QSettings uses; called once at start-up before anything reads a setting.
void registerKey();

// The folder of the last file written, offered by the next save dialog.
QString saveFolder();
void setSaveFolder(const QString& folder);

// Whether the toolbar and the status bar are shown.
bool barVisible(const QString& bar);
void setBarVisible(const QString& bar, bool visible);

}  // namespace mv::settings
