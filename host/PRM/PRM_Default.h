#pragma once

#include <string>

/// How a default's text is meant.
enum PRM_DefaultMeaning
{
    PRM_DEFAULT_LITERAL = 0,       ///< the text is the value
    PRM_DEFAULT_EXPRESSION = 1,    ///< the text is an expression evaluated when the value is needed
    PRM_DEFAULT_DIALOG_SCRIPT = 3, ///< the number picks one of the host's dialog scripts
};

/// The factory default of one parameter component: a number, or a text (the value of a string
/// parameter, or an expression for any kind).
class PRM_Default
{
public:
    PRM_Default(double value = 0, const char *text = nullptr,
                PRM_DefaultMeaning meaning = PRM_DEFAULT_LITERAL)
        : myFloat(value), myHasText(text != nullptr), myText(text ? text : ""), myMeaning(meaning)
    {
    }

    double getFloat() const { return myFloat; }
    int getOrdinal() const { return static_cast<int>(myFloat); }
    /// The text, or null when the default is a plain number.
    const char *getString() const { return myHasText ? myText.c_str() : nullptr; }
    PRM_DefaultMeaning getStringMeaning() const { return myMeaning; }
    bool isExpression() const { return myHasText && myMeaning == PRM_DEFAULT_EXPRESSION; }

private:
    double myFloat;
    bool myHasText;
    std::string myText;
    PRM_DefaultMeaning myMeaning;
};
