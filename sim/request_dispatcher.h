#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "controller_model.h"
#include "fault_plan.h"
#include "reply_shaper.h"
#include "request_scanner.h"
#include "sim_log.h"

namespace sim {

// What every endpoint shares: the model, the scripted replies, the fault plan, the log and the
// record of commands received. Called from the serving thread; tests reach in under the lock.
class RequestDispatcher {
public:
    explicit RequestDispatcher(SimLog& log) : log_(log) {}

    // The reply to send for one scanned frame, or nullopt for silence.
    std::optional<ReplyPlan> Serve(const ScannedRequest& request, LinkKind link,
                                   const std::string& where);
    void NoteSkipped(std::size_t count, const std::string& where);
    // One line of the log: a problem, or a connection that began or ended.
    void Note(const std::string& where, const std::string& what) { log_.Write(where, what); }

    void WithModel(const std::function<void(ControllerModel&)>& fn);
    void SetFaults(FaultPlan plan);
    void Script(const std::string& code, std::optional<std::string> body, int count);
    void ClearScripts();
    QStringList ReceivedCommands() const;
    void ClearReceivedCommands();

private:
    struct ScriptedReply {
        std::optional<std::string> body;
        int count = -1;
    };

    std::optional<std::string> Answer(const std::string& command, const std::string& code,
                                      std::string* note);

    SimLog& log_;
    mutable std::mutex mutex_;
    ControllerModel model_;
    FaultPlan faults_;
    std::map<std::string, ScriptedReply> scripts_;
    QStringList received_;
};

}  // namespace sim
