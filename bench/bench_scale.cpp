// Scale of whole scenes, in one process set up as shophost is: the seconds of each step of
// building, saving, loading and asking a scene, and what a node costs in memory.
//
//   bench_scale SHAPE NODES [FILE]
//
// Shapes:
//   plain   NODES plastic surfaces in /shop
//   nested  NODES subnet objects each inside the one before (/obj/s/s/s/...), a plastic below
//   chain   a plastic and NODES switches in /shop, each reading the one before
// Steps, each a command script run through the command language:
//   create  the nodes (add, and wire for the chain)
//   set     one parameter of every node
//   save    the scene to FILE (default: a file in the temporary folder, removed after)
//   load    FILE into the scene
//   shader  the shader string of every plastic, and of the last switch of a chain
// Prints one line: shape, nodes, processor seconds of each step and their total, and bytes
// per node (heap in use after "create" less before it, over NODES). bench/scale.sh runs it
// for several sizes and takes medians.

#include "../apps/shophost/HostSetup.h"
#include "../apps/shophost/ShopCommands.h"

#include <CMD/CMD_Manager.h>

#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <sstream>
#include <string>

namespace
{
double bench_cpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

size_t bench_heapInUse()
{
    return mallinfo2().uordblks;
}

struct bench_Scripts
{
    std::string create, set, shader;
};

bench_Scripts bench_scripts(const std::string &shape, long n)
{
    bench_Scripts s;
    if (shape == "plain")
    {
        s.create = "cd /shop\n";
        for (long i = 1; i <= n; ++i)
        {
            const std::string name = "p" + std::to_string(i);
            s.create += "add plastic " + name + "\n";
            s.set += "set " + name + " Kd 0.25\n";
            s.shader += "shader /shop/" + name + "\n";
        }
    }
    else if (shape == "nested")
    {
        // Every level in turn, through paths one step long, as a user walks down a tree.
        s.create = "cd /obj\n";
        s.set = "cd /obj\n";
        for (long i = 1; i <= n; ++i)
        {
            s.create += "add subnet s\ncd s\n";
            s.set += "set s tx 1\ncd s\n";
        }
        s.create += "cd /shop\nadd plastic p\n";
        s.set += "set /shop/p Kd 0.25\n";
        s.shader = "shader /shop/p\n";
    }
    else if (shape == "chain")
    {
        s.create = "cd /shop\nadd plastic w0\n";
        s.set = "set /shop/w0 Kd 0.25\n";
        for (long i = 1; i <= n; ++i)
        {
            const std::string name = "w" + std::to_string(i);
            s.create +=
                "add switch " + name + "\nwire w" + std::to_string(i - 1) + " " + name + " 0\n";
            s.set += "set /shop/" + name + " input 0\n";
        }
        s.shader = "shader /shop/w0\nshader /shop/w" + std::to_string(n) + "\n";
    }
    return s;
}

// Runs a script, failing the whole run at its first failing line.
double bench_step(const std::string &name, const std::string &script)
{
    std::istringstream in(script);
    std::ostringstream out;
    const double start = bench_cpuSeconds();
    if (!CMDgetManager()->runScript(in, name, out, std::cerr))
        std::exit(1);
    return bench_cpuSeconds() - start;
}
} // namespace

int main(int argc, char **argv)
{
    const std::string shape = argc > 2 ? argv[1] : "";
    const long n = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 0;
    const bench_Scripts scripts = bench_scripts(shape, n);
    if (n <= 0 || scripts.create.empty())
    {
        std::cerr << "Usage: bench_scale plain|nested|chain NODES [FILE]\n";
        return 2;
    }
    const std::string file =
        argc > 3 ? argv[3] : "/tmp/bench_scale_" + std::to_string(::getpid()) + ".cmd";

    HostSetup::install();
    ShopCommands::install(*CMDgetManager());

    // Python starts with the first creation script; its start is not a node's cost.
    bench_step("warm-up", "cd /shop\nadd plastic warmup\nrm warmup\n");
    const size_t heapBefore = bench_heapInUse();
    const double create = bench_step("create", scripts.create);
    const size_t heapAfter = bench_heapInUse();
    const double set = bench_step("set", scripts.set);
    const double save = bench_step("save", "save " + file + "\n");
    const double load = bench_step("load", "load " + file + "\n");
    const double shader = bench_step("shader", scripts.shader);
    if (argc <= 3)
        std::remove(file.c_str());

    std::printf("%-7s %7ld %8.3f %8.3f %8.3f %8.3f %8.3f %8.3f %9.0f\n", shape.c_str(), n, create,
                set, save, load, shader, create + set + save + load + shader,
                (static_cast<double>(heapAfter) - static_cast<double>(heapBefore)) /
                    static_cast<double>(n));
    return 0;
}
