#include <windows.h>

#include <QByteArray>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "settings_key.h"
#include "settings_store.h"

// The settings key under HKEY_LOCAL_MACHINE, as every earlier build kept it. Two facts of real
// machines change where it is read and written:
// - a 32-bit build keeps its HKLM\Software values in the 32-bit view (WOW6432Node), so a store
//   may already be there and is read when the 64-bit view has no such value;
// - a user without administrator rights cannot write HKLM. Such a user's saves go to the same
//   key path under HKEY_CURRENT_USER, and values found there come first at the next start, so a
//   value written is the value read next time. The machine-wide values are read, never changed.
namespace {

struct Place {
    HKEY hive;
    REGSAM view;
};

// In the order values are looked up.
const Place kUser{HKEY_CURRENT_USER, 0};
const Place kMachine64{HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY};
const Place kMachine32{HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY};
const Place kPlaces[] = {kUser, kMachine64, kMachine32};

std::wstring Wide(const QString& text) {
    return text.toStdWString();
}

class OpenKey {
public:
    OpenKey() = default;
    explicit OpenKey(HKEY key) : key_(key) {}
    OpenKey(OpenKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
    OpenKey& operator=(OpenKey&& other) noexcept {
        std::swap(key_, other.key_);
        return *this;
    }
    ~OpenKey() {
        if (key_) {
            ::RegCloseKey(key_);
        }
    }
    HKEY get() const { return key_; }
    explicit operator bool() const { return key_ != nullptr; }

private:
    HKEY key_ = nullptr;
};

OpenKey Open(const Place& place, const QString& path, REGSAM access) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(place.hive, Wide(path).c_str(), 0, access | place.view, &key) !=
        ERROR_SUCCESS) {
        return {};
    }
    return OpenKey(key);
}

OpenKey Create(const Place& place, const QString& path) {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(place.hive, Wide(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_QUERY_VALUE | KEY_SET_VALUE | place.view, nullptr, &key,
                          nullptr) != ERROR_SUCCESS) {
        return {};
    }
    return OpenKey(key);
}

bool Exists(const Place& place, const QString& path) {
    return static_cast<bool>(Open(place, path, KEY_QUERY_VALUE));
}

// Texts up to their first NUL; REG_EXPAND_SZ taken literally. Any other type comes back as its
// raw bytes, which no reader takes for a text or an integer.
QVariant Decode(DWORD type, const QByteArray& data) {
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        const auto* units = reinterpret_cast<const char16_t*>(data.constData());
        qsizetype length = 0;
        const qsizetype available = data.size() / 2;
        while (length < available && units[length] != 0) {
            ++length;
        }
        return QString::fromUtf16(units, length);
    }
    if (type == REG_DWORD && data.size() == sizeof(DWORD)) {
        DWORD number = 0;
        std::memcpy(&number, data.constData(), sizeof(number));
        return static_cast<int>(number);
    }
    return data;
}

std::pair<bool, QVariant> Query(HKEY key, const char* name) {
    const std::wstring valueName = Wide(QLatin1String(name));
    for (;;) {
        DWORD type = 0;
        DWORD size = 0;
        if (::RegQueryValueExW(key, valueName.c_str(), nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS) {
            return {false, {}};
        }
        QByteArray data(static_cast<qsizetype>(size), '\0');
        const LSTATUS status = ::RegQueryValueExW(key, valueName.c_str(), nullptr, &type,
                                                  reinterpret_cast<BYTE*>(data.data()), &size);
        if (status == ERROR_MORE_DATA) {
            continue;  // it grew between the two calls
        }
        if (status != ERROR_SUCCESS) {
            return {false, {}};
        }
        data.truncate(static_cast<qsizetype>(size));
        return {true, Decode(type, data)};
    }
}

// Each value from the first place that holds it.
class LayeredKey final : public SettingsKey {
public:
    explicit LayeredKey(std::vector<OpenKey>&& layers) : layers_(std::move(layers)) {}

    bool Contains(const char* name) const override {
        for (const OpenKey& layer : layers_) {
            if (Query(layer.get(), name).first) {
                return true;
            }
        }
        return false;
    }
    QVariant Value(const char* name) const override {
        for (const OpenKey& layer : layers_) {
            auto [found, value] = Query(layer.get(), name);
            if (found) {
                return value;
            }
        }
        return {};
    }
    bool Write(const char*, const QVariant&) override { return false; }

private:
    std::vector<OpenKey> layers_;
};

class WritableKey final : public SettingsKey {
public:
    explicit WritableKey(OpenKey key) : key_(std::move(key)) {}

    bool Contains(const char* name) const override { return Query(key_.get(), name).first; }
    QVariant Value(const char* name) const override { return Query(key_.get(), name).second; }
    bool Write(const char* name, const QVariant& value) override {
        const std::wstring valueName = Wide(QLatin1String(name));
        if (value.typeId() == QMetaType::Int) {
            const DWORD number = static_cast<DWORD>(value.toInt());
            return ::RegSetValueExW(key_.get(), valueName.c_str(), 0, REG_DWORD,
                                    reinterpret_cast<const BYTE*>(&number),
                                    sizeof(number)) == ERROR_SUCCESS;
        }
        const std::wstring text = Wide(value.toString());
        const auto bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
        return ::RegSetValueExW(key_.get(), valueName.c_str(), 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(text.c_str()),
                                bytes) == ERROR_SUCCESS;
    }

private:
    OpenKey key_;
};

// Where a save goes: the first place that holds the key, so that it is read back from there; a
// machine key this user cannot write, or none at all that can be created, sends it to the
// user's hive.
OpenKey SaveTarget(const QString& path) {
    for (const Place& place : kPlaces) {
        if (Exists(place, path)) {
            OpenKey key = Open(place, path, KEY_QUERY_VALUE | KEY_SET_VALUE);
            if (key || place.hive == HKEY_CURRENT_USER) {
                return key;
            }
            return Create(kUser, path);
        }
    }
    if (OpenKey key = Create(kMachine64, path)) {
        return key;
    }
    return Create(kUser, path);
}

}  // namespace

QString DefaultSettingsLocation() {
    return QStringLiteral("Software\\VELMO\\KR470QX-V5");
}

std::unique_ptr<SettingsKey> OpenSettingsForReading(const QString& location) {
    std::vector<OpenKey> layers;
    for (const Place& place : kPlaces) {
        if (OpenKey key = Open(place, location, KEY_QUERY_VALUE)) {
            layers.push_back(std::move(key));
        }
    }
    if (layers.empty()) {
        return nullptr;
    }
    return std::make_unique<LayeredKey>(std::move(layers));
}

std::unique_ptr<SettingsKey> OpenSettingsForWriting(const QString& location) {
    OpenKey key = SaveTarget(location);
    if (!key) {
        return nullptr;
    }
    return std::make_unique<WritableKey>(std::move(key));
}
