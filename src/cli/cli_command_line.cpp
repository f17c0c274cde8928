#include "cli_command_line.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <map>

#include "request_checks.h"

namespace {

struct Raw {
    std::vector<std::string> targets;
    std::string targetsFile;
    int jobs = 0;
    bool json = false;
    std::string report;
    bool yes = false;
    std::string alarm;
    std::string outputs = "0000";
    int cycles = 1;
    int count = 1;
    std::string text;
    std::string moduleType;
    std::string moduleAddress;
    std::string image;
    bool thenIdentify = false;
};

const std::map<std::string, CliCommand>& Commands() {
    static const std::map<std::string, CliCommand> commands = {
        {"identify", CliCommand::Identify}, {"set-clock", CliCommand::SetClock},
        {"alarm", CliCommand::Alarm},       {"factory", CliCommand::Factory},
        {"reboot", CliCommand::Reboot},     {"dido", CliCommand::Dido},
        {"poll", CliCommand::Poll},         {"send", CliCommand::Send},
        {"module", CliCommand::Module},     {"upgrade", CliCommand::Upgrade},
    };
    return commands;
}

void AddGlobalOptions(CLI::App& app, Raw& raw) {
    app.add_option("-t,--target", raw.targets,
                   "tcp:HOST[:PORT] (port 5003 when left out) or serial:PORT[@SPEED] (speed "
                   "19200,e,8,1 when left out); repeatable")
        ->allow_extra_args(false)
        ->take_all();
    app.add_option("--targets", raw.targetsFile,
                   "a file of targets, one a line, an optional label after it; # starts a comment");
    app.add_option("--jobs", raw.jobs,
                   "how many targets run at once, 1 to 256 (default: all, up to 64)")
        ->check(CLI::Range(1, kMaxJobs));
    app.add_flag("--json", raw.json, "NDJSON events on standard output, one a line");
    app.add_option("--report", raw.report, "one row per target, to FILE.csv or FILE.json");
    app.add_flag("--yes", raw.yes, "factory and reboot on more than one target");
}

void AddCommands(CLI::App& app, Raw& raw) {
    app.add_subcommand("identify", "connect and identify: device ID, version, serial number");
    app.add_subcommand("set-clock", "set the controller's clock from this computer's");
    app.add_subcommand("alarm", "set the alarm state")
        ->add_option("INDEX", raw.alarm, "0 to 6 or the name, such as \"Fire Alarm\"")
        ->required();
    app.add_subcommand("factory", "restore the factory settings");
    app.add_subcommand("reboot", "restart the controller");
    CLI::App* dido = app.add_subcommand("dido", "the DIDO test: outputs driven, inputs read");
    dido->add_option("--outputs", raw.outputs, "DO1 to DO4 as four 0 or 1 (default 0000)");
    dido->add_option("--cycles", raw.cycles, "cycles before its end sequence (default 1)")
        ->check(CLI::Range(1, 1000000));
    CLI::App* poll = app.add_subcommand("poll", "the polling data test: clock and records");
    poll->add_option("--count", raw.count, "polls before its end sequence (default 1)")
        ->check(CLI::Range(1, 1000000));
    app.add_subcommand("send", "send a command to the controller, print the raw reply")
        ->add_option("TEXT", raw.text, "command code and arguments, after the device ID")
        ->required();
    CLI::App* module = app.add_subcommand("module", "send a command to a module");
    module->add_option("TYPE", raw.moduleType, "0 to 5 or the model, such as TRM-IO16")->required();
    module->add_option("ADDRESS", raw.moduleAddress, "1 to 8")->required();
    module->add_option("TEXT", raw.text, "the module command")->required();
    CLI::App* upgrade = app.add_subcommand("upgrade", "program and verify a firmware image");
    upgrade->add_option("FILE", raw.image, "the firmware image (.KXB)")->required();
    upgrade->add_flag("--then-identify", raw.thenIdentify,
                      "identify again afterwards and report the version then");
    for (CLI::App* sub : app.get_subcommands({})) {
        sub->fallthrough();
    }
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// CLI11 takes the arguments last first, as UTF-8.
std::vector<std::string> Reversed(const QStringList& args) {
    std::vector<std::string> out;
    for (const QString& arg : args) {
        out.push_back(arg.toStdString());
    }
    std::reverse(out.begin(), out.end());
    return out;
}

CliRequest Fill(const CLI::App& app, const Raw& raw) {
    CliRequest request;
    const std::string name = app.get_subcommands().front()->get_name();
    request.command = Commands().at(name);
    request.commandName = Q(name);
    request.outputs = Q(raw.outputs);
    request.cycles = request.command == CliCommand::Poll ? raw.count : raw.cycles;
    request.text = Q(raw.text);
    request.moduleAddress = Q(raw.moduleAddress);
    request.image = Q(raw.image);
    request.thenIdentify = raw.thenIdentify;
    request.jobs = raw.jobs;
    request.json = raw.json;
    request.report = Q(raw.report);
    request.yes = raw.yes;
    return request;
}

}  // namespace

std::optional<CliRequest> ParseCliCommandLine(const QStringList& args, QString* error,
                                              QString* help) {
    CLI::App app("Runs KR470QX-V5 controller operations on one or many controllers.",
                 "kr470qx-cli");
    app.require_subcommand(1, 1);
    Raw raw;
    AddGlobalOptions(app, raw);
    AddCommands(app, raw);
    std::vector<std::string> argv = Reversed(args);
    try {
        app.parse(argv);
    } catch (const CLI::CallForHelp&) {
        *help = Q(app.help());
        return std::nullopt;
    } catch (const CLI::ParseError& e) {
        // CLI11 takes an unknown command for a missing one; name what was given instead.
        const std::vector<std::string> rest = app.remaining();
        const bool unknownCommand = app.get_subcommands().empty() && !rest.empty();
        *error = unknownCommand ? QStringLiteral("unknown command '%1'").arg(Q(rest.front()))
                                : Q(e.what());
        return std::nullopt;
    }
    CliRequest request = Fill(app, raw);
    QStringList targets;
    for (const std::string& t : raw.targets) {
        targets << Q(t);
    }
    if (!CheckRequest(request, targets, Q(raw.targetsFile), Q(raw.moduleType), Q(raw.alarm),
                      error)) {
        return std::nullopt;
    }
    return request;
}
