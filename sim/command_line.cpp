#include "command_line.h"

#include <algorithm>
#include <functional>
#include <map>

#include "fault_plan.h"

namespace sim {

namespace {

using Setter = std::function<QString(SimCommandLine&, const QString&)>;

QString SetTcp(SimCommandLine& c, const QString& value) {
    const qsizetype colon = value.lastIndexOf(QLatin1Char(':'));
    bool ok = false;
    const uint port = value.mid(colon + 1).toUInt(&ok);
    if (colon < 0 || !ok || port > 65535) {
        return QStringLiteral("--tcp wants HOST:PORT, got '%1'").arg(value);
    }
    c.options.tcp = true;
    c.options.tcpHost = value.left(colon);
    c.options.tcpPort = static_cast<quint16>(port);
    return {};
}

// "19200" or a speed string such as "19200,e,8,1": start bit, data bits, parity, stop bits.
QString SetLineSpeed(SimCommandLine& c, const QString& value) {
    const QStringList parts = value.split(QLatin1Char(','));
    bool ok = false;
    const int speed = parts[0].toInt(&ok);
    QString error = QStringLiteral("--line-speed wants BAUD or BAUD,P,D,S, got '%1'").arg(value);
    if (!ok || speed <= 0 || (parts.size() != 1 && parts.size() != 4)) {
        return error;
    }
    c.options.lineSpeed = speed;
    if (parts.size() == 4) {
        const int data = parts[2].toInt(&ok);
        const bool parity = parts[1].compare(QLatin1String("n"), Qt::CaseInsensitive) != 0;
        const double stop = parts[3].toDouble();
        if (!ok || data < 5 || data > 8 || (stop != 1 && stop != 1.5 && stop != 2) ||
            !QStringLiteral("neoms").contains(parts[1].toLower()) || parts[1].size() != 1) {
            return error;
        }
        // 1.5 stop bits are counted as 2, as the tool's own line timing counts them.
        c.options.bitsPerCharacter = 1 + data + (parity ? 1 : 0) + (stop == 1 ? 1 : 2);
    }
    return {};
}

// Checks a fault list and adds it to those given before.
QString AddFaults(QString& into, const QString& faults) {
    std::string why;
    if (!FaultPlan::Parse(faults.toStdString(), 1, &why)) {
        return QString::fromStdString(why);
    }
    into = JoinedFaults(into, faults);
    return {};
}

QString SetFault(SimCommandLine& c, const QString& value) {
    return AddFaults(c.options.faultList, value);
}

// Reply fields must not carry the bytes that delimit a reply.
bool IsPrintableAscii(const QString& text) {
    return std::all_of(text.begin(), text.end(),
                       [](QChar ch) { return ch.unicode() >= 0x20 && ch.unicode() < 0x7F; });
}

Setter FixedText(std::optional<std::string> SimCommandLine::*field, int width, const char* name) {
    return [=](SimCommandLine& c, const QString& value) {
        if (value.size() != width || !IsPrintableAscii(value)) {
            return QStringLiteral("%1 wants %2 printable characters, got '%3'")
                .arg(QLatin1String(name))
                .arg(width)
                .arg(value);
        }
        c.*field = value.toStdString();
        return QString();
    };
}

QString SetInputs(SimCommandLine& c, const QString& value) {
    if (value.size() != 8 || !std::all_of(value.begin(), value.end(), [](QChar ch) {
            return ch == QLatin1Char('0') || ch == QLatin1Char('1');
        })) {
        return QStringLiteral("--inputs wants eight 0 or 1, got '%1'").arg(value);
    }
    c.inputs = value.toStdString();
    return {};
}

Setter Number(const char* name, long long high,
              const std::function<void(SimCommandLine&, long long)>& set) {
    return [=](SimCommandLine& c, const QString& value) {
        bool ok = false;
        const long long n = value.toLongLong(&ok);
        if (!ok || n < 0 || n > high) {
            return QStringLiteral("%1 wants a number 0 to %2, got '%3'")
                .arg(QLatin1String(name))
                .arg(high)
                .arg(value);
        }
        set(c, n);
        return QString();
    };
}

// "K:FAULTS": faults for controller K (1-based) only, beside those of --fault.
QString SetFaultOn(SimCommandLine& c, const QString& value) {
    const qsizetype colon = value.indexOf(QLatin1Char(':'));
    bool ok = false;
    const int k = value.left(colon).toInt(&ok);
    if (colon < 0 || !ok || k < 1) {
        return QStringLiteral("--fault-on wants K:FAULTS with K from 1, got '%1'").arg(value);
    }
    return AddFaults(c.options.controllerFaults[k - 1], value.mid(colon + 1));
}

QString SetMakeImage(SimCommandLine& c, const QString& value) {
    c.makeImage = value;
    return {};
}

// What only makes sense once every option is read.
QString CheckTogether(const SimCommandLine& c) {
    if (c.options.controllers < 1) {
        return QStringLiteral("--controllers wants a number 1 to 1024");
    }
    const int last = c.options.controllers - 1;
    if (!c.options.controllerFaults.empty() && c.options.controllerFaults.rbegin()->first > last) {
        return QStringLiteral("--fault-on names controller %1 of %2")
            .arg(c.options.controllerFaults.rbegin()->first + 1)
            .arg(last + 1);
    }
    if (c.options.tcpPort != 0 && c.options.tcpPort + last > 65535) {
        return QStringLiteral("--controllers %1 from port %2 runs past 65535")
            .arg(last + 1)
            .arg(c.options.tcpPort);
    }
    if (!CountedUp(c.deviceId.value_or("0001"), last) ||
        !CountedUp(c.serialNumber.value_or("20070623"), last)) {
        return QStringLiteral(
                   "--controllers %1 needs a device ID and serial number of digits "
                   "that can count up that far")
            .arg(last + 1);
    }
    return {};
}

const std::map<QString, Setter>& ValueOptions() {
    static const std::map<QString, Setter> options = {
        {QStringLiteral("--tcp"), SetTcp},
        {QStringLiteral("--line-speed"), SetLineSpeed},
        {QStringLiteral("--fault"), SetFault},
        {QStringLiteral("--seed"),
         Number("--seed", 4294967295LL,
                [](SimCommandLine& c, long long n) { c.options.seed = static_cast<quint32>(n); })},
        {QStringLiteral("--device-id"), FixedText(&SimCommandLine::deviceId, 4, "--device-id")},
        {QStringLiteral("--version"), FixedText(&SimCommandLine::version, 16, "--version")},
        {QStringLiteral("--serial-number"),
         FixedText(&SimCommandLine::serialNumber, 8, "--serial-number")},
        {QStringLiteral("--inputs"), SetInputs},
        {QStringLiteral("--records"),
         Number("--records", 9999,
                [](SimCommandLine& c, long long n) { c.records = static_cast<int>(n); })},
        {QStringLiteral("--fault-on"), SetFaultOn},
        {QStringLiteral("--controllers"), Number("--controllers", 1024,
                                                 [](SimCommandLine& c, long long n) {
                                                     c.options.controllers = static_cast<int>(n);
                                                 })},
        {QStringLiteral("--make-image"), SetMakeImage},
        {QStringLiteral("--blocks"),
         Number("--blocks", 124,
                [](SimCommandLine& c, long long n) { c.imageBlocks = static_cast<int>(n); })},
        {QStringLiteral("--log"),
         [](SimCommandLine& c, const QString& v) {
             c.options.logFile = v;
             return QString();
         }},
    };
    return options;
}

}  // namespace

std::optional<SimCommandLine> ParseCommandLine(const QStringList& args, QString* error) {
    SimCommandLine c;
    c.options.tcp = false;
    bool endpoint = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            c.help = true;
        } else if (arg == QLatin1String("--pty")) {
            c.options.pty = endpoint = true;
            if (i + 1 < args.size() && !args[i + 1].startsWith(QLatin1String("--"))) {
                c.options.ptyLink = args[++i];
            }
        } else if (const auto it = ValueOptions().find(arg); it != ValueOptions().end()) {
            if (i + 1 >= args.size()) {
                *error = QStringLiteral("%1 needs a value").arg(arg);
                return std::nullopt;
            }
            if (QString problem = it->second(c, args[++i]); !problem.isEmpty()) {
                *error = problem;
                return std::nullopt;
            }
            endpoint = endpoint || arg == QLatin1String("--tcp");
        } else {
            *error = QStringLiteral("unknown argument '%1' (see --help)").arg(arg);
            return std::nullopt;
        }
    }
    if (!endpoint) {
        SetTcp(c, QStringLiteral("127.0.0.1:5003"));
    }
    if (QString problem = CheckTogether(c); !problem.isEmpty()) {
        *error = problem;
        return std::nullopt;
    }
    return c;
}

