// upsconfig-bench: speed figures of the report layer, the start-up, the settings-file reader and
// the command line, and what the window and the demo cost at rest ("upsconfig-bench idle" gives
// those alone).
// It prints figures and judges nothing; the README gives the figures measured and the goals.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/ConfigToolApp.h"
#include "app/MainDialog.h"
#include "app/WindowActions.h"
#include "cli/Cli.h"
#include "device/HidLink.h"
#include "device/ReportLayer.h"
#include "framework/UiPauser.h"
#include "settingsfile/SettingsFile.h"
#include "sim/SimulatedUps.h"
#include "unit/PageValues.h"

extern char** environ;

namespace {

using namespace upsconfig;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// What a 2 ms sleep takes beyond 2 ms on this machine, on average.
double SleepOvershoot(std::chrono::microseconds latency, int samples) {
    const auto start = Clock::now();
    for (int i = 0; i < samples; ++i)
        std::this_thread::sleep_for(latency);
    return Seconds(Clock::now() - start) / samples - Seconds(latency);
}

// Reads every report `passes` times and writes every settings report back once per pass.
void Exercise(ReportLayer& layer, int passes) {
    SettingsImage changed;
    for (int pass = 0; pass < passes; ++pass) {
        layer.ReadAllReports();
        const SettingsImage read = layer.Image();
        changed = read;
        for (std::size_t i = 0; i < changed.bytes.size(); ++i)
            if (i != 8) changed.bytes[i] = static_cast<std::uint8_t>(read.bytes[i] + 1);
        layer.WriteReports(changed, read);
    }
}

void ReportLayerFigures() {
    constexpr auto kLatency = std::chrono::milliseconds(2);
    SimulatedUps bus;
    bus.Unit().SetModelCode(3);
    HidLink link(bus);
    link.SetIds(kUpsVendorId, kUpsProductId);
    ReportLayer layer(link, [](int) {});  // no retries happen; the writer's pauses are not ours

    bus.SetLatency(kLatency);
    bus.ClearLog();
    const auto start = Clock::now();
    Exercise(layer, 20);
    const double wall = Seconds(Clock::now() - start);
    const auto transfers = static_cast<double>(bus.Log().size());
    const double ideal = transfers * Seconds(kLatency);
    const double overshoot = SleepOvershoot(kLatency, 200);
    std::printf("report layer, 2 ms a transfer: %.0f transfers in %.3f s\n", transfers, wall);
    std::printf("  wall / (transfers x 2 ms)                  %.3f\n", wall / ideal);
    std::printf("  the same, sleep overshoot (%.3f ms) taken out %.3f  (goal <= 1.05)\n",
                overshoot * 1e3, (wall - transfers * overshoot) / ideal);

    bus.SetLatency(std::chrono::microseconds(0));
    bus.ClearLog();
    const double cpuStart = CpuSeconds();
    Exercise(layer, 2000);
    const double cpu = CpuSeconds() - cpuStart;
    const auto fast = static_cast<double>(bus.Log().size());
    std::printf("report layer, no latency: %.1f us of CPU a transfer (%.0f transfers)\n",
                cpu / fast * 1e6, fast);
}

// Start-up on the simulated unit with the program's own pauser, until the window first paints.
void StartupFigure() {
    SimulatedUps bus;
    SettingsImage held;
    SetField(held, FieldId::bModelCode, 3);
    SetField(held, FieldId::bOutputLevel, 3);  // 120 V, an item of the model's list
    bus.Unit().LoadImage(held);
    bus.Unit().SetVersions(1, 12, 3);
    QElapsedTimer timer;
    timer.start();
    ConfigToolApp tool(bus, UiPauser::Make());
    if (!tool.Initialise()) return;
    MainDialog& window = tool.Dialog();
    qint64 painted = -1;
    struct PaintWatch : QObject {
        qint64* at;
        QElapsedTimer* timer;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint && *at < 0) *at = timer->elapsed();
            return false;
        }
    } watch;
    watch.at = &painted;
    watch.timer = &timer;
    window.installEventFilter(&watch);
    window.show();
    while (painted < 0 && timer.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    window.removeEventFilter(&watch);
    std::printf("start-up to first paint: %lld ms, %lld ms beyond the fixed %d ms\n",
                static_cast<long long>(painted),
                static_cast<long long>(painted - WindowActions::kReloadDelayMs),
                WindowActions::kReloadDelayMs);
    window.Actions().EndWindow();
}

