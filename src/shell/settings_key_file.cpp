#include <QFile>
#include <QSettings>

#include "reg_file_format.h"
#include "settings_key.h"
#include "settings_store.h"

namespace {

constexpr char kOrganisation[] = "VELMO";
constexpr char kApplication[] = "KR470QX-V5";

class FileKey final : public SettingsKey {
public:
    explicit FileKey(const QString& location) : settings_(location, RegFile::Format()) {}

    bool Contains(const char* name) const override {
        return settings_.contains(QLatin1String(name));
    }
    QVariant Value(const char* name) const override { return settings_.value(QLatin1String(name)); }
    bool Write(const char* name, const QVariant& value) override {
        settings_.setValue(QLatin1String(name), value);
        return true;
    }

    QSettings& Settings() { return settings_; }

private:
    QSettings settings_;  // saved as a whole when it goes
};

// Opens the file for reading and writing; null when it is absent or cannot be written, which
// counts as absent. Loading never creates it.
std::unique_ptr<FileKey> OpenKey(const QString& location, bool create) {
    if (!create && !QFile::exists(location)) {
        return nullptr;
    }
    auto key = std::make_unique<FileKey>(location);
    if (!key->Settings().isWritable()) {
        return nullptr;
    }
    // A file we cannot parse is read as absent; a save then replaces it whole.
    if (!create && key->Settings().status() != QSettings::NoError) {
        return nullptr;
    }
    return key;
}

}  // namespace

QString DefaultSettingsLocation() {
    return QSettings(RegFile::Format(), QSettings::UserScope, QLatin1String(kOrganisation),
                     QLatin1String(kApplication))
        .fileName();
}

std::unique_ptr<SettingsKey> OpenSettingsForReading(const QString& location) {
    return OpenKey(location, false);
}

std::unique_ptr<SettingsKey> OpenSettingsForWriting(const QString& location) {
    return OpenKey(location, true);
}
