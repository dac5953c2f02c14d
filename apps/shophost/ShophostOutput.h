#pragma once

/// Standard output as shophost answers on it.
class ShophostOutput
{
public:
    /// Sends out whatever is still buffered. False, with the reason on standard error, when a
    /// write failed at any point (a full disk, a closed pipe): the answers it carried are lost.
    static bool flush();
};
