// shophost at a terminal: the shell is driven through a pseudo-terminal as a user types.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
class ShellSession
{
public:
    explicit ShellSession(const std::string &history)
    {
        myPid = forkpty(&myTerminal, nullptr, nullptr, nullptr);
        if (myPid == 0)
        {
            setenv("SHOPHOST_HISTORY", history.c_str(), 1);
            setenv("TERM", "xterm", 1);
            execl(SHOPHOST_EXE, "shophost", static_cast<char *>(nullptr));
            _exit(127);
        }
    }
    ~ShellSession()
    {
        if (myPid > 0 && waitpid(myPid, nullptr, WNOHANG) == 0)
        {
            kill(myPid, SIGKILL);
            waitpid(myPid, nullptr, 0);
        }
        if (myTerminal >= 0)
            close(myTerminal);
    }
    bool started() const { return myPid > 0; }

    /// Types `keys`, then reads what the terminal shows until `expected` appears (or a few
    /// seconds pass); true when it appeared.
    bool type(const std::string &keys, const std::string &expected)
    {
        // The line editor prints its prompt a moment before it takes the terminal over, and
        // switching the terminal's mode drops what was typed in between: type as a person
        // does, not in the same instant.
        usleep(100 * 1000);
        if (write(myTerminal, keys.data(), keys.size()) != static_cast<ssize_t>(keys.size()))
            return false;
        return waitFor(expected);
    }
    bool waitFor(const std::string &expected)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (myShown.find(expected, mySeen) == std::string::npos)
        {
            if (std::chrono::steady_clock::now() > end)
                return false;
            pollfd ready{myTerminal, POLLIN, 0};
            if (poll(&ready, 1, 100) <= 0)
                continue;
            char buffer[4096];
            const ssize_t got = read(myTerminal, buffer, sizeof buffer);
            if (got <= 0)
                return false;
            myShown.append(buffer, static_cast<size_t>(got));
        }
        mySeen = myShown.find(expected, mySeen) + expected.size();
        return true;
    }
    int exitStatus()
    {
        int status = -1;
        waitpid(myPid, &status, 0);
        myPid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    const std::string &shown() const { return myShown; }

private:
    pid_t myPid = -1;
    int myTerminal = -1;
    std::string myShown;
    size_t mySeen = 0;
};
} // namespace

TEST(ShophostShell, EditsCompletesRemembersAndCarriesOnAfterErrors)
{
    char dir[] = "/tmp/shophost_shellXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string history = std::string(dir) + "/history";
    struct Cleanup
    {
        const std::string &file;
        const char *folder;
        ~Cleanup()
        {
            std::remove(file.c_str());
            rmdir(folder);
        }
    } cleanup{history, dir};
    {
        ShellSession shell(history);
        ASSERT_TRUE(shell.started());
        ASSERT_TRUE(shell.waitFor("shophost:/> ")) << shell.shown();
        // Paths complete; the prompt follows the current network.
        ASSERT_TRUE(shell.type("cd /sh\t", "op ")) << shell.shown();
        ASSERT_TRUE(shell.type("\n", "shophost:/shop> ")) << shell.shown();
        // Operator types after add; commands as the first word.
        ASSERT_TRUE(shell.type("add plas\t", "tic ")) << shell.shown();
        ASSERT_TRUE(shell.type("look\n", "shophost:/shop> ")) << shell.shown();
        // A network with something inside goes on to its children.
        ASSERT_TRUE(shell.type("ls /s\t", "hop/")) << shell.shown();
        ASSERT_TRUE(shell.type("\x15", "\x1b[K")) << shell.shown();
        ASSERT_TRUE(shell.type("ev\t", "al ")) << shell.shown();
        // A node's path, then its parameter names: two candidates are listed.
        ASSERT_TRUE(shell.type("lo\t", "ok ")) << shell.shown();
        ASSERT_TRUE(shell.type("K\t\t", "Ks")) << shell.shown();
        ASSERT_TRUE(shell.type("d\n", "shophost:/shop> ")) << shell.shown();
        // A failing line is reported and the shell goes on.
        ASSERT_TRUE(shell.type("bogus\n", "Unknown command 'bogus' (stdin:4)")) << shell.shown();
        ASSERT_TRUE(shell.waitFor("shophost:/shop> "));
        // The line before comes back with the up arrow, to be edited.
        ASSERT_TRUE(shell.type("\x1b[A", "bogus")) << shell.shown();
        ASSERT_TRUE(shell.type("\x15pwd\n", "/shop\r\n")) << shell.shown();
        ASSERT_TRUE(shell.type("\x04", "\n")) << shell.shown();
        EXPECT_EQ(shell.exitStatus(), 0);
    }
    std::ifstream in(history);
    const std::string saved{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_NE(saved.find("eval"), std::string::npos) << saved;
    EXPECT_NE(saved.find("bogus"), std::string::npos) << saved;
    {
        // The next session remembers.
        ShellSession shell(history);
        ASSERT_TRUE(shell.waitFor("shophost:/> "));
        ASSERT_TRUE(shell.type("\x1b[A", "pwd")) << shell.shown();
        ASSERT_TRUE(shell.type("\x15\x04", "\n"));
        EXPECT_EQ(shell.exitStatus(), 0);
    }
}
