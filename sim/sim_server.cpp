#include "sim_server.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QMutex>
#include <QObject>
#include <QThread>

#include <mutex>

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

struct SimServer::Impl {
    explicit Impl(SimOptions o) : options(std::move(o)), dispatcher(log) {}

    bool Serve(QString* error);
    void Unserve();

    SimOptions options;
    SimLog log;
    RequestDispatcher dispatcher;
    QThread thread;
    QObject* context = nullptr;  // lives on the thread; endpoint work is queued to it
    std::unique_ptr<TcpEndpoint> tcp;
    std::unique_ptr<PtyEndpoint> pty;
    mutable QMutex mutex;
    quint16 tcpPort = 0;
    QString ptyPath;
    bool running = false;
};

// Runs on the serving thread.
bool SimServer::Impl::Serve(QString* error) {
    const int bits = options.bitsPerCharacter;
    if (options.tcp) {
        tcp = std::make_unique<TcpEndpoint>(dispatcher, options.lineSpeed, bits);
        if (!tcp->Listen(options.tcpHost, options.tcpPort, error)) {
            return false;
        }
        QMutexLocker lock(&mutex);
        tcpPort = tcp->Port();
    }
    if (options.pty) {
        pty = std::make_unique<PtyEndpoint>(dispatcher, options.lineSpeed, bits);
        if (!pty->Open(options.ptyLink, error)) {
            return false;
        }
        pty->OnReopened([this](const QString& path) {
            QMutexLocker lock(&mutex);
            ptyPath = path;
        });
        QMutexLocker lock(&mutex);
        ptyPath = pty->Path();
    }
    return true;
}

void SimServer::Impl::Unserve() {
    tcp.reset();
    pty.reset();
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
    } else if (TrySetFaults(o.faultSpec, o.seed, &problem) &&
               impl_->log.Open(o.logFile, &problem)) {
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

quint16 SimServer::TcpPort() const {
    QMutexLocker lock(&impl_->mutex);
    return impl_->tcpPort;
}

QString SimServer::PtyPath() const {
    QMutexLocker lock(&impl_->mutex);
    return impl_->ptyPath;
}

QStringList SimServer::ReceivedCommands() const {
    return impl_->dispatcher.ReceivedCommands();
}

void SimServer::ClearReceivedCommands() {
    impl_->dispatcher.ClearReceivedCommands();
}

void SimServer::WithModel(const std::function<void(ControllerModel&)>& fn) {
    impl_->dispatcher.WithModel(fn);
}

void SimServer::SetFaults(const QString& faultSpec, quint32 seed) {
    QString error;
    if (!TrySetFaults(faultSpec, seed, &error)) {
        qWarning("kr470qx-sim: %s", qPrintable(error));
    }
}

bool SimServer::TrySetFaults(const QString& faultSpec, quint32 seed, QString* error) {
    std::string why;
    auto plan = FaultPlan::Parse(faultSpec.toStdString(), seed, &why);
    if (!plan) {
        if (error) {
            *error = QString::fromStdString(why);
        }
        return false;
    }
    impl_->dispatcher.SetFaults(std::move(*plan));
    return true;
}

void SimServer::ScriptReply(const QByteArray& code, std::optional<QByteArray> body, int count) {
    std::optional<std::string> text;
    if (body) {
        text = body->toStdString();
    }
    impl_->dispatcher.Script(code.toStdString(), std::move(text), count);
}

void SimServer::ClearScripts() {
    impl_->dispatcher.ClearScripts();
}

}  // namespace sim
