// The single-instance lock and the korvante-msg tool, driven as scripts and users drive it.
#include "platform/single_instance.h"

#include "bus_test_support.h"

#include <fcntl.h>
#include <spawn.h>

#include <fstream>
#include <thread>

extern char** environ;

class SingleInstance : public bustest::PrivateSession {};

TEST_F(SingleInstance, SecondHolderRefusedUntilFirstIsGone) {
    {
        platform::SingleInstance first("KORVANTEHidAgent_Mutex");
        ASSERT_TRUE(first.acquire());
        EXPECT_TRUE(first.acquire());  // asking again keeps it
        platform::SingleInstance second("KORVANTEHidAgent_Mutex");
        EXPECT_FALSE(second.acquire());
        platform::SingleInstance other("KORVANTE_Mutex");
        EXPECT_TRUE(other.acquire());  // different names do not interfere
    }
    platform::SingleInstance again("KORVANTEHidAgent_Mutex");
    EXPECT_TRUE(again.acquire());
}

TEST_F(SingleInstance, HeldByAnotherProcessUntilItExits) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t pid = ::fork();
    if (pid == 0) {
        platform::SingleInstance lock("svc/../x");
        char ok = lock.acquire() ? 1 : 0;
        (void)!::write(ready[1], &ok, 1);
        platform::sleepMs(300);
        ::_exit(0);  // exiting releases the lock, with no clean-up code running
    }
    children_.push_back(pid);
    char ok = 0;
    ASSERT_EQ(::read(ready[0], &ok, 1), 1);
    ASSERT_EQ(ok, 1);
    platform::SingleInstance mine("svc/../x");
    EXPECT_FALSE(mine.acquire());
    EXPECT_EQ(waitChild(pid), 0);
    EXPECT_TRUE(mine.acquire());
    ::close(ready[0]);
    ::close(ready[1]);
}

class MessageTool : public bustest::PrivateSession {
protected:
    void SetUp() override {
        PrivateSession::SetUp();
        tool_ = std::string(KORVANTE_BIN_DIR) + "/korvante-msg";
        if (::access(tool_.c_str(), X_OK) != 0) GTEST_SKIP() << "korvante-msg not built";
    }
    // Runs the tool, returns its exit status; stdout goes to `out` when given.
    int run(std::vector<std::string> args, std::string* out = nullptr) {
        std::string file = root_ + "/out.txt";
        pid_t pid = spawn(args, file);
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (out) {
            std::ifstream in(file);
            out->assign(std::istreambuf_iterator<char>(in), {});
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    pid_t spawn(std::vector<std::string> args, const std::string& stdoutFile) {
        args.insert(args.begin(), tool_);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, stdoutFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        pid_t pid = -1;
        EXPECT_EQ(posix_spawn(&pid, tool_.c_str(), &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        return pid;
    }
    std::string tool_;
};

TEST_F(MessageTool, BadArgumentsPrintUsageAndExit2) {
    EXPECT_EQ(run({}), 2);
    EXPECT_EQ(run({"post"}), 2);
    EXPECT_EQ(run({"post", "T"}), 2);
    EXPECT_EQ(run({"post", "T", "12x"}), 2);
    EXPECT_EQ(run({"post", "T", "-1"}), 2);          // message numbers are unsigned 32-bit
    EXPECT_EQ(run({"post", "T", "0x100000000"}), 2);
    EXPECT_EQ(run({"post", "T", "1", "0x"}), 2);
    EXPECT_EQ(run({"post", "T", "1", "2", "3", "4"}), 2);
    EXPECT_EQ(run({"find", "T", "extra"}), 2);
    EXPECT_EQ(run({"shout", "T"}), 2);
}

TEST_F(MessageTool, FindPostAndSendReachAWindowOfThisProcess) {
    EXPECT_EQ(run({"find", "KORVANTEHidAgent"}), 1);
    EXPECT_EQ(run({"post", "KORVANTEHidAgent", "1279"}), 1);
    EXPECT_EQ(run({"send", "KORVANTEHidAgent", "1279"}), 1);

    platform::EventLoop loop;
    std::vector<std::tuple<uint32_t, int64_t, int64_t>> got;
    platform::Window w(loop, [&](uint32_t m, int64_t a, int64_t b) {
        got.emplace_back(m, a, b);
        return a - b;
    });
    ASSERT_TRUE(w.create("KORVANTEHidAgent"));
    int findStatus = -1, postStatus = -1, sendStatus = -1;
    std::string sendOut;
    std::thread t([&] {
        findStatus = run({"find", "KORVANTEHidAgent"});
        postStatus = run({"post", "KORVANTEHidAgent", "0x513", "2", "-4"});
        sendStatus = run({"send", "KORVANTEHidAgent", "1297", "0xff", "300"}, &sendOut);
        loop.runOnLoop([&] { loop.quit(); });
    });
    loop.run();
    t.join();
    EXPECT_EQ(findStatus, 0);
    EXPECT_EQ(postStatus, 0);
    EXPECT_EQ(sendStatus, 0);
    EXPECT_EQ(sendOut, "-45\n");
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0], std::make_tuple(1299u, int64_t{2}, int64_t{-4}));
    EXPECT_EQ(got[1], std::make_tuple(1297u, int64_t{255}, int64_t{300}));
}

TEST_F(MessageTool, ListenPrintsEveryMessageKeepsGoingOnCloseAndEndsOnSigterm) {
    std::string file = root_ + "/listen.txt";
    pid_t pid = spawn({"listen", "KORVANTE"}, file);
    children_.push_back(pid);
    ASSERT_TRUE(waitForWindow("KORVANTE", true));
    EXPECT_TRUE(platform::postMessage("KORVANTE", 1285, 9, 3));
    EXPECT_TRUE(platform::postMessage("KORVANTE", platform::kWmClose));
    EXPECT_TRUE(platform::postMessage("KORVANTE", platform::kWmQuit));
    int64_t r = -1;
    EXPECT_TRUE(platform::sendMessage("KORVANTE", 1280, -1, INT64_MIN, &r));
    EXPECT_EQ(r, 0);
    EXPECT_TRUE(platform::findWindow("KORVANTE"));  // still there after WM_CLOSE and WM_QUIT
    // A second listener cannot take the same title.
    EXPECT_EQ(run({"listen", "KORVANTE"}), 1);

    ::kill(pid, SIGTERM);
    EXPECT_EQ(waitChild(pid), 0);
    EXPECT_FALSE(platform::findWindow("KORVANTE"));
    std::ifstream in(file);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(text, "1285 9 3\n16 0 0\n18 0 0\n1280 -1 -9223372036854775808\n");
}
