#include <OP/OP_OTLLibrary.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace
{
OP_OTLDefinition makeDefinition(const std::string &name, const std::string &label,
                                const std::string &type, bool subnet)
{
    OP_OTLDefinition def;
    def.setName(name);
    def.setLabel(label);
    def.setOpType(type);
    def.setIsSubnet(subnet);
    return def;
}

bool parse(OP_OTLLibrary &library, const std::string &text, std::string &error)
{
    std::istringstream in(text);
    return library.parse(in, "lib.asset", error);
}

std::string errorOf(const std::string &text)
{
    OP_OTLLibrary library;
    std::string error;
    if (parse(library, text, error))
        return "<no error>";
    EXPECT_TRUE(library.getDefinitions().empty()) << text;
    return error;
}
} // namespace

// Section data is length-delimited, so anything at all may be in it: NULs, lines that look
// like keywords, no newline at its end, nothing.
TEST(OP_OTLLibrary, WrittenDefinitionsReadBackExactly)
{
    std::vector<OP_OTLDefinition> defs;
    defs.push_back(makeDefinition("plastic", "Plastic \"Shiny\"", "surface", false));
    defs.back().indexFile().addSection(
        {"DialogScript", 1733400000, "{\n    name plastic\n}\nend\n"});
    const char binary[] = "\0end\n\0\n\nsection x 1 1\n\xff";
    defs.back().indexFile().addSection({"Binary", -5, std::string(binary, sizeof binary - 1)});
    defs.push_back(makeDefinition("odd name{#}", "two\nlines\ttab\\", "#type", true));
    defs.back().indexFile().addSection({"Empty", 0, ""});
    defs.back().indexFile().addSection({"No newline", 7, "last"});

    std::ostringstream out;
    OP_OTLLibrary::write(out, defs);
    OP_OTLLibrary library;
    std::string error;
    ASSERT_TRUE(parse(library, out.str(), error)) << error << "\n" << out.str();
    const std::vector<OP_OTLDefinition> &got = library.getDefinitions();
    ASSERT_EQ(got.size(), defs.size());
    for (size_t i = 0; i < defs.size(); ++i)
    {
        EXPECT_EQ(got[i].getName(), defs[i].getName());
        EXPECT_EQ(got[i].getLabel(), defs[i].getLabel());
        EXPECT_EQ(got[i].getOpType(), defs[i].getOpType());
        EXPECT_EQ(got[i].getIsSubnet(), defs[i].getIsSubnet());
        EXPECT_EQ(got[i].getAssetPath(), "lib.asset");
        EXPECT_EQ(got[i].getSourcePath(), "lib.asset?" + defs[i].getName());
        EXPECT_EQ(got[i].getIndexFile().getSourcePath(), got[i].getSourcePath());
        const auto &want = defs[i].getIndexFile().getSections();
        const auto &have = got[i].getIndexFile().getSections();
        ASSERT_EQ(have.size(), want.size());
        for (size_t s = 0; s < want.size(); ++s)
        {
            EXPECT_EQ(have[s].name, want[s].name);
            EXPECT_EQ(have[s].modTime, want[s].modTime);
            EXPECT_EQ(have[s].data, want[s].data);
        }
    }
    // The second definition starts after the multi-line data of the first.
    EXPECT_EQ(got[0].getLine(), 2);
    EXPECT_EQ(got[1].getLine(), 19);

    const FS_IndexFile &index = got[0].getIndexFile();
    std::string data;
    EXPECT_TRUE(index.readSection("Binary", data));
    EXPECT_EQ(data.size(), 23u);
    EXPECT_EQ(index.getSectionDataSize("Binary"), 23);
    EXPECT_EQ(index.getSectionModTime("Binary"), -5);
    EXPECT_FALSE(index.hasSection("Missing"));
    EXPECT_EQ(index.getSectionDataSize("Missing"), -1);
    EXPECT_EQ(index.getSectionModTime("Missing"), -1);
    EXPECT_FALSE(index.readSection("Missing", data));
}

TEST(OP_OTLLibrary, CommentsDefaultsAndLines)
{
    const std::string text = "# made by hand\n"
                             "\n"
                             "assetfile 1\n"
                             "definition a   # comment after words\n"
                             "  type surface\n"
                             "  section S 1 3\n"
                             "#x\n"
                             "\n"
                             "end\n"
                             "  # between\n"
                             "definition b\n"
                             "  type light\n"
                             "  label \"\"\n"
                             "  subnet 1\n"
                             "end";
    OP_OTLLibrary library;
    std::string error;
    ASSERT_TRUE(parse(library, text, error)) << error;
    const auto &defs = library.getDefinitions();
    ASSERT_EQ(defs.size(), 2u);
    EXPECT_EQ(defs[0].getLabel(), "a");
    EXPECT_FALSE(defs[0].getIsSubnet());
    EXPECT_EQ(defs[0].getLine(), 4);
    std::string data;
    ASSERT_TRUE(defs[0].getIndexFile().readSection("S", data));
    EXPECT_EQ(data, "#x\n");
    EXPECT_EQ(defs[1].getLabel(), "");
    EXPECT_TRUE(defs[1].getIsSubnet());
    EXPECT_EQ(defs[1].getLine(), 11);

    // A second read forgets what the first found.
    EXPECT_FALSE(parse(library, "assetfile 2\n", error));
    EXPECT_TRUE(library.getDefinitions().empty());
}

