// The console program on a fleet of simulated controllers over loopback TCP, each figure the
// median of `runs` (default 3) and a ratio to one controller alone, measured in the same run:
//   64 upgrades at once with a 124-block image vs one (wall; the program's CPU time / wall),
//   whole upgrades (with the 7000 ms pause after the final command) and the transfer alone
//   (controllers that leave the final command unanswered, so no pause);
//   256 identifies at once vs one, and resident memory per target beyond the first.
// Run by hand: fleet_bench [runs]
#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

extern char** environ;

namespace {

struct Figure {
    double wall = 0;  // s
    double cpu = 0;   // s, user + system of the program
    long rssKb = 0;   // peak resident
    int status = -1;
};

double Seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

// One run of kr470qx-cli, its output thrown away, with its own resource use.
Figure RunCli(const QStringList& args) {
    std::vector<std::string> text{KR_CLI};
    for (const QString& a : args) {
        text.push_back(a.toStdString());
    }
    std::vector<char*> argv;
    for (std::string& a : text) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    Figure f;
    if (posix_spawn(&pid, KR_CLI, &files, nullptr, argv.data(), environ) != 0) {
        return f;
    }
    rusage usage{};
    wait4(pid, &f.status, 0, &usage);
    f.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    f.cpu = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    f.rssKb = usage.ru_maxrss;
    posix_spawn_file_actions_destroy(&files);
    return f;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct Series {
    std::vector<double> wall, cpu, rss;
    void Add(const Figure& f) {
        wall.push_back(f.wall);
        cpu.push_back(f.cpu);
        rss.push_back(static_cast<double>(f.rssKb));
    }
};

QStringList Targets(const QList<int>& ports, int count) {
    QStringList args;
    for (int k = 0; k < count; ++k) {
        args << "-t" << QStringLiteral("tcp:127.0.0.1:%1").arg(ports[k]);
    }
    return args;
}

void Report(const char* what, int n, const Series& one, const Series& many, double limit) {
    const double ratio = Median(many.wall) / Median(one.wall);
    const double perTarget = (Median(many.rss) - Median(one.rss)) / 1024.0 / (n - 1);
    std::printf("%s: 1 target %.3f s, %d targets %.3f s, ratio %.3f (at most %.2f) %s\n", what,
                Median(one.wall), n, Median(many.wall), ratio, limit,
                ratio <= limit ? "ok" : "MISSED");
    std::printf("  CPU %.3f s of %.3f s wall (%.3f; at most 0.25) %s\n", Median(many.cpu),
                Median(many.wall), Median(many.cpu) / Median(many.wall),
                Median(many.cpu) / Median(many.wall) <= 0.25 ? "ok" : "MISSED");
    std::printf(
        "  resident %.1f MiB for 1, %.1f MiB for %d: %.3f MiB per target beyond the "
        "first (at most 2) %s\n",
        Median(one.rss) / 1024.0, Median(many.rss) / 1024.0, n, perTarget,
        perTarget <= 2 ? "ok" : "MISSED");
}

// The ports of `count` simulated controllers once they all listen.
QList<int> StartSim(QProcess& sim, int count, const QStringList& extra) {
    sim.start(KR_SIM,
              QStringList{"--tcp", "127.0.0.1:0", "--controllers", QString::number(count)} + extra);
    QList<int> ports;
    while (ports.size() < count && sim.waitForReadyRead(10000)) {
        while (sim.canReadLine()) {
            ports << QString::fromLatin1(sim.readLine()).trimmed().section(':', -1).toInt();
        }
    }
    return ports;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    QTemporaryDir dir;
    const QString image = QDir(dir.path()).filePath("bench.kxb");
    QProcess::execute(KR_SIM, {"--make-image", image, "--blocks", "124"});
    // 256 controllers that answer everything, and 64 that leave the final command unanswered.
    QProcess answering;
    QProcess silent;
    const QList<int> ports = StartSim(answering, 256, {});
    const QList<int> silentFinal = StartSim(silent, 64, {"--fault", "drop:code=Zr"});
    if (ports.size() < 256 || silentFinal.size() < 64) {
        std::fprintf(stderr, "fleet_bench: the simulator did not start\n");
        return 1;
    }
    Series whole1, whole64, up1, up64, id1, id256;
    for (int run = 0; run < runs; ++run) {
        whole1.Add(RunCli(QStringList{"upgrade", image} + Targets(ports, 1)));
        whole64.Add(RunCli(QStringList{"upgrade", image} + Targets(ports, 64)));
        up1.Add(RunCli(QStringList{"upgrade", image} + Targets(silentFinal, 1)));
        up64.Add(RunCli(QStringList{"upgrade", image} + Targets(silentFinal, 64)));
        id1.Add(RunCli(QStringList{"identify"} + Targets(ports, 1)));
        id256.Add(RunCli(QStringList{"identify", "--jobs", "256"} + Targets(ports, 256)));
    }
    std::printf("median of %d runs\n", runs);
    Report("whole upgrade, 124 blocks", 64, whole1, whole64, 1.10);
    Report("upgrade without the final pause, 124 blocks", 64, up1, up64, 1.10);
    Report("identify", 256, id1, id256, 1.5);
    for (QProcess* sim : {&answering, &silent}) {
        sim->terminate();
        sim->waitForFinished();
    }
    return 0;
}
