#include <windows.h>

#include <QDir>
#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <chrono>

#include "link.h"
#include "serial_platform.h"

namespace {

TEST(SerialPlatform, PortNamesReachTheDeviceNamespace) {
    const struct {
        const char* name;
        const char* path;
    } cases[] = {
        {"COM1", "\\\\.\\COM1"},          {"COM10", "\\\\.\\COM10"}, {"COM256", "\\\\.\\COM256"},
        {"\\\\.\\COM12", "\\\\.\\COM12"}, {"//./COM3", "//./COM3"},  {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(serial_platform::DevicePath(QString::fromLatin1(c.name)),
                  QString::fromLatin1(c.path));
    }
}

// A file that happens to carry a port's name is no serial port: the calls on the handle say so.
TEST(SerialPlatform, AFileIsNoTerminalAndHasNoQueueToDrain) {
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    const std::wstring path = QDir::toNativeSeparators(file.fileName()).toStdWString();
    HANDLE handle =
        ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    const auto native = reinterpret_cast<qintptr>(handle);
    EXPECT_FALSE(serial_platform::IsTerminal(native));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(serial_platform::Drain(native, std::chrono::milliseconds(500)));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(400));
    ::CloseHandle(handle);
}

// Typed into the port box, a file's path or a port that is not there opens nothing and writes
// nothing.
TEST(SerialLink, AFileOrAMissingPortDoesNotOpen) {
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    file.write("keep me");
    file.flush();
    for (const QString& name :
         {QDir::toNativeSeparators(file.fileName()), QStringLiteral("COM199"), QString()}) {
        SCOPED_TRACE(name.toStdString());
        Link link;
        LinkSettings settings;
        settings.portName = name;
        link.SetSettings(settings);
        EXPECT_FALSE(link.OpenLink());
        EXPECT_FALSE(link.Transact("0000AC"));
    }
    file.seek(0);
    EXPECT_EQ(file.readAll(), "keep me");
}

}  // namespace
