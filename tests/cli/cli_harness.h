#pragma once

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

// The real simulator as a process of its own, on loopback ports it picks itself, logging to a
// file the tests read.
class SimProcess {
public:
    explicit SimProcess(const QStringList& args, int controllers = 1) {
        log_ = dir_.filePath(QStringLiteral("sim.log"));
        process_.start(QStringLiteral(KR_SIM),
                       QStringList{"--tcp", "127.0.0.1:0", "--log", log_, "--controllers",
                                   QString::number(controllers)} +
                           args);
        while (ports_.size() < controllers && process_.waitForReadyRead(5000)) {
            while (process_.canReadLine()) {
                const QString line = QString::fromLatin1(process_.readLine()).trimmed();
                ports_ << line.section(QLatin1Char(':'), -1).toInt();
            }
        }
    }
    ~SimProcess() {
        process_.terminate();
        process_.waitForFinished(5000);
    }

    QString Target(int k = 0) const {
        return QStringLiteral("tcp:127.0.0.1:%1").arg(ports_.value(k));
    }
    QString Dir() const { return dir_.path(); }
    // The log's lines for controller k (1-based) when there are several, for the only one else.
    QStringList Log(int k = 0) const {
        QFile file(log_);
        file.open(QIODevice::ReadOnly);
        const QString prefix = k > 0 ? QStringLiteral(" c%1/").arg(k) : QStringLiteral(" ");
        QStringList lines;
        for (const QString& line : QString::fromLatin1(file.readAll()).split(QLatin1Char('\n'))) {
            if (line.contains(prefix + QStringLiteral("tcp#"))) {
                lines << line.section(QLatin1Char(' '), 1);
            }
        }
        return lines;
    }
    QStringList Requests(int k = 0) const {
        QStringList requests;
        for (const QString& line : Log(k)) {
            if (line.section(QLatin1Char(' '), 1, 1) == QLatin1String("request")) {
                requests << line.section(QLatin1Char(' '), 2);
            }
        }
        return requests;
    }
    int Count(int k, const QString& what) const {
        return static_cast<int>(Log(k).filter(what).size());
    }

private:
    QTemporaryDir dir_;
    QString log_;
    QProcess process_;
    QList<int> ports_;
};

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
    // The NDJSON lines of standard output, each parsed.
    QList<QJsonObject> Events() const {
        QList<QJsonObject> events;
        for (const QString& line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            events << QJsonDocument::fromJson(line.toUtf8()).object();
        }
        return events;
    }
    QList<QJsonObject> Results() const {
        QList<QJsonObject> results;
        for (const QJsonObject& e : Events()) {
            if (e.value(QLatin1String("event")) == QLatin1String("result")) {
                results << e;
            }
        }
        return results;
    }
};

inline void StartCli(QProcess& process, const QStringList& args) {
    process.start(QStringLiteral(KR_CLI), args);
}

inline CliRun Finish(QProcess& process) {
    process.waitForFinished(60000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// Ctrl+C, as a technician gives it, once the program's output holds `seen`.
inline CliRun InterruptOnceSeen(QProcess& process, const QByteArray& seen) {
    QByteArray out;
    while (!out.contains(seen) && process.waitForReadyRead(10000)) {
        out += process.readAllStandardOutput();
    }
    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    CliRun run = Finish(process);
    run.out.prepend(QString::fromUtf8(out));
    return run;
}

inline CliRun RunCli(const QStringList& args) {
    QProcess process;
    StartCli(process, args);
    return Finish(process);
}

// A sample image from the simulator itself, as a technician would make one.
inline QString MakeImage(const QString& dir, int blocks) {
    const QString path = QDir(dir).filePath(QStringLiteral("image%1.kxb").arg(blocks));
    QProcess::execute(QStringLiteral(KR_SIM),
                      {"--make-image", path, "--blocks", QString::number(blocks)});
    return path;
}

inline QByteArray FileBytes(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

// Every line an object of schema 1 with its event and target; every target one result, last.
inline void ExpectSchema(const CliRun& run, const QStringList& targets) {
    QMap<QString, int> results;
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(line.toUtf8(), &error);
        ASSERT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
        const QJsonObject e = doc.object();
        EXPECT_EQ(e.value(QLatin1String("schema")).toInt(), 1) << line.toStdString();
        EXPECT_TRUE(e.value(QLatin1String("event")).isString()) << line.toStdString();
        const QString target = e.value(QLatin1String("target")).toString();
        EXPECT_TRUE(targets.contains(target)) << line.toStdString();
        EXPECT_EQ(results.value(target), 0) << "event after the result: " << line.toStdString();
        if (e.value(QLatin1String("event")) == QLatin1String("result")) {
            ++results[target];
            EXPECT_TRUE(e.value(QLatin1String("ok")).isBool());
            EXPECT_TRUE(e.value(QLatin1String("code")).isString());
            EXPECT_TRUE(e.value(QLatin1String("seconds")).isDouble());
        }
    }
    for (const QString& target : targets) {
        EXPECT_EQ(results.value(target), 1) << target.toStdString();
    }
}
