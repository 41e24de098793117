// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Rows of the benchmark table that scripts/bench prints, written as
// tab-separated lines (what, measured, floor, ratio, goal, verdict) to a file:
// the programs that load the driver link cannot use stdout, whose wide
// orientation belongs to that link.
class BenchTable
{
public:
    explicit BenchTable(const std::string &path);
    ~BenchTable();
    BenchTable(const BenchTable &) = delete;
    BenchTable &operator=(const BenchTable &) = delete;

    bool isOpen() const { return file != nullptr; }

    // A figure compared with its floor; met when measured <= goal x floor
    // (or < goal x floor when `strict`).
    void ratio(const std::string &what, double measured, double floor, const std::string &unit, double goal,
               bool strict = false);
    // A figure with an absolute goal (measured < limit).
    void limit(const std::string &what, double measured, const std::string &unit, double limit);
    // A figure compared with another, for explanation only.
    void compare(const std::string &what, double measured, double floor, const std::string &unit);
    // A figure with no goal.
    void report(const std::string &what, double measured, const std::string &unit, const std::string &floor = "-");
    // A figure that could not be taken.
    void failed(const std::string &what, const std::string &why);

    // The median of the samples (sorted in place).
    static double median(std::vector<double> &samples);
    static std::string number(double value, const std::string &unit);

private:
    void row(const std::string &what, const std::string &measured, const std::string &floor,
             const std::string &ratio, const std::string &goal, const std::string &verdict);

    std::FILE *file = nullptr;
};
