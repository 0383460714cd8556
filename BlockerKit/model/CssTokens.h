#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// CSS tokens as CSS Syntax Level 3 makes them, with what a selector needs of each.
enum class CssTokenType {
    Ident,
    Function,
    AtKeyword,
    Hash,
    String,
    BadString,
    Delim,
    Number,
    Percentage,
    Dimension,
    Whitespace,
    Colon,
    Semicolon,
    Comma,
    LeftBracket,
    RightBracket,
    LeftParenthesis,
    RightParenthesis,
    LeftBrace,
    RightBrace,
    IncludeMatch,
    DashMatch,
    PrefixMatch,
    SuffixMatch,
    SubstringMatch,
    Column,
    Other, // CDO, CDC and the like: never part of a selector
};

struct CssToken {
    CssTokenType type;
    std::string value;    // name of an ident, function, hash or at-keyword; unit of a dimension
    std::string text;     // as written, for messages
    char delim = 0;       // of a delim
    bool isId = false;    // a hash whose name would start an identifier
    bool integer = false; // a number or dimension without fraction or exponent
    bool signed_ = false; // a number that starts with "+" or "-"
};

// The tokens of the text, comments left out: what WebKit's CSS parser reads a selector from.
std::vector<CssToken> cssTokens(std::string_view text);

} // namespace orvane