double ReadTime(const std::filesystem::path& path, int rounds) {
    SettingsImage image;
    const auto start = Clock::now();
    for (int i = 0; i < rounds; ++i)
        ReadSettingsFile(path, image);
    return Seconds(Clock::now() - start) / rounds;
}

void SettingsFileFigures() {
    const auto folder = std::filesystem::temp_directory_path() / "upsconfig-bench";
    std::filesystem::create_directories(folder);
    const auto normal = folder / "normal.kvr";
    WriteSettingsFile(normal, SettingsImage{});
    // A file at the size limit: the normal text, then key-like lines up to 1 MiB.
    const auto large = folder / "large.kvr";
    {
        std::string text = FormatSettingsFile(SettingsImage{}, std::tm{});
        const std::string line = "bOutputLevel=3\r\n";
        while (text.size() + line.size() <= kMaxSettingsFileBytes)
            text += line;
        std::ofstream(large, std::ios::binary) << text;
    }
    std::printf("settings file read: %.1f us for %ju bytes, %.2f ms for %ju bytes\n",
                ReadTime(normal, 2000) * 1e6,
                static_cast<std::uintmax_t>(std::filesystem::file_size(normal)),
                ReadTime(large, 20) * 1e3,
                static_cast<std::uintmax_t>(std::filesystem::file_size(large)));
    std::filesystem::remove_all(folder);
}

// The transfers one command makes, counted in-process on a simulated unit.
std::size_t TransfersOf(const std::vector<std::string>& args) {
    SimulatedUps bus;
    bus.Unit().LoadImage(FactorySettings(3));
    std::istringstream in;
    std::ostringstream out, err;
    CliEnvironment environment{
        .in = in,
        .out = out,
        .err = err,
        .variable = [](const std::string&) { return std::optional<std::string>(); },
        .pauser = [](int) {},
        .realBackend = [&bus] { return std::shared_ptr<HidBackend>(&bus, [](HidBackend*) {}); },
        .host = {},
    };
    RunCli(args, environment);
    return bus.Log().size();
}

// Wall time of one whole run of upsconfig-cli, its output thrown away.
double ProcessSeconds(const std::vector<std::string>& args) {
    std::vector<std::string> line{UPSCONFIG_CLI_PATH};
    line.insert(line.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : line)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const auto start = Clock::now();
    pid_t child = 0;
    int status = 0;
    if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0)
        waitpid(child, &status, 0);
    const double wall = Seconds(Clock::now() - start);
    posix_spawn_file_actions_destroy(&actions);
    return wall;
}

// upsconfig-cli --simulate status and show as whole processes, each transfer taking 2 ms.
void CommandLineFigures() {
    const auto folder = std::filesystem::temp_directory_path() / "upsconfig-bench-cli";
    std::filesystem::create_directories(folder);
    setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    setenv("UPSCONFIG_SIM_LATENCY_US", "2000", 1);
    ProcessSeconds({"--simulate=3", "sim", "standby"});  // the state file, once
    for (const char* command : {"status", "show"}) {
        const std::size_t transfers = TransfersOf({command});
        std::vector<double> walls;
        for (int run = 0; run < 15; ++run)
            walls.push_back(ProcessSeconds({"--simulate", command}));
        std::ranges::sort(walls);
        const double goal = static_cast<double>(transfers) * 0.002 + 0.030;
        std::printf(
            "upsconfig-cli --simulate %s, 2 ms a transfer: %zu transfers, median %.1f ms "
            "(fastest %.1f ms), goal <= %.1f ms\n",
            command, transfers, walls[walls.size() / 2] * 1e3, walls.front() * 1e3, goal * 1e3);
    }
    unsetenv("UPSCONFIG_SIM_LATENCY_US");
    std::filesystem::remove_all(folder);
}

// One thread of a process as /proc shows it: its name, the times it was switched out (each
// wake-up costs one) and its CPU time.
struct ThreadSample {
    std::string name;
    long long switches = 0;
    double cpuSeconds = 0;
};

