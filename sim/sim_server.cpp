#include "sim_server.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QMutex>
#include <QObject>
#include <QThread>

#include <algorithm>
#include <mutex>
#include <vector>

#include "controller_model.h"
#include "fault_plan.h"
#include "pty_endpoint.h"
#include "request_dispatcher.h"
#include "sim_log.h"
#include "tcp_endpoint.h"

namespace sim {

namespace {

// Qt delivers no event, timer or socket notice to any thread while no application object
// exists. Tests and benchmarks may use the server without one, so it makes its own then.
std::mutex appMutex;
int appUsers = 0;
std::unique_ptr<QCoreApplication> ownApp;

void UseApp() {
    std::lock_guard lock(appMutex);
    if (appUsers++ == 0 && !QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "kr470qx-sim";
        static char* argv[] = {name, nullptr};
        ownApp = std::make_unique<QCoreApplication>(argc, argv);
    }
}

void ReleaseApp() {
    std::lock_guard lock(appMutex);
    if (--appUsers == 0) {
        ownApp.reset();
    }
}

}  // namespace

// One simulated controller: its own model, faults and endpoints.
struct SimServer::Controller {
    explicit Controller(SimLog& log) : dispatcher(log) {}
    RequestDispatcher dispatcher;
    std::unique_ptr<TcpEndpoint> tcp;
    std::unique_ptr<PtyEndpoint> pty;
    quint16 tcpPort = 0;  // guarded by Impl::mutex, like ptyPath
    QString ptyPath;
};

struct SimServer::Impl {
    explicit Impl(SimOptions o) : options(std::move(o)) {
        for (int k = 0; k < std::max(options.controllers, 1); ++k) {
            controllers.push_back(std::make_unique<Controller>(log));
        }
    }

    bool Serve(QString* error);
    bool ServeOne(int k, QString* error);
    void Unserve();
    // Log names are prefixed with the controller's number when there are several.
    std::string Prefix(int k) const {
        return controllers.size() > 1 ? QStringLiteral("c%1/").arg(k + 1).toStdString()
                                      : std::string();
    }

