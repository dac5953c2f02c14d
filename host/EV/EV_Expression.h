#pragma once

#include <EV/EV_Function.h>

#include <memory>
#include <string>
#include <vector>

class ev_Node;

/// A parsed expression. It is parsed once into a tree and evaluated any number of times.
///
/// Grammar, loosest binding first:
///   expr    := or ( '?' expr ':' expr )?
///   or      := and ( '||' and )*
///   and     := cmp ( '&&' cmp )*
///   cmp     := sum ( ( '==' | '!=' | '<' | '>' | '<=' | '>=' ) sum )?
///   sum     := product ( ( '+' | '-' ) product )*
///   product := unary ( ( '*' | '/' | '%' ) unary )*
///   unary   := ( '-' | '+' | '!' ) unary | power
///   power   := primary ( '^' unary )?
///   primary := NUMBER | STRING | '$' NAME | '${' NAME '}' | NAME '(' args? ')' | '(' expr ')'
/// Strings are in double or single quotes, with backslash escapes. `+` joins text when either
/// side is text; comparisons compare text when both sides are text. Numbers are doubles; true
/// is 1 and false 0.
class EV_Expression
{
public:
    ~EV_Expression();

    /// Parses `text`; on failure returns null and sets `error` to a message naming the column.
    static std::unique_ptr<EV_Expression> parse(const std::string &text, std::string &error);

    /// The source text (rewritten by renameReferences).
    const std::string &getText() const { return myText; }

    /// Evaluates at the context's time. On failure (unknown variable or function, wrong
    /// argument count, division by zero is NOT a failure: it gives 0) returns false with
    /// context.error set. Sets context.timeDependent when anything time dependent was used.
    bool evaluate(EV_Context &context, EV_Value &result) const;

    /// The function, when the whole expression is one call of it with literal arguments
    /// (as ch("../a/tx")), with those arguments converted to its argument types and the call
    /// site's instance data; null otherwise.
    const EV_FUNCTION *getLiteralCall(const std::vector<EV_Value> **args = nullptr,
                                      void **instanceData = nullptr) const;

    /// True when the expression has no variables and no function calls.
    bool isConstant() const;

    /// Calls the dependency callback of every function call whose function has one, with the
    /// call's literal arguments (non-literal arguments are passed as empty values).
    void collectDependencies(void *owner) const;

    /// Offers every function call with a rename callback the chance to rewrite its literal
    /// arguments after the node `oldPath` became `newPath`; rewrites the text and the tree.
    /// Returns true when anything changed.
    bool renameReferences(void *owner, const std::string &oldPath, const std::string &newPath);

private:
    EV_Expression();
    std::string myText;
    std::unique_ptr<ev_Node> myRoot;
};
