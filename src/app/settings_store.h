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

// Where the settings live: the registry key on Windows, the settings file elsewhere.
QString DefaultSettingsLocation();

// Fills settings with the defaults and then the stored values; returns the stored link type
// (0 when absent). Never fails: what cannot be read keeps its default.
int LoadSettings(const QString& location, ToolSettings& settings);
// Whether saves can reach the store at all; a store that cannot be written counts as absent.
bool SettingsWritable(const QString& location);
// Writes TYPE from the link type, then NetPort, NetIP, ComBaudRate and ComPortName.
void SaveLinkSettings(const QString& location, const ToolSettings& settings);
void SaveFirmwareFile(const QString& location, const ToolSettings& settings);
void SaveLanguage(const QString& location, const ToolSettings& settings);
