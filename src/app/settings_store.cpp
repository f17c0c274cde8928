#include "settings_store.h"

#include <QFile>
#include <QSettings>

#include <memory>

#include "reg_file_format.h"

namespace {

constexpr char kOrganisation[] = "VELMO";
constexpr char kApplication[] = "KR470QX-V5";

// Opens the key for reading and writing; null when it is absent or cannot be written, which
// counts as absent. Loading never creates it.
std::unique_ptr<QSettings> OpenKey(const QString& location, bool create) {
#ifdef Q_OS_WIN
    auto key = std::make_unique<QSettings>(location, QSettings::NativeFormat);
    if (!create && key->childKeys().isEmpty()) {
        return nullptr;
    }
#else
    if (!create && !QFile::exists(location)) {
        return nullptr;
    }
    auto key = std::make_unique<QSettings>(location, RegFile::Format());
#endif
    if (!key->isWritable()) {
        return nullptr;
    }
    // A file we cannot parse is read as absent; a save then replaces it whole.
    if (!create && key->status() != QSettings::NoError) {
        return nullptr;
    }
    return key;
}

bool ReadText(QSettings& key, const char* name, QString& target) {
    if (!key.contains(QLatin1String(name))) {
        return true;
    }
    const QVariant value = key.value(QLatin1String(name));
    if (value.typeId() != QMetaType::QString) {
        return false;
    }
    target = value.toString();
    return true;
}

bool ReadInteger(QSettings& key, const char* name, int& target) {
    if (!key.contains(QLatin1String(name))) {
        return true;
    }
    const QVariant value = key.value(QLatin1String(name));
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
void ReadValues(QSettings& key, ToolSettings& settings, int& storedType) {
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
    const std::unique_ptr<QSettings> key = OpenKey(location, true);
    if (!key) {
        return;
    }
    for (const auto& [name, value] : values) {
        key->setValue(QLatin1String(name), value);
    }
    key->sync();
}

}  // namespace

QString DefaultSettingsLocation() {
#ifdef Q_OS_WIN
    return QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\VELMO\\KR470QX-V5");
#else
    return QSettings(RegFile::Format(), QSettings::UserScope, QLatin1String(kOrganisation),
                     QLatin1String(kApplication))
        .fileName();
#endif
}

int LoadSettings(const QString& location, ToolSettings& settings) {
    settings = ToolSettings{};
    int storedType = 0;
    if (const std::unique_ptr<QSettings> key = OpenKey(location, false)) {
        ReadValues(*key, settings, storedType);
    }
    return storedType;
}

bool SettingsWritable(const QString& location) {
    return OpenKey(location, true) != nullptr;
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
