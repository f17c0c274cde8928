#pragma once

#include <QByteArray>

#include "controller_model.h"
#include "sim_server.h"

// A copy of the simulated controller's flash, taken under the model's lock.
inline QByteArray SimFlash(sim::SimServer& server) {
    QByteArray flash;
    server.WithModel([&flash](sim::ControllerModel& model) {
        flash = QByteArray(reinterpret_cast<const char*>(model.Flash().data()),
                           static_cast<qsizetype>(model.Flash().size()));
    });
    return flash;
}