    SimOptions options;
    SimLog log;
    std::vector<std::unique_ptr<Controller>> controllers;
    QThread thread;
    QObject* context = nullptr;  // lives on the thread; endpoint work is queued to it
    mutable QMutex mutex;
    bool running = false;
};

// Runs on the serving thread.
bool SimServer::Impl::Serve(QString* error) {
    for (int k = 0; k < static_cast<int>(controllers.size()); ++k) {
        if (!ServeOne(k, error)) {
            return false;
        }
    }
    return true;
}

bool SimServer::Impl::ServeOne(int k, QString* error) {
    Controller& c = *controllers[static_cast<std::size_t>(k)];
    const int bits = options.bitsPerCharacter;
    if (options.tcp) {
        c.tcp = std::make_unique<TcpEndpoint>(c.dispatcher, options.lineSpeed, bits, Prefix(k));
        const int port = options.tcpPort == 0 ? 0 : options.tcpPort + k;
        if (port > 65535) {
            *error = QStringLiteral("no TCP port above 65535 for controller %1").arg(k + 1);
            return false;
        }
        if (!c.tcp->Listen(options.tcpHost, static_cast<quint16>(port), error)) {
            return false;
        }
        QMutexLocker lock(&mutex);
        c.tcpPort = c.tcp->Port();
    }
    if (options.pty) {
        c.pty = std::make_unique<PtyEndpoint>(c.dispatcher, options.lineSpeed, bits, Prefix(k));
        QString link = options.ptyLink;
        if (!link.isEmpty() && controllers.size() > 1) {
            link += QString::number(k + 1);
        }
        if (!c.pty->Open(link, error)) {
            return false;
        }
        c.pty->OnReopened([this, &c](const QString& path) {
            QMutexLocker lock(&mutex);
            c.ptyPath = path;
        });
        QMutexLocker lock(&mutex);
        c.ptyPath = c.pty->Path();
    }
    return true;
}

void SimServer::Impl::Unserve() {
    for (auto& c : controllers) {
        c->tcp.reset();
        c->pty.reset();
    }
}

SimServer::SimServer(SimOptions options) : impl_(std::make_unique<Impl>(std::move(options))) {}

SimServer::~SimServer() {
    Stop();
}

bool SimServer::Start(QString* error) {
    if (impl_->running) {
        return true;
    }
    QString problem;
    const SimOptions& o = impl_->options;
    bool ok = false;
    if (o.bitsPerCharacter < 7 || o.bitsPerCharacter > 12) {
        problem = QStringLiteral("bits per character must be 7 to 12");
    } else if (SetAllFaults(&problem) && impl_->log.Open(o.logFile, &problem)) {
        UseApp();
        impl_->context = new QObject;
        impl_->context->moveToThread(&impl_->thread);
        impl_->thread.start();
        impl_->running = true;
        QMetaObject::invokeMethod(
            impl_->context, [&] { ok = impl_->Serve(&problem); }, Qt::BlockingQueuedConnection);
    }
    if (!ok) {
        Stop();
        if (error) {
            *error = problem;
        }
    }
    return ok;
}

void SimServer::Stop() {
    if (!impl_->running) {
        return;
    }
    QMetaObject::invokeMethod(
        impl_->context,
        [this] {
            impl_->Unserve();
            delete impl_->context;
            impl_->context = nullptr;
        },
        Qt::BlockingQueuedConnection);
    impl_->thread.quit();
    impl_->thread.wait();
    impl_->running = false;
    ReleaseApp();
}

bool SimServer::SetAllFaults(QString* error) {
    const SimOptions& o = impl_->options;
    for (int k = 0; k < Controllers(); ++k) {
        const auto own = o.controllerFaults.find(k);
        const QString faults =
            own == o.controllerFaults.end() ? o.faultList : JoinedFaults(o.faultList, own->second);
        if (!TrySetFaults(faults, o.seed, error, k)) {
            return false;
        }
    }
    return true;
}

int SimServer::Controllers() const {
    return static_cast<int>(impl_->controllers.size());
}

SimServer::Controller& SimServer::ControllerAt(int k) const {
    return *impl_->controllers.at(static_cast<std::size_t>(k));
}

quint16 SimServer::TcpPort(int controller) const {
    QMutexLocker lock(&impl_->mutex);
    return ControllerAt(controller).tcpPort;
}

QString SimServer::PtyPath(int controller) const {
    QMutexLocker lock(&impl_->mutex);
    return ControllerAt(controller).ptyPath;
}

QStringList SimServer::ReceivedCommands(int controller) const {
    return ControllerAt(controller).dispatcher.ReceivedCommands();
}

void SimServer::ClearReceivedCommands() {
    for (auto& c : impl_->controllers) {
        c->dispatcher.ClearReceivedCommands();
    }
}

void SimServer::WithModel(const std::function<void(ControllerModel&)>& fn, int controller) {
    ControllerAt(controller).dispatcher.WithModel(fn);
}

void SimServer::SetFaults(const QString& faultList, quint32 seed) {
    QString error;
    if (!TrySetFaults(faultList, seed, &error)) {
        qWarning("kr470qx-sim: %s", qPrintable(error));
    }
}

bool SimServer::TrySetFaults(const QString& faultList, quint32 seed, QString* error,
                             int controller) {
    std::string why;
    auto plan = FaultPlan::Parse(faultList.toStdString(), seed, &why);
    if (!plan) {
        if (error) {
            *error = QString::fromStdString(why);
        }
        return false;
    }
    ControllerAt(controller).dispatcher.SetFaults(std::move(*plan));
    return true;
}

void SimServer::ScriptReply(const QByteArray& code, std::optional<QByteArray> body, int count) {
    std::optional<std::string> text;
    if (body) {
        text = body->toStdString();
    }
    impl_->controllers.front()->dispatcher.Script(code.toStdString(), std::move(text), count);
}

void SimServer::ClearScripts() {
    impl_->controllers.front()->dispatcher.ClearScripts();
}

}  // namespace sim
