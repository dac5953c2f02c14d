#include <OP/OP_Path.h>

std::vector<std::string> OP_Path::split(const std::string &path)
{
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    while (start <= path.size())
    {
        std::string::size_type end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        if (end > start)
            parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string OP_Path::resolve(const std::string &base, const std::string &path)
{
    std::vector<std::string> parts;
    if (path.empty() || path[0] != '/')
        parts = split(base);
    for (const std::string &part : split(path))
    {
        if (part == ".")
            continue;
        if (part == "..")
        {
            if (parts.empty())
                return {};
            parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string result;
    for (const std::string &part : parts)
        result += "/" + part;
    return result.empty() ? "/" : result;
}

std::string OP_Path::relative(const std::string &from, const std::string &to)
{
    std::vector<std::string> a = split(from), b = split(to);
    size_t common = 0;
    while (common < a.size() && common < b.size() && a[common] == b[common])
        ++common;
    std::string result;
    for (size_t i = common; i < a.size(); ++i)
        result += result.empty() ? ".." : "/..";
    for (size_t i = common; i < b.size(); ++i)
        result += (result.empty() ? "" : "/") + b[i];
    return result.empty() ? "." : result;
}

bool OP_Path::isWithin(const std::string &path, const std::string &prefix)
{
    if (prefix == "/")
        return !path.empty() && path[0] == '/';
    return path == prefix ||
           (path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0 &&
            path[prefix.size()] == '/');
}