TEST(OP_OTLLibrary, MalformedFilesNameFileAndLineAndYieldNothing)
{
    const std::string head = "assetfile 1\ndefinition a\n type surface\n";
    const struct
    {
        std::string text;
        std::string error;
    } cases[] = {
        {"", "lib.asset:1: not an asset file (expected 'assetfile 1')"},
        {"# only a comment\n", "lib.asset:1: not an asset file (expected 'assetfile 1')"},
        {"definition a\n", "lib.asset:1: not an asset file (expected 'assetfile 1')"},
        {"assetfile\n", "lib.asset:1: not an asset file (expected 'assetfile 1')"},
        {"\nassetfile 2\n", "lib.asset:2: unsupported asset file version '2'"},
        {"assetfile 1\nbogus\n", "lib.asset:2: unknown keyword 'bogus'"},
        {"assetfile 1\nend\n", "lib.asset:2: 'end' outside a definition"},
        {"assetfile 1\ntype surface\n", "lib.asset:2: 'type' outside a definition"},
        {"assetfile 1\ndefinition\n", "lib.asset:2: definition without a name"},
        {"assetfile 1\ndefinition \"\"\n", "lib.asset:2: definition without a name"},
        {"assetfile 1\ndefinition a b\n", "lib.asset:2: 'definition' takes one name"},
        {head, "lib.asset:3: 'end' missing for definition 'a'"},
        {head + "definition b\n", "lib.asset:4: 'end' missing for definition 'a'"},
        {head + "end x\n", "lib.asset:4: 'end' takes no values"},
        {head + "colour red\nend\n", "lib.asset:4: unknown keyword 'colour'"},
        {head + "type light\nend\n", "lib.asset:4: duplicate 'type'"},
        {head + "label\nend\n", "lib.asset:4: 'label' needs one value"},
        {head + "subnet yes\nend\n", "lib.asset:4: invalid subnet value 'yes'"},
        {head + "label \"open\nend\n", "lib.asset:4: unterminated string"},
        {"assetfile 1\ndefinition a\nlabel A\nend\n", "lib.asset:2: definition 'a' has no type"},
        {"assetfile 1\ndefinition a\ntype \"\"\nend\n", "lib.asset:2: definition 'a' has no type"},
        {head + "end\ndefinition a\ntype light\nend\n", "lib.asset:5: duplicate definition 'a'"},
        {head + "section S 1\n",
         "lib.asset:4: 'section' needs a name, a modification time and a size"},
        {head + "section \"\" 1 0\n\nend\n", "lib.asset:4: section without a name"},
        {head + "section S x 0\n\nend\n", "lib.asset:4: invalid modification time 'x'"},
        {head + "section S 1 -1\n\nend\n", "lib.asset:4: invalid section size '-1'"},
        {head + "section S 1 1.5\n\nend\n", "lib.asset:4: invalid section size '1.5'"},
        {head + "section S 1 99999999999999999999999\n",
         "lib.asset:4: invalid section size '99999999999999999999999'"},
        {head + "section S 1 18446744073709551615\nab\nend\n",
         "lib.asset:4: section 'S' runs past the end of the file"},
        {head + "section S 1 10\nab\nend\n",
         "lib.asset:4: section 'S' runs past the end of the file"},
        {head + "section S 1 0", "lib.asset:4: section 'S' runs past the end of the file"},
        {head + "section S 1 2\nab", "lib.asset:4: section 'S' is not followed by a newline"},
        {head + "section S 1 1\nab\nend\n",
         "lib.asset:4: section 'S' is not followed by a newline"},
        {head + "section S 1 1\na\nsection S 2 1\nb\nend\n", "lib.asset:6: duplicate section 'S'"},
        {head + "section S 1 3\na\nb\nbad\nend\n", "lib.asset:7: unknown keyword 'bad'"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(errorOf(c.text), c.error) << c.text;

    // A good definition before the error is not kept either.
    EXPECT_EQ(errorOf(head + "end\ndefinition b\n"),
              "lib.asset:5: 'end' missing for definition 'b'");
}

TEST(OP_OTLLibrary, LoadReadsFilesAndReportsMissingOnes)
{
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("test_otl_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "a.asset").string();
    {
        std::ofstream out(path, std::ios::binary);
        std::vector<OP_OTLDefinition> defs{makeDefinition("a", "A", "surface", false)};
        defs[0].indexFile().addSection({"DialogScript", 3, "{\r\n}\r\n"});
        OP_OTLLibrary::write(out, defs);
    }
    OP_OTLLibrary library;
    std::string error;
    ASSERT_TRUE(library.load(path, error)) << error;
    ASSERT_EQ(library.getDefinitions().size(), 1u);
    EXPECT_EQ(library.getDefinitions()[0].getSourcePath(), path + "?a");
    std::string data;
    ASSERT_TRUE(library.getDefinitions()[0].getIndexFile().readSection("DialogScript", data));
    EXPECT_EQ(data, "{\r\n}\r\n");

    const std::string missing = (dir / "missing.asset").string();
    EXPECT_FALSE(library.load(missing, error));
    EXPECT_EQ(error, missing + ": cannot open the file");
    EXPECT_TRUE(library.getDefinitions().empty());
    std::filesystem::remove_all(dir);
}
