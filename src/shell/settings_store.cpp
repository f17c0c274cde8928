#include "settings_store.h"

#include <QList>

#include <memory>
#include <utility>

#include "settings_key.h"

namespace {

bool ReadText(const SettingsKey& key, const char* name, QString& target) {
    if (!key.Contains(name)) {
        return true;
    }
    const QVariant value = key.Value(name);
    if (value.typeId() != QMetaType::QString) {
        return false;
    }
    target = value.toString();
    return true;
}

bool ReadInteger(const SettingsKey& key, const char* name, int& target) {
    if (!key.Contains(name)) {
        return true;
    }
    const QVariant value = key.Value(name);
    if (value.typeId() != QMetaType::Int && value.typeId() != QMetaType::UInt) {
        return false;
    }
    target = static_cast<int>(value.toUInt());
    return true;
}

Language LanguageOfFlag(const QString& flag) {
    if (flag == QLatin1String("ChineseGB")) {
        return Language::ChineseGB;
    }
    if (flag == QLatin1String("ChineseBIG5")) {
        return Language::ChineseBIG5;
    }
    return Language::English;
}

// In the stored order; a value of the wrong type ends the reading there.
void ReadValues(const SettingsKey& key, ToolSettings& settings, int& storedType) {
    LinkSettings& link = settings.link;
    if (ReadText(key, "FirmwareFile", settings.firmwareFile) &&
        ReadInteger(key, "TYPE", storedType) && ReadText(key, "ComBaudRate", link.speed) &&
        ReadText(key, "ComPortName", link.portName) && ReadText(key, "NetIP", link.ip) &&
        ReadText(key, "NetPort", link.tcpPort) &&
        ReadText(key, "LanguageFlag", settings.languageFlag)) {
        settings.language = LanguageOfFlag(settings.languageFlag);
    }
}

void Write(const QString& location, const QList<std::pair<const char*, QVariant>>& values) {
    const std::unique_ptr<SettingsKey> key = OpenSettingsForWriting(location);
    if (!key) {
        return;
    }
    // A failed write ends the save: what was written stays, the rest is not tried.
    for (const auto& [name, value] : values) {
        if (!key->Write(name, value)) {
            return;
        }
    }
}

}  // namespace

int LoadSettings(const QString& location, ToolSettings& settings) {
    settings = ToolSettings{};
    int storedType = 0;
    if (const std::unique_ptr<SettingsKey> key = OpenSettingsForReading(location)) {
        ReadValues(*key, settings, storedType);
    }
    return storedType;
}

bool SettingsWritable(const QString& location) {
    return OpenSettingsForWriting(location) != nullptr;
}

void SaveLinkSettings(const QString& location, const ToolSettings& settings) {
    const LinkSettings& link = settings.link;
    Write(location, {{"TYPE", link.type == LinkType::Serial ? 0 : 1},
                     {"NetPort", link.tcpPort},
                     {"NetIP", link.ip},
                     {"ComBaudRate", link.speed},
                     {"ComPortName", link.portName}});
}

void SaveFirmwareFile(const QString& location, const ToolSettings& settings) {
    Write(location, {{"FirmwareFile", settings.firmwareFile}});
}

void SaveLanguage(const QString& location, const ToolSettings& settings) {
    Write(location, {{"LanguageFlag", settings.languageFlag}});
}
