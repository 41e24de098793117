// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// One `OP[@N][=STATUS]` rule.
struct FaultRule
{
    std::string op;                    // operation name; empty when the rule names a code
    std::optional<std::uint32_t> code; // set for a rule written as a hex control code
    std::uint32_t nth = 0;             // 0: every matching request; else only the nth from now
    std::uint32_t status = 31;         // ERROR_GEN_FAILURE unless given
    std::uint32_t seen = 0;            // matching requests counted so far
};

// Makes chosen requests fail with a chosen status. Shared by every
// connection thread and the command console.
class FaultInjector
{
public:
    // Parses a rule; on failure returns nothing and explains in `error`.
    static std::optional<FaultRule> parse(const std::string &text, std::string &error);
    // The names a rule may use: every control code's operation name and the
    // vendor commands' operation names.
    static bool isKnownOperation(const std::string &name);

    void add(const FaultRule &rule);
    void clear();
    std::size_t ruleCount() const;

    // Counts the request against every matching rule and returns the status
    // of the first rule that fires. `vendorOp` may be empty.
    std::optional<std::uint32_t> check(std::uint32_t code, const std::string &op,
                                       const std::string &vendorOp);

private:
    mutable std::mutex mutex;
    std::vector<FaultRule> rules;
};
