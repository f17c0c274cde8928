#include "request_checks.h"

#include <QSet>

#include "command_text.h"
#include "image_check.h"
#include "report.h"
#include "targets.h"

namespace {

// As the window's lists hold them, by position.
const QStringList& AlarmNames() {
    static const QStringList names = {
        QStringLiteral("Alarm Off"),    QStringLiteral("Steal Alarm"),
        QStringLiteral("Help Alarm"),   QStringLiteral("Fire Alarm"),
        QStringLiteral("Gas Alarm"),    QStringLiteral("Forced Alarm"),
        QStringLiteral("Duress Alarm"),
    };
    return names;
}

const QStringList& ModuleNames() {
    static const QStringList names = {
        QStringLiteral("TRM-A1/A5/B5"), QStringLiteral("TRM-IO16"), QStringLiteral("TRM-K"),
        QStringLiteral("TRM-F1/F2"),    QStringLiteral("TRM-T"),    QStringLiteral("TRM-PR"),
    };
    return names;
}

int IndexIn(const QStringList& names, const QString& text) {
    bool number = false;
    const int index = text.toInt(&number);
    if (number) {
        return index >= 0 && index < names.size() ? index : -1;
    }
    return static_cast<int>(names.indexOf(text));
}

bool Fail(QString* error, const QString& why) {
    *error = why;
    return false;
}

// The device ID (and a module's prefix) go in front; a command the frame cannot hold is never
// sent.
bool CheckFits(const QByteArray& prefix, const QString& text, QString* error) {
    return FitsInFrame(prefix + TypedCommandBytes(text)) ||
           Fail(error, QStringLiteral("command text of %1 characters does not fit a frame")
                           .arg(text.size()));
}

bool GatherTargets(CliRequest& request, const QStringList& given, const QString& file,
                   QString* error) {
    for (const QString& text : given) {
        const auto target = ParseTarget(text, error);
        if (!target) {
            return false;
        }
        request.targets << *target;
    }
    if (!file.isEmpty()) {
        const auto more = ReadTargetsFile(file, error);
        if (!more) {
            return false;
        }
        request.targets << *more;
    }
    if (given.isEmpty() && file.isEmpty()) {
        request.targets << SavedTarget();
    }
    QSet<QString> seen;
    for (const Target& target : request.targets) {
        if (seen.contains(target.key)) {
            return Fail(error, QStringLiteral("target '%1' is given twice").arg(target.given));
        }
        seen.insert(target.key);
    }
    return true;
}

bool CheckCommandInput(CliRequest& request, const QString& moduleType, const QString& alarm,
                       QString* error) {
    switch (request.command) {
        case CliCommand::Alarm:
            request.alarm = AlarmIndexOf(alarm);
            return request.alarm >= 0 ||
                   Fail(error, QStringLiteral("alarm '%1' is not 0 to 6 nor one of: %2")
                                   .arg(alarm, AlarmNames().join(QStringLiteral(", "))));
        case CliCommand::Module:
            request.moduleRow = ModuleRowOf(moduleType);
            if (request.moduleRow < 0) {
                return Fail(error, QStringLiteral("module type '%1' is not 0 to 5 nor one of: %2")
                                       .arg(moduleType, ModuleNames().join(QStringLiteral(", "))));
            }
            if (request.moduleAddress.size() != 1 || request.moduleAddress < QLatin1String("1") ||
                request.moduleAddress > QLatin1String("8")) {
                return Fail(
                    error,
                    QStringLiteral("module address '%1' is not 1 to 8").arg(request.moduleAddress));
            }
            return true;
        case CliCommand::Dido:
            return (request.outputs.size() == 4 &&
                    request.outputs.count(QLatin1Char('0')) +
                            request.outputs.count(QLatin1Char('1')) ==
                        4) ||
                   Fail(error, QStringLiteral("--outputs '%1' is not four 0 or 1 (DO1 first)")
                                   .arg(request.outputs));
        case CliCommand::Send:
            return CheckFits(QByteArrayLiteral("0000"), request.text, error);
        default:
            return true;
    }
}

}  // namespace

int AlarmIndexOf(const QString& text) {
    return IndexIn(AlarmNames(), text);
}

int ModuleRowOf(const QString& text) {
    return IndexIn(ModuleNames(), text);
}

bool CheckRequest(CliRequest& request, const QStringList& targets, const QString& targetsFile,
                  const QString& moduleType, const QString& alarm, QString* error) {
    if (!CheckCommandInput(request, moduleType, alarm, error) ||
        !GatherTargets(request, targets, targetsFile, error)) {
        return false;
    }
    const bool service =
        request.command == CliCommand::Factory || request.command == CliCommand::Reboot;
    if (service && request.targets.size() > 1 && !request.yes) {
        return Fail(error, QStringLiteral("%1 on %2 targets needs --yes")
                               .arg(request.commandName)
                               .arg(request.targets.size()));
    }
    if (!request.report.isEmpty()) {
        if (QString why = CheckReportPath(request.report); !why.isEmpty()) {
            return Fail(error, why);
        }
    }
    if (request.command == CliCommand::Upgrade) {
        request.imageFacts = CheckImage(request.image, error);
        return request.imageFacts.has_value();
    }
    return true;
}
