#include <QCryptographicHash>
#include <QFileInfo>
#include <QJsonArray>
#include <QThread>

#include "cli_harness.h"
#include "support/loopback_listener.h"

namespace {

QString Str(const QJsonObject& o, const char* key) {
    return o.value(QLatin1String(key)).toString();
}

TEST(CliIdentify, OneTargetPrintsItsFieldsPlainAndInJson) {
    SimProcess sim(
        {"--device-id", "0042", "--serial-number", "12345678", "--version", "ABCDEFGH87654321"});
    const CliRun plain = RunCli({"identify", "-t", sim.Target()});
    EXPECT_EQ(plain.exitCode, 0) << plain.err.toStdString();
    EXPECT_TRUE(plain.out.contains("ok: device ID 0042, version ABCDEFGH   87654321, S/N 12345678"))
        << plain.out.toStdString();
    EXPECT_TRUE(plain.out.contains("1 target: 1 ok")) << plain.out.toStdString();

    const CliRun json = RunCli({"identify", "-t", sim.Target(), "--json"});
    EXPECT_EQ(json.exitCode, 0);
    ExpectSchema(json, {sim.Target()});
    ASSERT_EQ(json.Results().size(), 1);
    const QJsonObject result = json.Results().front();
    EXPECT_EQ(Str(result, "code"), "ok");
    EXPECT_EQ(Str(result, "device_id"), "0042");
    EXPECT_EQ(Str(result, "version"), "ABCDEFGH   87654321");
    EXPECT_EQ(Str(result, "serial_number"), "12345678");
    EXPECT_TRUE(json.err.contains("1 target: 1 ok"));
    // Connect as the window does it, once per run, each on a connection of its own.
    EXPECT_EQ(sim.Requests(),
              QStringList({"0000AC", "0042DB", "0042AS", "0000AC", "0042DB", "0042AS"}));
    EXPECT_EQ(sim.Count(0, "connection closed"), 2);
}

// What the window sends for each command, and what the program reports of it.
TEST(CliCommands, EachSendsWhatTheWindowSends) {
    SimProcess sim({"--records", "1", "--inputs", "10100001"});
    struct Case {
        QStringList args;
        QStringList requests;  // after the connect's three
        const char* field;
        QString value;
    };
    // The poll first: the factory settings clear the stored records.
    const Case cases[] = {
        {{"poll"}, {"0001DG0", "0001PI", "0001IB", "0001JD"}, "cycles", {}},
        {{"alarm", "Fire Alarm"}, {"0001JF3"}, "code", "ok"},
        {{"alarm", "6"}, {"0001JF6"}, "code", "ok"},
        {{"factory"}, {"0001AR01"}, "code", "ok"},
        {{"reboot"}, {"0001AR00"}, "code", "ok"},
        {{"send", "AB"}, {"0001AB"}, "code", "ok"},
        {{"module", "TRM-IO16", "2", "X y"}, {"0001DDB2X y"}, "code", "ok"},
        {{"module", "5", "8", "B"}, {"0001DDE8B"}, "code", "ok"},
        {{"dido", "--outputs", "1010", "--cycles", "2"},
         {"0001JC00110002", "0001JC00310002", "0001DG0", "0001JC00110002", "0001JC00310002",
          "0001DG0", "0001JD"},
         "cycles",
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const int before = static_cast<int>(sim.Requests().size());
        const CliRun run = RunCli(c.args + QStringList{"-t", sim.Target(), "--json"});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        ExpectSchema(run, {sim.Target()});
        const QStringList requests = sim.Requests().mid(before);
        EXPECT_EQ(requests.mid(3), c.requests);
        ASSERT_EQ(run.Results().size(), 1);
        const QJsonObject result = run.Results().front();
        EXPECT_EQ(Str(result, "code"), "ok");
        if (!c.value.isEmpty()) {
            EXPECT_EQ(Str(result, c.field), c.value);
        }
    }
    const CliRun clock = RunCli({"set-clock", "-t", sim.Target(), "--json"});
    const QString sent =
        Str(clock.Results().value(0), "time_sent").remove('-').remove(':').remove('T');
    EXPECT_EQ(sim.Requests().constLast(), "0001AA" + sent);
    const CliRun send = RunCli({"send", "DB", "-t", sim.Target()});
    EXPECT_TRUE(send.out.contains(QString::fromUtf8("reply \u24030001DBKR470QX-V5.01.07\u2404")))
        << send.out.toStdString();
    const CliRun dido = RunCli({"dido", "-t", sim.Target()});
    EXPECT_TRUE(dido.out.contains("cycle 1: inputs 10100001")) << dido.out.toStdString();
}

QStringList UpgradeRequests(const QString& id, const QByteArray& data) {
    QStringList requests{"0000AC", id + "DB", id + "AS", id + "Zx6D2A"};
    const int blocks = static_cast<int>(data.size()) / 512;
    for (int k = 0; k < blocks; ++k) {
        requests << id + "Zp" +
                        QStringLiteral("%1").arg(k * 512, 4, 16, QLatin1Char('0')).toUpper() +
                        QString::fromLatin1(data.mid(k * 512, 512).toHex().toUpper());
    }
    for (int k = 0; k < blocks; ++k) {
        requests << id + "Zv" +
                        QStringLiteral("%1").arg(k * 512, 4, 16, QLatin1Char('0')).toUpper();
    }
    return requests << id + "ZrC4E9";
}

QStringList CsvRow(const QString& line) {
    return line.split(QLatin1Char(','));
}

// Controller 3 drops every program request, controller 6 hangs up at its first verify request;
// none answers the final command, so that no run waits for its long pause.
TEST(CliFleet, TwoOfEightFailWithTheirCodeAndBlockTheOthersAreUpgradedExactly) {
    SimProcess sim({"--fault", "drop:code=Zr", "--fault-on", "3:drop:code=Zp", "--fault-on",
                    "6:close:code=Zv"},
                   8);
    const QString image = MakeImage(sim.Dir(), 3);
    const QString report = QDir(sim.Dir()).filePath("fleet.csv");
    QStringList args{"upgrade", image, "--json", "--report", report};
    QStringList targets;
    for (int k = 0; k < 8; ++k) {
        targets << sim.Target(k);
        args << "-t" << sim.Target(k);
    }
    const CliRun run = RunCli(args);
    EXPECT_EQ(run.exitCode, 2) << run.err.toStdString();
    ExpectSchema(run, targets);
    const QList<QJsonObject> results = run.Results();

    const QByteArray data = FileBytes(image).mid(16);
    const QMap<int, QPair<QString, int>> failing = {{3, {"program-failed", 1}},
                                                    {6, {"verify-failed", 1}}};
    const QStringList rows = QString::fromUtf8(FileBytes(report)).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 9);
    EXPECT_EQ(rows[0].section(',', 12, 13), "code,block");
    const QString sha =
        QCryptographicHash::hash(FileBytes(image), QCryptographicHash::Sha256).toHex();
    for (int k = 1; k <= 8; ++k) {
        SCOPED_TRACE(k);
        const QString id = QStringLiteral("%1").arg(k, 4, 10, QLatin1Char('0'));
        QJsonObject result;
        for (const QJsonObject& r : results) {
            result = Str(r, "target") == sim.Target(k - 1) ? r : result;
        }
        const QStringList row = CsvRow(rows[k]);
        EXPECT_EQ(row[0], sim.Target(k - 1));
        EXPECT_EQ(row[2], id);
        EXPECT_EQ(row[6], "image3.kxb");
        EXPECT_EQ(row[7], "1552");
        EXPECT_EQ(row[8], sha);
        EXPECT_FALSE(row[14].isEmpty());
        EXPECT_EQ(sim.Count(k, "connection opened"), 2);
        EXPECT_EQ(sim.Count(k, "connection closed"), 2);
        if (failing.contains(k)) {
            EXPECT_EQ(Str(result, "code"), failing[k].first);
            EXPECT_EQ(result.value("block").toInt(), failing[k].second);
            EXPECT_EQ(row[12], failing[k].first);
            EXPECT_EQ(row[13], "1");
            continue;
        }
        EXPECT_EQ(Str(result, "code"), "ok");
        EXPECT_EQ(result.value("final_reply"), QJsonValue(false));
        EXPECT_EQ(row.mid(9, 5), QStringList({"3", "0", "0", "ok", ""}));
        EXPECT_EQ(sim.Requests(k), UpgradeRequests(id, data));
    }
    // Five attempts at the first block, then nothing more of the image.
    EXPECT_EQ(CsvRow(rows[3])[10], "4");
    EXPECT_EQ(sim.Requests(3).filter("Zp").size(), 5);
    EXPECT_EQ(sim.Requests(3).filter("Zv").size(), 0);
    EXPECT_EQ(sim.Requests(6).filter("Zv").size(), 1);
}

TEST(CliInterrupt, SigintDuringAnUpgradeWritesTheReportAndClosesEveryLink) {
    SimProcess sim({}, 4);
    const QString image = MakeImage(sim.Dir(), 124);
    const QString report = QDir(sim.Dir()).filePath("stopped.json");
    QProcess cli;
    QStringList args{"upgrade", image, "--json", "--jobs", "2", "--report", report};
    for (int k = 0; k < 4; ++k) {
        args << "-t" << sim.Target(k);
    }
    StartCli(cli, args);
    const CliRun run = InterruptOnceSeen(cli, "\"event\":\"block\"");
    EXPECT_EQ(run.exitCode, 130) << run.err.toStdString();

    const QJsonArray rows =
        QJsonDocument::fromJson(FileBytes(report)).object().value("targets").toArray();
    ASSERT_EQ(rows.size(), 4);
    for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE(k);
        const QJsonObject row = rows[k].toObject();
        EXPECT_EQ(Str(row, "code"), "interrupted");
        const bool started = k < 2;
        EXPECT_EQ(row.contains("block"), started);
        EXPECT_EQ(row.contains("start_time"), started);
        // Each connection's end reaches the simulator; the two not started never connected.
        for (int wait = 0; wait < 50 && sim.Count(k + 1, "connection closed") <
                                            sim.Count(k + 1, "connection opened");
             ++wait) {
            QThread::msleep(20);
        }
        EXPECT_EQ(sim.Count(k + 1, "connection opened"), started ? 2 : 0);
        EXPECT_EQ(sim.Count(k + 1, "connection closed"), started ? 2 : 0);
        EXPECT_EQ(sim.Requests(k + 1).filter("ZrC4E9").size(), 0);
    }
}

