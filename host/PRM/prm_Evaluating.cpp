#include <PRM/prm_Evaluating.h>

#include <EV/EV_Expression.h>
#include <PRM/PRM_Parm.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace
{
// Evaluations under way on any thread, and the expressions replaced meanwhile, deleted when
// the last evaluation ends.
std::atomic<int> theEvaluations{0};
std::mutex theRetiredLock;
std::vector<std::unique_ptr<EV_Expression>> theRetired;
// Parameters removed meanwhile, each with the template made for it (null for one it shares).
std::vector<std::pair<std::unique_ptr<PRM_Parm>, std::unique_ptr<PRM_Template>>> theRetiredParms;
// Whether theRetired may hold anything, so that the end of every evaluation need not take the
// lock to find it empty. An expression retired just after this was read waits for the end of
// the next evaluation, which is always safe.
std::atomic<bool> theAnyRetired{false};
} // namespace

prm_Evaluating::prm_Evaluating()
{
    theEvaluations.fetch_add(1, std::memory_order_acquire);
}

prm_Evaluating::~prm_Evaluating()
{
    if (theEvaluations.fetch_sub(1, std::memory_order_acq_rel) != 1 ||
        !theAnyRetired.load(std::memory_order_acquire))
        return;
    std::vector<std::unique_ptr<EV_Expression>> done;
    std::vector<std::pair<std::unique_ptr<PRM_Parm>, std::unique_ptr<PRM_Template>>> gone;
    std::lock_guard<std::mutex> lock(theRetiredLock);
    // Another evaluation may have begun since; what it may read stays.
    if (theEvaluations.load(std::memory_order_acquire) == 0)
    {
        done.swap(theRetired);
        gone.swap(theRetiredParms);
        theAnyRetired.store(false, std::memory_order_release);
    }
}

void PRM_Parm::prm_RetireExpression::operator()(EV_Expression *expr) const
{
    std::unique_ptr<EV_Expression> owned(expr);
    if (!owned || theEvaluations.load(std::memory_order_acquire) == 0)
        return;
    std::lock_guard<std::mutex> lock(theRetiredLock);
    theRetired.push_back(std::move(owned));
    theAnyRetired.store(true, std::memory_order_release);
}

void PRM_Parm::retire(std::unique_ptr<PRM_Parm> parm, std::unique_ptr<PRM_Template> tmpl)
{
    if (theEvaluations.load(std::memory_order_acquire) == 0)
        return;
    std::lock_guard<std::mutex> lock(theRetiredLock);
    theRetiredParms.emplace_back(std::move(parm), std::move(tmpl));
    theAnyRetired.store(true, std::memory_order_release);
}
