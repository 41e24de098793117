// SPDX-License-Identifier: MIT
#include "bench/BenchTable.h"

#include <algorithm>
#include <cmath>

BenchTable::BenchTable(const std::string &path) : file(std::fopen(path.c_str(), "a")) {}

BenchTable::~BenchTable()
{
    if (file)
        std::fclose(file);
}

double BenchTable::median(std::vector<double> &samples)
{
    if (samples.empty())
        return 0.0;
    std::sort(samples.begin(), samples.end());
    const std::size_t n = samples.size();
    return n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2.0;
}

std::string BenchTable::number(double value, const std::string &unit)
{
    char buffer[64];
    const int decimals = std::fabs(value) >= 100 ? 0 : std::fabs(value) >= 10 ? 1 : std::fabs(value) >= 1 ? 2 : 3;
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return unit.empty() ? std::string(buffer) : std::string(buffer) + " " + unit;
}

void BenchTable::ratio(const std::string &what, double measured, double floor, const std::string &unit, double goal,
                       bool strict)
{
    const double r = floor > 0 ? measured / floor : 0.0;
    char ratioText[32];
    std::snprintf(ratioText, sizeof ratioText, "%.2fx", r);
    char goalText[32];
    std::snprintf(goalText, sizeof goalText, "%s %.2fx", strict ? "<" : "<=", goal);
    const bool met = floor > 0 && (strict ? r < goal : r <= goal);
    row(what, number(measured, unit), number(floor, unit), ratioText, goalText, met ? "met" : "MISSED");
}

void BenchTable::limit(const std::string &what, double measured, const std::string &unit, double limit)
{
    row(what, number(measured, unit), "-", "-", "< " + number(limit, unit), measured < limit ? "met" : "MISSED");
}

void BenchTable::compare(const std::string &what, double measured, double floor, const std::string &unit)
{
    char ratioText[32];
    std::snprintf(ratioText, sizeof ratioText, "%.2fx", floor > 0 ? measured / floor : 0.0);
    row(what, number(measured, unit), number(floor, unit), ratioText, "report", "reported");
}

void BenchTable::report(const std::string &what, double measured, const std::string &unit, const std::string &floor)
{
    row(what, number(measured, unit), floor, "-", "report", "reported");
}

void BenchTable::failed(const std::string &what, const std::string &why)
{
    row(what, "failed: " + why, "-", "-", "-", "FAILED");
}

void BenchTable::row(const std::string &what, const std::string &measured, const std::string &floor,
                     const std::string &ratio, const std::string &goal, const std::string &verdict)
{
    if (!file)
        return;
    std::fprintf(file, "%s\t%s\t%s\t%s\t%s\t%s\n", what.c_str(), measured.c_str(), floor.c_str(), ratio.c_str(),
                 goal.c_str(), verdict.c_str());
    std::fflush(file);
}
