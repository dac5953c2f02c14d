#include <OP/OP_OTLLibrary.h>

#include <FS/CPP_TokenStream.h>

#include <charconv>
#include <fstream>
#include <iterator>
#include <set>

namespace
{
// Thrown inside the reader only, and caught before parse returns.
struct otl_Error
{
    int line;
    std::string what;
};

std::string otl_quoted(const std::string &text)
{
    return "'" + text + "'";
}

template <typename T>
bool otl_number(const std::string &text, T &value)
{
    const char *end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return !text.empty() && ec == std::errc() && ptr == end;
}

class otl_Reader
{
public:
    otl_Reader(const std::string &text, const std::string &path) : myText(text), myPath(path) {}

    std::vector<OP_OTLDefinition> read()
    {
        std::vector<std::string> words;
        if (!nextLine(words))
            fail("not an asset file (expected 'assetfile 1')");
        if (words.size() == 2 && words[0] == "assetfile" && words[1] != "1")
            fail("unsupported asset file version " + otl_quoted(words[1]));
        if (words.size() != 2 || words[0] != "assetfile")
            fail("not an asset file (expected 'assetfile 1')");

        std::vector<OP_OTLDefinition> definitions;
        std::set<std::string> names;
        while (nextLine(words))
        {
            if (words[0] != "definition")
            {
                if (words[0] == "end" || words[0] == "label" || words[0] == "type" ||
                    words[0] == "subnet" || words[0] == "section")
                    fail(otl_quoted(words[0]) + " outside a definition");
                fail("unknown keyword " + otl_quoted(words[0]));
            }
            if (words.size() < 2 || words[1].empty())
                fail("definition without a name");
            if (words.size() > 2)
                fail("'definition' takes one name");
            if (!names.insert(words[1]).second)
                fail("duplicate definition " + otl_quoted(words[1]));
            definitions.push_back(readDefinition(words[1]));
        }
        return definitions;
    }

private:
    [[noreturn]] void fail(const std::string &what) const
    {
        throw otl_Error{myLine < 1 ? 1 : myLine, what};
    }

    // The words of the next line that has any: blank and comment lines are skipped.
    bool nextLine(std::vector<std::string> &words)
    {
        words.clear();
        while (myPos < myText.size())
        {
            ++myLine;
            size_t end = myText.find('\n', myPos);
            if (end == std::string::npos)
                end = myText.size();
            CPP_TokenStream tokens(myText.substr(myPos, end - myPos));
            myPos = end < myText.size() ? end + 1 : end;
            myLineEnded = end < myText.size();
            std::string word;
            while (tokens.getToken(word))
                words.push_back(word);
            if (tokens.hasTokenError())
                fail("unterminated string");
            if (!words.empty())
                return true;
        }
        return false;
    }

    OP_OTLDefinition readDefinition(const std::string &name)
    {
        OP_OTLDefinition def;
        const int line = myLine;
        def.setName(name);
        def.setAssetPath(myPath, line);
        def.setSourcePath(myPath + "?" + name);
        def.indexFile() = FS_IndexFile(def.getSourcePath());
        bool haveLabel = false, haveType = false, haveSubnet = false;
        std::vector<std::string> words;
        for (;;)
        {
            if (!nextLine(words))
                fail("'end' missing for definition " + otl_quoted(name));
            const std::string &key = words[0];
            if (key == "end")
            {
                if (words.size() != 1)
                    fail("'end' takes no values");
                break;
            }
            if (key == "definition")
                fail("'end' missing for definition " + otl_quoted(name));
            if (key == "label" || key == "type" || key == "subnet")
            {
                bool &seen = key == "label" ? haveLabel : key == "type" ? haveType : haveSubnet;
                if (seen)
                    fail("duplicate " + otl_quoted(key));
                seen = true;
                if (words.size() != 2)
                    fail(otl_quoted(key) + " needs one value");
                if (key == "label")
                    def.setLabel(words[1]);
                else if (key == "type")
                    def.setOpType(words[1]);
                else if (words[1] == "0" || words[1] == "1")
                    def.setIsSubnet(words[1] == "1");
                else
                    fail("invalid subnet value " + otl_quoted(words[1]));
            }
            else if (key == "section")
                readSection(words, def.indexFile());
            else
                fail("unknown keyword " + otl_quoted(key));
        }
        if (def.getOpType().empty())
        {
            myLine = line;
            fail("definition " + otl_quoted(name) + " has no type");
        }
        if (!haveLabel)
            def.setLabel(name);
        return def;
    }

