#include "controller_model.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "frame_codec.h"

namespace sim {

namespace {

constexpr std::string_view kIdentify = "0000AC";
constexpr std::string_view kClockFormat = "yyyyMMddHHmmss";
constexpr std::size_t kEchoLimit = 200;

std::string Fit(std::string text, std::size_t width, char pad) {
    text.resize(width, pad);
    return text;
}

bool IsUpperHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

bool AllUpperHex(std::string_view text) {
    return std::all_of(text.begin(), text.end(), IsUpperHex);
}

bool AllDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int HexValue(char c) {
    return c <= '9' ? c - '0' : c - 'A' + 10;
}

// Echoed text, cut to the echo limit, must not carry the bytes that delimit a reply.
std::string EchoSafe(std::string_view text) {
    std::string out(text.substr(0, kEchoLimit));
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20) {
            c = '?';
        }
    }
    return out;
}

}  // namespace

ControllerModel::ControllerModel()
    : now_([] { return QDateTime::currentDateTime(); }), flash_(kFlashSize, 0xFF) {}

std::optional<std::string> ControllerModel::Handle(std::string_view command) {
    note_.clear();
    if (command.substr(0, kIdentify.size()) == kIdentify) {
        code_ = "AC";
        return Identify(command.substr(kIdentify.size()));
    }
    if (command.size() < deviceId_.size()) {
        return Silence("too short to carry a device ID");
    }
    if (command.substr(0, deviceId_.size()) != deviceId_) {
        return Silence("addressed to device " + EchoSafe(command.substr(0, 4)) + ", not " +
                       deviceId_);
    }
    const std::string_view rest = command.substr(deviceId_.size());
    code_ = std::string(rest.substr(0, 2));
    return Dispatch(code_, rest.substr(code_.size()));
}

std::optional<std::string> ControllerModel::Dispatch(std::string_view code, std::string_view args) {
    static const std::map<std::string_view, Handler> handlers = {
        {"AC", &ControllerModel::Identify},    {"DB", &ControllerModel::ReadVersion},
        {"AS", &ControllerModel::ReadSerial},  {"DG", &ControllerModel::ReadInputs},
        {"AA", &ControllerModel::SetClock},    {"JF", &ControllerModel::SetAlarm},
        {"AR", &ControllerModel::Restart},     {"PI", &ControllerModel::Poll},
        {"IB", &ControllerModel::Acknowledge}, {"JC", &ControllerModel::SetOutput},
        {"JD", &ControllerModel::EndTest},     {"DD", &ControllerModel::ModuleCommand},
        {"Zx", &ControllerModel::OpenUpgrade}, {"Zp", &ControllerModel::ProgramBlock},
        {"Zv", &ControllerModel::VerifyBlock}, {"Zr", &ControllerModel::FinishUpgrade},
    };
    const auto it = handlers.find(code);
    if (it == handlers.end()) {
        return FreeCommand(code, args);
    }
    return (this->*(it->second))(args);
}

std::string ControllerModel::Ack() const {
    return deviceId_ + code_;
}

// A checked reply two bytes longer than the acknowledgement, so the tool's length test fails.
std::string ControllerModel::Refuse(const std::string& why) {
    note_ = "refused: " + why;
    return Ack() + "ER";
}

std::optional<std::string> ControllerModel::Silence(const std::string& why) {
    note_ = "no reply: " + why;
    return std::nullopt;
}

std::optional<std::string> ControllerModel::Identify(std::string_view) {
    return deviceId_ + "AC" + "V500";
}

std::optional<std::string> ControllerModel::ReadVersion(std::string_view args) {
    if (!args.empty()) {
        return Refuse("unexpected arguments");
    }
    return Ack() + version_;
}

std::optional<std::string> ControllerModel::ReadSerial(std::string_view args) {
    if (!args.empty()) {
        return Refuse("unexpected arguments");
    }
    return Ack() + serial_;
}

std::optional<std::string> ControllerModel::ReadInputs(std::string_view args) {
    if (args != "0") {
        return Refuse("input group must be 0");
    }
    std::string body = Ack();
    for (const bool on : inputs_) {
        body.push_back(on ? '1' : '0');
    }
    for (const bool on : outputs_) {
        body.push_back(on ? '1' : '0');
    }
    return body + std::to_string(alarm_) + "000";
}

std::optional<std::string> ControllerModel::SetClock(std::string_view args) {
    const QString text = QString::fromLatin1(args.data(), static_cast<qsizetype>(args.size()));
    const QDateTime time = QDateTime::fromString(text, QString::fromLatin1(kClockFormat));
    if (args.size() != 14 || !AllDigits(args) || !time.isValid()) {
        return Refuse("not a date and time: " + EchoSafe(args));
    }
    clockOffset_ = now_().secsTo(time);
    return Ack();
}

std::optional<std::string> ControllerModel::SetAlarm(std::string_view args) {
    if (args.size() != 1 || args[0] < '0' || args[0] > '6') {
        return Refuse("alarm must be one digit 0 to 6");
    }
    alarm_ = args[0] - '0';
    return Ack();
}

std::optional<std::string> ControllerModel::Restart(std::string_view args) {
    if (args == "01") {
        FactoryReset();
    } else if (args != "00") {
        return Refuse("restart mode must be 00 or 01");
    }
    ++reboots_;
    outputs_ = {};
    upgradeOpen_ = false;
    recordShown_ = false;
    return Ack();
}

void ControllerModel::FactoryReset() {
    ++factoryResets_;
    alarm_ = 0;
    clockOffset_ = 0;
    records_.clear();
}

