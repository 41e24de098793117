// SPDX-License-Identifier: MIT
#include "sim/FaultInjector.h"

#include "driver/ControlCodes.h"

#include <algorithm>

namespace {

constexpr const char *kVendorOperations[] = {
    "setMicVolume", "setOutVolume", "setMic48V",       "setMic20dB",       "setMicInstrument",
    "setOtgOn",     "setOtgOff",    "upgradeFirmware", "setCloseFeedback", "getFirmwareVersion",
};

bool parseNumber(const std::string &text, int base, std::uint32_t &value)
{
    if (text.empty() || text.size() > 10)
        return false;
    std::uint64_t result = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        result = result * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
        if (result > 0xFFFFFFFFu)
            return false;
    }
    value = static_cast<std::uint32_t>(result);
    return true;
}

} // namespace

bool FaultInjector::isKnownOperation(const std::string &name)
{
    for (const controlcode::Entry &entry : controlcode::kAll)
        if (name == entry.name)
            return true;
    return std::find(std::begin(kVendorOperations), std::end(kVendorOperations), name) !=
           std::end(kVendorOperations);
}

std::optional<FaultRule> FaultInjector::parse(const std::string &text, std::string &error)
{
    FaultRule rule;
    std::string op = text;
    if (const auto equals = op.find('='); equals != std::string::npos) {
        if (!parseNumber(op.substr(equals + 1), 10, rule.status) || rule.status == 0) {
            error = "status must be a non-zero decimal number in \"" + text + "\"";
            return std::nullopt;
        }
        op.resize(equals);
    }
    if (const auto at = op.find('@'); at != std::string::npos) {
        if (!parseNumber(op.substr(at + 1), 10, rule.nth) || rule.nth == 0) {
            error = "@N must count from 1 in \"" + text + "\"";
            return std::nullopt;
        }
        op.resize(at);
    }
    if (op.size() > 2 && op[0] == '0' && (op[1] == 'x' || op[1] == 'X')) {
        std::uint32_t code = 0;
        if (!parseNumber(op.substr(2), 16, code)) {
            error = "bad control code in \"" + text + "\"";
            return std::nullopt;
        }
        rule.code = code;
    } else if (isKnownOperation(op)) {
        rule.op = op;
    } else {
        error = "unknown operation \"" + op + "\"";
        return std::nullopt;
    }
    return rule;
}

void FaultInjector::add(const FaultRule &rule)
{
    std::lock_guard lock(mutex);
    rules.push_back(rule);
}

void FaultInjector::clear()
{
    std::lock_guard lock(mutex);
    rules.clear();
}

std::size_t FaultInjector::ruleCount() const
{
    std::lock_guard lock(mutex);
    return rules.size();
}

std::optional<std::uint32_t> FaultInjector::check(std::uint32_t code, const std::string &op,
                                                  const std::string &vendorOp)
{
    std::lock_guard lock(mutex);
    std::optional<std::uint32_t> status;
    for (auto it = rules.begin(); it != rules.end();) {
        const bool matches =
            it->code ? *it->code == code : (it->op == op || (!vendorOp.empty() && it->op == vendorOp));
        if (!matches) {
            ++it;
            continue;
        }
        ++it->seen;
        const bool fires = it->nth == 0 || it->seen == it->nth;
        if (fires && !status)
            status = it->status;
        // A counted rule has done its job once its request has passed.
        if (it->nth != 0 && it->seen >= it->nth)
            it = rules.erase(it);
        else
            ++it;
    }
    return status;
}
