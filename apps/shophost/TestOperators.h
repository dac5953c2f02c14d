#pragma once

/// Node types that let the host be used before any shader context is loaded: the object
/// network "objnet" made at /obj, plain "null" nodes with a transform, "subnet" to nest, and
/// "parmtest" carrying one parameter of every kind.
class TestOperators
{
public:
    /// Adds the types to the director's tables and makes /obj.
    static void install();
};
