// The PIN: its rules, the file it is kept in and a failing random source; and
// moving the data of an earlier version (the ordinary move and its log line
// against the real binary: tests/e2e/test_protocol.py).
#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstddef>
#include <filesystem>
#include <regex>
#include <set>

#include "LogCapture.h"
#include "Require.h"
#include "TestFiles.h"
#include "config/DataDirectory.h"
#include "config/Pin.h"
#include "runtime/Files.h"
#include "runtime/Json.h"

namespace tarsel {
namespace {

namespace fs = std::filesystem;
using testing::readText;
using testing::writeText;
using V = std::vector<std::string>;

const auto privateFile = fs::perms::owner_read | fs::perms::owner_write;

struct PinTest : ::testing::Test {
    void store(const std::string& text) { testing::writeText(path, text); }
    Json stored() { return Json::parse(testing::readText(path)); }

    testing::TempDir dir{"tarsel-pin"};
    std::string path = dir / "config.json";
    testing::LogCapture log;
};

TEST(StoredPin, SixNumericCharacters) {
    for (const char* good : {"012345", "١٢٣٤٥٦", "½12345"})  // Arabic-Indic; numeric, not decimal
        EXPECT_TRUE(isValidStoredPIN(good)) << good;
    for (const char* bad : {"12345", "1234567", "12a456", "12 456", "12\377456"})
        EXPECT_FALSE(isValidStoredPIN(bad)) << bad;
}

TEST_F(PinTest, NewPinsAreSixAsciiDigitsSavedPrivatelyAndLoadedAgain) {
    for (int i = 0; i < 200; ++i)  // a tenth of them begin with a zero
        ASSERT_TRUE(std::regex_match(generatePIN().value(), std::regex("[0-9]{6}")));
    std::string pin = loadOrCreatePIN({}, path);
    EXPECT_EQ(stored()["pin"], pin);
    EXPECT_EQ(stored()["version"], "1.0");
    EXPECT_EQ(privateFile, fs::status(path).permissions());
    EXPECT_EQ(loadOrCreatePIN({}, path), pin);
    EXPECT_EQ(log.lines(), (V{"🎲 [Config] Generated and saved new PIN (6 digits)",
                              "🔑 [Config] Loaded existing PIN from config"}));
    store(R"({"pin":"٠١٢٣٤٥","version":"9"})");
    EXPECT_EQ(loadOrCreatePIN({}, path), "٠١٢٣٤٥");
}

// Invalid PINs are replaced silently; a file that is not a JSON object is
// kept aside (the newest three copies) with a line naming the copy, so the
// user's other settings are not lost with it.
TEST_F(PinTest, InvalidOrBrokenStoredPinsAreReplaced) {
    // clang-format off
    const std::pair<const char*, bool> cases[] = {
        {R"({"pin":"12345"})", false}, {R"({"pin":"1234567"})", false}, {R"({"pin":123456})", false},
        {R"({"other":1})", false}, {"{not json", true}, {"123456", true}, {"\"123456\"", true},
        {R"(["123456"])", true}};
    // clang-format on
    for (auto [bad, damaged] : cases) {
        store(bad);
        log.clear();
        std::string pin = loadOrCreatePIN({}, path);
        EXPECT_EQ(stored()["pin"], pin) << bad;
        auto lines = log.lines();
        ASSERT_EQ(lines.size(), damaged ? 2u : 1u) << bad;
        EXPECT_EQ(lines.back(), "🎲 [Config] Generated and saved new PIN (6 digits)");
        if (!damaged) continue;
        const std::string prefix =
            "⚠️ [Config] 손상된 설정 파일을 옮기고 새 PIN을 만듭니다 (";
        ASSERT_EQ(lines[0].rfind(prefix, 0), 0u) << lines[0];
        const std::string aside = lines[0].substr(lines[0].rfind("): ") + 3);
        EXPECT_EQ(aside.rfind(path + ".damaged-", 0), 0u);
        EXPECT_EQ(files::readAll(aside).value(), bad);
    }
    int copies = 0;
    for (auto& entry : fs::directory_iterator(fs::path(path).parent_path()))
        copies += entry.path().filename().string().starts_with("config.json.damaged-");
    EXPECT_EQ(copies, 3);
}

// Where the PIN came from decides the pairing window; a new PIN keeps the
// user's other settings, such as the one that always puts it in discovery.
TEST_F(PinTest, SourceIsReportedAndOtherSettingsSurviveANewPin) {
    store(R"({"discovery_pin":"always","pin":"12"})");
    PinSource source{};
    std::string pin = loadOrCreatePIN({}, path, &source);
    EXPECT_EQ(source, PinSource::generated);
    EXPECT_EQ(stored(), (Json{{"discovery_pin", "always"}, {"pin", pin}, {"version", "1.0"}}));
    EXPECT_TRUE(discoveryPinAlways(path));
    loadOrCreatePIN({}, path, &source);
    EXPECT_EQ(source, PinSource::stored);
    loadOrCreatePIN({"1"}, path, &source);
    EXPECT_EQ(source, PinSource::commandLine);
    for (const char* other : {R"({"discovery_pin":"yes"})", R"({"discovery_pin":true})", "{"}) {
        store(other);
        EXPECT_FALSE(discoveryPinAlways(path)) << other;
    }
}

TEST_F(PinTest, ArgumentWinsAndTouchesNoFile) {
    store(R"({"pin":"111111"})");
    EXPECT_EQ(loadOrCreatePIN({"abc", "ignored"}, path), "abc");
    EXPECT_EQ(stored()["pin"], "111111");
    EXPECT_EQ(log.lines(), V{"🔑 [Static PIN Mode] Using custom PIN from command-line"});
}

TEST_F(PinTest, UnwritableConfigStillGivesAPinAndLeavesNoTemporaryFile) {
    for (const auto& unwritable : {dir / "missing-dir/config.json", dir / "a-folder"}) {
        fs::create_directories(dir / "a-folder/in-the-way");
        log.clear();
        EXPECT_EQ(loadOrCreatePIN({}, unwritable).size(), 6u);
        ASSERT_FALSE(log.lines().empty());
        EXPECT_EQ(log.lines().back().rfind("⚠️ [Config] Failed to save PIN: ", 0), 0u);
    }
    for (const auto& entry : fs::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename(), "a-folder");  // the failed rename's file is gone
}

// In a child: getrandom answers ENOSYS (as under a strict seccomp policy) and,
// where `noDevice`, /dev is an empty private mount.
int pinWithoutRandomness(const std::string& configPath, bool noDevice, std::string& pins) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        if (noDevice && (unshare(CLONE_NEWNS) != 0 ||
                         mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                         mount("none", "/dev", "tmpfs", 0, nullptr) != 0))
            _exit(3);
        sock_filter filter[] = {BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
                                BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_getrandom, 0, 1),
                                BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | ENOSYS),
                                BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW)};
        sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
        if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
            prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0)
            _exit(4);
        std::string out;
        for (int i = 0; i < 3; ++i) out += "[" + loadOrCreatePIN({}, configPath) + "]";
        if (write(fds[1], out.data(), out.size()) < 0) _exit(5);
        _exit(0);
    }
    close(fds[1]);
    char buf[256];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) pins.append(buf, n);
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(PinTest, AFailedRandomSourceNeverMakesAPredictablePin) {
    std::string pins;
    ASSERT_EQ(pinWithoutRandomness(path, false, pins), 0);
    EXPECT_EQ(pins.size(), 24u) << pins;  // the device stands in for getrandom
    EXPECT_NE(pins, "[000000][000000][000000]");
    fs::remove(path);
    pins.clear();
    const int status = pinWithoutRandomness(path, true, pins);
    REQUIRE_OR_SKIP(status != 3, "root, to hide /dev in a private mount namespace");
    ASSERT_EQ(status, 0);
    EXPECT_EQ(pins, "[][][]");  // no PIN at all, and so nothing any request matches
    EXPECT_FALSE(fs::exists(path));
}

