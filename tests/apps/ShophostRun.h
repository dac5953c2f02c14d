#pragma once

// Runs of the shophost program for end-to-end tests: scripts in, text and exit status out.

#include <gtest/gtest.h>

#include <cstdlib>
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
} // namespace shophosttest
