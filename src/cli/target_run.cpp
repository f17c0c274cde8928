#include "target_run.h"

#include <QDateTime>
#include <QElapsedTimer>

#include <memory>

#include "console_services.h"
#include "failure_text_table.h"
#include "firmware_image.h"
#include "firmware_operations.h"
#include "headless_host.h"
#include "link.h"
#include "operations.h"
#include "reply_display.h"

namespace {

using End = UpgradeOutcome::End;

// One target's run: the window's pieces, owned by this thread.
struct TargetRun {
    TargetRun(const CliRequest& r, const Target& t, const std::atomic<bool>& s,
              const std::function<void(QJsonObject)>& sink)
        : request(r), stop(s), host(r, t, state, s, sink), services(state, s) {}

    QJsonObject Run();
    QJsonObject Connect();
    QJsonObject RunCommand();
    QJsonObject RunOneShot(const std::function<void()>& operation);
    QJsonObject RunContinuous(void (*click)(OperationContext&));
    QJsonObject RunUpgrade();
    QJsonObject Identity() const;

    const CliRequest& request;
    const std::atomic<bool>& stop;
    Link link;
    OperationState state;
    HeadlessHost host;
    ConsoleServices services;
    OperationContext ctx{host, services, link, state};
};

QJsonObject Failed(const QString& code) {
    return {{"ok", false}, {"code", code}};
}

QJsonObject Ok() {
    return {{"ok", true}, {"code", QStringLiteral("ok")}};
}

QJsonObject Merged(QJsonObject into, const QJsonObject& from) {
    for (auto it = from.begin(); it != from.end(); ++it) {
        into.insert(it.key(), it.value());
    }
    return into;
}

// With the reason the window's tooltip gives.
QJsonObject OpenFailed(const HeadlessHost& host) {
    return Merged(Failed(QStringLiteral("open-failed")),
                  {{"reason", FailureTooltip(host.LastOpenFailure(), Language::English)}});
}

// The ending of an operation run after a successful Connect.
QJsonObject ByEnding(const HeadlessHost& host) {
    switch (host.Ending().value_or(OperationEnding::Failure)) {
        case OperationEnding::Success:
            return Ok();
        case OperationEnding::OpenFailure:
            return OpenFailed(host);
        case OperationEnding::Failure:
            break;
    }
    return Failed(QStringLiteral("command-error"));
}

QJsonObject TargetRun::Identity() const {
    QJsonObject identity{{"device_id", QString::fromLatin1(state.deviceId)}};
    if (!host.Version().isEmpty()) {
        identity.insert(QStringLiteral("version"), host.Version());
    }
    if (!host.SerialNumber().isEmpty()) {
        identity.insert(QStringLiteral("serial_number"), host.SerialNumber());
    }
    return identity;
}

// Empty when the controller was identified; else the result that ends the target.
QJsonObject TargetRun::Connect() {
    host.ForgetEnding();
    RunConnect(ctx);
    if (host.Ending() == OperationEnding::Success) {
        return {};
    }
    if (stop.load()) {
        return Failed(QStringLiteral("interrupted"));
    }
    return host.LastOpenFailure().cause == OpenCause::NoAnswer
               ? Failed(QStringLiteral("no-identify"))
               : OpenFailed(host);
}

QJsonObject TargetRun::RunOneShot(const std::function<void()>& operation) {
    host.ForgetEnding();
    operation();
    return ByEnding(host);
}

QJsonObject TargetRun::RunContinuous(void (*click)(OperationContext&)) {
    QJsonObject result = RunOneShot([this, click] { click(ctx); });
    if (result.value(QStringLiteral("ok")).toBool() && host.Cycles() < request.cycles) {
        result = Failed(QStringLiteral("interrupted"));
    }
    result.insert(QStringLiteral("cycles"), host.Cycles());
    return result;
}

QString CodeOf(End end) {
    switch (end) {
        case End::FileError:
            return QStringLiteral("file-error");
        case End::OpenFailed:
            return QStringLiteral("open-failed");
        case End::OpeningFailed:
            return QStringLiteral("command-error");
        case End::ProgramFailed:
            return QStringLiteral("program-failed");
        case End::VerifyFailed:
            return QStringLiteral("verify-failed");
        case End::Interrupted:
            return QStringLiteral("interrupted");
        case End::Done:
            break;
    }
    return QStringLiteral("ok");
}

QJsonObject TargetRun::RunUpgrade() {
    // 62 KB: on the heap, so that a target's thread needs only a small stack.
    const auto image = std::make_unique<FirmwareImage>();
    const UpgradeOutcome outcome = RunFirmwareUpgrade(ctx, *image);
    QJsonObject result = outcome.end == End::Done         ? Ok()
                         : outcome.end == End::OpenFailed ? OpenFailed(host)
                                                          : Failed(CodeOf(outcome.end));
    if (outcome.block >= 0) {
        result.insert(QStringLiteral("block"), outcome.block + 1);
    }
    result.insert(QStringLiteral("blocks"), host.Blocks());
    result.insert(QStringLiteral("program_retries"), host.Retries(ProgressBar::Program));
    result.insert(QStringLiteral("verify_retries"), host.Retries(ProgressBar::Verify));
    if (outcome.end != End::Done) {
        return result;
    }
    result.insert(QStringLiteral("final_reply"), outcome.finalReply);
    if (request.thenIdentify) {
        host.Emit(QStringLiteral("phase"), {{"phase", QStringLiteral("identify-again")}});
        host.ForgetIdentity();
        if (const QJsonObject failed = Connect(); !failed.isEmpty()) {
            const bool stopped =
                failed.value(QStringLiteral("code")).toString() == QLatin1String("interrupted");
            return Merged(result, Failed(stopped ? QStringLiteral("interrupted")
                                                 : QStringLiteral("final-failed")));
        }
        result.insert(QStringLiteral("version_after"), host.Version());
    }
    return result;
}

QJsonObject TargetRun::RunCommand() {
    switch (request.command) {
        case CliCommand::Identify:
            return Ok();
        case CliCommand::SetClock: {
            QJsonObject result = RunOneShot([this] { RunSetDateTime(ctx); });
            result.insert(QStringLiteral("time_sent"),
                          services.LastNow().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")));
            return result;
        }
        case CliCommand::Alarm:
            return RunOneShot([this] { RunAlarmTest(ctx); });
        case CliCommand::Factory:
            return RunOneShot([this] { RunServiceCommand(ctx, ServiceCommand::Factory); });
        case CliCommand::Reboot:
            return RunOneShot([this] { RunServiceCommand(ctx, ServiceCommand::Reboot); });
        case CliCommand::Dido:
            return RunContinuous(DidoTestClick);
        case CliCommand::Poll:
            return RunContinuous(PollingTestClick);
        case CliCommand::Send:
        case CliCommand::Module: {
            const bool module = request.command == CliCommand::Module;
            QJsonObject result = RunOneShot(
                [this, module] { module ? RunModuleConsole(ctx) : RunControllerConsole(ctx); });
            if (result.value(QStringLiteral("ok")).toBool()) {
                result.insert(QStringLiteral("reply"), ReplyDisplayText(host.Reply()));
            }
            return result;
        }
        case CliCommand::Upgrade:
            break;
    }
    return RunUpgrade();
}

QJsonObject TargetRun::Run() {
    host.Emit(QStringLiteral("phase"), {{"phase", QStringLiteral("connect")}});
    if (QJsonObject failed = Connect(); !failed.isEmpty()) {
        return failed;
    }
    host.Emit(QStringLiteral("identified"), Identity());
    if (request.command == CliCommand::Identify) {
        return Merged(Ok(), Identity());
    }
    const QJsonObject identity = Identity();
    if (stop.load()) {
        return Merged(Failed(QStringLiteral("interrupted")), identity);
    }
    host.Emit(QStringLiteral("phase"), {{"phase", request.commandName}});
    return Merged(RunCommand(), identity);
}

}  // namespace

QJsonObject RunTarget(const CliRequest& request, const Target& target,
                      const std::atomic<bool>& stop, const std::function<void(QJsonObject)>& sink) {
    // Local time with its offset, so that a record read elsewhere means the same moment.
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime started = now.toOffsetFromUtc(now.offsetFromUtc());
    QElapsedTimer clock;
    clock.start();
    sink({{"event", QStringLiteral("start")},
          {"label", target.label},
          {"command", request.commandName},
          {"time", started.toString(Qt::ISODateWithMs)}});
    QJsonObject result = TargetRun(request, target, stop, sink).Run();
    result.insert(QStringLiteral("event"), QStringLiteral("result"));
    result.insert(QStringLiteral("start_time"), started.toString(Qt::ISODateWithMs));
    result.insert(QStringLiteral("seconds"), static_cast<double>(clock.elapsed()) / 1000.0);
    sink(result);
    return result;
}

QJsonObject NotStartedResult() {
    return {{"event", QStringLiteral("result")},
            {"ok", false},
            {"code", QStringLiteral("interrupted")},
            {"started", false},
            {"seconds", 0.0}};
}
