#include <PRM/PRM_DialogScripts.h>

#include <deque>
#include <mutex>
#include <string>

namespace
{
// A deque keeps every text where it is as scripts are added, so the pointers handed out stay
// valid for the life of the process; it is never freed, so no exit order can leave a
// parameter reading a destroyed text.
struct prm_DialogScripts
{
    std::mutex lock;
    std::deque<std::string> texts;
};

prm_DialogScripts &prm_scripts()
{
    static prm_DialogScripts *theScripts = new prm_DialogScripts;
    return *theScripts;
}
} // namespace

const char *PRMlookupDialogScript(int index)
{
    prm_DialogScripts &scripts = prm_scripts();
    std::lock_guard<std::mutex> guard(scripts.lock);
    if (index < 0 || static_cast<size_t>(index) >= scripts.texts.size())
        return nullptr;
    return scripts.texts[index].c_str();
}

int PRMaddDialogScript(const char *text)
{
    prm_DialogScripts &scripts = prm_scripts();
    std::lock_guard<std::mutex> guard(scripts.lock);
    scripts.texts.emplace_back(text ? text : "");
    return static_cast<int>(scripts.texts.size()) - 1;
}

int PRMfindDialogScript(const char *text)
{
    if (!text)
        return -1;
    prm_DialogScripts &scripts = prm_scripts();
    std::lock_guard<std::mutex> guard(scripts.lock);
    for (size_t i = 0; i < scripts.texts.size(); ++i)
        if (scripts.texts[i] == text)
            return static_cast<int>(i);
    return -1;
}