    void readSection(const std::vector<std::string> &words, FS_IndexFile &index)
    {
        if (words.size() != 4)
            fail("'section' needs a name, a modification time and a size");
        FS_IndexFile::Section section;
        section.name = words[1];
        if (section.name.empty())
            fail("section without a name");
        if (index.hasSection(section.name.c_str()))
            fail("duplicate section " + otl_quoted(section.name));
        if (!otl_number(words[2], section.modTime))
            fail("invalid modification time " + otl_quoted(words[2]));
        unsigned long long size = 0;
        if (!otl_number(words[3], size))
            fail("invalid section size " + otl_quoted(words[3]));
        if (!myLineEnded || size > myText.size() - myPos)
            fail("section " + otl_quoted(section.name) + " runs past the end of the file");
        section.data.assign(myText, myPos, size);
        myPos += size;
        if (myPos >= myText.size() || myText[myPos] != '\n')
            fail("section " + otl_quoted(section.name) + " is not followed by a newline");
        ++myPos;
        for (char c : section.data)
            myLine += c == '\n';
        ++myLine;
        index.addSection(std::move(section));
    }

    const std::string &myText;
    const std::string &myPath;
    size_t myPos = 0;
    int myLine = 0;
    bool myLineEnded = false;
};

bool otl_needsQuotes(const std::string &word)
{
    if (word.empty() || word[0] == '#')
        return true;
    for (char c : word)
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v' || c == '"' ||
            c == '\\' || c == '{' || c == '}')
            return true;
    return false;
}

std::string otl_word(const std::string &word)
{
    if (!otl_needsQuotes(word))
        return word;
    std::string out = "\"";
    for (char c : word)
    {
        if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\\' || c == '"')
            (out += '\\') += c;
        else
            out += c;
    }
    return out + "\"";
}
} // namespace

bool OP_OTLLibrary::load(const std::string &path, std::string &error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
    {
        myDefinitions.clear();
        error = path + ": cannot open the file";
        return false;
    }
    return parse(in, path, error);
}

bool OP_OTLLibrary::parse(std::istream &in, const std::string &path, std::string &error)
{
    myDefinitions.clear();
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    try
    {
        myDefinitions = otl_Reader(text, path).read();
        return true;
    }
    catch (const otl_Error &e)
    {
        error = path + ":" + std::to_string(e.line) + ": " + e.what;
        return false;
    }
}

void OP_OTLLibrary::write(std::ostream &out, const std::vector<OP_OTLDefinition> &definitions)
{
    out << "assetfile 1\n";
    for (const OP_OTLDefinition &def : definitions)
    {
        out << "definition " << otl_word(def.getName()) << "\n";
        out << "    label " << otl_word(def.getLabel()) << "\n";
        out << "    type " << otl_word(def.getOpType()) << "\n";
        out << "    subnet " << (def.getIsSubnet() ? 1 : 0) << "\n";
        for (const FS_IndexFile::Section &section : def.getIndexFile().getSections())
        {
            out << "    section " << otl_word(section.name) << " " << section.modTime << " "
                << section.data.size() << "\n";
            out.write(section.data.data(), static_cast<std::streamsize>(section.data.size()));
            out << "\n";
        }
        out << "end\n";
    }
    // Callers check a file by loading it back while their stream is still open.
    out.flush();
}
