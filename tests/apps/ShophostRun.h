#pragma once

// Runs of the shophost program for end-to-end tests: scripts in, text and exit status out.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace shophosttest
{
struct HostRun
{
    std::string out;
    std::string err;
    int status = -1;
};

inline std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

/// Runs shophost with `args` (already quoted for the shell) and `input` on standard input;
/// `environment` ("NAME=value ...", quoted for the shell) is set for the run only.
inline HostRun shophost(const std::string &args, const std::string &input = "",
                        const std::string &environment = "")
{
    char dir[] = "/tmp/shophost_testXXXXXX";
    EXPECT_NE(mkdtemp(dir), nullptr);
    const std::string base = dir;
    std::ofstream(base + "/in", std::ios::binary) << input;
    const std::string command = environment + " " + std::string(SHOPHOST_EXE) + " " + args + " <" +
                                base + "/in >" + base + "/out 2>" + base + "/err";
    HostRun run;
    int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = readFile(base + "/out");
    run.err = readFile(base + "/err");
    std::system(("rm -rf " + base).c_str());
    return run;
}

inline std::string writeScript(const std::string &name, const std::string &text)
{
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

// A search-path folder of the test's own, ahead of the shipped runtime folder for as long as it
// lives: asset files in assets/, script clerks in python/shopclerks/.
class UserFolder
{
public:
    UserFolder()
    {
        char dir[] = "/tmp/shophost_userXXXXXX";
        EXPECT_NE(mkdtemp(dir), nullptr);
        myRoot = dir;
        std::filesystem::create_directories(myRoot / "assets");
        std::filesystem::create_directories(myRoot / "python" / "shopclerks");
        setenv("SHOP_HOST_PATH", myRoot.c_str(), 1);
    }
    ~UserFolder()
    {
        unsetenv("SHOP_HOST_PATH");
        std::filesystem::remove_all(myRoot);
    }
    UserFolder(const UserFolder &) = delete;
    UserFolder &operator=(const UserFolder &) = delete;

    std::string write(const std::string &relative, const std::string &text) const
    {
        const std::string path = (myRoot / relative).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    // One definition of an asset file: name, type text, subnet mark and dialog script (by
    // default one that only names the definition).
    static std::string definition(const std::string &name, const std::string &type, bool subnet,
                                  std::string script = "")
    {
        if (script.empty())
            script = "{ name " + name + " }";
        return "definition " + name + "\n    type " + type + "\n    subnet " +
               (subnet ? "1" : "0") + "\n    section DialogScript 0 " +
               std::to_string(script.size()) + "\n" + script + "\nend\n";
    }

private:
    std::filesystem::path myRoot;
};
} // namespace shophosttest
