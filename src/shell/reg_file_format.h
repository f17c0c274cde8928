#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QSettings>

// The settings file off Windows: a typed text file in the layout of a registry export. Texts are
// QString values, 32-bit integers are int values, binary values are QByteArray.
namespace RegFile {

inline constexpr char kHeader[] = "Windows Registry Editor Version 5.00";
inline constexpr char kSection[] = "HKEY_LOCAL_MACHINE\\Software\\VELMO\\KR470QX-V5";
// Larger files are not ours; refuse them rather than read them into memory.
inline constexpr qint64 kMaxFileSize = qint64{1024} * 1024;

bool Parse(const QByteArray& content, QSettings::SettingsMap& map);
bool Serialize(const QSettings::SettingsMap& map, QByteArray& content);

bool Read(QIODevice& device, QSettings::SettingsMap& map);
bool Write(QIODevice& device, const QSettings::SettingsMap& map);

// Registered once; usable for QSettings objects from then on.
QSettings::Format Format();

}  // namespace RegFile
