#include "failure_text_table.h"

#include <QRegularExpression>
#include <QStringList>

#include <iterator>

namespace {

enum class Why {
    PermissionGroup,
    PermissionNextLogin,
    PermissionNoGroup,
    PermissionSeatRule,
    Busy,
    BusyHidden,
    BusyUnknown,
    BusyGrabbers,
    BusySuspects,
    NoSuchDevice,
    VanishedAdapter,
    NotATerminal,
    DeviceFailed,
    ComName,
    BadAddress,
    PortZero,
    Refused,
    TimedOut,
    NetworkFailed,
    NoAnswerSerial,
    NoAnswerNetwork,
    Count,
};

struct Row {
    Why why;
    TextTable::Entry texts;  // English, Simplified Chinese, Traditional Chinese, like TextTable
};

constexpr Row kTexts[] = {
    {Why::PermissionGroup,
     {"Permission denied: %1 belongs to group \"%2\" and this user is not a member.\n"
      "To join it: sudo usermod -aG %2 $USER\nthen log out and log in again.",
      "权限不足：%1 属于群组“%2”，而此用户不是其成员。\n加入该群组：sudo usermod -aG %2 $USER\n"
      "然后注销并重新登录。",
      "權限不足：%1 屬於群組「%2」，而此使用者不是其成員。\n加入該群組：sudo usermod -aG %2 $USER\n"
      "然後登出並重新登入。"}},
    {Why::PermissionNextLogin,
     {"Permission denied: %1 belongs to group \"%2\". This user is in the group already, but this "
      "session began before that: log out and log in again.",
      "权限不足：%1 属于群组“%2”。此用户已在该群组中，但本次登录早于加入：请注销并重新登录。",
      "權限不足：%1 屬於群組「%2」。此使用者已在該群組中，但本次登入早於加入：請登出並重新登入。"}},
    {Why::PermissionNoGroup,
     {"Permission denied: the permissions of %1 (group \"%2\") let no group open it. An "
      "administrator can change them, for instance with a udev rule.",
      "权限不足：%1（群组“%2”）的权限不允许任何群组开启它。可由管理员修改，例如使用 udev 规则。",
      "權限不足：%1（群組「%2」）的權限不允許任何群組開啟它。可由管理員修改，例如使用 udev "
      "規則。"}},
    {Why::PermissionSeatRule,
     {"The kr470qx-tools udev rule gives the user at the seat access to USB serial adapters: "
      "unplug the adapter and plug it in again. Over a remote login it does not apply.",
      "kr470qx-tools 的 udev 规则让本机座位上的用户存取 USB 串口转接器：请拔下转接器再插上。"
      "远程登录时此规则无效。",
      "kr470qx-tools 的 udev 規則讓本機座位上的使用者存取 USB 序列埠轉接器：請拔下轉接器再插上。"
      "遠端登入時此規則無效。"}},
    {Why::Busy,
     {"%1 is in use by another program: %2.\nClose it, then connect again.",
      "%1 正被其他程序占用：%2。\n请关闭该程序后再连线。",
      "%1 正被其他程式占用：%2。\n請關閉該程式後再連線。"}},
    {Why::BusyHidden,
     {"%1 is in use by another program, which the system does not show to this user "
      "(sudo fuser -v %1 shows it).\nClose it, then connect again.",
      "%1 正被其他程序占用，系统未向此用户显示是哪个程序（sudo fuser -v %1 可显示）。\n"
      "请关闭该程序后再连线。",
      "%1 正被其他程式占用，系統未向此使用者顯示是哪個程式（sudo fuser -v %1 可顯示）。\n"
      "請關閉該程式後再連線。"}},
    {Why::BusyUnknown,
     {"%1 is in use by another program.\nClose it, then connect again.",
      "%1 正被其他程序占用。\n请关闭该程序后再连线。",
      "%1 正被其他程式占用。\n請關閉該程式後再連線。"}},
    {Why::BusyGrabbers,
     {"ModemManager and brltty are known to grab USB serial adapters when they are plugged in: "
      "wait a few seconds, or stop or remove them.",
      "ModemManager 与 brltty 常在 USB "
      "串口转接器插上时占用它：请稍候几秒，或停止、移除这两个程序。",
      "ModemManager 與 brltty 常在 USB 序列埠轉接器插上時占用它：請稍候幾秒，或停止、移除這兩個程式"
      "。"}},
    {Why::BusySuspects, {"Running now: %1.", "正在运行：%1。", "正在執行：%1。"}},
    {Why::NoSuchDevice,
     {"%1 does not exist. Is the adapter plugged in? The list under Port shows the serial ports "
      "this computer has.",
      "%1 不存在。转接器是否已插上？“连接阜”清单列出本机现有的串口。",
      "%1 不存在。轉接器是否已插上？「連接阜」清單列出本機現有的序列埠。"}},
    {Why::VanishedAdapter,
     {"An adapter that vanishes right after it was plugged in may have been claimed by brltty.",
      "插上后随即消失的转接器可能已被 brltty 占用。",
      "插上後隨即消失的轉接器可能已被 brltty 占用。"}},
    {Why::NotATerminal,
     {"%1 is not a serial port (not a terminal device). Nothing was written to it.",
      "%1 不是串口（不是终端装置）。未向它写入任何资料。",
      "%1 不是序列埠（不是終端裝置）。未向它寫入任何資料。"}},
    {Why::DeviceFailed, {"%1 could not be opened: %2.", "无法开启 %1：%2。", "無法開啟 %1：%2。"}},
    {Why::ComName,
     {"%1 stands for %2 on this computer. USB serial adapters are /dev/ttyUSB… or /dev/ttyACM….",
      "在本机上 %1 代表 %2。USB 串口转接器为 /dev/ttyUSB… 或 /dev/ttyACM…。",
      "在本機上 %1 代表 %2。USB 序列埠轉接器為 /dev/ttyUSB… 或 /dev/ttyACM…。"}},
    {Why::BadAddress,
     {"\"%1\" is not an IPv4 address in dotted decimal, such as 192.168.1.101.",
      "“%1”不是点分十进制的 IPv4 地址，例如 192.168.1.101。",
      "「%1」不是點分十進位的 IPv4 位址，例如 192.168.1.101。"}},
    {Why::PortZero,
     {"The TCP port \"%1\" gives port 0. Enter the controller's port, such as 5003.",
      "TCP 端口“%1”得出端口 0。请输入控制器的端口，例如 5003。",
      "TCP 埠「%1」得出埠號 0。請輸入控制器的埠號，例如 5003。"}},
    {Why::Refused,
     {"%1 refused the connection: nothing listens on TCP port %2 there. Check the port, and that "
      "the controller's network service is on.",
      "%1 拒绝连线：该处的 TCP 端口 %2 没有服务在监听。请检查端口，以及控制器的网路服务是否开启。",
      "%1 拒絕連線：該處的 TCP 埠 %2 沒有服務在監聽。請檢查埠號，以及控制器的網路服務是否開啟。"}},
    {Why::TimedOut,
     {"No answer from %1 on TCP port %2 within %3 s. Check the address, the cable, and that the "
      "controller is on this network.",
      "%1 的 TCP 端口 %2 在 %3 秒内没有回应。请检查地址、网路线，以及控制器是否在此网路上。",
      "%1 的 TCP 埠 %2 在 %3 秒內沒有回應。請檢查位址、網路線，以及控制器是否在此網路上。"}},
    {Why::NetworkFailed,
     {"No connection to %1 on TCP port %2: %3.", "无法连线到 %1 的 TCP 端口 %2：%3。",
      "無法連線到 %1 的 TCP 埠 %2：%3。"}},
    {Why::NoAnswerSerial,
     {"%1 opened, but the controller did not answer the identify command, three times. Check that "
      "it is switched on, the cable, and the speed %2.",
      "%1 已开启，但控制器三次都没有回应识别指令。请检查控制器电源、连接线以及速率 %2。",
      "%1 已開啟，但控制器三次都沒有回應識別指令。請檢查控制器電源、連接線以及速率 %2。"}},
    {Why::NoAnswerNetwork,
     {"The connection to %1 on TCP port %2 was made, but the controller did not answer the "
      "identify command, three times. Check that this address is the controller's.",
      "已连线到 %1 的 TCP 端口 %2，但控制器三次都没有回应识别指令。请确认此地址是控制器的地址。",
      "已連線到 %1 的 TCP 埠 %2，但控制器三次都沒有回應識別指令。請確認此位址是控制器的位址。"}},
};

// Every cause has its row, in the order of the causes: a row left out or put elsewhere does not
// build.
constexpr bool EveryCauseInOrder() {
    constexpr int count = static_cast<int>(Why::Count);
    if (std::size(kTexts) != count) {
        return false;
    }
    for (int i = 0; i < count; ++i) {
        if (static_cast<int>(kTexts[i].why) != i) {
            return false;
        }
    }
    return true;
}
static_assert(EveryCauseInOrder(), "one failure text per cause, in the order of Why");

class Words {
public:
    explicit Words(Language language) : column_(static_cast<int>(language)) {}
    QString operator()(Why why) const {
        return QString::fromUtf8(kTexts[static_cast<int>(why)].texts[column_]);
    }

private:
    int column_;
};

QString Holders(const QList<DeviceHolder>& holders) {
    QStringList names;
    for (const DeviceHolder& holder : holders) {
        names.append(QStringLiteral("%1 (PID %2)").arg(holder.name).arg(holder.pid));
    }
    return names.join(QStringLiteral(", "));
}

QString Permission(const OpenFailure& f, const Words& words) {
    Why why = Why::PermissionGroup;
    if (!f.groupMayOpen) {
        why = Why::PermissionNoGroup;
    } else if (f.memberNextLogin) {
        why = Why::PermissionNextLogin;
    }
    QString text = words(why).arg(f.device, f.group);
    if (f.seatRuleApplies) {
        text += QLatin1Char('\n') + words(Why::PermissionSeatRule);
    }
    return text;
}

QString Busy(const OpenFailure& f, const Words& words) {
    if (!f.linuxHints) {
        return words(Why::BusyUnknown).arg(f.device);
    }
    const QString who = f.holders.isEmpty() ? words(Why::BusyHidden).arg(f.device)
                                            : words(Why::Busy).arg(f.device, Holders(f.holders));
    QString text = who + QLatin1Char('\n') + words(Why::BusyGrabbers);
    if (f.holders.isEmpty() && !f.suspects.isEmpty()) {
        text += QLatin1Char(' ') + words(Why::BusySuspects).arg(Holders(f.suspects));
    }
    return text;
}

QString SerialCause(const OpenFailure& f, const Words& words) {
    switch (f.cause) {
        case OpenCause::PermissionDenied:
            return Permission(f, words);
        case OpenCause::DeviceBusy:
            return Busy(f, words);
        case OpenCause::NoSuchDevice: {
            const QString text =
                words(Why::NoSuchDevice).arg(f.device.isEmpty() ? f.portName : f.device);
            return f.linuxHints ? text + QLatin1Char('\n') + words(Why::VanishedAdapter) : text;
        }
        case OpenCause::NotATerminal:
            return words(Why::NotATerminal).arg(f.device);
        case OpenCause::NoAnswer:
            return words(Why::NoAnswerSerial).arg(f.portName, f.speed);
        default:
            break;
    }
    return words(Why::DeviceFailed).arg(f.device, f.systemText);
}

// A COMn name is the technician's habit from Windows; say which device it became here.
QString ComNameNote(const OpenFailure& f, const Words& words) {
    static const QRegularExpression comName(QStringLiteral("^COM[0-9]+$"),
                                            QRegularExpression::CaseInsensitiveOption);
    if (f.link != LinkType::Serial || !comName.match(f.portName).hasMatch() || f.device.isEmpty() ||
        f.device == f.portName) {
        return QString();
    }
    return QLatin1Char('\n') + words(Why::ComName).arg(f.portName, f.device);
}

QString NetworkCause(const OpenFailure& f, const Words& words) {
    switch (f.cause) {
        case OpenCause::BadAddress:
            return words(Why::BadAddress).arg(f.ip);
        case OpenCause::PortZero:
            return words(Why::PortZero).arg(f.tcpPort);
        case OpenCause::ConnectionRefused:
            return words(Why::Refused).arg(f.ip, f.tcpPort);
        case OpenCause::ConnectTimedOut:
            return words(Why::TimedOut)
                .arg(f.ip, f.tcpPort,
                     QString::number(static_cast<double>(f.connectBound.count()) / 1000.0));
        case OpenCause::NoAnswer:
            return words(Why::NoAnswerNetwork).arg(f.ip, f.tcpPort);
        default:
            break;
    }
    return words(Why::NetworkFailed).arg(f.ip, f.tcpPort, f.systemText);
}

}  // namespace

QString FailureTooltip(const OpenFailure& failure, Language language) {
    if (failure.cause == OpenCause::None) {
        return QString();
    }
    const Words words(language);
    if (failure.link == LinkType::Network) {
        return NetworkCause(failure, words);
    }
    return SerialCause(failure, words) + ComNameNote(failure, words);
}