const std::string kConfig = R"({"pin":"482913","version":"1.0"})", kDb = R"({"apps":[{"n":1}]})";

TEST(Migration, MovesPrivatelyFinishesAnInterruptedMoveAndKeepsFilesOnFailure) {
    testing::TempDir root;
    testing::LogCapture log;
    const std::string old = root / "old", now = root / "new";
    auto makeOld = [&](const std::string& config) {
        writeText(old + "/config.json", config);
        writeText(old + "/shortcuts_db.json", kDb);
    };
    makeOld(kConfig);
    migrateDataDirectory(old, now);
    EXPECT_EQ(readText(now + "/shortcuts_db.json"), kDb);
    EXPECT_EQ(privateFile, fs::status(now + "/config.json").permissions());
    EXPECT_EQ(fs::perms::owner_all, fs::status(now).permissions());  // whatever the umask
    EXPECT_FALSE(fs::exists(old));

    // The new config was written before a crash: it stays, the rest follows.
    fs::remove(now + "/shortcuts_db.json");
    makeOld(R"({"pin":"000000","version":"1.0"})");
    migrateDataDirectory(old, now);
    EXPECT_EQ(readText(now + "/config.json"), kConfig);
    EXPECT_EQ(readText(now + "/shortcuts_db.json"), kDb);
    EXPECT_FALSE(fs::exists(old));

    fs::remove_all(now);
    writeText(now, "a file where the folder should be");
    makeOld(kConfig);
    log.clear();
    migrateDataDirectory(old, now);
    EXPECT_EQ(readText(old + "/config.json"), kConfig);
    EXPECT_EQ(readText(old + "/shortcuts_db.json"), kDb);
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(
        log.lines()[0].rfind("⚠️ [Config] 데이터 이동 실패 (기존 위치 유지): ", 0),
        0u);
}

