#pragma once

#include <QString>
#include <QVariant>

#include <memory>

// One open settings store: typed values by name. Texts come back as QString and 32-bit integers
// as int; a value of any other stored type comes back as something else. One implementation per
// platform: the registry on Windows, the settings file elsewhere.
class SettingsKey {
public:
    virtual ~SettingsKey() = default;

    virtual bool Contains(const char* name) const = 0;
    virtual QVariant Value(const char* name) const = 0;
    // False when the value could not be written; the save stops there.
    virtual bool Write(const char* name, const QVariant& value) = 0;
};

// Where the settings live: on Windows the key path below the registry hives, elsewhere the file.
QString DefaultSettingsLocation();

// Null when there is nothing to read at the location. Loading never creates anything.
std::unique_ptr<SettingsKey> OpenSettingsForReading(const QString& location);
// Null when saves cannot reach the store; may create it.
std::unique_ptr<SettingsKey> OpenSettingsForWriting(const QString& location);
