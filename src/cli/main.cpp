#include <QCoreApplication>
#include <QElapsedTimer>

#include <atomic>
#include <cstdio>

#include "cli_command_line.h"
#include "console_platform.h"
#include "coordinator.h"
#include "event_output.h"
#include "report.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitBadInput = 1;
constexpr int kExitFailed = 2;
constexpr int kExitInterrupted = 130;

void Complain(const QString& text) {
    std::fprintf(stderr, "kr470qx-cli: %s\n", text.toUtf8().constData());
}

std::unique_ptr<EventOutput> OutputFor(const CliRequest& request) {
    if (request.json) {
        return MakeJsonOutput();
    }
    // Live lines are redrawn by moving the cursor up over them: they must all fit the screen.
    const int rows = StdoutIsTerminal() ? TerminalRows() : -1;
    const bool live = rows == 0 || request.targets.size() + 1 < rows;
    return live ? MakeLiveOutput(request.targets) : MakePlainOutput(request.targets);
}

int ExitStatus(const QList<QJsonObject>& results, bool interrupted) {
    if (interrupted) {
        return kExitInterrupted;
    }
    const bool allOk = std::all_of(results.cbegin(), results.cend(), [](const QJsonObject& r) {
        return r.value(QLatin1String("ok")).toBool();
    });
    return allOk ? kExitOk : kExitFailed;
}

}  // namespace

int main(int argc, char** argv) {
    // No thread here runs an event loop; with GLib's dispatcher every blocking socket wait would
    // wake its thread's unused loop twice, a third of a fleet's system calls.
    qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    QString error;
    QString help;
    const auto request = ParseCliCommandLine(QCoreApplication::arguments().mid(1), &error, &help);
    if (!request) {
        if (!help.isEmpty()) {
            std::fputs(help.toUtf8().constData(), stdout);
            return kExitOk;
        }
        Complain(error);
        return kExitBadInput;
    }
    static std::atomic<bool> interrupted{false};
    CatchInterrupts(&interrupted);
    const auto output = OutputFor(*request);
    QElapsedTimer clock;
    clock.start();
    const QList<QJsonObject> results = RunAllTargets(*request, *output, interrupted);
    output->Finish(results, static_cast<double>(clock.elapsed()) / 1000.0);
    if (!request->report.isEmpty() && !WriteReport(*request, results, &error)) {
        Complain(error);
        return kExitFailed;
    }
    return ExitStatus(results, interrupted.load());
}
