#pragma once

#include <QDateTime>

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// One stored record as the poll reply hands it out; widths are fixed by the reply layout.
struct StoredRecord {
    std::string field1 = "1";             // 1 character
    std::string time = "20070623101500";  // yyyymmddhhnnss
    std::string field2 = "0001";          // 4 characters
    std::string field3 = "12345";         // 5 characters
};

// The controller's behaviour: a request text in, the serial reply body or silence out. Pure and
// single-threaded; the server locks it.
class ControllerModel {
public:
    static constexpr std::size_t kBlockSize = 512;
    static constexpr std::size_t kFlashSize = 124 * kBlockSize;  // 63,488 bytes
    static constexpr int kInputCount = 8;
    static constexpr int kOutputCount = 4;

    ControllerModel();

    // The reply body (without framing) or nullopt for no reply. Note() says why in either case.
    std::optional<std::string> Handle(std::string_view command);
    const std::string& Note() const { return note_; }

    void SetDeviceId(std::string id);  // padded or cut to four characters
    const std::string& DeviceId() const { return deviceId_; }
    void SetVersion(std::string version);  // sixteen characters
    const std::string& Version() const { return version_; }
    void SetSerialNumber(std::string serial);  // eight characters
    const std::string& SerialNumber() const { return serial_; }

    void SetInput(int index, bool active);  // 1..8
    bool Input(int index) const;
    bool Output(int index) const;  // 1..4
    int Alarm() const { return alarm_; }

    // The computer's clock the controller's clock is offset from; tests fix it.
    void SetClockSource(std::function<QDateTime()> now);
    QDateTime ControllerTime() const;
    qint64 ClockOffsetSeconds() const { return clockOffset_; }

    void PushRecord(StoredRecord record);
    std::size_t PendingRecords() const { return records_.size(); }

    const std::vector<std::uint8_t>& Flash() const { return flash_; }
    bool UpgradeOpen() const { return upgradeOpen_; }
    int FactoryResets() const { return factoryResets_; }
    int Reboots() const { return reboots_; }

private:
    using Handler = std::optional<std::string> (ControllerModel::*)(std::string_view args);

    std::optional<std::string> Dispatch(std::string_view code, std::string_view args);
    std::string Ack() const;
    std::string Refuse(const std::string& why);
    std::optional<std::string> Silence(const std::string& why);

    std::optional<std::string> Identify(std::string_view args);
    std::optional<std::string> ReadVersion(std::string_view args);
    std::optional<std::string> ReadSerial(std::string_view args);
    std::optional<std::string> ReadInputs(std::string_view args);
    std::optional<std::string> SetClock(std::string_view args);
    std::optional<std::string> SetAlarm(std::string_view args);
    std::optional<std::string> Restart(std::string_view args);
    std::optional<std::string> Poll(std::string_view args);
    std::optional<std::string> Acknowledge(std::string_view args);
    std::optional<std::string> SetOutput(std::string_view args);
    std::optional<std::string> EndTest(std::string_view args);
    std::optional<std::string> ModuleCommand(std::string_view args);
    std::optional<std::string> OpenUpgrade(std::string_view args);
    std::optional<std::string> ProgramBlock(std::string_view args);
    std::optional<std::string> VerifyBlock(std::string_view args);
    std::optional<std::string> FinishUpgrade(std::string_view args);
    std::optional<std::string> FreeCommand(std::string_view code, std::string_view args);

    std::optional<std::size_t> BlockAddress(std::string_view hex);
    void FactoryReset();

    std::string deviceId_ = "0001";
    std::string version_ = "KR470QX-V5.01.07";
    std::string serial_ = "20070623";
    std::array<bool, kInputCount> inputs_{};
    std::array<bool, kOutputCount> outputs_{};
    int alarm_ = 0;
    qint64 clockOffset_ = 0;
    std::function<QDateTime()> now_;
    std::deque<StoredRecord> records_;
    bool recordShown_ = false;
    std::vector<std::uint8_t> flash_;
    bool upgradeOpen_ = false;
    int factoryResets_ = 0;
    int reboots_ = 0;
    std::string code_;  // command code of the request being handled
    std::string note_;
};

}  // namespace sim
