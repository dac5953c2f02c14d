#pragma once

/// Marks an evaluation under way, on any thread, for as long as it lives. What is taken out
/// of parameters meanwhile (a replaced expression, a removed parameter with its template) is
/// deleted only when the last evaluation ends: a script an evaluation runs may replace or
/// remove the very thing being evaluated.
class prm_Evaluating
{
public:
    prm_Evaluating();
    ~prm_Evaluating();
    prm_Evaluating(const prm_Evaluating &) = delete;
    prm_Evaluating &operator=(const prm_Evaluating &) = delete;
};