// Only regular files of at most 1 MiB are read: a FIFO must not hang the
// start-up, a link to a device must not be read without end.
TEST(Files, ReadOnlyRegularFilesOfAtMostOneMebibyte) {
    testing::TempDir dir;
    mkfifo((dir / "fifo").c_str(), 0600);
    fs::create_symlink("/dev/zero", dir / "zero");
    testing::writeText(dir / "big", std::string(files::kLargestRead + 1, 'x'));
    testing::writeText(dir / "limit", std::string(files::kLargestRead, 'x'));
    for (const char* refused : {"fifo", "zero", "big", "missing"})
        EXPECT_FALSE(files::readAll(dir / refused)) << refused;
    EXPECT_EQ(files::readAll(dir / "limit").value().size(), std::size_t(files::kLargestRead));
    fs::create_directories(dir / "folder");
    EXPECT_FALSE(files::readAll(dir / "folder"));
}

// Temporaries a killed writer left are removed at start, nothing else.
TEST(Files, StaleTemporariesAreRemoved) {
    testing::TempDir dir;
    testing::writeText(dir / "victim", "keep", 0644);
    testing::writeText(dir / "db.json", "{}", 0644);
    testing::writeText(dir / "db.json.tmp", "{}", 0644);
    const auto old = fs::file_time_type::clock::now() - std::chrono::minutes(2);
    for (const char* name : {"db.json.tmp-a1B2c3", "config.json.tmp-zzzzzz", "db.json.tmp-abc",
                             "db.json.tmp-writes"}) {
        testing::writeText(dir / name, "x");
        if (name != std::string("db.json.tmp-writes")) fs::last_write_time(dir / name, old);
    }
    fs::create_symlink(dir / "victim", dir / "link.tmp-abcdef");
    files::removeStaleTemporaries(dir.path());
    std::set<std::string> left;
    for (const auto& e : fs::directory_iterator(dir.path())) left.insert(e.path().filename());
    EXPECT_EQ(left, (std::set<std::string>{"db.json", "db.json.tmp", "db.json.tmp-abc",
                                           "db.json.tmp-writes", "link.tmp-abcdef", "victim"}));
}

}  // namespace
}  // namespace tarsel