std::optional<std::string> CountedUp(const std::string& text, int step) {
    if (text.empty() ||
        !std::all_of(text.begin(), text.end(), [](char ch) { return ch >= '0' && ch <= '9'; })) {
        return step == 0 ? std::optional<std::string>(text) : std::nullopt;
    }
    std::string out = std::to_string(std::stoull(text) + static_cast<unsigned>(step));
    if (out.size() > text.size()) {
        return std::nullopt;
    }
    return std::string(text.size() - out.size(), '0') + out;
}

QString HelpText() {
    return QStringLiteral(
               "Usage: kr470qx-sim [options]\n"
               "Simulated KR470QX-V5 controller. Prints one line per endpoint on standard output,\n"
               "'tcp HOST:PORT' and 'serial PATH', then serves until SIGINT or SIGTERM.\n"
               "Without --tcp or --pty it listens on TCP 127.0.0.1:5003.\n\n"
               "  --controllers N         serve N independent controllers (default 1): TCP ports\n"
               "                          counting up from the given one (any free ones for\n"
               "                          port 0), a pty each (LINK1, LINK2, ... with a LINK);\n"
               "                          device IDs and serial numbers count up from the\n"
               "                          given ones; one endpoint line per controller\n"
               "  --tcp HOST:PORT         listen on TCP (PORT 0: any free port)\n"
               "  --pty [LINK]            open a pseudo-terminal, optionally symlinked at LINK\n"
               "  --line-speed BAUD[,P,D,S]  pace reply bytes on both endpoints as a serial line "
               "of\n"
               "                          that speed would carry them (about one write a ms);\n"
               "                          a character counts 11 bits (start, 8 data, even parity,\n"
               "                          stop) unless the speed string says otherwise\n"
               "  --fault FAULTS          inject faults into every controller (repeatable; see\n"
               "                          below)\n"
               "  --fault-on K:FAULTS     inject faults into controller K only (1 is the first;\n"
               "                          repeatable), beside those of --fault\n"
               "  --seed N                seed for probabilistic faults (default 1)\n"
               "  --device-id XXXX        device ID (default 0001)\n"
               "  --version TEXT          16-character version (default KR470QX-V5.01.07)\n"
               "  --serial-number TEXT    8-character serial number (default 20070623)\n"
               "  --inputs BITS           DI1..DI8 as eight 0 or 1 (default all 0)\n"
               "  --records N             queue N sample records for the poll command\n"
               "  --log FILE              one line per request, reply and refused frame\n"
               "                          (- for standard error; default: no log)\n"
               "  --make-image FILE       write a sample firmware image (16-byte header, then the\n"
               "                          data) to FILE and exit\n"
               "  --blocks N              blocks of 512 bytes in that image, 0 to 124 (default\n"
               "                          124)\n"
               "  --help                  this text\n\n"
               "Faults:\n") +
           QString::fromLatin1(FaultPlan::Grammar());
}

}  // namespace sim