// One line naming the bad input, exit 1, and nothing sent.
TEST(CliBadInput, IsRefusedBeforeAnythingIsSent) {
    SimProcess sim({});
    const QString dir = sim.Dir();
    const QString target = sim.Target();
    QFile big(QDir(dir).filePath("big.kxb"));
    big.open(QIODevice::WriteOnly);
    big.write(QByteArray(16 + 63489, 'x'));
    big.close();
    QFile list(QDir(dir).filePath("site.txt"));
    list.open(QIODevice::WriteOnly);
    list.write(QString("# site\n" + target + " cabinet 1\nudp:10.0.0.9\n").toUtf8());
    list.close();
    const QString missing = QDir(dir).filePath("missing.kxb");
    struct Case {
        QStringList args;
        QString named;
    };
    const Case cases[] = {
        {{"frobnicate", "-t", target}, "frobnicate"},
        {{"identify", "--bogus", "-t", target}, "--bogus"},
        {{"identify", "-t", "udp:127.0.0.1"}, "udp:127.0.0.1"},
        {{"identify", "-t", "tcp:127.0.0.1:0"}, "port '0'"},
        {{"identify", "-t", "tcp:127.0.0.1:65536"}, "port '65536'"},
        {{"identify", "-t", "tcp:localhost"}, "host 'localhost'"},
        {{"identify", "-t", "serial:/dev/ttyS0@19200,x,8,1"}, "19200,x,8,1"},
        {{"identify", "-t", target, "-t", target}, "given twice"},
        {{"identify", "--jobs", "257", "-t", target}, "--jobs"},
        {{"identify", "--targets", missing, "-t", target}, missing},
        {{"identify", "--targets", list.fileName()}, "line 3"},
        {{"identify", "--report", dir + "/no/such/r.csv", "-t", target}, "does not exist"},
        {{"identify", "--report", dir + "/r.txt", "-t", target}, ".csv or .json"},
        {{"upgrade", missing, "-t", target}, missing},
        {{"upgrade", dir, "-t", target}, "not a regular file"},
        {{"upgrade", big.fileName(), "-t", target}, "63489 bytes"},
        {{"alarm", "7", "-t", target}, "alarm '7'"},
        {{"alarm", "Panic Alarm", "-t", target}, "alarm 'Panic Alarm'"},
        {{"dido", "--cycles", "0", "-t", target}, "--cycles"},
        {{"dido", "--outputs", "12", "-t", target}, "--outputs '12'"},
        {{"poll", "--count", "0", "-t", target}, "--count"},
        {{"module", "TRM-X", "1", "B", "-t", target}, "TRM-X"},
        {{"module", "1", "9", "B", "-t", target}, "address '9'"},
        {{"send", QString(1490, 'A'), "-t", target}, "does not fit"},
        {{"factory", "-t", target, "-t", "tcp:127.0.0.2"}, "--yes"},
        {{"reboot", "--targets", list.fileName()}, "line 3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').left(100).toStdString());
        const CliRun run = RunCli(c.args);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains(c.named)) << run.err.toStdString();
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    }
    EXPECT_EQ(sim.Count(0, "connection opened"), 0);
}

