#pragma once
// Integer expressions of the motor command language: numbers, variables, array elements and the
// motor's named values, joined by + - * / & | with the usual precedence, and parentheses.
// Arithmetic is 32-bit signed; division truncates, and division by zero gives 0.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace vqxsim {

// Gives the value of a name ("a", "ab[2]", "UJA", "@P"); nothing when the name is unknown.
using NameReader = std::function<std::optional<int32_t>(const std::string& name)>;

// Nothing when the text is not a well-formed expression or names something unknown.
std::optional<int32_t> EvaluateExpression(const std::string& text, const NameReader& read);

// "x==y", "x!=y", "x<y", "x>y", "x<=y", "x>=y"; nothing when malformed.
std::optional<bool> EvaluateComparison(const std::string& text, const NameReader& read);

} // namespace vqxsim
