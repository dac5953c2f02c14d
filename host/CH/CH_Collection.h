#pragma once

/// Something whose parameters are being evaluated. The channel manager keeps, per thread, the
/// collection that is being evaluated, so that expression functions know on whose behalf they
/// run.
class CH_Collection
{
public:
    virtual ~CH_Collection() = default;
};
