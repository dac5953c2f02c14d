#pragma once

/// What a parameter holds at bottom: whole numbers, floats or text. The values are fixed because
/// saved definitions and callers compare against them.
enum PRM_BasicType
{
    PRM_BASIC_NONE = 0,
    PRM_BASIC_ORDINAL = 1,
    PRM_BASIC_FLOAT = 2,
    PRM_BASIC_STRING = 4,
};

/// How a parameter is shown and what its components mean.
enum PRM_TypeFlag : unsigned
{
    PRM_TYPE_NONE = 0,
    PRM_TYPE_TOGGLE = 1u << 0,
    PRM_TYPE_SWITCHERLIST = 1u << 1, ///< a folder switcher; its defaults are the folder sizes
    PRM_TYPE_SEPARATOR = 1u << 2,
    PRM_TYPE_LABEL = 1u << 3,
    PRM_TYPE_NAMERGB = 1u << 4,  ///< a colour: channels end in r g b a
    PRM_TYPE_VECTOR = 1u << 5,   ///< a vector: channels end in x y z w
    PRM_TYPE_PIC = 1u << 6,      ///< a picture file
    PRM_TYPE_CALLBACK = 1u << 7, ///< a button
    PRM_TYPE_FILE = 1u << 8,
    PRM_TYPE_POLAR = 1u << 9,
    PRM_TYPE_FILTERS = 1u << 10,
    PRM_TYPE_MENU = 1u << 11,
    PRM_TYPE_COMMAND = 1u << 12, ///< a command text, whose default may name a dialog script
    PRM_TYPE_TERMINATOR = 1u << 31,
};

/// The bits that make a float parameter a direction or position in space.
inline constexpr unsigned PRM_TYPE_POLAR_MASK = PRM_TYPE_VECTOR | PRM_TYPE_POLAR;

/// Further kinds of string parameters.
enum PRM_TypeExtended
{
    PRM_TYPE_EXT_NONE = 0,
    PRM_TYPE_DYNAMIC_PATH = 17, ///< a path to a node
};

/// Kinds of multi-parameters: a count whose instances repeat a block of parameters.
enum PRM_MultiType
{
    PRM_MULTITYPE_NONE = 0,
    /// A count whose value is the number of instances of its child templates: each instance
    /// is a set of real parameters, named after the children with '#' replaced by the
    /// instance number (PRM_ParmList::syncMultiInstances).
    PRM_MULTITYPE_INSTANCES = 1,
    PRM_MULTITYPE_RAMP = 4,
    PRM_MULTITYPE_LIST = 8,
    PRM_MULTITYPE_SCROLL = 16,
};

/// The full type of a parameter template.
class PRM_Type
{
public:
    constexpr PRM_Type(PRM_BasicType basic = PRM_BASIC_NONE, unsigned flags = PRM_TYPE_NONE,
                       PRM_TypeExtended extended = PRM_TYPE_EXT_NONE,
                       PRM_MultiType multi = PRM_MULTITYPE_NONE)
        : myBasic(basic), myFlags(flags), myExtended(extended), myMulti(multi)
    {
    }

    constexpr PRM_BasicType getBasicType() const { return myBasic; }
    constexpr unsigned getFlags() const { return myFlags; }
    constexpr bool hasFlag(unsigned flag) const { return (myFlags & flag) != 0; }
    constexpr PRM_TypeExtended getExtendedType() const { return myExtended; }
    constexpr PRM_MultiType getMultiType() const { return myMulti; }
    constexpr bool isTerminator() const { return hasFlag(PRM_TYPE_TERMINATOR); }
    constexpr bool isOrdinalType() const { return myBasic == PRM_BASIC_ORDINAL; }
    constexpr bool isFloatType() const { return myBasic == PRM_BASIC_FLOAT; }
    constexpr bool isStringType() const { return myBasic == PRM_BASIC_STRING; }
    constexpr bool operator==(const PRM_Type &o) const
    {
        return myBasic == o.myBasic && myFlags == o.myFlags && myExtended == o.myExtended &&
               myMulti == o.myMulti;
    }

private:
    PRM_BasicType myBasic;
    unsigned myFlags;
    PRM_TypeExtended myExtended;
    PRM_MultiType myMulti;
};

inline constexpr PRM_Type PRM_INT(PRM_BASIC_ORDINAL);
inline constexpr PRM_Type PRM_TOGGLE(PRM_BASIC_ORDINAL, PRM_TYPE_TOGGLE);
inline constexpr PRM_Type PRM_ORD(PRM_BASIC_ORDINAL, PRM_TYPE_MENU);
inline constexpr PRM_Type PRM_SWITCHER(PRM_BASIC_ORDINAL, PRM_TYPE_SWITCHERLIST);
inline constexpr PRM_Type PRM_CALLBACK(PRM_BASIC_ORDINAL, PRM_TYPE_CALLBACK);
inline constexpr PRM_Type PRM_FLT(PRM_BASIC_FLOAT);
inline constexpr PRM_Type PRM_RGB(PRM_BASIC_FLOAT, PRM_TYPE_NAMERGB);
inline constexpr PRM_Type PRM_XYZ(PRM_BASIC_FLOAT, PRM_TYPE_VECTOR);
inline constexpr PRM_Type PRM_DIRECTION(PRM_BASIC_FLOAT, PRM_TYPE_POLAR | PRM_TYPE_VECTOR);
inline constexpr PRM_Type PRM_STRING(PRM_BASIC_STRING);
inline constexpr PRM_Type PRM_FILE(PRM_BASIC_STRING, PRM_TYPE_FILE);
inline constexpr PRM_Type PRM_PICFILE(PRM_BASIC_STRING, PRM_TYPE_FILE | PRM_TYPE_PIC);
inline constexpr PRM_Type PRM_SEPARATOR(PRM_BASIC_STRING, PRM_TYPE_SEPARATOR);
inline constexpr PRM_Type PRM_LABEL(PRM_BASIC_STRING, PRM_TYPE_LABEL);
inline constexpr PRM_Type PRM_STRING_OPREF(PRM_BASIC_STRING, PRM_TYPE_NONE, PRM_TYPE_DYNAMIC_PATH);
inline constexpr PRM_Type PRM_MULTILIST(PRM_BASIC_ORDINAL, PRM_TYPE_NONE, PRM_TYPE_EXT_NONE,
                                        PRM_MULTITYPE_LIST);
inline constexpr PRM_Type PRM_MULTISCROLL(PRM_BASIC_ORDINAL, PRM_TYPE_NONE, PRM_TYPE_EXT_NONE,
                                          PRM_MULTITYPE_SCROLL);
inline constexpr PRM_Type PRM_MULTIPARM(PRM_BASIC_ORDINAL, PRM_TYPE_NONE, PRM_TYPE_EXT_NONE,
                                        PRM_MULTITYPE_INSTANCES);
inline constexpr PRM_Type PRM_COMMAND(PRM_BASIC_STRING, PRM_TYPE_COMMAND);
inline constexpr PRM_Type PRM_LIST_TERMINATOR(PRM_BASIC_NONE, PRM_TYPE_TERMINATOR);
