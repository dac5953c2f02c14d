#pragma once

#include <shop/types/SHOP_Type.h>

#include <string>
#include <vector>

class SHOP_Node;

// The formatter would reflow the example's lines into one another.
// clang-format off
/// An account of how shader requests travel through a network: one line per node that passed
/// a request on or answered it, and why. Nodes write to the trace of their thread only while
/// one is being recorded, so a request nobody explains costs one test of a pointer per node.
///
/// A caller records a request and reads the account; a node notes what it did:
/// @code
///     SHOP_Trace trace;                            // records until it goes out of scope
///     node->findShader(SHOP_SURFACE, 0, nullptr);
///     for (const std::string &line : trace.getLines())
///         std::cout << line << "\n";
///
///     // inside a node's findShader:
///     SHOP_Trace::note(*this, [&] { return "asks input " + std::to_string(index); });
/// @endcode
// clang-format on
class SHOP_Trace
{
public:
    SHOP_Trace();
    ~SHOP_Trace();
    SHOP_Trace(const SHOP_Trace &) = delete;
    SHOP_Trace &operator=(const SHOP_Trace &) = delete;

    /// The trace being recorded on this thread, or null.
    static SHOP_Trace *current() { return theCurrent; }
    /// Adds "<path> (<operator>): <why>" to the current trace, if any. `why` is a callable
    /// giving the text, called only when a trace is recorded.
    template <typename Why>
    static void note(const SHOP_Node &node, Why &&why)
    {
        if (theCurrent)
            theCurrent->add(node, why());
    }

    const std::vector<std::string> &getLines() const { return myLines; }

    /// A shader type as users read it ("Surface Shader"), also for values of no type.
    static std::string typeLabel(SHOP_TYPE type);

private:
    void add(const SHOP_Node &node, const std::string &why);

    static thread_local SHOP_Trace *theCurrent;
    SHOP_Trace *myPrevious;
    std::vector<std::string> myLines;
};
