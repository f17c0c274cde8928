#include "request_dispatcher.h"

namespace sim {

namespace {

std::string CodeOf(const std::string& command) {
    return command.size() > 4 ? command.substr(4, 2) : std::string();
}

std::string Describe(const ReplyPlan& plan, const FaultEffects& faults) {
    std::size_t bytes = 0;
    std::string text;
    for (const auto& piece : plan.pieces) {
        bytes += piece.bytes.size();
        text += piece.bytes;
    }
    std::string line = "reply " + std::to_string(bytes) + " bytes " + SimLog::Escaped(text);
    for (const auto& name : faults.names) {
        line += " [" + name + "]";
    }
    return line;
}

}  // namespace

std::optional<ReplyPlan> RequestDispatcher::Serve(const ScannedRequest& request, LinkKind link,
                                                  const std::string& where) {
    std::lock_guard lock(mutex_);
    if (!request.intact) {
        log_.Write(where, "bad frame, not answered: " + SimLog::Escaped(request.problem));
        return std::nullopt;
    }
    received_.append(QString::fromLatin1(request.command.data(),
                                         static_cast<qsizetype>(request.command.size())));
    log_.Write(where, "request " + SimLog::Escaped(request.command));
    const std::string code = CodeOf(request.command);
    std::string note;
    std::optional<std::string> body = Answer(request.command, code, &note);
    const FaultEffects faults = faults_.Decide(code);
    if (!body) {
        log_.Write(where, note.empty() ? "no reply" : note);
        if (faults.close) {
            return ReplyPlan{{}, true};
        }
        return std::nullopt;
    }
    ReplyPlan plan = ShapeReply(std::move(*body), link, faults);
    if (plan.pieces.empty()) {
        log_.Write(where, plan.close ? "hang up instead of replying" : "reply dropped by fault");
    } else {
        log_.Write(where, Describe(plan, faults));
    }
    return plan;
}

std::optional<std::string> RequestDispatcher::Answer(const std::string& command,
                                                     const std::string& code, std::string* note) {
    const bool ours = command.rfind("0000AC", 0) == 0 || command.rfind(model_.DeviceId(), 0) == 0;
    auto script = scripts_.find(code);
    if (!ours || script == scripts_.end() || script->second.count == 0) {
        auto body = model_.Handle(command);
        *note = model_.Note();
        return body;
    }
    if (script->second.count > 0) {
        --script->second.count;
    }
    *note = "no reply: scripted silence";
    return script->second.body;
}

void RequestDispatcher::NoteSkipped(std::size_t count, const std::string& where) {
    if (count > 0) {
        log_.Write(where, "ignored " + std::to_string(count) + " bytes outside any frame");
    }
}

void RequestDispatcher::WithModel(const std::function<void(ControllerModel&)>& fn) {
    std::lock_guard lock(mutex_);
    fn(model_);
}

void RequestDispatcher::SetFaults(FaultPlan plan) {
    std::lock_guard lock(mutex_);
    faults_ = std::move(plan);
}

void RequestDispatcher::Script(const std::string& code, std::optional<std::string> body,
                               int count) {
    std::lock_guard lock(mutex_);
    scripts_[code] = {std::move(body), count};
}

void RequestDispatcher::ClearScripts() {
    std::lock_guard lock(mutex_);
    scripts_.clear();
}

QStringList RequestDispatcher::ReceivedCommands() const {
    std::lock_guard lock(mutex_);
    return received_;
}

void RequestDispatcher::ClearReceivedCommands() {
    std::lock_guard lock(mutex_);
    received_.clear();
}

}  // namespace sim
