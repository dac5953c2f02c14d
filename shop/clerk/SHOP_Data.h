#pragma once

class SHOP_Clerk;

/// Render data that a clerk built for a node; owned by whoever asked for it. Renderers may tag
/// it with the object and geometry node it was built for and test the tag later.
class SHOP_Data
{
public:
    explicit SHOP_Data(const SHOP_Clerk *clerk) : myClerk(clerk) {}
    virtual ~SHOP_Data() = default;

    virtual const void *getRenderData() = 0;
    virtual const char *getStringData() = 0;

    const SHOP_Clerk *getClerk() const { return myClerk; }
    void setObjectSop(int object, int sop)
    {
        myObjectId = object;
        mySopId = sop;
    }
    /// 1 when the data was built by `clerk` for that object and geometry node id, else 0.
    int matchKey(const SHOP_Clerk *clerk, int object, int sop) const
    {
        return clerk == myClerk && object == myObjectId && sop == mySopId ? 1 : 0;
    }

protected:
    // Only a kind of data that knows how to share what it holds may be copied.
    SHOP_Data(const SHOP_Data &) = default;
    SHOP_Data &operator=(const SHOP_Data &) = default;

private:
    const SHOP_Clerk *myClerk;
    int myObjectId = -1;
    int mySopId = -1;
};
