#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QSet>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <memory>

#include "gui/window_fixture.h"
#include "sim_server.h"

// Texts in failure messages as text rather than as UTF-16 units.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& texts, std::ostream* os) {
    *os << '{' << texts.join(QStringLiteral(", ")).toStdString() << '}';
}

// The real window, connected over loopback TCP to a simulated controller that misbehaves on
// purpose. Every operation is run as a click and then held to what the tool promises whatever the
// controller does: a status text of its own, the cursor and the window given back, and an end
// within the time-outs. The fault plan's seed is fixed, so a failure replays; KR_SOAK_SEED picks
// another one and KR_SOAK_FULL=1 runs the long counts instead of the short ones.
class SoakFixture : public WindowFixture {
protected:
    struct Outcome {
        QString status;  // the status line at the end
        qint64 ms = 0;   // wall time of the click
    };

    static bool Full() {
        const char* full = std::getenv("KR_SOAK_FULL");
        return full && QByteArray(full) == "1";
    }
    static int Count(int shortCount, int fullCount) { return Full() ? fullCount : shortCount; }
    static quint32 Seed(quint32 fixed) {
        const char* seed = std::getenv("KR_SOAK_SEED");
        return seed ? static_cast<quint32>(std::strtoul(seed, nullptr, 10)) : fixed;
    }

    void TearDown() override {
        WindowFixture::TearDown();
        sim.reset();
    }

    // Connects without faults, then arms the plan for everything that follows. Over the pty the
    // tool uses a link the simulator moves to its new pty after a hang-up.
    void StartFaulty(const QString& faults, quint32 seed,
                     const std::vector<StoredValue>& extra = {}, bool pty = false) {
        sim::SimOptions options;
        options.pty = pty;
        options.ptyLink = configDir.filePath(QStringLiteral("ttyKR"));
        sim = std::make_unique<sim::SimServer>(options);
        QString error;
        ASSERT_TRUE(sim->Start(&error)) << error.toStdString();
        const QByteArray port = '"' + QByteArray::number(sim->TcpPort()) + '"';
        const QByteArray link = '"' + options.ptyLink.toUtf8() + '"';
        std::vector<StoredValue> values = {{"TYPE", pty ? "dword:00000000" : "dword:00000001"},
                                           {"ComPortName", link.constData()},
                                           {"NetIP", "\"127.0.0.1\""},
                                           {"NetPort", port.constData()}};
        values.insert(values.end(), extra.begin(), extra.end());
        ports = {options.ptyLink};
        WriteSettings(values);
        Start();
        Click("btnConnect");
        ASSERT_EQ(StatusText(), "Command ok.");
        ASSERT_TRUE(sim->TrySetFaults(faults, seed, &error)) << error.toStdString();
        sim->ClearReceivedCommands();
        services.Clear();
        std::cout << "[ soak ] faults " << faults.toStdString() << " seed " << seed << '\n';
    }

    // Clicks a button and checks what the tool must give back once the operation is over. The
    // status line is sampled at every event pump on the way.
    Outcome Run(const char* button, qint64 limitMs) {
        seen.clear();
        const auto pump = services.onProcessEvents;
        services.onProcessEvents = [this, pump] {
            seen.insert(StatusText());
            if (pump) {
                pump();
            }
        };
        const QString before = StatusText();
        QElapsedTimer clock;
        clock.start();
        Click(button);
        Outcome outcome{StatusText(), clock.elapsed()};
        services.onProcessEvents = pump;
        // What the line showed before the click is sampled by the first pump; it is not ours.
        seen.remove(before);
        seen.insert(outcome.status);
        for (const QString& text : seen) {
            EXPECT_TRUE(allowed.contains(text))
                << button << ": status \"" << text.toStdString() << '"';
        }
        EXPECT_EQ(QApplication::overrideCursor(), nullptr) << button;
        EXPECT_TRUE(window->isEnabled()) << button;
        EXPECT_LE(outcome.ms, limitMs) << button;
        return outcome;
    }

    // Process time (all threads, the simulator's included) over wall time since the last call.
    double CpuShare() {
        const std::clock_t cpu = std::clock();
        const double share = static_cast<double>(cpu - cpuMark) / CLOCKS_PER_SEC * 1000.0 /
                             static_cast<double>(std::max<qint64>(wallMark.restart(), 1));
        cpuMark = cpu;
        return share;
    }
    void MarkCpu() {
        cpuMark = std::clock();
        wallMark.start();
    }

    std::unique_ptr<sim::SimServer> sim;
    QSet<QString> allowed;
    QSet<QString> seen;
    std::clock_t cpuMark = 0;
    QElapsedTimer wallMark;
};
