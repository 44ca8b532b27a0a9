// Signals through the real programs: under the protocol SIGINT (which the
// interface sends to its engines) is ignored, at the console it keeps its
// default action; SIGTERM ends the program with exit code 0.
#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <string>
#include <thread>

namespace {

// A program started with pipes on its standard input and output.
struct Running {
    pid_t Pid = -1;
    int In = -1, Out = -1;
    std::string Output;

    explicit Running(const char* program) {
        int in[2], out[2];
        if (::pipe(in) != 0 || ::pipe(out) != 0) return;
        Pid = ::fork();
        if (Pid == 0) {
            std::signal(SIGINT, SIG_DFL);  // whatever the test runner does with it
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            for (int fd : {in[0], in[1], out[0], out[1]}) ::close(fd);
            ::execl(program, program, static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        In = in[1];
        Out = out[0];
    }
    ~Running() {
        if (Pid > 0 && ::waitpid(Pid, nullptr, WNOHANG) == 0) {
            ::kill(Pid, SIGKILL);
            ::waitpid(Pid, nullptr, 0);
        }
        ::close(In);
        ::close(Out);
    }
    void Send(const std::string& text) { ASSERT_EQ(::write(In, text.data(), text.size()), ssize_t(text.size())); }

    // Reads until `text` has appeared `count` times; false after 20 s.
    bool WaitFor(const std::string& text, int count = 1) {
        for (int polls = 0; polls < 200; ++polls) {
            int seen = 0;
            for (auto at = Output.find(text); at != std::string::npos; at = Output.find(text, at + 1)) ++seen;
            if (seen >= count) return true;
            pollfd p{Out, POLLIN, 0};
            char buffer[4096];
            ssize_t n = 0;
            if (::poll(&p, 1, 100) > 0 && (n = ::read(Out, buffer, sizeof buffer)) <= 0) return false;
            Output.append(buffer, static_cast<size_t>(n));
        }
        return false;
    }

    // The wait status after `number`, or -1 when the program runs on for 20 s.
    int StatusAfter(int number) {
        ::kill(Pid, number);
        for (int i = 0; i < 2000; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(10))) {
            int status = 0;
            if (::waitpid(Pid, &status, WNOHANG) == Pid) {
                Pid = -1;
                return status;
            }
        }
        return -1;
    }
};

TEST(Signals, UnderTheProtocolInterruptsAreIgnoredAndTerminationIsClean) {
    for (const char* program : {CORVANE4_PATH, CORVANE1_PATH}) {
        Running run(program);
        run.Send("xboard\n");
        ASSERT_TRUE(run.WaitFor("feature done=1\n")) << run.Output;
        ::kill(run.Pid, SIGINT);
        run.Send("new\nxboard\n");  // still there and answering
        ASSERT_TRUE(run.WaitFor("feature done=1\n", 2)) << program << "\n" << run.Output;
        const int status = run.StatusAfter(SIGTERM);
        EXPECT_TRUE(status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0) << program << " " << status;
    }
}

TEST(Signals, AtTheConsoleAnInterruptEndsTheProgramAndTerminationIsClean) {
    Running interrupted(CORVANE1_PATH);
    ASSERT_TRUE(interrupted.WaitFor("  <-- white\n")) << interrupted.Output;
    const int status = interrupted.StatusAfter(SIGINT);
    EXPECT_TRUE(status != -1 && WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;

    Running terminated(CORVANE2_PATH);
    ASSERT_TRUE(terminated.WaitFor("  <-- white\n")) << terminated.Output;
    const int end = terminated.StatusAfter(SIGTERM);
    EXPECT_TRUE(end != -1 && WIFEXITED(end) && WEXITSTATUS(end) == 0) << end;
}

}  // namespace
#endif
