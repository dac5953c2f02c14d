#include <PRM/PRM_DialogScripts.h>

#include <deque>
#include <mutex>
#include <string>

namespace
{
struct prm_DialogScript
{
    std::string name;
    std::string text;
};

// A deque keeps every text where it is as scripts are added, so the pointers handed out stay
// valid for the life of the process; it is never freed, so no exit order can leave a
// parameter reading a destroyed text.
struct prm_DialogScripts
{
    std::mutex lock;
    std::deque<prm_DialogScript> scripts;
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
    if (index < 0 || static_cast<size_t>(index) >= scripts.scripts.size())
        return nullptr;
    return scripts.scripts[index].text.c_str();
}

int PRMaddDialogScript(const char *name, const char *text)
{
    prm_DialogScripts &scripts = prm_scripts();
    std::lock_guard<std::mutex> guard(scripts.lock);
    scripts.scripts.push_back({name ? name : "", text ? text : ""});
    return static_cast<int>(scripts.scripts.size()) - 1;
}

int PRMfindDialogScript(const char *name)
{
    if (!name)
        return -1;
    prm_DialogScripts &scripts = prm_scripts();
    std::lock_guard<std::mutex> guard(scripts.lock);
    for (size_t i = 0; i < scripts.scripts.size(); ++i)
        if (scripts.scripts[i].name == name)
            return static_cast<int>(i);
    return -1;
}