std::optional<std::string> ControllerModel::Poll(std::string_view args) {
    if (!args.empty()) {
        return Refuse("unexpected arguments");
    }
    const std::string clock =
        ControllerTime().toString(QString::fromLatin1(kClockFormat)).toStdString();
    char pending[8];
    std::snprintf(pending, sizeof pending, "%04zu", std::min<std::size_t>(records_.size(), 9999));
    std::string body = Ack() + Fit(clock, 14, '0') + pending + "0000";
    recordShown_ = !records_.empty();
    if (recordShown_) {
        const StoredRecord& r = records_.front();
        body += r.field1 + r.time + r.field2 + r.field3;
    }
    return body;
}

std::optional<std::string> ControllerModel::Acknowledge(std::string_view args) {
    if (!args.empty()) {
        return Refuse("unexpected arguments");
    }
    // Only a record the last poll showed is released; a stray acknowledgement loses nothing.
    if (recordShown_ && !records_.empty()) {
        records_.pop_front();
    } else {
        note_ = "nothing shown to acknowledge";
    }
    recordShown_ = false;
    return Ack();
}

std::optional<std::string> ControllerModel::SetOutput(std::string_view args) {
    if (args.size() != 8 || args.substr(0, 2) != "00" || args.substr(3) != "10002" ||
        args[2] < '1' || args[2] > '4') {
        return Refuse("output command must be 00n10002 with n 1 to 4");
    }
    outputs_[static_cast<std::size_t>(args[2] - '1')] = true;
    return Ack();
}

std::optional<std::string> ControllerModel::EndTest(std::string_view args) {
    if (!args.empty()) {
        return Refuse("unexpected arguments");
    }
    outputs_ = {};
    return Ack();
}

std::optional<std::string> ControllerModel::ModuleCommand(std::string_view args) {
    constexpr std::string_view kLetters = "ABHIJE";
    if (args.size() < 2 || kLetters.find(args[0]) == std::string_view::npos || args[1] < '1' ||
        args[1] > '8') {
        return Refuse("no module " + EchoSafe(args.substr(0, 2)));
    }
    return Ack() + EchoSafe(args) + "OK";
}

std::optional<std::string> ControllerModel::FreeCommand(std::string_view code,
                                                        std::string_view args) {
    note_ = "free command";
    return deviceId_ + EchoSafe(std::string(code) + std::string(args)) + "OK";
}

std::optional<std::string> ControllerModel::OpenUpgrade(std::string_view args) {
    if (args != "6D2A") {
        return Silence("wrong upgrade key");
    }
    upgradeOpen_ = true;
    return Ack();
}

std::optional<std::size_t> ControllerModel::BlockAddress(std::string_view hex) {
    if (hex.size() != 4 || !AllUpperHex(hex)) {
        Silence("address is not four upper-case hex digits");
        return std::nullopt;
    }
    std::size_t address = 0;
    for (const char c : hex) {
        address = address * 16 + static_cast<std::size_t>(HexValue(c));
    }
    if (address % kBlockSize != 0 || address >= kFlashSize) {
        Silence("address " + std::string(hex) + " is not a block of the flash");
        return std::nullopt;
    }
    return address;
}

std::optional<std::string> ControllerModel::ProgramBlock(std::string_view args) {
    if (!upgradeOpen_) {
        return Silence("upgrade not opened");
    }
    if (args.size() != 4 + 2 * kBlockSize || !AllUpperHex(args.substr(4))) {
        return Silence("block data is not 1024 upper-case hex digits");
    }
    const auto address = BlockAddress(args.substr(0, 4));
    if (!address) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < kBlockSize; ++i) {
        const std::size_t at = 4 + 2 * i;
        flash_[*address + i] =
            static_cast<std::uint8_t>(HexValue(args[at]) * 16 + HexValue(args[at + 1]));
    }
    return Ack() + std::string(args.substr(0, 4));
}

std::optional<std::string> ControllerModel::VerifyBlock(std::string_view args) {
    const auto address = BlockAddress(args);
    if (!address) {
        return std::nullopt;
    }
    std::string body = Ack();
    for (std::size_t i = 0; i < kBlockSize; ++i) {
        body += ByteToHex(flash_[*address + i]);
    }
    return body;
}

std::optional<std::string> ControllerModel::FinishUpgrade(std::string_view args) {
    if (args != "C4E9") {
        return Silence("wrong final key");
    }
    upgradeOpen_ = false;
    ++reboots_;
    outputs_ = {};
    return Ack();
}

void ControllerModel::SetDeviceId(std::string id) {
    deviceId_ = Fit(std::move(id), 4, '0');
}
void ControllerModel::SetVersion(std::string version) {
    version_ = Fit(std::move(version), 16, ' ');
}
void ControllerModel::SetSerialNumber(std::string serial) {
    serial_ = Fit(std::move(serial), 8, '0');
}

void ControllerModel::SetInput(int index, bool active) {
    if (index >= 1 && index <= kInputCount) {
        inputs_[static_cast<std::size_t>(index - 1)] = active;
    }
}

bool ControllerModel::Input(int index) const {
    return index >= 1 && index <= kInputCount && inputs_[static_cast<std::size_t>(index - 1)];
}

bool ControllerModel::Output(int index) const {
    return index >= 1 && index <= kOutputCount && outputs_[static_cast<std::size_t>(index - 1)];
}

void ControllerModel::SetClockSource(std::function<QDateTime()> now) {
    now_ = std::move(now);
}

QDateTime ControllerModel::ControllerTime() const {
    return now_().addSecs(clockOffset_);
}

void ControllerModel::PushRecord(StoredRecord record) {
    record.field1 = Fit(std::move(record.field1), 1, '0');
    record.time = Fit(std::move(record.time), 14, '0');
    record.field2 = Fit(std::move(record.field2), 4, '0');
    record.field3 = Fit(std::move(record.field3), 5, '0');
    records_.push_back(std::move(record));
}

}  // namespace sim