// Each way a target can fail has its code, found by the run's ending, not by its texts.
TEST(CliOutcome, EachFailureHasItsCode) {
    SimProcess sim(
        {"--fault", "drop:code=Zr", "--fault-on", "1:drop:code=AC", "--fault-on", "2:drop:code=Zx"},
        3);
    const RefusingLoopbackPort refusing;
    const QString closed = QStringLiteral("tcp:127.0.0.1:%1").arg(refusing.Port());
    const CliRun run =
        RunCli({"upgrade", MakeImage(sim.Dir(), 1), "--then-identify", "--json", "-t", closed, "-t",
                sim.Target(0), "-t", sim.Target(1), "-t", sim.Target(2)});
    EXPECT_EQ(run.exitCode, 2);
    ExpectSchema(run, {closed, sim.Target(0), sim.Target(1), sim.Target(2)});
    QMap<QString, QJsonObject> results;
    for (const QJsonObject& r : run.Results()) {
        results[Str(r, "target")] = r;
    }
    EXPECT_EQ(Str(results[closed], "code"), "open-failed");
    EXPECT_TRUE(Str(results[closed], "reason").contains("refused"))
        << Str(results[closed], "reason").toStdString();
    EXPECT_EQ(Str(results[sim.Target(0)], "code"), "no-identify");
    EXPECT_EQ(sim.Requests(1), QStringList({"0000AC", "0000AC", "0000AC"}));
    EXPECT_EQ(Str(results[sim.Target(1)], "code"), "command-error");
    EXPECT_EQ(sim.Requests(2).constLast(), "0002Zx6D2A");
    EXPECT_EQ(Str(results[sim.Target(2)], "code"), "ok");
    EXPECT_EQ(Str(results[sim.Target(2)], "version_after"), "KR470QX-   V5.01.07");
    EXPECT_EQ(sim.Requests(3).mid(sim.Requests(3).indexOf("0003ZrC4E9") + 1),
              QStringList({"0000AC", "0003DB", "0003AS"}));
}

// A stop reaches a running DIDO test between its cycles: it still sends its end sequence.
TEST(CliInterrupt, SigintEndsADidoTestWithItsEndSequence) {
    SimProcess sim({});
    QProcess cli;
    StartCli(cli, {"dido", "--cycles", "1000000", "--json", "-t", sim.Target()});
    const CliRun run = InterruptOnceSeen(cli, "\"event\":\"cycle\"");
    EXPECT_EQ(run.exitCode, 130);
    ASSERT_EQ(run.Results().size(), 1);
    EXPECT_EQ(Str(run.Results().front(), "code"), "interrupted");
    EXPECT_EQ(sim.Requests().constLast(), "0001JD");
    EXPECT_EQ(sim.Requests().filter("JD").size(), 1);
}

}  // namespace