std::map<std::string, ThreadSample> SampleThreads(const std::string& pid) {
    std::map<std::string, ThreadSample> threads;
    std::error_code error;
    const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
    for (const auto& task : std::filesystem::directory_iterator("/proc/" + pid + "/task", error)) {
        ThreadSample sample;
        std::ifstream(task.path() / "comm") >> sample.name;
        std::ifstream status(task.path() / "status");
        for (std::string line; std::getline(status, line);) {
            if (line.starts_with("voluntary_ctxt_switches:") ||
                line.starts_with("nonvoluntary_ctxt_switches:"))
                sample.switches += std::stoll(line.substr(line.find(':') + 1));
        }
        // utime and stime, fields 14 and 15, counted after the name in parentheses.
        std::ifstream statFile(task.path() / "stat");
        const std::string stat{std::istreambuf_iterator<char>(statFile), {}};
        std::istringstream fields(stat.substr(stat.rfind(')') + 2));
        std::string field;
        for (int i = 3; i <= 15 && fields >> field; ++i)
            if (i >= 14) sample.cpuSeconds += std::stod(field) / tick;
        threads[task.path().filename().string()] = sample;
    }
    return threads;
}

// Samples the process, lets `wait` pass, samples again: CPU and wake-ups per thread and in all.
template <class Wait>
void IdleFigure(const char* what, const std::string& pid, double seconds, Wait wait) {
    const auto before = SampleThreads(pid);
    const auto start = Clock::now();
    wait();
    const double wall = Seconds(Clock::now() - start);
    const auto after = SampleThreads(pid);
    double cpu = 0;
    long long switches = 0;
    std::printf("%s at rest, %.0f s:\n", what, seconds);
    for (const auto& [tid, sample] : after) {
        const auto was = before.find(tid);
        const ThreadSample zero;
        const ThreadSample& from = was == before.end() ? zero : was->second;
        const long long woke = sample.switches - from.switches;
        const double used = sample.cpuSeconds - from.cpuSeconds;
        cpu += used;
        switches += woke;
        if (woke > 0 || used > 0)
            std::printf("  thread %-16s %7.1f wake-ups/s  %5.2f %% of a core\n",
                        sample.name.c_str(), woke / wall, used / wall * 100);
    }
    std::printf(
        "  whole process           %7.1f wake-ups/s  %5.2f %% of a core  (goal <= 5, <= 0.2 %%)\n",
        switches / wall, cpu / wall * 100);
}

// The window on a simulated unit in standby, the monitor running, nobody at it; then the demo
// program, its "Simulated unit" window beside it, as a process of its own.
void IdleFigures() {
    constexpr double kSeconds = 30;
    constexpr int kSettleMs = 6000;  // start-up over, the first status read and its repaint done
    {
        SimulatedUps bus;
        bus.Unit().LoadImage(FactorySettings(3));
        bus.Unit().SetVersions(1, 12, 3);
        ConfigToolApp tool(bus, UiPauser::Make());
        if (!tool.Initialise()) return;
        tool.Dialog().show();
        const auto run = [](int ms) {
            QEventLoop loop;
            QTimer::singleShot(ms, &loop, &QEventLoop::quit);
            loop.exec();
        };
        run(kSettleMs);
        IdleFigure("the window", "self", kSeconds, [&] { run(static_cast<int>(kSeconds * 1000)); });
        tool.Dialog().Actions().EndWindow();
    }
    std::vector<std::string> line{UPSCONFIG_DEMO_PATH};
    std::vector<char*> argv;
    for (std::string& word : line)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    pid_t child = 0;
    if (posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(kSettleMs));
    IdleFigure("the demo", std::to_string(child), kSeconds,
               [&] { std::this_thread::sleep_for(std::chrono::duration<double>(kSeconds)); });
    kill(child, SIGTERM);
    int status = 0;
    waitpid(child, &status, 0);
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each figure as soon as it is known
    QApplication application(argc, argv);
    if (argc > 1 && std::string(argv[1]) == "idle") {
        IdleFigures();
        return 0;
    }
    ReportLayerFigures();
    SettingsFileFigures();
    CommandLineFigures();
    StartupFigure();
    IdleFigures();
    return 0;
}
