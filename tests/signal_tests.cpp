// Signals through the real program: under the protocol SIGINT (which the
// interface sends to its engines) is ignored, at the console it keeps its
// default action; SIGTERM ends the program with exit code 0.
#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;

// A program started with pipes on its standard input and output, in a
// directory of its own.
class Running {
public:
    explicit Running(const char* program) {
        dir_ = fs::temp_directory_path() /
               ("corvane_signal_" + std::to_string(::getpid()) + "_" + std::to_string(++counter_));
        fs::create_directories(dir_);
        int in[2];
        int out[2];
        if (::pipe(in) != 0 || ::pipe(out) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            // The test runner's own handling of the signals is not passed on.
            std::signal(SIGINT, SIG_DFL);
            std::signal(SIGTERM, SIG_DFL);
            if (::chdir(dir_.c_str()) != 0) ::_exit(126);
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            ::close(in[0]);
            ::close(in[1]);
            ::close(out[0]);
            ::close(out[1]);
            ::execl(program, program, static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        input_ = in[1];
        output_ = out[0];
    }
    ~Running() {
        if (pid_ > 0 && !exited_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (input_ >= 0) ::close(input_);
        if (output_ >= 0) ::close(output_);
        fs::remove_all(dir_);
    }
    bool Started() const { return pid_ > 0 && input_ >= 0; }

    void Send(const std::string& text) {
        ASSERT_EQ(::write(input_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }

    // Reads until the output holds `text` `count` times or 20 s have passed.
    bool WaitFor(const std::string& text, int count = 1) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (Occurrences(text) < count) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            pollfd p{output_, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0) continue;
            char buffer[4096];
            const ssize_t n = ::read(output_, buffer, sizeof buffer);
            if (n <= 0) return false;
            output_text_.append(buffer, static_cast<size_t>(n));
        }
        return true;
    }

    void Signal(int number) { ::kill(pid_, number); }

    // Waits up to 20 s for the program to end; returns its wait status, or
    // -1 when it is still running.
    int Wait() {
        for (int i = 0; i < 2000; ++i) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                return status;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return -1;
    }

    const std::string& Output() const { return output_text_; }

private:
    int Occurrences(const std::string& text) const {
        int n = 0;
        for (size_t at = output_text_.find(text); at != std::string::npos; at = output_text_.find(text, at + 1)) ++n;
        return n;
    }

    static inline int counter_ = 0;
    fs::path dir_;
    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    bool exited_ = false;
    std::string output_text_;
};

const char* const kPrograms[] = {CORVANE4_PATH, CORVANE1_PATH};

TEST(Signals, UnderTheProtocolInterruptsAreIgnoredAndTerminationIsClean) {
    for (const char* program : kPrograms) {
        Running run(program);
        ASSERT_TRUE(run.Started()) << program;
        run.Send("xboard\n");
        ASSERT_TRUE(run.WaitFor("feature done=1\n")) << run.Output();
        run.Signal(SIGINT);
        run.Signal(SIGINT);
        // Still there and answering.
        run.Send("new\nxboard\n");
        ASSERT_TRUE(run.WaitFor("feature done=1\n", 2)) << program << "\n" << run.Output();
        run.Signal(SIGTERM);
        const int status = run.Wait();
        ASSERT_NE(status, -1) << program;
        EXPECT_TRUE(WIFEXITED(status)) << program;
        EXPECT_EQ(WEXITSTATUS(status), 0) << program;
    }
}

TEST(Signals, AtTheConsoleAnInterruptEndsTheProgramAndTerminationIsClean) {
    {
        Running run(CORVANE1_PATH);
        ASSERT_TRUE(run.Started());
        ASSERT_TRUE(run.WaitFor("  <-- white\n")) << run.Output();
        run.Signal(SIGINT);
        const int status = run.Wait();
        ASSERT_NE(status, -1);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
    }
    {
        Running run(CORVANE2_PATH);
        ASSERT_TRUE(run.Started());
        ASSERT_TRUE(run.WaitFor("  <-- white\n")) << run.Output();
        run.Signal(SIGTERM);
        const int status = run.Wait();
        ASSERT_NE(status, -1);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
}

}  // namespace
#endif
