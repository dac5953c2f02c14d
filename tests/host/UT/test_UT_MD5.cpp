#include <UT/UT_MD5.h>

#include <gtest/gtest.h>

TEST(UT_MD5, Base64DigestOfKnownTexts)
{
    EXPECT_EQ(UT_md5_base64("", 0), "1B2M2Y8AsgTpgAmY7PhCfg");
    // md5("abc") = 900150983cd24fb0d6963f7d28e17f72
    EXPECT_EQ(UT_md5_base64("abc", 3), "kAFQmDzST7DWlj99KOF/cg");
}
