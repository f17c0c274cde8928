#include <QBuffer>
#include <QByteArray>
#include <QSettings>
#include <QVariant>

#include <cstddef>
#include <cstdint>

#include "reg_file_format.h"

// The settings file reader on any content. A file it accepts must come back the same after the
// tool writes it out again, texts as texts and integers as integers, or a save after a load would
// change or lose values.
namespace {

void Check(bool ok) {
    if (!ok) {
        __builtin_trap();
    }
}

bool SameValues(const QSettings::SettingsMap& a, const QSettings::SettingsMap& b) {
    if (a.keys() != b.keys()) {
        return false;
    }
    for (auto it = a.cbegin(); it != a.cend(); ++it) {
        const QVariant& other = b.value(it.key());
        if (it.value().typeId() != other.typeId() || it.value() != other) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray content(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QSettings::SettingsMap map;
    const bool parsed = RegFile::Parse(content, map);

    // The device path QSettings takes must agree with the plain parse.
    QBuffer device;
    device.setData(content);
    device.open(QIODevice::ReadOnly);
    QSettings::SettingsMap fromDevice;
    Check(RegFile::Read(device, fromDevice) == parsed);
    if (!parsed) {
        return 0;
    }
    Check(SameValues(map, fromDevice));

    QByteArray written;
    Check(RegFile::Serialize(map, written));
    QSettings::SettingsMap again;
    Check(RegFile::Parse(written, again));
    Check(SameValues(map, again));
    return 0;
}
