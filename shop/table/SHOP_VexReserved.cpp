#include <shop/table/SHOP_VexReserved.h>

void SHOPgetVexReservedTemplateLists(UT_PtrArray<PRM_Template *> &)
{
    // The VEX-side names a shader's parameters must avoid come from the code generator's own
    // tables; the shader library adds nothing to them.
}
