// Reading a command's argument: the small text helpers every handler uses to
// trim it and pick numbers out of it. They read only the text they are given
// and never fail loudly: a caller checks what came back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

std::string trimSpaces(std::string_view text);

// Upper-cases the bytes of the text in place (the protocol is read
// case-insensitively).
void upperCase(std::string& text);

// Splits at commas and converts each piece as strtoul does with base 10 on a
// 32-bit unsigned long (white space and a sign accepted, a minus wraps, too
// large a value saturates); stops at the first piece where no number starts.
std::vector<uint32_t> parseNumberList(std::string_view text);

// The first number of the text as a signed value (a sign, then digits; the
// magnitude saturates at 2^32 - 1), for values that may be negative. False,
// and the value unchanged, when the text does not start with a number.
bool parseSignedNumber(std::string_view text, int64_t& value);

// The whole text as one signed whole number: an optional sign, then digits
// and nothing else (no spaces, no second number). The magnitude saturates
// at 2^32 - 1. False, and the value unchanged, for anything else.
bool parseWholeNumber(std::string_view text, int64_t& value);
