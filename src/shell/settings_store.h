#pragma once

#include <QString>

#include "link_settings.h"
#include "text_table.h"

// The main window's one copy of the settings.
struct ToolSettings {
    LinkSettings link;
    QString firmwareFile = QStringLiteral("KR470QX.KXB");
    QString languageFlag = QStringLiteral("English");  // as read, or as last set by the menu
    Language language = Language::English;
};

// Fills settings with the defaults and then the stored values; returns the stored link type
// (0 when absent). Never fails: what cannot be read keeps its default.
int LoadSettings(const QString& location, ToolSettings& settings);
// Whether saves can reach the store at all. Off Windows a file that cannot be written also loads
// as absent; on Windows a machine key this user cannot write is read, and saves go to the user.
bool SettingsWritable(const QString& location);
// Writes TYPE from the link type, then NetPort, NetIP, ComBaudRate and ComPortName.
void SaveLinkSettings(const QString& location, const ToolSettings& settings);
void SaveFirmwareFile(const QString& location, const ToolSettings& settings);
void SaveLanguage(const QString& location, const ToolSettings& settings);
