#pragma once

/// Data that an operator type carries for the nodes of one context; each context derives its
/// own record from it.
class OP_SpecificData
{
public:
    virtual ~OP_SpecificData() = default;
};
