#pragma once

/// The interpreter lock as the host's own lock, for a program whose Python scripts may start
/// threads that use the `host` module.
///
/// The program's main thread takes the lock once (hold) and keeps it whenever it runs host code.
/// Another thread then runs host code only while the main thread is itself inside Python (where
/// the interpreter hands the lock around), the same situation as a script that calls the host
/// from inside a command: never at the same time as the command loop. The main thread gives
/// the lock up only to wait, for input (Released) or for the threads still working at the end
/// (waitForThreads). A thread that is not Python's takes the lock through
/// PY_InterpreterAutoLock before it touches the scene.
class PY_HostLock
{
public:
    /// Takes the lock for the calling thread for the rest of the process, starting the
    /// interpreter when it is not running yet.
    static void hold();
    /// Waits, the lock given up meanwhile, until every Python thread but daemons has finished,
    /// as the interpreter itself does before a program ends. Call it with the lock held.
    static void waitForThreads();

    /// Gives the lock up for the guard's lifetime when the calling thread holds it, so that
    /// other threads run while this one waits for something else.
    class Released
    {
    public:
        Released();
        ~Released();
        Released(const Released &) = delete;
        Released &operator=(const Released &) = delete;

    private:
        void *myState; // the thread's PyThreadState while released, else null
    };
};
