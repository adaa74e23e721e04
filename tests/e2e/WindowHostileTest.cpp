// Hostile input to the window, one row per kind, each as the user would meet it: the window starts,
// says what is wrong on the status bar, never hangs, never widens off the screen, and keeps what
// is there.
#include "Rig.h"
#include "datalog/qt/RecordField.h"
#include "live/qt/TuningWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

using namespace e2e;
namespace fs = std::filesystem;

namespace {

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The settings file the window reads at start, in a configuration folder of the row's own.
struct Config {
    explicit Config(const std::string& folder) : dir(folder + "/config") {
        fs::create_directories(dir + "/Torvex");
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(dir));
    }
    ~Config() {
        qunsetenv("XDG_CONFIG_HOME");
        qputenv("HOME", home); // a row may have taken it away
    }
    std::string file() const { return dir + "/Torvex/Tuning.conf"; }
    std::string dir;
    QByteArray home = qgetenv("HOME");
};

} // namespace

TEST(WindowHostile, eachHostileInputIsSaidOnTheStatusBarAndNothingIsLost) {
    const struct {
        const char* line;                          // what the user did
        std::function<void(const Config&)> before; // what the window meets as it starts
        std::function<void(Rig&, const Config&)> check;
        std::string said; // on the status bar, or in the Tuning window's message
    } cases[] = {
        {"TVXv17 --record old.msl, with old.msl there", [](const Config&) {},
         [](Rig& c, const Config&) {
             std::ofstream(c.sim.file("old.msl")) << "a drive worth keeping";
             c.window.recordField().recordFromFirstRecord(c.sim.file("old.msl"), false);
             const std::string said = c.status();
             ASSERT_TRUE(c.connect());
             c.form.btnRT_Click();
             QTest::qWait(500); // records arrive, and none is recorded
             EXPECT_FALSE(c.window.recordField().recorder().recording());
             EXPECT_EQ(Bytes(c.sim.file("old.msl")), "a drive worth keeping");
             EXPECT_NE(said.find("old.msl is there already"), std::string::npos) << said;
         },
         ""},
        {"~/.config/Torvex/Tuning.conf is a FIFO",
         [](const Config& config) { ASSERT_EQ(::mkfifo(config.file().c_str(), 0600), 0); },
         [](Rig&, const Config& config) {
             EXPECT_TRUE(fs::is_fifo(config.file() + ".set-aside"));
             EXPECT_FALSE(fs::exists(config.file()));
         },
         "Tuning.conf is a FIFO, not a file; moved aside as "},
        {"Tuning.conf holds a value of 50 MB",
         [](const Config& config) {
             std::ofstream(config.file()) << "[General]\ntarget=" << std::string(50 << 20, '1');
         },
         [](Rig& c, const Config&) { EXPECT_EQ(c.window.tuning().settings().target, ""); },
         "Tuning.conf is over 64 KiB; moved aside as "},
        {"Tuning.conf holds apply-every=99999999",
         [](const Config& config) {
             std::ofstream(config.file()) << "[General]\napply-every=99999999\n";
         },
         [](Rig& c, const Config&) { EXPECT_EQ(c.window.tuning().settings().applyEveryS, 0); },
         "apply-every takes off or whole seconds, 10 to 3600, not '99999999'"},
        {"Tuning.conf holds a target with control characters",
         [](const Config& config) {
             std::ofstream(config.file()) << "[General]\ntarget=\"\\e]0;x\\a\"\n";
         },
         [](Rig& c, const Config&) { EXPECT_EQ(c.window.tuning().settings().target, ""); },
         "Target holds a control character"},
        {"3,000 digits typed into a field of the Tuning window", [](const Config&) {},
         [](Rig& c, const Config&) {
             TuningWindow& tuning = c.window.tuningWindow();
             tuning.show();
             const int width = tuning.width();
             EXPECT_FALSE(tuning.takeSetting("--min-hits", QString(3000, '7')));
             QCoreApplication::processEvents();
             EXPECT_LE(tuning.width(), width);
             EXPECT_TRUE(tuning.message().endsWith("...' (3000 characters)"))
                 << tuning.message().toStdString();
         },
         ""},
        {"a setting typed while its folder cannot be made (~/.config/Torvex is a file)",
         [](const Config& config) {
             fs::remove_all(config.dir + "/Torvex");
             std::ofstream(config.dir + "/Torvex") << "not a folder";
         },
         [](Rig& c, const Config&) {
             EXPECT_TRUE(c.window.tuningWindow().takeSetting("--min-hits", "30"));
             EXPECT_NE(c.status().find("could not be saved to"), std::string::npos) << c.status();
             EXPECT_NE(c.window.tuningWindow().message().toStdString().find("could not be saved"),
                       std::string::npos);
         },
         ""},
        {"Record clicked with HOME unset", [](const Config&) { qunsetenv("HOME"); },
         [](Rig& c, const Config&) {
             c.window.findChild<QToolButton*>("record")->click();
             const auto* label = c.window.findChild<QLabel*>("status");
             EXPECT_EQ(label->toolTip(), label->text()); // the whole of it, however long
             EXPECT_EQ(c.status(),
                       "Not recording: there is no home folder (HOME is not set) to keep it in");
             EXPECT_FALSE(c.window.recordField().recorder().recording());
         },
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        TvxSim folder; // a scratch folder of the row's own
        const Config config(folder.file(""));
        c.before(config);
        std::atomic<bool> started = false;
        // A row whose start would hang ends the suite with the reason rather than stopping it.
        std::thread watchdog([&started] {
            for (int k = 0; k < 300 && !started; ++k) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
            if (!started) {
                std::fprintf(stderr, "the window did not start\n");
                std::_Exit(1);
            }
        });
        Rig rig;
        started = true;
        watchdog.join();
        if (!c.said.empty()) {
            EXPECT_NE(rig.status().find(c.said), std::string::npos) << rig.status();
        }
        c.check(rig, config);
    }
}
